#include "TestFiles.h"
#include "DataFileCommands.h"
#include "ScriptedFileDialogService.h"
#include "ScriptedMessageService.h"
#include "ProblemState.h"
#include "RecentFileList.h"
#include "DesktopSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

using namespace kelsim;

using kelsim::testing::fileBytes;
using kelsim::testing::writeFileBytes;

namespace {

// A scripted message service that can change the world while a message is on screen, as a
// user would before pressing Retry.
class HookedMessages : public ScriptedMessageService {
public:
    using MessageService::show;
    MessageAnswer show(const Message &message, QWidget *parent = nullptr) override
    {
        if (onShow)
            onShow(message);
        return ScriptedMessageService::show(message, parent);
    }
    std::function<void(const Message &)> onShow;
};

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QVERIFY(writeFileBytes(path, bytes));
}

// One problem with its services, as the application would hold them: a two-by-two design
// "Study" with factors Age and Sex, labels off.
struct Bench {
    QTemporaryDir dir;
    QString iniPath = dir.filePath("settings.ini");
    std::unique_ptr<SettingsStore> settings = std::make_unique<DesktopSettingsStore>(iniPath);
    RecentFileList recent;
    ProblemState problem;
    HookedMessages messages;
    ScriptedFileDialogService dialogs;
    QString programDir = dir.filePath("program");
    std::unique_ptr<DataFileCommands> commands;

    Bench()
    {
        QDir(dir.path()).mkdir("program");
        problem.design.factors = {makeFactor("Age", 2), makeFactor("Sex", 2)};
        problem.design.problemLabel = "Study";
        rebuild();
    }
    void rebuild()
    {
        commands = std::make_unique<DataFileCommands>(problem, recent, *settings, messages, dialogs, programDir);
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    QString file(const QString &name, const QByteArray &bytes) const
    {
        writeBytes(path(name), bytes);
        return path(name);
    }
    // A remembered entry for `file` with a three-factor design.
    void rememberWithOtherDesign(const QString &file)
    {
        RecentFileEntry entry;
        entry.path = file;
        entry.problemName = "Study";
        entry.factorCount = 3;
        entry.factorNames = QStringList{"Age", "Sex", "Group"};
        entry.levels = {2, 2, 2};
        recent.putAtTop(entry);
        QVERIFY(recent.write(*settings));
    }
    RecentFileList storedList() const
    {
        DesktopSettingsStore again(iniPath);
        RecentFileList list;
        list.read(again);
        return list;
    }
};

const std::vector<DataFileScore> kFourScores{{"a", false}, {"b", true}, {"c", false}, {"d", false}};

void compareMessage(const Message &shown, const QString &text, const QString &title, MessageIcon icon,
                    MessageButtons buttons)
{
    QCOMPARE(shown.text, text);
    QCOMPARE(shown.title, title);
    QCOMPARE(int(shown.icon), int(icon));
    QCOMPARE(int(shown.buttons), int(buttons));
}

const QString kConflictText =
    "   This data file has recently been accessed (and is available via the File Menu on the opening screen) with "
    "different parameters than those currently designated.\r"
    "  Would you like to assign another name to the file so that the current parameters may be attached to the "
    "newly named file? (No = Assign the current parameters to the file, keeping the file name)";

const QString kDangerText = "This is not likely to be the correct file.  If you choose to ignore the warning, the "
                            "program will input from the file as many scores as will fit in the grid.";

} // namespace

class DataFileCommandsTest : public QObject {
    Q_OBJECT

  private slots:
    void openReadsScoresWithMarksAndRemembersTheFile();
    void openCancelledChangesNothing();
    void wrongScoreCountAsksAndHonoursEachAnswer_data();
    void wrongScoreCountAsksAndHonoursEachAnswer();
    void fewerScoresLeaveTheOtherRowsAndPointAtTheFirstUnreadOne();
    void namingConflictCancelKeepsEverything();
    void namingConflictNoGivesTheFileTheCurrentDesign();
    void namingConflictYesSavesACopyUnderANewNameAndOpensIt();
    void namingConflictYesWithoutANameStops();
    void badFilesGetAClearMessageAndChangeNothing_data();
    void badFilesGetAClearMessageAndChangeNothing();
    void saveWritesTheImageAndPutsTheFileAtTheTop();
    void saveCancelledWritesNothing();
    void failedSaveOffersRetryAndCancel();
    void retryAfterRectificationSaves();
    void saveFailuresNameTheirCondition_data();
    void saveFailuresNameTheirCondition();
    void listThatCannotBeWrittenIsReportedButTheSaveCounts();
    void unsavedDataPrompt_data();
    void unsavedDataPrompt();
    void unsavedDataAfterAReadWritesTheGrid();
    void updateWithNoScoresToHandLeavesTheFileAlone();
    void automaticReadFillsEveryRow();
    void automaticReadWithWrongCountStartsOver();
    void automaticReadOfAMissingFileOffersRetry();
    void automaticReadRetrySucceedsOnceTheFileIsBack();
    void automaticReadOfACorruptedFileStartsOver();
    void reopeningAnEntryLoadsItsDesignAndMovesItUp();
    void reopeningAfterRestartRestoresDesignAndScores();
    void scoresTheFileCannotHoldAreRefusedWithAMessage();
};

