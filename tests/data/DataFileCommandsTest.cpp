#include "DataFileCommands.h"
#include "DesktopSettingsStore.h"
#include "ProblemState.h"
#include "RecentFileList.h"
#include "ScriptedFileDialogService.h"
#include "ScriptedMessageService.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
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
const QByteArray kFourLines("a\r\nbI\r\nc\r\nd\r\n");

// A file message: the text as the user reads it, ending with the file's path.
bool namesFile(const Message &shown, const QString &title, const QString &path)
{
    if (shown.title == title && shown.text.endsWith("\n\n" + path))
        return true;
    qWarning().noquote() << "shown:" << shown.title << "|" << shown.text;
    return false;
}

} // namespace

class DataFileCommandsTest : public QObject {
    Q_OBJECT

  private slots:
    void openReadsScoresWithMarksAndRemembersTheFile();
    void cancelledDialogsChangeNothing();
    void wrongScoreCountAsksAndHonoursEachAnswer_data();
    void wrongScoreCountAsksAndHonoursEachAnswer();
    void namingConflictAnswers_data();
    void namingConflictAnswers();
    void badFilesGetAClearMessageAndChangeNothing_data();
    void badFilesGetAClearMessageAndChangeNothing();
    void saveWritesTheImageAndPutsTheFileAtTheTop();
    void failedSaveOffersRetryAndCancelNamingTheFile();
    void retryAfterRectificationSaves();
    void saveFailuresNameTheirConditionAndTheFile_data();
    void saveFailuresNameTheirConditionAndTheFile();
    void listThatCannotBeWrittenIsReportedButTheSaveCounts();
    void unsavedDataQuestion_data();
    void unsavedDataQuestion();
    void automaticReadRetrySucceedsOnceTheFileIsBack();
    void automaticReadOfACorruptedFileStartsOver();
};

void DataFileCommandsTest::openReadsScoresWithMarksAndRemembersTheFile()
{
    Bench bench;
    const QString path = bench.file("scores.dat", kFourLines);
    bench.dialogs.answers = {path};
    bench.problem.dataFileImage = {{"old", false}};
    bench.problem.session.changedSinceSave = true;

    const OpenResult result = bench.commands->openDataFile();

    QCOMPARE(int(result.outcome), int(OpenOutcome::Read));
    QVERIFY(result.scores.rows == kFourScores);
    QCOMPARE(result.scores.firstUnreadRow, -1);
    QVERIFY(bench.messages.shown.empty());
    QCOMPARE(bench.dialogs.requests.at(0).directory, bench.programDir);
    QCOMPARE(bench.problem.session.dataFilePath, path);
    QVERIFY(bench.problem.session.fromFile);
    // The grid holds the file as it is: nothing to save yet.
    QVERIFY(!bench.problem.session.changedSinceSave);
    // The image of an earlier "Data OK" no longer describes the grid.
    QVERIFY(bench.problem.dataFileImage.empty());
    const RecentFileList stored = bench.storedList();
    QCOMPARE(stored.count(), 1);
    QCOMPARE(stored.entry(1).path, path);
    QVERIFY(entryMatchesProblem(stored.entry(1), bench.problem));
}

