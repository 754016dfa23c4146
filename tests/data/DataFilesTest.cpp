// Data files through the windows: the grid's open and save commands, the Saving notice, the
// opening screen's recent-files menu and its order after open, save and reopen, reopening a
// remembered file in a second start of the program, automatic reads that fail, and the questions
// of Open, Restart and Exit that save.

#include "DataFileCommands.h"
#include "RecentFileList.h"
#include "TestFiles.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTimer>

using namespace kelsim;
using namespace kelsim::test;

using kelsim::testing::fileBytes;
using kelsim::testing::writeFileBytes;

namespace {

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QVERIFY(writeFileBytes(path, bytes));
}

// The recent-file items of the opening screen's File menu, in menu order, all before the
// separator.
QStringList recentMenu(Session &s)
{
    QStringList captions;
    bool pastSeparator = false;
    for (QAction *action : s.opening().fileMenu()->actions()) {
        if (action->objectName() == "RecentFilesSeparator") {
            pastSeparator = true;
            continue;
        }
        if (action->objectName().startsWith("RecentFile")) {
            if (pastSeparator)
                return {"<after the separator>"};
            captions << action->text();
        }
    }
    return captions;
}

QStringList captionsFor(const QStringList &paths)
{
    QStringList captions;
    for (const QString &path : paths)
        captions << "&" + QString::number(captions.size() + 1) + " " + path;
    return captions;
}

// The list as the settings file holds it.
QStringList storedCaptions(const QString &iniPath)
{
    DesktopSettingsStore store(iniPath);
    RecentFileList list;
    list.read(store);
    return list.captions();
}

void reopen(Session &s, int position)
{
    child<QAction>(&s.opening(), qPrintable("RecentFile" + QString::number(position)))->trigger();
}

// Remembers the files, the first on top, each with a Dose (2) x Sex (2) design, before the
// program starts.
void rememberBeforeStart(const QString &iniPath, const QStringList &paths)
{
    DesktopSettingsStore store(iniPath);
    RecentFileList list;
    for (auto path = paths.rbegin(); path != paths.rend(); ++path) {
        RecentFileEntry entry;
        entry.path = *path;
        entry.problemName = "Trial";
        entry.factorCount = 2;
        entry.factorNames = QStringList{"Dose", "Sex"};
        entry.levels = {2, 2};
        list.putAtTop(entry);
    }
    QVERIFY(list.write(store));
}

const QByteArray kFourScores("a\r\nbI\r\nc\r\nd\r\n");

} // namespace

class DataFilesTest : public QObject {
    Q_OBJECT

  private slots:
    void openFillsTheGridAndSaveWritesItBack();
    void openWithFewerScoresPointsAtTheFirstUnreadRow();
    void savingNoticeStandsInTheCaptionUntilTheTimerRemovesIt();
    void reopeningARememberedFileAfterRestartingTheProgram();
    void recentMenuFollowsSaveReopenAndOpen();
    void anAmpersandInAPathIsShownAsItself();
    void automaticReadWithTheWrongCountReturnsToTheOpeningScreen();
    void aMissingRecentFileLeavesTheListForGood();
    void restartSavesThroughTheSaveDialog();
    void exitUpdatesTheOpenedFileNotOneSavedEarlier();
    void typingAfterDataOkIsNotLostBySavingTheConfirmedScores();
};

void DataFilesTest::openFillsTheGridAndSaveWritesItBack()
{
    Session s;
    s.confirm({{"Dose", 2}, {"Sex", 2}}, "Trial");
    GridDriver g(s);
    const QString in = s.dir.filePath("in.dat");
    writeBytes(in, kFourScores);

    g.open(in);

    QVERIFY(s.messages.shown.empty());
    QCOMPARE(g.score(1), QString("b"));
    QVERIFY(g.marked(1));
    QCOMPARE(g.score(3), QString("d"));
    QVERIFY(g.button("DataOkButton")->hasFocus());
    QCOMPARE(recentMenu(s), captionsFor({in}));

    // A mark set and a score changed in the grid reach the file after "Data OK".
    QTest::keyClick(g.view(), Qt::Key_Home);
    QTest::keyClick(g.view(), Qt::Key_Backspace);
    g.typeScores({"aa"});
    g.dataOk();
    QVERIFY(g.item("SaveItem")->isEnabled());
    const QString out = s.dir.filePath("out.dat");
    g.save(out);

    QCOMPARE(s.dialogs.requests.back().proposedName, in);
    QCOMPARE(fileBytes(out), QByteArray("aa\r\nbI\r\nc\r\nd\r\n"));
    QCOMPARE(fileBytes(in), kFourScores);
    QCOMPARE(recentMenu(s), captionsFor({out, in}));
    QCOMPARE(storedCaptions(s.settings.fileName()), captionsFor({out, in}));

    // What was saved opens again as it was written.
    g.typeScores({"zz", "zz", "zz", "zz"});
    s.messages.answers = {MessageAnswer::No, MessageAnswer::No};
    g.open(out);
    QCOMPARE(g.score(0), QString("aa"));
    QVERIFY(g.marked(1));
    QCOMPARE(g.score(3), QString("d"));
}

