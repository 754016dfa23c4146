#include "WordExport.h"
#include "ScriptedFileDialogService.h"
#include "ScriptedMessageService.h"

#include "WordDocumentReader.h"
#include "WordTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

using namespace kelsim;
using namespace kelsim::test;

class WordExportTest : public QObject {
    Q_OBJECT

  private:
    QString path(const QString &name) const { return dir->filePath(name); }
    void writeExistingDocument(const QString &name)
    {
        QVERIFY(!writeNewDocument(path(name), sampleData(), letterPage()).failed());
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<ScriptedMessageService> messages;
    std::unique_ptr<ScriptedFileDialogService> dialogs;
    std::unique_ptr<WordSession> session;
    std::unique_ptr<WordExport> exporter;

  private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        messages = std::make_unique<ScriptedMessageService>();
        dialogs = std::make_unique<ScriptedFileDialogService>();
        session = std::make_unique<WordSession>();
        exporter = std::make_unique<WordExport>(*messages, *dialogs, *session);
        exporter->setNewDocumentPage(letterPage());
    }

    void newDocumentIsNamedInTheSaveDialogAndHoldsTheTable()
    {
        dialogs->answers = {path("report.docx")};
        QCOMPARE(exporter->printTableToNewDocument(sampleTable()), WordExport::Outcome::Written);
        QCOMPARE(dialogs->requests.size(), size_t(1));
        // The program asks about replacing a file itself, with answers of its own.
        QVERIFY(!dialogs->requests[0].confirmOverwrite);
        QVERIFY(messages->shown.empty());

        const WordDocumentRead read = readWordDocument(path("report.docx"));
        QVERIFY(read.ok());
        QCOMPARE(read.image.tables().size(), 1);
        QCOMPARE(session->documentPath, path("report.docx"));
        // The next dialog opens in the folder of the last document.
        exporter->appendTableToExistingDocument(sampleTable());
        QCOMPARE(dialogs->requests[1].directory, dir->path() + QLatin1Char('/'));
    }

    void dataCommandsWriteTheScores()
    {
        dialogs->answers = {path("scores.docx")};
        QCOMPARE(exporter->printDataToNewDocument(sampleData()), WordExport::Outcome::Written);
        dialogs->answers = {path("scores.docx")};
        QCOMPARE(exporter->appendDataToExistingDocument(sampleData()), WordExport::Outcome::Written);
        const QString text = readWordDocument(path("scores.docx")).image.plainText();
        QCOMPARE(text.count(QStringLiteral("   Raw Data")), 2);
        QVERIFY(text.contains(QStringLiteral("Gender\t2\tAge\t3\tc")));
    }