void DataFileCommandsTest::cancelledDialogsChangeNothing()
{
    Bench bench;
    bench.problem.session.dataFilePath = "/earlier.dat";
    bench.problem.session.changedSinceSave = true;
    QCOMPARE(int(bench.commands->openDataFile().outcome), int(OpenOutcome::Cancelled));
    QVERIFY(!bench.commands->saveData(kFourScores).saved);
    QVERIFY(bench.messages.shown.empty());
    QCOMPARE(bench.problem.session.dataFilePath, QString("/earlier.dat"));
    QVERIFY(bench.problem.session.savedAsPath.isEmpty());
    QVERIFY(bench.problem.session.changedSinceSave);
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
    const QString path = bench.file("five.dat", kFourLines + "e\r\n");
    bench.dialogs.answers = {path};
    for (int answer : answers)
        bench.messages.answers.push_back(MessageAnswer(answer));
    bench.problem.session.dataFilePath = "/earlier.dat";

    const OpenResult result = bench.commands->openDataFile();

    QCOMPARE(bench.messages.shown.size(), size_t(dangerShown ? 2 : 1));
    QCOMPARE(bench.messages.shown[0].text,
             "The number of scores in " + path + " is 5, while the design calls for 4 scores.");
    QCOMPARE(int(bench.messages.shown[0].buttons), int(MessageButtons::AbortRetryIgnore));
    if (dangerShown)
        QVERIFY(namesFile(bench.messages.shown[1], "Danger!", path));
    QCOMPARE(int(result.outcome), int(read ? OpenOutcome::Read : OpenOutcome::Stopped));
    QCOMPARE(bench.problem.session.dataFilePath, read ? path : QString("/earlier.dat"));
    QCOMPARE(bench.recent.count(), read ? 1 : 0);
    if (read) {
        QVERIFY(result.scores.rows == kFourScores);
        QVERIFY(bench.problem.session.changedSinceSave); // the grid is not the file
    }
}

void DataFileCommandsTest::namingConflictAnswers_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("copyNamed");
    QTest::addColumn<bool>("read");
    QTest::addColumn<int>("rememberedFactors"); // of the entry for the file opened
    QTest::newRow("Cancel keeps everything") << int(MessageAnswer::Cancel) << false << false << 3;
    QTest::newRow("No gives the file the current design") << int(MessageAnswer::No) << false << true << 2;
    QTest::newRow("Yes without a name stops") << int(MessageAnswer::Yes) << false << false << 3;
    QTest::newRow("Yes saves a copy under a new name and opens it") << int(MessageAnswer::Yes) << true << true << 3;
}

void DataFileCommandsTest::namingConflictAnswers()
{
    QFETCH(int, answer);
    QFETCH(bool, copyNamed);
    QFETCH(bool, read);
    QFETCH(int, rememberedFactors);
    Bench bench;
    const QString path = bench.file("known.dat", kFourLines + "e\r\n");
    bench.rememberWithOtherDesign(path);
    const QString copy = bench.path("copy.dat");
    bench.dialogs.answers = {path};
    if (copyNamed)
        bench.dialogs.answers.push_back(copy);
    bench.messages.answers = {MessageAnswer(answer), MessageAnswer::Ignore};
    bench.problem.session.dataFilePath = "/earlier.dat";

    const OpenResult result = bench.commands->openDataFile();

    QVERIFY(namesFile(bench.messages.shown.at(0), "File naming conflict!", path));
    QCOMPARE(int(result.outcome), int(read ? OpenOutcome::Read : OpenOutcome::Stopped));
    const RecentFileList stored = bench.storedList();
    QCOMPARE(stored.entry(stored.positionOf(path)).factorCount, rememberedFactors);
    QCOMPARE(bench.problem.session.dataFilePath, read ? (copyNamed ? copy : path) : QString("/earlier.dat"));
    QCOMPARE(bench.problem.session.fromFile, read);
    if (copyNamed) {
        // The copy holds the four scores the design takes, the original stays as it was.
        QCOMPARE(bench.messages.shown.size(), size_t(1));
        QVERIFY(result.scores.rows == kFourScores);
        QCOMPARE(fileBytes(copy), kFourLines);
        QCOMPARE(fileBytes(path), kFourLines + "e\r\n");
        QCOMPARE(bench.dialogs.requests.at(1).proposedName, path);
        QCOMPARE(stored.entry(1).path, copy);
        QVERIFY(entryMatchesProblem(stored.entry(1), bench.problem));
    }
}