void DataFilesTest::openWithFewerScoresPointsAtTheFirstUnreadRow()
{
    Session s;
    s.confirm({{"Dose", 3}, {"Sex", 2}});
    GridDriver g(s);
    g.typeScores({"p", "q", "r", "s", "t", "u"});
    const QString path = s.dir.filePath("short.dat");
    writeBytes(path, kFourScores);
    s.messages.answers = {MessageAnswer::No, MessageAnswer::Ignore};

    g.open(path);

    QVERIFY(sameMessage(s.messages.last(),
                        "The number of scores in " + path + " is 4, while the design calls for 6 scores.",
                        "Wrong file selected?", MessageIcon::Critical, MessageButtons::AbortRetryIgnore));
    QCOMPARE(g.score(3), QString("d"));
    QCOMPARE(g.score(4), QString("t"));
    QCOMPARE(g.score(5), QString("u"));
    QCOMPARE(g.window.currentRow(), 4);
    QCOMPARE(g.view()->currentIndex().row(), 4);
    // The grid is not the file: leaving asks whether to update it.
    s.messages.answers = {MessageAnswer::No, MessageAnswer::No};
    g.item("ExitItem")->trigger();
    QVERIFY(s.messages.last().text.startsWith("Do you want to save the changed data in a new file?"));
}