void DataFileCommandsTest::openReadsScoresWithMarksAndRemembersTheFile()
{
    Bench bench;
    const QString path = bench.file("scores.dat", "a\r\nbI\r\nc\r\nd\r\n");
    bench.dialogs.answers = {path};
    bench.problem.dataFileImage = {{"old", false}};

    const OpenResult result = bench.commands->openDataFile();

    QCOMPARE(int(result.outcome), int(OpenOutcome::Read));
    QVERIFY(result.scores.rows == kFourScores);
    QCOMPARE(result.scores.firstUnreadRow, -1);
    QVERIFY(bench.messages.shown.empty());
    QCOMPARE(bench.dialogs.requests.size(), size_t(1));
    const FileDialogRequest &request = bench.dialogs.requests[0];
    QCOMPARE(request.title, QString("Open File"));
    QCOMPARE(request.filter, QString("Data Files (*.dat);;All Files (*)"));
    QCOMPARE(request.directory, bench.programDir);
    QCOMPARE(bench.problem.session.dataFilePath, path);
    QVERIFY(bench.problem.session.fromFile);
    // The image of an earlier "Data OK" no longer describes the grid.
    QVERIFY(bench.problem.dataFileImage.empty());
    const RecentFileList stored = bench.storedList();
    QCOMPARE(stored.count(), 1);
    QCOMPARE(stored.entry(1).path, path);
    QVERIFY(entryMatchesProblem(stored.entry(1), bench.problem));
}

void DataFileCommandsTest::openCancelledChangesNothing()
{
    Bench bench;
    bench.problem.session.dataFilePath = "/earlier.dat";
    const OpenResult result = bench.commands->openDataFile();
    QCOMPARE(int(result.outcome), int(OpenOutcome::Cancelled));
    QVERIFY(bench.messages.shown.empty());
    QCOMPARE(bench.problem.session.dataFilePath, QString("/earlier.dat"));
    QVERIFY(!bench.problem.session.fromFile);
    QCOMPARE(bench.recent.count(), 0);
}

void DataFileCommandsTest::wrongScoreCountAsksAndHonoursEachAnswer_data()
{
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<bool>("read");
    QTest::addColumn<bool>("dangerShown");
    QTest::newRow("Abort") << QList<int>{int(MessageAnswer::Abort)} << false << false;
    QTest::newRow("Retry, then OK") << QList<int>{int(MessageAnswer::Retry), int(MessageAnswer::Ok)} << true << true;
    QTest::newRow("Retry, then Cancel") << QList<int>{int(MessageAnswer::Retry), int(MessageAnswer::Cancel)} << false
                                        << true;
    QTest::newRow("Ignore") << QList<int>{int(MessageAnswer::Ignore)} << true << false;
}

void DataFileCommandsTest::wrongScoreCountAsksAndHonoursEachAnswer()
{
    QFETCH(QList<int>, answers);
    QFETCH(bool, read);
    QFETCH(bool, dangerShown);
    Bench bench;
    const QString path = bench.file("five.dat", "a\r\nbI\r\nc\r\nd\r\ne\r\n");
    bench.dialogs.answers = {path};
    for (int answer : answers)
        bench.messages.answers.push_back(MessageAnswer(answer));
    bench.problem.session.dataFilePath = "/earlier.dat";

    const OpenResult result = bench.commands->openDataFile();

    QVERIFY(!bench.messages.shown.empty());
    compareMessage(bench.messages.shown[0],
                   "The number of scores in " + path + " is 5, while the design calls for 4 scores.",
                   "Wrong file selected?", MessageIcon::Critical, MessageButtons::AbortRetryIgnore);
    QCOMPARE(bench.messages.shown.size(), size_t(dangerShown ? 2 : 1));
    if (dangerShown)
        compareMessage(bench.messages.shown[1], kDangerText, "Danger!", MessageIcon::Exclamation,
                       MessageButtons::OkCancel);
    if (read) {
        QCOMPARE(int(result.outcome), int(OpenOutcome::Read));
        QVERIFY(result.scores.rows == kFourScores);
        QCOMPARE(bench.problem.session.dataFilePath, path);
        QCOMPARE(bench.recent.count(), 1);
    } else {
        QCOMPARE(int(result.outcome), int(OpenOutcome::Stopped));
        QCOMPARE(bench.problem.session.dataFilePath, QString("/earlier.dat"));
        QVERIFY(!bench.problem.session.fromFile);
        QCOMPARE(bench.recent.count(), 0);
    }
}

