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
        const FileDialogRequest &request = dialogs->requests[0];
        QCOMPARE(request.title, QStringLiteral("Save As"));
        QCOMPARE(request.filter, QStringLiteral("Word Document (*.docx)"));
        QCOMPARE(request.defaultSuffix, QStringLiteral("docx"));
        QVERIFY(!request.confirmOverwrite);
        QVERIFY(messages->shown.empty());

        const WordDocumentRead read = readWordDocument(path("report.docx"));
        QVERIFY(read.ok());
        QCOMPARE(read.image.tables().size(), 1);
        QCOMPARE(session->documentPath, path("report.docx"));
        QCOMPARE(session->documentDir, dir->path() + QLatin1Char('/'));
    }

    void nextDialogOpensInTheFolderOfTheLastDocument()
    {
        dialogs->answers = {path("report.docx")};
        exporter->printDataToNewDocument(sampleData());
        exporter->appendTableToExistingDocument(sampleTable());
        QCOMPARE(dialogs->requests.size(), size_t(2));
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
        QTest::newRow("plain name") << "report"
                                    << "report.docx";
        QTest::newRow("dot in a folder name") << "my.folder/report"
                                              << "my.folder/report.docx";
        QTest::newRow("own extension kept") << "report.txt"
                                            << "report.txt";
        QTest::newRow("trailing dot kept") << "report."
                                           << "report.";
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

    void missingFolderIsMadeWhenTheUserAgrees()
    {
        dialogs->answers = {path("new/sub/report.docx")};
        messages->answers = {MessageAnswer::Yes};
        QCOMPARE(exporter->printTableToNewDocument(sampleTable()), WordExport::Outcome::Written);
        QCOMPARE(messages->shown.size(), size_t(1));
        QCOMPARE(messages->last().text,
                 QStringLiteral("That path/directory does not exist.  Would you like to create it?"));
        QCOMPARE(messages->last().title, QStringLiteral("Cannot find directory!"));
        QCOMPARE(messages->last().buttons, MessageButtons::YesNo);
        QVERIFY(readWordDocument(path("new/sub/report.docx")).ok());
    }

    void missingFolderRefusedAsksForAnotherName()
    {
        dialogs->answers = {path("missing/report.docx"), path("report.docx")};
        messages->answers = {MessageAnswer::No};
        QCOMPARE(exporter->printTableToNewDocument(sampleTable()), WordExport::Outcome::Written);
        QCOMPARE(dialogs->requests.size(), size_t(2));
        QVERIFY(!QFileInfo::exists(path("missing")));
        QVERIFY(QFileInfo::exists(path("report.docx")));
    }

    void existingFileIsReplacedOnYes()
    {
        writeAll(path("report.docx"), QByteArray("an older file"));
        dialogs->answers = {path("report.docx")};
        messages->answers = {MessageAnswer::Yes};
        QCOMPARE(exporter->printTableToNewDocument(sampleTable()), WordExport::Outcome::Written);
        QCOMPARE(messages->shown.size(), size_t(1));
        QCOMPARE(messages->last().text,
                 QStringLiteral("There is currently a file with that name.  Do you wish to overwrite the file?\nA 'No' "
                                "response will allow you to enter another name for a new file, while 'Cancel' will "
                                "allow you to return to the menu to add to an existing file."));
        QCOMPARE(messages->last().title, QStringLiteral("File already exists!"));
        QCOMPARE(messages->last().buttons, MessageButtons::YesNoCancel);
        QVERIFY(readWordDocument(path("report.docx")).ok());
    }

    void existingFileNoAsksForAnotherName()
    {
        writeAll(path("report.docx"), QByteArray("an older file"));
        dialogs->answers = {path("report.docx"), path("other.docx")};
        messages->answers = {MessageAnswer::No};
        QCOMPARE(exporter->printTableToNewDocument(sampleTable()), WordExport::Outcome::Written);
        QCOMPARE(readAll(path("report.docx")), QByteArray("an older file"));
        QVERIFY(readWordDocument(path("other.docx")).ok());
        QCOMPARE(session->documentPath, path("other.docx"));
    }

    void existingFileCancelReturnsWithoutWriting()
    {
        writeAll(path("report.docx"), QByteArray("an older file"));
        dialogs->answers = {path("report.docx"), path("other.docx")};
        messages->answers = {MessageAnswer::Cancel};
        QCOMPARE(exporter->printTableToNewDocument(sampleTable()), WordExport::Outcome::Cancelled);
        QCOMPARE(dialogs->requests.size(), size_t(1));
        QCOMPARE(readAll(path("report.docx")), QByteArray("an older file"));
        QVERIFY(!QFileInfo::exists(path("other.docx")));
    }

    void documentOpenElsewhereIsNotOverwritten()
    {
        writeExistingDocument(QStringLiteral("report.docx"));
        const QByteArray before = readAll(path("report.docx"));
        writeAll(path(".~lock.report.docx#"), QByteArray("someone"));
        dialogs->answers = {path("report.docx")};
        messages->answers = {MessageAnswer::Yes};
        QCOMPARE(exporter->printTableToNewDocument(sampleTable()), WordExport::Outcome::Refused);
        QCOMPARE(messages->last().title, QStringLiteral("File Locked!"));
        QCOMPARE(readAll(path("report.docx")), before);
    }

    void appendingAsksWithTheOpenDialogAndAddsAtTheEnd()
    {
        writeExistingDocument(QStringLiteral("report.docx"));
        dialogs->answers = {path("report.docx")};
        QCOMPARE(exporter->appendTableToExistingDocument(sampleTable()), WordExport::Outcome::Written);
        const FileDialogRequest &request = dialogs->requests.at(0);
        QCOMPARE(request.title, QStringLiteral("Open File"));
        QCOMPARE(request.filter, QStringLiteral("Word Document (*.docx)"));
        QCOMPARE(request.defaultSuffix, QStringLiteral("docx"));
        QVERIFY(messages->shown.empty());
        const WordDocumentImage image = readWordDocument(path("report.docx")).image;
        QCOMPARE(image.paragraphs().value(1).text(), QStringLiteral("   Raw Data"));
        QVERIFY(image.blocks.at(image.blocks.size() - 3).isTable);
        QCOMPARE(session->documentPath, path("report.docx"));
    }

    void appendingFindsTheDocumentTypedWithoutItsExtension()
    {
        writeExistingDocument(QStringLiteral("report.docx"));
        dialogs->answers = {path("report")};
        QCOMPARE(exporter->appendTableToExistingDocument(sampleTable()), WordExport::Outcome::Written);
        QCOMPARE(readWordDocument(path("report.docx")).image.tables().size(), 1);
    }

    void lockedDocumentIsRefused()
    {
        writeExistingDocument(QStringLiteral("report.docx"));
        const QByteArray before = readAll(path("report.docx"));
        writeAll(path("~lock.report.docx#"), QByteArray("someone"));
        dialogs->answers = {path("report.docx")};
        QCOMPARE(exporter->appendDataToExistingDocument(sampleData()), WordExport::Outcome::Refused);
        QCOMPARE(messages->shown.size(), size_t(1));
        const QString shownPath = QDir::toNativeSeparators(path("report.docx"));
        QCOMPARE(messages->last().text, shownPath +
                                            QStringLiteral(" is currently open and locked by another process."
                                                           "\nPlease either unlock ") +
                                            shownPath + QStringLiteral(" or select another document."));
        QCOMPARE(messages->last().title, QStringLiteral("File Locked!"));
        QCOMPARE(messages->last().icon, MessageIcon::Critical);
        QCOMPARE(messages->last().buttons, MessageButtons::Ok);
        QCOMPARE(readAll(path("report.docx")), before);
        QVERIFY(session->documentPath.isEmpty());
    }

    void missingDocumentIsReportedNotFound()
    {
        dialogs->answers = {path("gone.docx")};
        QCOMPARE(exporter->appendTableToExistingDocument(sampleTable()), WordExport::Outcome::Failed);
        QCOMPARE(messages->last().text,
                 QStringLiteral("The file you are trying to open does not exist (check its extension?)"));
        QCOMPARE(messages->last().title, QStringLiteral("File Not Found!"));
        QCOMPARE(messages->last().icon, MessageIcon::Critical);
        QVERIFY(!QFileInfo::exists(path("gone.docx")));
    }

    void olderWordDocumentIsRefusedUnchanged()
    {
        const QByteArray legacy = QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(1024, '\x01');
        writeAll(path("old.doc"), legacy);
        dialogs->answers = {path("old.doc")};
        QCOMPARE(exporter->appendTableToExistingDocument(sampleTable()), WordExport::Outcome::Refused);
        QCOMPARE(messages->last().title, QStringLiteral("Older Word Document!"));
        QCOMPARE(messages->last().text,
                 QDir::toNativeSeparators(path("old.doc")) +
                     QStringLiteral(" is a Word 97-2003 document (.doc), which cannot be added to.\nPlease save it as "
                                    "a Word Document (*.docx) in your word processor, or select another document."));
        QCOMPARE(messages->last().icon, MessageIcon::Critical);
        QCOMPARE(readAll(path("old.doc")), legacy);
    }

    void damagedDocumentIsRefusedUnchanged()
    {
        writeExistingDocument(QStringLiteral("report.docx"));
        const QByteArray truncated = readAll(path("report.docx")).left(300);
        writeAll(path("report.docx"), truncated);
        dialogs->answers = {path("report.docx")};
        QCOMPARE(exporter->appendTableToExistingDocument(sampleTable()), WordExport::Outcome::Refused);
        QCOMPARE(messages->last().title, QStringLiteral("Not a Word Document!"));
        QVERIFY(messages->last().text.startsWith(QDir::toNativeSeparators(path("report.docx")) +
                                                 QStringLiteral(" cannot be added to: ")));
        QVERIFY(messages->last().text.endsWith(
            QStringLiteral(".\nThe file has been left unchanged.  Please select a Word Document (*.docx).")));
        QCOMPARE(readAll(path("report.docx")), truncated);
    }

    void fullDiskOffersRetryAndRetryWrites()
    {
        int attempts = 0;
        exporter->setSaver([&](const QString &target, const QByteArray &bytes) {
            if (++attempts == 1)
                return DocumentFailure::of(DocumentFailure::DiskFull, QStringLiteral("No space left on device"));
            return saveDocumentBytes(target, bytes);
        });
        dialogs->answers = {path("report.docx")};
        messages->answers = {MessageAnswer::Retry};
        QCOMPARE(exporter->printTableToNewDocument(sampleTable()), WordExport::Outcome::Written);
        QCOMPARE(attempts, 2);
        QCOMPARE(messages->shown.size(), size_t(1));
        QCOMPARE(messages->last().title, QStringLiteral("Disk Full!"));
        QCOMPARE(messages->last().text,
                 QStringLiteral("The disk called for does not have sufficient room for the file.  If you can rectify "
                                "the situation (for example, by inserting a new formatted diskette), then Retry after "
                                "rectification.  Otherwise Cancel to forego saving."));
        QCOMPARE(messages->last().buttons, MessageButtons::RetryCancel);
        QCOMPARE(messages->last().icon, MessageIcon::Critical);
        QVERIFY(readWordDocument(path("report.docx")).ok());
    }

    void diskConditionsAreNamed_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("write-protected")
            << int(DocumentFailure::PermissionDenied) << "Disk Not Ready!"
            << "The disk called is write-protected.  Retry after rectification.  Otherwise Cancel to forego saving.";
        QTest::newRow("not ready") << int(DocumentFailure::DeviceNotReady) << "Disk Not Ready!"
                                   << "The disk called for cannot be accessed.  If you can rectify the situation (for "
                                      "example, by inserting a correctly formatted diskette), then Retry after "
                                      "rectification.  Otherwise Cancel to forego saving.";
    }
    void diskConditionsAreNamed()
    {
        QFETCH(int, kind);
        QFETCH(QString, title);
        QFETCH(QString, text);
        writeExistingDocument(QStringLiteral("report.docx"));
        const QByteArray before = readAll(path("report.docx"));
        exporter->setSaver([&](const QString &, const QByteArray &) {
            return DocumentFailure::of(DocumentFailure::Kind(kind), QStringLiteral("system words"));
        });
        dialogs->answers = {path("report.docx")};
        messages->answers = {MessageAnswer::Retry, MessageAnswer::Cancel};
        QCOMPARE(exporter->appendTableToExistingDocument(sampleTable()), WordExport::Outcome::Failed);
        QCOMPARE(messages->shown.size(), size_t(2)); // Retry tried once more
        QCOMPARE(messages->last().title, title);
        QCOMPARE(messages->last().text, text);
        QCOMPARE(messages->last().buttons, MessageButtons::RetryCancel);
        QCOMPARE(readAll(path("report.docx")), before);
        QVERIFY(session->documentPath.isEmpty());
    }

    void otherErrorsNameThePathAndTheDescription()
    {
        exporter->setSaver([](const QString &, const QByteArray &) {
            return DocumentFailure::of(DocumentFailure::Other, QStringLiteral("Input/output trouble"));
        });
        dialogs->answers = {path("report.docx")};
        QCOMPARE(exporter->printTableToNewDocument(sampleTable()), WordExport::Outcome::Failed);
        QCOMPARE(messages->last().title, QStringLiteral("Program Error"));
        QCOMPARE(messages->last().text, QStringLiteral("Could not save to ") +
                                            QDir::toNativeSeparators(path("report.docx")) +
                                            QStringLiteral(".  Please check whether ") +
                                            QDir::toNativeSeparators(dir->path() + QLatin1Char('/')) +
                                            QStringLiteral(" is a valid path name.\r\nError Input/output trouble"));
        QCOMPARE(messages->last().buttons, MessageButtons::Ok);
        QCOMPARE(messages->last().icon, MessageIcon::Critical);
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
        dialogs->answers = {path("report.docx")};
        QCOMPARE(exporter->printTableToNewDocument(sampleTable(), &window), WordExport::Outcome::Failed);
        QVERIFY(!enabledWhileWriting);
        QVERIFY(hourglassWhileWriting);
        QVERIFY(window.isEnabled());
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);

        fail = false;
        dialogs->answers = {path("report.docx")};
        QCOMPARE(exporter->printTableToNewDocument(sampleTable(), &window), WordExport::Outcome::Written);
        QVERIFY(!enabledWhileWriting);
        QVERIFY(window.isEnabled());
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    }
};

QTEST_MAIN(WordExportTest)
#include "WordExportTest.moc"