void DataFilesTest::savingNoticeStandsInTheCaptionUntilTheTimerRemovesIt()
{
    Session s;
    s.confirm({{"Dose", 2}, {"Sex", 2}}, "Trial");
    GridDriver g(s);
    g.typeScores({"a", "b", "c", "d"});
    g.dataOk();
    const QString path = s.dir.filePath("trial.dat");
    const int normalHeight = g.caption()->minimumHeight();

    g.save(path);

    QCOMPARE(g.caption()->text(), "   Saving " + path);
    QVERIFY(g.caption()->minimumHeight() > normalHeight);
    QTimer *timer = child<QTimer>(&g.window, "Timer1");
    QVERIFY(timer->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(g.caption()->text(), QString("Enter Data for Trial:"), 10000);
    QCOMPARE(g.caption()->minimumHeight(), normalHeight);
}

void DataFilesTest::reopeningARememberedFileAfterRestartingTheProgram()
{
    QTemporaryDir shared;
    const QString ini = shared.filePath("Kelsim_Setup.ini");
    const QString path = shared.filePath("trial.dat");
    {
        // First run: a labelled design, typed, confirmed, saved; then the program is left.
        Session first(true, false, ini);
        first.confirm({{"Dose", 3}, {"Sex", 2}}, "Trial");
        first.typeLabels({"lo", "mi", "hi", "m", "f"});
        QTest::mouseClick(child<QPushButton>(&first.app->levelLabelsWindow(), "FinishedButton"), Qt::LeftButton);
        QTest::mouseClick(first.button("Command2"), Qt::LeftButton);
        GridDriver g(first);
        g.typeScores({"1", "2", "3", "4", "5", "6"});
        QTest::mouseClick(g.view()->viewport(), Qt::LeftButton, {},
                          g.view()->visualRect(g.window.scores().index(2, 4)).center());
        QTest::mouseDClick(g.view()->viewport(), Qt::LeftButton, {},
                           g.view()->visualRect(g.window.scores().index(2, 4)).center());
        g.dataOk();
        g.save(path);
        QCOMPARE(fileBytes(path), QByteArray("1\r\n2\r\n3I\r\n4\r\n5\r\n6\r\n"));
        g.item("ExitItem")->trigger();
        QVERIFY(first.messages.shown.empty());
        QCOMPARE(first.programEnds, 1);
    }

    // Second run against the same settings file.
    Session second(false, false, ini);
    QCOMPARE(recentMenu(second), captionsFor({path}));
    reopen(second, 1);

    QVERIFY(second.messages.shown.empty());
    GridDriver g(second);
    QVERIFY(g.window.isVisible());
    QVERIFY(!second.opening().isVisible());
    QVERIFY(second.problem().labelsInUse);
    QCOMPARE(g.caption()->text(), QString("Enter Data for Trial:"));
    QCOMPARE(g.window.scores().index(2, 1).data().toString(), QString("hi"));
    QCOMPARE(g.window.scores().index(5, 3).data().toString(), QString("f"));
    for (int row = 0; row < 6; ++row)
        QCOMPARE(g.score(row), QString::number(row + 1));
    QVERIFY(g.marked(2));
    QVERIFY(!g.marked(3));
    // The opening screen behind the grid shows the design it came with.
    QCOMPARE(second.box("Text4")->text(), QString("Trial"));
}

void DataFilesTest::recentMenuFollowsSaveReopenAndOpen()
{
    Session s;
    s.confirm({{"Dose", 2}, {"Sex", 2}}, "Trial");
    GridDriver g(s);
    g.typeScores({"a", "b", "c", "d"});
    g.dataOk();
    QStringList files;
    for (const char *name : {"f1", "f2", "f3", "f4", "f5"}) {
        files << s.dir.filePath(QString(name) + ".dat");
        g.save(files.back());
    }
    // The fifth file saved pushes the first one off the list.
    QStringList expected{files[4], files[3], files[2], files[1]};
    QCOMPARE(recentMenu(s), captionsFor(expected));
    QCOMPARE(storedCaptions(s.settings.fileName()), captionsFor(expected));

    // Everything was saved: Restart asks nothing. Reopening entry 3 puts it on top.
    QTest::mouseClick(g.button("RestartButton"), Qt::LeftButton);
    QVERIFY(s.messages.shown.empty());
    reopen(s, 3);
    QVERIFY(g.window.isVisible());
    expected = QStringList{files[2], files[4], files[3], files[1]};
    QCOMPARE(recentMenu(s), captionsFor(expected));
    QCOMPARE(storedCaptions(s.settings.fileName()), captionsFor(expected));

    // Opening a remembered file with the same design from the grid brings it to the top.
    g.open(files[1]);
    QVERIFY(s.messages.shown.empty());
    expected = QStringList{files[1], files[2], files[4], files[3]};
    QCOMPARE(recentMenu(s), captionsFor(expected));
    QCOMPARE(storedCaptions(s.settings.fileName()), captionsFor(expected));
}

void DataFilesTest::anAmpersandInAPathIsShownAsItself()
{
    QTemporaryDir shared;
    const QString ini = shared.filePath("Kelsim_Setup.ini");
    QVERIFY(QDir(shared.path()).mkdir("R&D"));
    const QString path = shared.filePath("R&D/trial.dat");
    writeBytes(path, kFourScores);
    rememberBeforeStart(ini, {path});
    Session s(false, false, ini);
    QCOMPARE(child<QAction>(&s.opening(), "RecentFile1")->text(), "&1 " + shared.filePath("R&&D/trial.dat"));
    reopen(s, 1);
    QVERIFY(s.messages.shown.empty());
    QCOMPARE(s.grid().scores().scoreText(3), QString("d"));
}

void DataFilesTest::automaticReadWithTheWrongCountReturnsToTheOpeningScreen()
{
    QTemporaryDir shared;
    const QString ini = shared.filePath("Kelsim_Setup.ini");
    const QString path = shared.filePath("three.dat");
    writeBytes(path, "a\r\nb\r\nc\r\n");
    rememberBeforeStart(ini, {path});
    Session s(false, false, ini);

    reopen(s, 1);

    QCOMPARE(s.messages.shown.size(), size_t(1));
    QCOMPARE(s.messages.last().title, QString("File corrupted?!"));
    QVERIFY(s.messages.last().text.endsWith("\n\nThe number of scores in " + path +
                                            " is 3, while the design calls for 4 scores."));
    QVERIFY(s.opening().isVisible());
    QVERIFY(!s.grid().isVisible());
    QVERIFY(!s.problem().session.fromFile);
    QCOMPARE(s.label("Label4")->text(), QString("The program is expecting 4 scores.  Is that correct?"));
    QCOMPARE(s.box("Text3")->text(), QString("Sex"));
    QCOMPARE(s.button("Command2")->text(), QString("&Yes, Proceed to Data Entry"));

    // Going on from the opening screen builds an empty grid for the remembered design.
    QTest::mouseClick(s.button("Command2"), Qt::LeftButton);
    GridDriver g(s);
    QVERIFY(g.window.isVisible());
    QCOMPARE(g.window.scores().rowCount(), 4);
    QCOMPARE(g.score(0), QString());
    QCOMPARE(g.window.scores().index(0, 0).data().toString(), QString("Dose"));
    QVERIFY(!s.problem().session.fileReadFailed);
}

void DataFilesTest::aMissingRecentFileLeavesTheListForGood()
{
    QTemporaryDir shared;
    const QString ini = shared.filePath("Kelsim_Setup.ini");
    const QString kept = shared.filePath("kept.dat");
    const QString gone = shared.filePath("gone.dat");
    rememberBeforeStart(ini, {gone, kept});
    {
        Session s(false, false, ini);
        QCOMPARE(recentMenu(s), captionsFor({gone, kept}));
        s.messages.answers = {MessageAnswer::Retry, MessageAnswer::Cancel};

        reopen(s, 1);

        QCOMPARE(s.messages.shown.size(), size_t(2));
        QVERIFY(sameMessage(s.messages.last(),
                            "The file called for cannot be found.  If you can rectify the situation (for example, by "
                            "inserting the correct diskette), then Retry after rectification.  Otherwise Cancel to "
                            "start over.\n\n" +
                                gone + "\n\nCancel also removes the file from the list of recently accessed files.",
                            "File Not Found!", MessageIcon::Critical, MessageButtons::RetryCancel));
        QVERIFY(s.opening().isVisible());
        QVERIFY(!s.grid().isVisible());
        QCOMPARE(recentMenu(s), captionsFor({kept}));
    }
    Session again(false, false, ini);
    QCOMPARE(recentMenu(again), captionsFor({kept}));
}

void DataFilesTest::restartSavesThroughTheSaveDialog()
{
    Session s;
    s.confirm({{"Dose", 2}, {"Sex", 2}});
    GridDriver g(s);
    g.typeScores({"a", "b", "c", "d"});
    g.dataOk();
    const QString path = s.dir.filePath("kept.dat");

    // A cancelled save dialog keeps the program where it was.
    s.messages.answers = {MessageAnswer::Yes};
    QTest::mouseClick(g.button("RestartButton"), Qt::LeftButton);
    QVERIFY(g.window.isVisible());
    QVERIFY(!QFile::exists(path));

    s.messages.answers = {MessageAnswer::Yes};
    s.dialogs.answers = {path};
    QTest::mouseClick(g.button("RestartButton"), Qt::LeftButton);
    QVERIFY(sameMessage(s.messages.last(), "The data have not been saved in a file.  Do you wish to save the data?",
                        "Restart", MessageIcon::Question, MessageButtons::YesNoCancel));
    QCOMPARE(s.dialogs.requests.back().title, QString("Save File (As)"));
    QCOMPARE(fileBytes(path), QByteArray("a\r\nb\r\nc\r\nd\r\n"));
    QVERIFY(!g.window.isVisible());
    QVERIFY(s.opening().isVisible());
    QCOMPARE(recentMenu(s), captionsFor({path}));
}

void DataFilesTest::exitUpdatesTheOpenedFileNotOneSavedEarlier()
{
    Session s;
    s.confirm({{"Dose", 2}, {"Sex", 2}});
    GridDriver g(s);
    g.typeScores({"p", "q", "r", "s"});
    g.dataOk();
    const QString earlier = s.dir.filePath("earlier.dat");
    g.save(earlier);
    const QString opened = s.dir.filePath("opened.dat");
    writeBytes(opened, kFourScores);
    g.open(opened);
    QTest::keyClick(g.view(), Qt::Key_Home);
    QTest::keyClick(g.view(), Qt::Key_Backspace);
    g.typeScores({"z"});
    s.messages.answers = {MessageAnswer::Yes};
    const size_t requests = s.dialogs.requests.size();

    g.item("ExitItem")->trigger();

    QVERIFY(
        sameMessage(s.messages.last(),
                    "The data have changed since the last save.  Do you wish to update the saved file?\n\n" + opened,
                    "Exit", MessageIcon::Question, MessageButtons::YesNo));
    QCOMPARE(s.dialogs.requests.size(), requests);
    QCOMPARE(fileBytes(opened), QByteArray("z\r\nbI\r\nc\r\nd\r\n"));
    QCOMPARE(s.programEnds, 1);
    QCOMPARE(fileBytes(earlier), QByteArray("p\r\nq\r\nr\r\ns\r\n"));
}

void DataFilesTest::typingAfterDataOkIsNotLostBySavingTheConfirmedScores()
{
    Session s;
    s.confirm({{"Dose", 2}, {"Sex", 2}});
    GridDriver g(s);
    g.typeScores({"a", "b", "c", "d"});
    g.dataOk();
    // A character typed without Enter leaves the save command enabled.
    QTest::keyClicks(g.view(), "e");
    QVERIFY(g.item("SaveItem")->isEnabled());
    const QString path = s.dir.filePath("confirmed.dat");
    g.save(path);
    QCOMPARE(fileBytes(path), QByteArray("a\r\nb\r\nc\r\nd\r\n"));

    s.messages.answers = {MessageAnswer::Cancel};
    g.item("ExitItem")->trigger();
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QVERIFY(sameMessage(s.messages.last(), "The data have not been saved in a file.  Do you wish to save the data?",
                        "Exit", MessageIcon::Question, MessageButtons::YesNoCancel));
    QCOMPARE(s.programEnds, 0);
}

QTEST_MAIN(DataFilesTest)
#include "DataFilesTest.moc"