void DataFileCommandsTest::fewerScoresLeaveTheOtherRowsAndPointAtTheFirstUnreadOne()
{
    Bench bench;
    const QString path = bench.file("two.dat", "xI\r\ny\r\n");
    bench.dialogs.answers = {path};
    bench.messages.answers = {MessageAnswer::Ignore};
    const OpenResult result = bench.commands->openDataFile();
    QCOMPARE(int(result.outcome), int(OpenOutcome::Read));
    QVERIFY(result.scores.rows == (std::vector<DataFileScore>{{"x", true}, {"y", false}}));
    QCOMPARE(result.scores.firstUnreadRow, 2);

    GridScores far;
    far.firstUnreadRow = 50;
    QCOMPARE(far.topRowFor(100, 10), 48);
    far.firstUnreadRow = 1;
    QCOMPARE(far.topRowFor(100, 10), 0);
    far.firstUnreadRow = 97;
    QCOMPARE(far.topRowFor(100, 10), 90);
}

void DataFileCommandsTest::namingConflictCancelKeepsEverything()
{
    Bench bench;
    const QString path = bench.file("known.dat", "a\r\nbI\r\nc\r\nd\r\n");
    bench.rememberWithOtherDesign(path);
    bench.dialogs.answers = {path};
    bench.messages.answers = {MessageAnswer::Cancel};
    bench.problem.session.dataFilePath = "/earlier.dat";

    const OpenResult result = bench.commands->openDataFile();

    QCOMPARE(int(result.outcome), int(OpenOutcome::Stopped));
    QCOMPARE(bench.messages.shown.size(), size_t(1));
    compareMessage(bench.messages.shown[0], kConflictText, "File naming conflict!", MessageIcon::Exclamation,
                   MessageButtons::YesNoCancel);
    QCOMPARE(bench.problem.session.dataFilePath, QString("/earlier.dat"));
    QCOMPARE(bench.storedList().entry(1).factorCount, 3);
}

void DataFileCommandsTest::namingConflictNoGivesTheFileTheCurrentDesign()
{
    Bench bench;
    const QString path = bench.file("known.dat", "a\r\nbI\r\nc\r\nd\r\n");
    bench.rememberWithOtherDesign(path);
    bench.dialogs.answers = {path};
    bench.messages.answers = {MessageAnswer::No};

    const OpenResult result = bench.commands->openDataFile();

    QCOMPARE(int(result.outcome), int(OpenOutcome::Read));
    QVERIFY(result.scores.rows == kFourScores);
    const RecentFileList stored = bench.storedList();
    QCOMPARE(stored.count(), 1);
    QCOMPARE(stored.entry(1).path, path);
    QVERIFY(entryMatchesProblem(stored.entry(1), bench.problem));
}

void DataFileCommandsTest::namingConflictYesSavesACopyUnderANewNameAndOpensIt()
{
    Bench bench;
    const QString path = bench.file("known.dat", "a\r\nbI\r\nc\r\nd\r\ne\r\n");
    bench.rememberWithOtherDesign(path);
    const QString copy = bench.path("copy.dat");
    bench.dialogs.answers = {path, copy};
    bench.messages.answers = {MessageAnswer::Yes};
    bench.problem.dataFileImage = {{"confirmed", false}};

    const OpenResult result = bench.commands->openDataFile();

    QCOMPARE(bench.messages.shown.size(), size_t(1)); // the copy holds exactly the four scores
    QCOMPARE(int(result.outcome), int(OpenOutcome::Read));
    QVERIFY(result.scores.rows == kFourScores);
    QCOMPARE(fileBytes(copy), QByteArray("a\r\nbI\r\nc\r\nd\r\n"));
    QCOMPARE(fileBytes(path), QByteArray("a\r\nbI\r\nc\r\nd\r\ne\r\n"));
    QCOMPARE(bench.dialogs.requests.size(), size_t(2));
    QCOMPARE(bench.dialogs.requests[1].title, QString("Save File (As)"));
    QCOMPARE(bench.dialogs.requests[1].proposedName, path);
    QCOMPARE(bench.problem.session.dataFilePath, copy);
    QCOMPARE(bench.problem.session.savedAsPath, copy);
    const RecentFileList stored = bench.storedList();
    QCOMPARE(stored.count(), 2);
    QCOMPARE(stored.entry(1).path, copy);
    QVERIFY(entryMatchesProblem(stored.entry(1), bench.problem));
    QCOMPARE(stored.entry(2).path, path);
    QCOMPARE(stored.entry(2).factorCount, 3);
}

void DataFileCommandsTest::namingConflictYesWithoutANameStops()
{
    Bench bench;
    const QString path = bench.file("known.dat", "a\r\nbI\r\nc\r\nd\r\n");
    bench.rememberWithOtherDesign(path);
    bench.dialogs.answers = {path};
    bench.messages.answers = {MessageAnswer::Yes};
    const OpenResult result = bench.commands->openDataFile();
    QCOMPARE(int(result.outcome), int(OpenOutcome::Stopped));
    QVERIFY(!bench.problem.session.fromFile);
    QVERIFY(!bench.problem.session.savedToFile);
    QCOMPARE(bench.storedList().count(), 1);
}