void DataFileCommandsTest::badFilesGetAClearMessageAndChangeNothing_data()
{
    QTest::addColumn<QByteArray>("bytes"); // null: a folder of that name
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("textPart");
    QTest::newRow("empty") << QByteArray("") << "Empty File!"
                           << "is empty: it holds no scores.";
    QTest::newRow("binary") << QByteArray("\x7f"
                                          "ELF\0\0\x01",
                                          7)
                            << "Not a Data File!"
                            << "holds characters that no score can contain";
    QTest::newRow("unclosed quote") << QByteArray("a\r\n\"b\r\nc\r\nd\r\n") << "Not a Data File!"
                                    << "the double quote that opens line 2 is never closed.";
    QTest::newRow("a folder") << QByteArray() << "Not a Data File!"
                              << "is a folder or a device, not a data file.";
}

void DataFileCommandsTest::badFilesGetAClearMessageAndChangeNothing()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, title);
    QFETCH(QString, textPart);
    Bench bench;
    const QString path = bench.path("bad.dat");
    if (bytes.isNull())
        QVERIFY(QDir(bench.dir.path()).mkdir("bad.dat"));
    else
        writeBytes(path, bytes);
    bench.dialogs.answers = {path};
    bench.problem.session.dataFilePath = "/earlier.dat";
    bench.problem.dataFileImage = kFourScores;

    const OpenResult result = bench.commands->openDataFile();

    QCOMPARE(int(result.outcome), int(OpenOutcome::Failed));
    QCOMPARE(bench.messages.shown.size(), size_t(1));
    const Message &shown = bench.messages.shown[0];
    QCOMPARE(shown.title, title);
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

    const SaveResult result = bench.commands->saveData(kFourScores);

    QVERIFY(result.saved);
    QCOMPARE(notices, QStringList{"   Saving " + path});
    QCOMPARE(fileBytes(path), kFourLines);
    QCOMPARE(bench.dialogs.requests.at(0).proposedName, bench.path("opened.dat"));
    QCOMPARE(bench.problem.session.savedAsPath, path);
    QVERIFY(bench.problem.session.savedToFile);
    QVERIFY(!bench.problem.session.changedSinceSave);
    QVERIFY(bench.messages.shown.empty());
    const RecentFileList stored = bench.storedList();
    QCOMPARE(stored.count(), 1);
    QCOMPARE(stored.entry(1).path, path);
    QVERIFY(entryMatchesProblem(stored.entry(1), bench.problem));
}

void DataFileCommandsTest::failedSaveOffersRetryAndCancelNamingTheFile()
{
    Bench bench;
    const QString path = bench.path("missing-folder/saved.dat");
    bench.dialogs.answers = {path};
    bench.messages.answers = {MessageAnswer::Retry, MessageAnswer::Cancel};
    bench.problem.session.changedSinceSave = true;

    QVERIFY(!bench.commands->saveData(kFourScores).saved);

    QCOMPARE(bench.messages.shown.size(), size_t(2));
    for (const Message &shown : bench.messages.shown) {
        QVERIFY(namesFile(shown, "Disk Not Ready!", path));
        QCOMPARE(int(shown.buttons), int(MessageButtons::RetryCancel));
    }
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
    QVERIFY(bench.commands->saveData(kFourScores).saved);
    QCOMPARE(bench.messages.shown.size(), size_t(1));
    QCOMPARE(fileBytes(path), kFourLines);
}

void DataFileCommandsTest::saveFailuresNameTheirConditionAndTheFile_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("textPart");
    QTest::newRow("device not ready") << int(FileFailure::DeviceNotReady) << "Disk Not Ready!"
                                      << "cannot be accessed";
    QTest::newRow("disk full") << int(FileFailure::DiskFull) << "Disk Full!"
                               << "does not have sufficient room";
    QTest::newRow("permission denied") << int(FileFailure::PermissionDenied) << "Disk Not Ready!"
                                       << "is write-protected";
    QTest::newRow("any other error") << int(FileFailure::Other) << "Error in Saving!"
                                     << "Unexpected error ( 22)";
}