    void nameWithoutExtensionGetsDocx_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("used");
        // clang-format off
        QTest::newRow("plain name") << "report" << "report.docx";
        QTest::newRow("dot in a folder name") << "my.folder/report" << "my.folder/report.docx";
        QTest::newRow("own extension kept") << "report.txt" << "report.txt";
        QTest::newRow("trailing dot kept") << "report." << "report.";
        // clang-format on
    }
    void nameWithoutExtensionGetsDocx()
    {
        QFETCH(QString, typed);
        QFETCH(QString, used);
        QDir(dir->path()).mkpath(QStringLiteral("my.folder"));
        QCOMPARE(withDocumentSuffix(path(typed)), path(used));
        dialogs->answers = {path(typed)};
        QCOMPARE(exporter->printTableToNewDocument(sampleTable()), WordExport::Outcome::Written);
        QVERIFY(QFileInfo::exists(path(used)));
    }

    void cancelledDialogEndsTheCommandQuietly()
    {
        QCOMPARE(exporter->printTableToNewDocument(sampleTable()), WordExport::Outcome::Cancelled);
        QCOMPARE(exporter->appendDataToExistingDocument(sampleData()), WordExport::Outcome::Cancelled);
        QVERIFY(messages->shown.empty());
        QVERIFY(QDir(dir->path()).isEmpty());
        QVERIFY(session->documentPath.isEmpty());
    }

    void missingFolderIsMadeOnYesAndAnotherNameAskedForOnNo()
    {
        dialogs->answers = {path("missing/report.docx"), path("new/sub/report.docx")};
        messages->answers = {MessageAnswer::No, MessageAnswer::Yes};
        QCOMPARE(exporter->printTableToNewDocument(sampleTable()), WordExport::Outcome::Written);
        QCOMPARE(messages->shown.size(), size_t(2));
        QCOMPARE(messages->last().text,
                 QStringLiteral("That path/directory does not exist.  Would you like to create it?"));
        QCOMPARE(messages->last().title, QStringLiteral("Cannot find directory!"));
        QCOMPARE(messages->last().buttons, MessageButtons::YesNo);
        QVERIFY(!QFileInfo::exists(path("missing")));
        QVERIFY(readWordDocument(path("new/sub/report.docx")).ok());
    }

    void existingFileIsReplacedOnYesKeptOnNoAndCancelEndsTheCommand()
    {
        writeAll(path("report.docx"), QByteArray("an older file"));
        dialogs->answers = {path("report.docx"), path("report.docx"), path("other.docx")};
        messages->answers = {MessageAnswer::Cancel, MessageAnswer::No};
        QCOMPARE(exporter->printTableToNewDocument(sampleTable()), WordExport::Outcome::Cancelled);
        QCOMPARE(messages->last().title, QStringLiteral("File already exists!"));
        QCOMPARE(messages->last().buttons, MessageButtons::YesNoCancel);
        QCOMPARE(exporter->printTableToNewDocument(sampleTable()), WordExport::Outcome::Written);
        QCOMPARE(readAll(path("report.docx")), QByteArray("an older file"));
        QCOMPARE(session->documentPath, path("other.docx"));

        dialogs->answers = {path("report.docx")};
        messages->answers = {MessageAnswer::Yes};
        QCOMPARE(exporter->printTableToNewDocument(sampleTable()), WordExport::Outcome::Written);
        QVERIFY(readWordDocument(path("report.docx")).ok());
    }

    void appendingAsksWithTheOpenDialogAndAddsAtTheEnd()
    {
        writeExistingDocument(QStringLiteral("report.docx"));
        dialogs->answers = {path("report")}; // typed without its extension
        QCOMPARE(exporter->appendTableToExistingDocument(sampleTable()), WordExport::Outcome::Written);
        QVERIFY(messages->shown.empty());
        const WordDocumentImage image = readWordDocument(path("report.docx")).image;
        QCOMPARE(image.paragraphs().value(1).text(), QStringLiteral("   Raw Data"));
        QVERIFY(image.blocks.at(image.blocks.size() - 4).isTable); // its facts, an empty line, the closing one
        QCOMPARE(session->documentPath, path("report.docx"));
    }

    // Documents that cannot be written to are refused with a message naming them, and left as
    // they were.
    void refusedDocumentsAreLeftUnchanged_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // empty: a document the program wrote; "-": none
        QTest::addColumn<QString>("lockFile");
        QTest::addColumn<bool>("replacing");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text"); // "%1" the document's path, "..." any words
        const int refused = int(WordExport::Outcome::Refused);
        const QString locked = "%1 is currently open and locked by another process.\nPlease either unlock %1 or "
                               "select another document.";
        QTest::newRow("open elsewhere, to be replaced")
            << "report.docx" << QByteArray() << ".~lock.report.docx#" << true << refused << "File Locked!" << locked;
        QTest::newRow("locked, to be added to")
            << "report.docx" << QByteArray() << "~lock.report.docx#" << false << refused << "File Locked!" << locked;
        QTest::newRow("missing") << "gone.docx" << QByteArray("-") << "" << false << int(WordExport::Outcome::Failed)
                                 << "File Not Found!"
                                 << "The file you are trying to open does not exist (check its extension?)";
        QTest::newRow("Word 97-2003")
            << "old.doc" << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(1024, '\x01') << "" << false
            << refused << "Older Word Document!"
            << "%1 is a Word 97-2003 document (.doc), which cannot be added to.\nPlease save it as a Word Document "
               "(*.docx) in your word processor, or select another document.";
        QTest::newRow("damaged") << "report.docx" << QByteArray("PK\x03\x04 broken off") << "" << false << refused
                                 << "Not a Word Document!"
                                 << "%1 cannot be added to: ....\nThe file has been left unchanged.  Please select a "
                                    "Word Document (*.docx).";
    }
    void refusedDocumentsAreLeftUnchanged()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, lockFile);
        QFETCH(bool, replacing);
        QFETCH(int, outcome);
        QFETCH(QString, title);
        QFETCH(QString, text);
        if (bytes.isEmpty())
            writeExistingDocument(name);
        else if (bytes != "-")
            writeAll(path(name), bytes);
        if (!lockFile.isEmpty())
            writeAll(path(lockFile), QByteArray("someone"));
        const QByteArray before = QFileInfo::exists(path(name)) ? readAll(path(name)) : QByteArray();
        dialogs->answers = {path(name)};
        messages->answers = {MessageAnswer::Yes};
        const WordExport::Outcome result = replacing ? exporter->printTableToNewDocument(sampleTable())
                                                     : exporter->appendTableToExistingDocument(sampleTable());
        QCOMPARE(int(result), outcome);
        QCOMPARE(messages->last().title, title);
        QStringList pieces = text.arg(QDir::toNativeSeparators(path(name))).split(QStringLiteral("..."));
        for (QString &piece : pieces)
            piece = QRegularExpression::escape(piece);
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(pieces.join(QStringLiteral(".*"))))
                     .match(messages->last().text)
                     .hasMatch(),
                 qPrintable(messages->last().text));
        QCOMPARE(messages->last().icon, MessageIcon::Critical);
        QCOMPARE(QFileInfo::exists(path(name)) ? readAll(path(name)) : QByteArray(), before);
        QVERIFY(session->documentPath.isEmpty());
    }

    // Failures to save name their condition; Retry tries again, Cancel gives up.
    void saveFailuresAreNamed_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text"); // part of the text; "%1" the path, "%2" its folder
        QTest::addColumn<bool>("retry");
        QTest::newRow("disk full") << int(DocumentFailure::DiskFull) << "Disk Full!"
                                   << "does not have sufficient room" << true;
        QTest::newRow("write-protected") << int(DocumentFailure::PermissionDenied) << "Disk Not Ready!"
                                         << "is write-protected" << true;
        QTest::newRow("not ready") << int(DocumentFailure::DeviceNotReady) << "Disk Not Ready!"
                                   << "cannot be accessed" << true;
        QTest::newRow("other") << int(DocumentFailure::Other) << "Program Error"
                               << "Could not save to %1.  Please check whether %2 is a valid path name.\r\nError "
                                  "system words"
                               << false;
    }
    void saveFailuresAreNamed()
    {
        QFETCH(int, kind);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QFETCH(bool, retry);
        int attempts = 0;
        exporter->setSaver([&](const QString &target, const QByteArray &bytes) {
            if (++attempts > 2)
                return saveDocumentBytes(target, bytes);
            return DocumentFailure::of(DocumentFailure::Kind(kind), QStringLiteral("system words"));
        });
        // The first failure is retried, the second cancelled; a third attempt would succeed.
        dialogs->answers = {path("report.docx")};
        messages->answers = {MessageAnswer::Retry, MessageAnswer::Cancel};
        QCOMPARE(exporter->printTableToNewDocument(sampleTable()), WordExport::Outcome::Failed);
        QCOMPARE(attempts, retry ? 2 : 1);
        QCOMPARE(messages->last().title, title);
        text.replace("%1", QDir::toNativeSeparators(path("report.docx")))
            .replace("%2", QDir::toNativeSeparators(dir->path() + QLatin1Char('/')));
        QVERIFY2(messages->last().text.contains(text), qPrintable(messages->last().text));
        QCOMPARE(messages->last().buttons, retry ? MessageButtons::RetryCancel : MessageButtons::Ok);
        QCOMPARE(messages->last().icon, MessageIcon::Critical);
        QVERIFY(!QFileInfo::exists(path("report.docx")));
        QVERIFY(session->documentPath.isEmpty());
    }

    void windowIsDisabledWhileWritingAndEnabledAfterEveryOutcome()
    {
        QWidget window;
        bool enabledWhileWriting = true;
        bool hourglassWhileWriting = false;
        bool fail = true;
        exporter->setSaver([&](const QString &target, const QByteArray &bytes) {
            enabledWhileWriting = window.isEnabled();
            hourglassWhileWriting = QGuiApplication::overrideCursor() != nullptr;
            if (fail)
                return DocumentFailure::of(DocumentFailure::Other, QStringLiteral("failed"));
            return saveDocumentBytes(target, bytes);
        });
        for (const WordExport::Outcome outcome : {WordExport::Outcome::Failed, WordExport::Outcome::Written}) {
            dialogs->answers = {path("report.docx")};
            QCOMPARE(exporter->printTableToNewDocument(sampleTable(), &window), outcome);
            QVERIFY(!enabledWhileWriting && hourglassWhileWriting);
            QVERIFY(window.isEnabled());
            QVERIFY(QGuiApplication::overrideCursor() == nullptr);
            fail = false;
        }
    }
};

QTEST_MAIN(WordExportTest)
#include "WordExportTest.moc"