void DataFileCommandsTest::badFilesGetAClearMessageAndChangeNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("textPart");
    QTest::newRow("empty") << "empty"
                           << "Empty File!"
                           << "is empty: it holds no scores.";
    QTest::newRow("binary") << "binary"
                            << "Not a Data File!"
                            << "holds characters that no score can contain";
    QTest::newRow("not UTF-8") << "latin1"
                               << "Not a Data File!"
                               << "is not in UTF-8";
    QTest::newRow("100 MB") << "huge"
                            << "Not a Data File!"
                            << "is too large to be a data file: 104857600 bytes.";
    QTest::newRow("very long line") << "long"
                                    << "Not a Data File!"
                                    << "score 1 is longer than 255 characters.";
    QTest::newRow("a folder") << "folder"
                              << "Not a Data File!"
                              << "is a folder or a device, not a data file.";
    QTest::newRow("vanished after the dialog") << "vanished"
                                               << "File Not Found!"
                                               << "cannot be found.";
}

void DataFileCommandsTest::badFilesGetAClearMessageAndChangeNothing()
{
    QFETCH(QString, kind);
    QFETCH(QString, title);
    QFETCH(QString, textPart);
    Bench bench;
    QString path = bench.path(kind + ".dat");
    if (kind == "empty") {
        bench.file("empty.dat", QByteArray());
    } else if (kind == "binary") {
        bench.file("binary.dat", QByteArray("\x7f"
                                            "ELF\0\0\x01",
                                            7));
    } else if (kind == "latin1") {
        bench.file("latin1.dat", "caf\xe9\r\nb\r\nc\r\nd\r\n");
    } else if (kind == "huge") {
        QFile huge(path);
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.resize(100 * 1024 * 1024));
    } else if (kind == "long") {
        bench.file("long.dat", QByteArray(3 * 1024 * 1024, 'x'));
    } else if (kind == "folder") {
        QVERIFY(QDir(bench.dir.path()).mkdir("folder.dat"));
    }
    bench.dialogs.answers = {path};
    bench.problem.session.dataFilePath = "/earlier.dat";
    bench.problem.dataFileImage = kFourScores;

    const OpenResult result = bench.commands->openDataFile();

    QCOMPARE(int(result.outcome), int(OpenOutcome::Failed));
    QVERIFY(result.scores.rows.empty());
    QCOMPARE(bench.messages.shown.size(), size_t(1));
    const Message &shown = bench.messages.shown[0];
    QCOMPARE(shown.title, title);
    QCOMPARE(int(shown.icon), int(MessageIcon::Critical));
    QCOMPARE(int(shown.buttons), int(MessageButtons::Ok));
    QVERIFY2(shown.text.contains(path) && shown.text.contains(textPart), qPrintable(shown.text));
    QCOMPARE(bench.problem.session.dataFilePath, QString("/earlier.dat"));
    QVERIFY(!bench.problem.session.fromFile);
    QVERIFY(bench.problem.dataFileImage == kFourScores);
    QCOMPARE(bench.recent.count(), 0);
}

void DataFileCommandsTest::saveWritesTheImageAndPutsTheFileAtTheTop()
{
    Bench bench;
    const QString path = bench.path("saved.dat");
    bench.dialogs.answers = {path};
    bench.problem.session.dataFilePath = bench.path("opened.dat");
    bench.problem.session.changedSinceSave = true;
    QStringList notices;
    bench.commands->onSaving = [&](const QString &notice) {
        notices << notice;
        QVERIFY(!QFile::exists(path)); // shown while writing, before the file is there
    };
    const std::vector<DataFileScore> image{{"a", false}, {"b", true}, {"1,5", false}, {"I", false}};

    const SaveResult result = bench.commands->saveData(image);

    QVERIFY(result.saved);
    QCOMPARE(result.path, path);
    QCOMPARE(notices, QStringList{"   Saving " + path});
    QCOMPARE(fileBytes(path), QByteArray("a\r\nbI\r\n\"1,5\"\r\nII\r\n"));
    const FileDialogRequest &request = bench.dialogs.requests.at(0);
    QCOMPARE(request.title, QString("Save File (As)"));
    QCOMPARE(request.filter, QString("Data Files (*.dat)"));
    QCOMPARE(request.directory, bench.programDir);
    QCOMPARE(request.proposedName, bench.path("opened.dat"));
    QVERIFY(request.confirmOverwrite);
    QCOMPARE(bench.problem.session.savedAsPath, path);
    QVERIFY(bench.problem.session.savedToFile);
    QVERIFY(!bench.problem.session.changedSinceSave);
    QVERIFY(bench.messages.shown.empty());
    const RecentFileList stored = bench.storedList();
    QCOMPARE(stored.count(), 1);
    QCOMPARE(stored.entry(1).path, path);
    QVERIFY(entryMatchesProblem(stored.entry(1), bench.problem));
}

void DataFileCommandsTest::saveCancelledWritesNothing()
{
    Bench bench;
    bench.problem.session.changedSinceSave = true;
    const SaveResult result = bench.commands->saveData(kFourScores);
    QVERIFY(!result.saved);
    QVERIFY(result.path.isEmpty());
    QVERIFY(bench.messages.shown.empty());
    QVERIFY(bench.problem.session.changedSinceSave);
    QVERIFY(!bench.problem.session.savedToFile);
    QVERIFY(bench.problem.session.savedAsPath.isEmpty());
    QCOMPARE(bench.recent.count(), 0);
}