void DataFileCommandsTest::saveFailuresNameTheirConditionAndTheFile()
{
    QFETCH(int, failure);
    QFETCH(QString, title);
    QFETCH(QString, textPart);
    DataFileSave save;
    save.failure = FileFailure(failure);
    save.errorNumber = 22;
    const Message message = saveFailureMessage("/data/study.dat", save);
    QVERIFY(namesFile(message, title, "/data/study.dat"));
    QVERIFY(message.text.contains(textPart));
}

void DataFileCommandsTest::listThatCannotBeWrittenIsReportedButTheSaveCounts()
{
    Bench bench;
    writeBytes(bench.path("plain-file"), "not a folder");
    bench.settings = std::make_unique<DesktopSettingsStore>(bench.path("plain-file/settings.ini"));
    bench.rebuild();
    const QString path = bench.path("saved.dat");
    bench.dialogs.answers = {path};

    QVERIFY(bench.commands->saveData(kFourScores).saved);

    QVERIFY(bench.problem.session.savedToFile);
    QCOMPARE(fileBytes(path), kFourLines);
    QCOMPARE(bench.messages.shown.size(), size_t(1));
    const Message &shown = bench.messages.shown[0];
    QVERIFY(namesFile(shown, "Error in Saving!", path));
    QVERIFY(shown.text.contains("does not permit you to write to the program's settings."));
    QVERIFY(!shown.text.contains("registry"));
}

void DataFileCommandsTest::unsavedDataQuestion_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("fromFile");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<bool>("savedToFile");
    QTest::addColumn<bool>("confirmed");
    QTest::addColumn<bool>("savedAs");
    QTest::addColumn<QString>("grid"); // "none", "scores" or "empty"
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<QString>("writtenTo"); // "opened", "savedAs", "new" or empty
    QTest::addColumn<bool>("goesOn");

    const QString update = "The data have changed since the last save.  Do you wish to update the saved file?";
    const QString newFile = "Do you want to save the changed data in a new file?";
    const QString notSaved = "The data have not been saved in a file.  Do you wish to save the data?";
    const int yes = int(MessageAnswer::Yes), no = int(MessageAnswer::No), cancel = int(MessageAnswer::Cancel);
    using L = QList<int>;
    using S = QStringList;

    QTest::newRow("changed file data, update it")
        << "Exit" << true << true << false << true << false << "scores" << L{yes} << S{update} << "opened" << true;
    QTest::newRow("changed file data saved under another name, update that")
        << "Restart" << true << true << true << true << true << "scores" << L{yes} << S{update} << "savedAs" << true;
    QTest::newRow("changed file data with no grid: the last Data OK is written")
        << "Exit" << true << true << false << true << false << "none" << L{yes} << S{update} << "opened" << true;
    QTest::newRow("changed file data, save in a new file")
        << "Open File" << true << true << false << true << false << "scores" << L{no, yes} << S{update, newFile}
        << "new" << true;
    QTest::newRow("changed file data, save nothing") << "Exit" << true << true << false << true << false << "scores"
                                                     << L{no, no} << S{update, newFile} << "" << true;
    QTest::newRow("unchanged file data") << "Exit" << true << false << false << true << false << "scores" << L{} << S{}
                                         << "" << true;
    QTest::newRow("nothing typed, never confirmed")
        << "Restart" << false << false << false << false << false << "empty" << L{} << S{} << "" << true;
    QTest::newRow("typed, never confirmed, cancel") << "Open File" << false << true << false << false << false
                                                    << "scores" << L{cancel} << S{notSaved} << "" << false;
    QTest::newRow("confirmed and saved") << "Exit" << false << false << true << true << false << "scores" << L{} << S{}
                                         << "" << true;
    QTest::newRow("confirmed, not saved, save them")
        << "Exit" << false << false << false << true << false << "scores" << L{yes} << S{notSaved} << "new" << true;
    QTest::newRow("confirmed, not saved, leave them")
        << "Exit" << false << false << false << true << false << "scores" << L{no} << S{notSaved} << "" << true;
    QTest::newRow("confirmed, not saved, cancel")
        << "Restart" << false << false << false << true << false << "none" << L{cancel} << S{notSaved} << "" << false;
}