void DataFileCommandsTest::failedSaveOffersRetryAndCancel()
{
    Bench bench;
    const QString path = bench.path("missing-folder/saved.dat");
    bench.dialogs.answers = {path};
    bench.messages.answers = {MessageAnswer::Retry, MessageAnswer::Cancel};
    bench.problem.session.changedSinceSave = true;

    const SaveResult result = bench.commands->saveData(kFourScores);

    QVERIFY(!result.saved);
    QCOMPARE(bench.messages.shown.size(), size_t(2));
    for (const Message &shown : bench.messages.shown)
        compareMessage(shown,
                       "The disk called for cannot be accessed.  If you can rectify the situation (for example, by "
                       "inserting the correct diskette), then Retry after rectification.  Otherwise Cancel to forego "
                       "saving.",
                       "Disk Not Ready!", MessageIcon::Critical, MessageButtons::RetryCancel);
    QVERIFY(bench.problem.session.changedSinceSave);
    QVERIFY(!bench.problem.session.savedToFile);
    QCOMPARE(bench.recent.count(), 0);
}

void DataFileCommandsTest::retryAfterRectificationSaves()
{
    Bench bench;
    const QString path = bench.path("later/saved.dat");
    bench.dialogs.answers = {path};
    bench.messages.answers = {MessageAnswer::Retry};
    bench.messages.onShow = [&](const Message &) { QDir(bench.dir.path()).mkdir("later"); };
    const SaveResult result = bench.commands->saveData(kFourScores);
    QVERIFY(result.saved);
    QCOMPARE(bench.messages.shown.size(), size_t(1));
    QCOMPARE(fileBytes(path), QByteArray("a\r\nbI\r\nc\r\nd\r\n"));
}

void DataFileCommandsTest::saveFailuresNameTheirCondition_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<int>("errorNumber");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    const QString notReady = "The disk called for cannot be accessed.  If you can rectify the situation (for example, "
                             "by inserting the correct diskette), then Retry after rectification.  Otherwise Cancel to "
                             "forego saving.";
    QTest::newRow("device not ready") << int(FileFailure::DeviceNotReady) << EIO << "Disk Not Ready!" << notReady;
    QTest::newRow("folder gone") << int(FileFailure::NotFound) << ENOENT << "Disk Not Ready!" << notReady;
    QTest::newRow("disk full") << int(FileFailure::DiskFull) << ENOSPC << "Disk Full!"
                               << "The disk called for does not have sufficient room for the file.  If you can "
                                  "rectify the situation (for example, by inserting a new formatted diskette), then "
                                  "Retry after rectification.  Otherwise Cancel to forego saving.";
    QTest::newRow("permission denied") << int(FileFailure::PermissionDenied) << EROFS << "Disk Not Ready!"
                                       << "The disk called is write-protected.  Retry after rectification.  "
                                          "Otherwise Cancel to forego saving.";
    QTest::newRow("any other error") << int(FileFailure::Other) << 22 << "Error in Saving!"
                                     << "Unexpected error ( 22).  If you can rectify the situation (for example, by "
                                        "inserting a new formatted diskette), then Retry after rectification.  "
                                        "Otherwise Cancel to forego saving.";
}

void DataFileCommandsTest::saveFailuresNameTheirCondition()
{
    QFETCH(int, failure);
    QFETCH(int, errorNumber);
    QFETCH(QString, title);
    QFETCH(QString, text);
    DataFileSave save;
    save.failure = FileFailure(failure);
    save.errorNumber = errorNumber;
    compareMessage(saveFailureMessage(save), text, title, MessageIcon::Critical, MessageButtons::RetryCancel);
}

void DataFileCommandsTest::listThatCannotBeWrittenIsReportedButTheSaveCounts()
{
    Bench bench;
    writeBytes(bench.path("plain-file"), "not a folder");
    bench.settings = std::make_unique<DesktopSettingsStore>(bench.path("plain-file/settings.ini"));
    bench.rebuild();
    const QString path = bench.path("saved.dat");
    bench.dialogs.answers = {path};

    const SaveResult result = bench.commands->saveData(kFourScores);

    QVERIFY(result.saved);
    QVERIFY(bench.problem.session.savedToFile);
    QCOMPARE(fileBytes(path), QByteArray("a\r\nbI\r\nc\r\nd\r\n"));
    QCOMPARE(bench.messages.shown.size(), size_t(1));
    compareMessage(bench.messages.shown[0],
                   "The program ran into a minor problem attempting to write the file name to the list of recently "
                   "accessed files. This may have occurred because the operating system does not permit you to write "
                   "to the Windows registry.\n\rThe data have been saved, but the list of recently accessed files may "
                   "not be correct the next time you restart the computer.",
                   "Error in Saving!", MessageIcon::Critical, MessageButtons::Ok);
}

void DataFileCommandsTest::unsavedDataPrompt_data()
{
    QTest::addColumn<bool>("exiting");
    QTest::addColumn<bool>("fromFile");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<bool>("savedToFile");
    QTest::addColumn<bool>("confirmed");
    QTest::addColumn<bool>("savedAs");
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<QString>("writtenTo"); // "opened", "savedAs", "new" or empty
    QTest::addColumn<bool>("goesOn");

    const QString update = "The data have changed since the last save.  Do you wish to update the saved file?";
    const QString newFile = "Do you want to save the changed data in a new file?";
    const QString notSaved = "The data have not been saved in a file.  Do you wish to save the data?";
    const int yes = int(MessageAnswer::Yes), no = int(MessageAnswer::No), cancel = int(MessageAnswer::Cancel);

    QTest::newRow("changed file data, update it")
        << true << true << true << false << true << false << QList<int>{yes} << QStringList{update} << "opened" << true;
    QTest::newRow("changed file data saved under another name, update that")
        << true << true << true << true << true << true << QList<int>{yes} << QStringList{update} << "savedAs" << true;
    QTest::newRow("changed file data, save in a new file")
        << false << true << true << false << true << false << QList<int>{no, yes} << QStringList{update, newFile}
        << "new" << true;
    QTest::newRow("changed file data, save nothing")
        << false << true << true << false << true << false << QList<int>{no, no} << QStringList{update, newFile} << ""
        << true;
    QTest::newRow("unchanged file data") << true << true << false << false << true << false << QList<int>{}
                                         << QStringList{} << "" << true;
    QTest::newRow("typed data never confirmed")
        << false << false << true << false << false << false << QList<int>{} << QStringList{} << "" << true;
    QTest::newRow("typed data already saved")
        << true << false << true << true << true << false << QList<int>{} << QStringList{} << "" << true;
    QTest::newRow("confirmed data not saved, save them")
        << true << false << true << false << true << false << QList<int>{yes} << QStringList{notSaved} << "new" << true;
    QTest::newRow("confirmed data not saved, leave them")
        << true << false << true << false << true << false << QList<int>{no} << QStringList{notSaved} << "" << true;
    QTest::newRow("confirmed data not saved, cancel") << true << false << true << false << true << false
                                                      << QList<int>{cancel} << QStringList{notSaved} << "" << false;
    QTest::newRow("restart with confirmed data not saved, cancel")
        << false << false << true << false << true << false << QList<int>{cancel} << QStringList{notSaved} << ""
        << false;
}

void DataFileCommandsTest::unsavedDataPrompt()
{
    QFETCH(bool, exiting);
    QFETCH(bool, fromFile);
    QFETCH(bool, changed);
    QFETCH(bool, savedToFile);
    QFETCH(bool, confirmed);
    QFETCH(bool, savedAs);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, asked);
    QFETCH(QString, writtenTo);
    QFETCH(bool, goesOn);

    Bench bench;
    const QByteArray before("old\r\n");
    const QString opened = bench.file("opened.dat", before);
    const QString other = bench.file("other.dat", before);
    const QString fresh = bench.path("fresh.dat");
    DataSession &session = bench.problem.session;
    session.fromFile = fromFile;
    session.dataFilePath = fromFile ? opened : QString();
    session.savedAsPath = savedAs ? other : QString();
    session.changedSinceSave = changed;
    session.savedToFile = savedToFile;
    session.notConfirmed = !confirmed;
    bench.problem.dataFileImage = kFourScores;
    for (int answer : answers)
        bench.messages.answers.push_back(MessageAnswer(answer));
    bench.dialogs.answers = {fresh};

    const bool result = bench.commands->askAboutUnsavedData(exiting, [] {
        return std::vector<DataFileScore>{{"grid", false}};
    });

    QCOMPARE(result, goesOn);
    QStringList shownTexts;
    for (const Message &shown : bench.messages.shown) {
        shownTexts << shown.text;
        QCOMPARE(shown.title, exiting ? QString("Exit") : QString("Restart"));
    }
    QCOMPARE(shownTexts, asked);
    if (!asked.isEmpty())
        QCOMPARE(int(bench.messages.shown.back().buttons),
                 int(asked.back().contains("not been saved") ? MessageButtons::YesNoCancel : MessageButtons::YesNo));
    const QByteArray written("a\r\nbI\r\nc\r\nd\r\n");
    QCOMPARE(fileBytes(opened), writtenTo == "opened" ? written : before);
    QCOMPARE(fileBytes(other), writtenTo == "savedAs" ? written : before);
    QCOMPARE(QFile::exists(fresh), writtenTo == "new");
    if (writtenTo == "new")
        QCOMPARE(fileBytes(fresh), written);
    // Only a new file comes through the save dialog.
    QCOMPARE(bench.dialogs.requests.size(), size_t(writtenTo == "new" ? 1 : 0));
    if (!writtenTo.isEmpty()) {
        QVERIFY(session.savedToFile);
        QVERIFY(!session.changedSinceSave);
    }
}