void DataFileCommandsTest::unsavedDataQuestion()
{
    QFETCH(QString, title);
    QFETCH(bool, fromFile);
    QFETCH(bool, changed);
    QFETCH(bool, savedToFile);
    QFETCH(bool, confirmed);
    QFETCH(bool, savedAs);
    QFETCH(QString, grid);
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
    // The grid as it stands is what the user is asked about; the last "Data OK" only without one.
    bench.problem.dataFileImage = {{"confirmed", false}};
    const std::vector<DataFileScore> gridScores = grid == "empty" ? std::vector<DataFileScore>(4) : kFourScores;
    if (grid != "none")
        bench.commands->gridScores = [&] { return gridScores; };
    for (int answer : answers)
        bench.messages.answers.push_back(MessageAnswer(answer));
    bench.dialogs.answers = {fresh};

    QCOMPARE(bench.commands->askAboutUnsavedData(title), goesOn);

    QCOMPARE(bench.messages.shown.size(), size_t(asked.size()));
    for (size_t i = 0; i < bench.messages.shown.size(); ++i) {
        const Message &shown = bench.messages.shown[i];
        QVERIFY2(shown.text.startsWith(asked[int(i)]), qPrintable(shown.text));
        QCOMPARE(shown.title, title);
        const bool mayCancel = shown.text.startsWith("The data have not been saved");
        QCOMPARE(int(shown.buttons), int(mayCancel ? MessageButtons::YesNoCancel : MessageButtons::YesNo));
    }
    // The question to update a file names the file it would write.
    if (!asked.isEmpty() && asked[0].contains("update"))
        QVERIFY(bench.messages.shown[0].text.endsWith("\n\n" + (savedAs ? other : opened)));
    const QByteArray written = grid == "none" ? QByteArray("confirmed\r\n") : kFourLines;
    QCOMPARE(fileBytes(opened), writtenTo == "opened" ? written : before);
    QCOMPARE(fileBytes(other), writtenTo == "savedAs" ? written : before);
    QCOMPARE(fileBytes(fresh), writtenTo == "new" ? written : QByteArray("<unreadable>"));
    if (!writtenTo.isEmpty()) {
        QVERIFY(session.savedToFile);
        QVERIFY(!session.changedSinceSave);
    }
}

void DataFileCommandsTest::automaticReadRetrySucceedsOnceTheFileIsBack()
{
    Bench bench;
    const QString path = bench.path("back.dat");
    bench.problem.session.dataFilePath = path;
    bench.problem.session.readFileOnOpen = true;
    bench.messages.answers = {MessageAnswer::Retry};
    bench.messages.onShow = [&](const Message &) { writeBytes(path, kFourLines + "\r\n\r\n"); };
    const AutoReadResult result = bench.commands->readFileOnOpen();
    QCOMPARE(int(result.outcome), int(AutoReadOutcome::Read));
    QVERIFY(result.scores.rows == kFourScores);
    QVERIFY(bench.problem.session.fromFile && !bench.problem.session.readFileOnOpen);
    QVERIFY(!bench.problem.session.fileReadFailed);
    QCOMPARE(bench.messages.shown.size(), size_t(1));
    QCOMPARE(bench.messages.shown[0].title, QString("File Not Found!"));
    QVERIFY(bench.messages.shown[0].text.contains("\n\n" + path + "\n\n"));
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
    QCOMPARE(bench.messages.shown[0].title, QString("File Corrupted!"));
    QVERIFY(bench.messages.shown[0].text.contains(path) && bench.messages.shown[0].text.endsWith("start over."));
}

QTEST_GUILESS_MAIN(DataFileCommandsTest)
#include "DataFileCommandsTest.moc"