void DataFileCommandsTest::unsavedDataAfterAReadWritesTheGrid()
{
    Bench bench;
    const QString path = bench.file("scores.dat", "a\r\nbI\r\nc\r\nd\r\n");
    bench.problem.dataFileImage = {{"confirmed", false}};
    bench.dialogs.answers = {path};
    QCOMPARE(int(bench.commands->openDataFile().outcome), int(OpenOutcome::Read));
    bench.problem.session.changedSinceSave = true; // a score typed after the read, no "Data OK" since
    bench.messages.answers = {MessageAnswer::Yes};
    const std::vector<DataFileScore> grid{{"a", false}, {"bb", true}, {"c", false}, {"d", false}};

    QVERIFY(bench.commands->askAboutUnsavedData(true, [&] { return grid; }));

    QCOMPARE(fileBytes(path), QByteArray("a\r\nbbI\r\nc\r\nd\r\n"));
}

void DataFileCommandsTest::updateWithNoScoresToHandLeavesTheFileAlone()
{
    Bench bench;
    const QString path = bench.file("scores.dat", "a\r\nbI\r\nc\r\nd\r\n");
    bench.problem.session.fromFile = true;
    bench.problem.session.dataFilePath = path;
    bench.problem.session.changedSinceSave = true;
    bench.messages.answers = {MessageAnswer::Yes};
    QVERIFY(bench.commands->askAboutUnsavedData(true));
    QCOMPARE(fileBytes(path), QByteArray("a\r\nbI\r\nc\r\nd\r\n"));
}

void DataFileCommandsTest::automaticReadFillsEveryRow()
{
    Bench bench;
    bench.problem.session.dataFilePath = bench.file("scores.dat", "a\r\nbI\r\nc\r\nd\r\n");
    bench.problem.session.readFileOnOpen = true;
    const AutoReadResult result = bench.commands->readFileOnOpen();
    QCOMPARE(int(result.outcome), int(AutoReadOutcome::Read));
    QVERIFY(result.scores.rows == kFourScores);
    QCOMPARE(result.scores.firstUnreadRow, -1);
    QVERIFY(bench.messages.shown.empty());
    QVERIFY(bench.problem.session.fromFile);
    QVERIFY(!bench.problem.session.readFileOnOpen);
    QVERIFY(!bench.problem.session.fileReadFailed);
}

void DataFileCommandsTest::automaticReadWithWrongCountStartsOver()
{
    Bench bench;
    bench.problem.session.dataFilePath = bench.file("three.dat", "a\r\nb\r\nc\r\n");
    const AutoReadResult result = bench.commands->readFileOnOpen();
    QCOMPARE(int(result.outcome), int(AutoReadOutcome::Failed));
    QVERIFY(bench.problem.session.fileReadFailed);
    QVERIFY(!bench.problem.session.fromFile);
    QCOMPARE(bench.messages.shown.size(), size_t(1));
    compareMessage(bench.messages.shown[0],
                   "   The File specification does not match the file.  The number of scores in the file is not equal "
                   "to the number generated by the factorial structure.  You will have to start over.\n\r   If the "
                   "design calls for unequal group sizes, please click the appropriate Unequal Cell Size option before "
                   "trying to invoke the recent Files list.",
                   "File corrupted?!", MessageIcon::Critical, MessageButtons::Ok);
}

void DataFileCommandsTest::automaticReadOfAMissingFileOffersRetry()
{
    Bench bench;
    bench.problem.session.dataFilePath = bench.path("gone.dat");
    bench.messages.answers = {MessageAnswer::Retry, MessageAnswer::Cancel};
    const AutoReadResult result = bench.commands->readFileOnOpen();
    QCOMPARE(int(result.outcome), int(AutoReadOutcome::Failed));
    QVERIFY(bench.problem.session.fileReadFailed);
    QCOMPARE(bench.messages.shown.size(), size_t(2));
    for (const Message &shown : bench.messages.shown)
        compareMessage(shown,
                       "The file called for cannot be found.  If you can rectify the situation (for example, by "
                       "inserting the correct diskette), then Retry after rectification.  Otherwise Cancel to start "
                       "over.",
                       "File Not Found!", MessageIcon::Critical, MessageButtons::RetryCancel);
}

void DataFileCommandsTest::automaticReadRetrySucceedsOnceTheFileIsBack()
{
    Bench bench;
    const QString path = bench.path("back.dat");
    bench.problem.session.dataFilePath = path;
    bench.messages.answers = {MessageAnswer::Retry};
    bench.messages.onShow = [&](const Message &) { writeBytes(path, "a\r\nbI\r\nc\r\nd\r\n"); };
    const AutoReadResult result = bench.commands->readFileOnOpen();
    QCOMPARE(int(result.outcome), int(AutoReadOutcome::Read));
    QVERIFY(result.scores.rows == kFourScores);
    QVERIFY(!bench.problem.session.fileReadFailed);
}

void DataFileCommandsTest::automaticReadOfACorruptedFileStartsOver()
{
    Bench bench;
    const QString path = bench.file("corrupt.dat", QByteArray("a\r\n\0\0\0\r\nc\r\nd\r\n", 13));
    bench.problem.session.dataFilePath = path;
    const AutoReadResult result = bench.commands->readFileOnOpen();
    QCOMPARE(int(result.outcome), int(AutoReadOutcome::Failed));
    QVERIFY(bench.problem.session.fileReadFailed);
    QCOMPARE(bench.messages.shown.size(), size_t(1));
    compareMessage(bench.messages.shown[0],
                   "The file " + path +
                       " is not a data file: it holds characters that no score can contain.  You will have to start "
                       "over.",
                   "File Corrupted!", MessageIcon::Critical, MessageButtons::Ok);
}

void DataFileCommandsTest::reopeningAnEntryLoadsItsDesignAndMovesItUp()
{
    Bench bench;
    for (const char *name : {"d", "c", "b", "a"}) {
        RecentFileEntry entry = recentEntryForProblem(bench.problem, bench.path(QString(name) + ".dat"));
        entry.problemName = name;
        if (QString(name) == "c") {
            entry.factorCount = 3;
            entry.factorNames = QStringList{"Xray", "Yield", "Zone"};
            entry.levels = {2, 3, 4};
        }
        bench.recent.putAtTop(entry);
    }
    QVERIFY(!bench.commands->reopenRecentFile(5));
    QVERIFY(!bench.commands->reopenRecentFile(0));

    QVERIFY(bench.commands->reopenRecentFile(3));

    QCOMPARE(bench.problem.design.factorCount(), 3);
    QCOMPARE(bench.problem.design.cellCount(), int64_t(24));
    QCOMPARE(bench.problem.design.factors[1].name, std::string("Yield"));
    QCOMPARE(bench.problem.design.problemLabel, std::string("c"));
    QCOMPARE(bench.problem.session.dataFilePath, bench.path("c.dat"));
    QVERIFY(bench.problem.session.readFileOnOpen);
    QStringList expected;
    for (const char *name : {"c", "a", "b", "d"})
        expected << "&" + QString::number(expected.size() + 1) + " " + bench.path(QString(name) + ".dat");
    QCOMPARE(bench.recent.captions(), expected);
    QCOMPARE(bench.storedList().captions(), expected);
}

void DataFileCommandsTest::reopeningAfterRestartRestoresDesignAndScores()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("settings.ini");
    const QString path = dir.filePath("study.dat");
    const std::vector<DataFileScore> scores{{"a", false},  {"bI", true}, {"1,5", false},
                                            {" c", false}, {"d", true},  {"e", false}};
    Design saved;
    {
        // First run: a labelled three-by-two design is confirmed and saved.
        DesktopSettingsStore settings(ini);
        settings.setFlag("Use_Level_Labels", true);
        RecentFileList recent;
        recent.read(settings);
        ProblemState problem;
        problem.labelsInUse = settings.flag("Use_Level_Labels");
        problem.design.factors = {makeFactor("Dose", 3), makeFactor("Sex", 2)};
        problem.design.problemLabel = "Trial";
        problem.design.levelLabels = {{"lo", "mi", "hi"}, {"m", "f"}};
        problem.dataFileImage = scores;
        problem.session.notConfirmed = false;
        ScriptedMessageService messages;
        ScriptedFileDialogService dialogs;
        dialogs.answers = {path};
        DataFileCommands commands(problem, recent, settings, messages, dialogs);
        QVERIFY(commands.saveData(problem.dataFileImage).saved);
        saved = problem.design;
    }
    // Second run against the same settings file: the opening screen offers the file.
    DesktopSettingsStore settings(ini);
    RecentFileList recent;
    recent.read(settings);
    QCOMPARE(recent.captions(), QStringList{"&1 " + path});
    ProblemState problem;
    problem.labelsInUse = settings.flag("Use_Level_Labels");
    ScriptedMessageService messages;
    ScriptedFileDialogService dialogs;
    DataFileCommands commands(problem, recent, settings, messages, dialogs);

    QVERIFY(commands.reopenRecentFile(1));
    const AutoReadResult read = commands.readFileOnOpen();

    QCOMPARE(int(read.outcome), int(AutoReadOutcome::Read));
    QVERIFY(messages.shown.empty());
    QCOMPARE(problem.design.factorCount(), 2);
    QCOMPARE(problem.design.factors[0].name, saved.factors[0].name);
    QCOMPARE(problem.design.factors[1].levels, 2);
    QCOMPARE(problem.design.problemLabel, std::string("Trial"));
    QVERIFY(problem.labelsInUse);
    QVERIFY(problem.design.levelLabels == saved.levelLabels);
    // Every score comes back; the one ending in "I" comes back marked.
    std::vector<DataFileScore> expected = scores;
    expected[1].marked = true;
    QVERIFY(read.scores.rows == expected);
}

void DataFileCommandsTest::scoresTheFileCannotHoldAreRefusedWithAMessage()
{
    for (const QString &fits : {QString("abc"), QString("1,5"), QString("a\"b"), QString(255, 'a')})
        QVERIFY2(!scoreRefusal(fits).has_value(), qPrintable(fits));
    for (const QString &refused : {QString(256, 'a'), QString("a\x01")}) {
        const std::optional<Message> refusal = scoreRefusal(refused);
        QVERIFY(refusal.has_value());
        QCOMPARE(refusal->title, QString("Data Entry Error!"));
    }
}

QTEST_GUILESS_MAIN(DataFileCommandsTest)
#include "DataFileCommandsTest.moc"
