#include "DesignFlow.h"
#include "AboutDialog.h"
#include "AccessKeys.h"
#include "AnalysisRunner.h"
#include "CliOptions.h"
#include "CliRun.h"
#include "DataFileStore.h"
#include "DesignOptionsWindow.h"
#include "DesignSpecificationWindow.h"
#include "FlowTestSupport.h"
#include "Format.h"
#include "HelpWindow.h"
#include "KelsimTableWindow.h"
#include "NestingSelectionWindow.h"
#include "ScriptedFileDialogService.h"
#include "TableReport.h"
#include "WordDocumentReader.h"
#include "WordExport.h"

#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include <map>
#include <random>
#include <sstream>

using namespace kelsim;
using namespace kelsim::testing;

class DesignFlowTest : public QObject {
    Q_OBJECT
  private slots:
    void crossedIndependentGroupsReachTheTable();
    void crossedRepeatedMeasuresReachTheTable();
    void nestedRepeatedMeasuresGoThroughTheNestingSelection();
    void prepareTableIsEnabledOnlyWhenTheDesignIsComplete();
    void aChangedDesignNeverRunsWithTheOldNesting();
    void answeringNoAbandonsTheRunAndShowsTheGrid();
    void cancellingTheRunKeepsTheDesignReadyForAnother();
    void aFailureInTheShuffledPassesIsShownAndTheProblemSurvives();
    void adjustErrorDfRefusesWhatCannotStandAndMarksWhatItChanged();
    void returnAndNewProblem();
    void tableGoesIntoANewWordDocument();
    void copiedCommandLineMakesTheWindowsTableAgain();
    void accessKeysAreUniqueInEveryWindow_data();
    void accessKeysAreUniqueInEveryWindow();
    void windowsKeepTheirSizeFromOneProblemToTheNext();
};

void DesignFlowTest::crossedIndependentGroupsReachTheTable()
{
    Road road(makeProblem({{"Group", 2}, {"Temperature", 3}, {"Replicate", 3}}, 3, 1));
    road.problem.design.problemLabel = "Heat";
    QVERIFY(road.spec()->isVisible());
    road.choose(0, 3);
    road.prepareTable();
    KelsimTableWindow *table = road.flow.tableWindow();
    QVERIFY(table->isVisible() && !road.spec()->isVisible());
    QCOMPARE(road.gridColumn(0), QStringList({"G", "T", "GxT", "  Within"}));
    road.expectGridShowsEngineTable();
    QCOMPARE(table->findChild<QLabel *>("ProblemLabel")->text(), QString("Heat"));
    QCOMPARE(table->findChild<QLabel *>("SummaryLabel")->text(),
             QString("  Factors\n  G  Group        2\n  T  Temperature  3\n  R (Replicate)   3\n"
                     "   Pairs compared: 153\n   Number of resampling iterations:  400"));
    QVERIFY(!table->findChild<QAction *>("Newwinword")->isEnabled());
}

void DesignFlowTest::crossedRepeatedMeasuresReachTheTable()
{
    Road road(makeProblem({{"Subject", 4}, {"Task", 3}, {"Day", 2}}, 4, 2, 1));
    road.problem.run.exact = ExactMode::Never;
    road.problem.run.shuffle = ShuffleMode::Restricted;
    road.problem.run.precision = .02;
    road.choose(1, 1);
    road.prepareTable();
    // The run was made as the Number of Iterations window says.
    const NTable &made = road.problem.table;
    QVERIFY(made.exactMode == ExactMode::Never && made.shuffle == ShuffleMode::Restricted && made.precision == .02);
    QCOMPARE(road.gridColumn(0), QStringList({"S", "T", "  SxT", "D", "  SxD", "TxD", "  SxTxD"}));
    QCOMPARE(road.flow.tableWindow()->grid()->columnCount(), 5); // one iteration: no p column
    road.expectGridShowsEngineTable();
}

void DesignFlowTest::nestedRepeatedMeasuresGoThroughTheNestingSelection()
{
    Road road(makeProblem({{"Group", 2}, {"Subject", 4}, {"Week", 3}}, 2, 3));
    road.option("Structype_1")->click();
    road.choose(1, 2);
    QVERIFY(!road.spec()->prepareButton()->isEnabled());
    QVERIFY(road.spec()->nestButton()->isEnabled());
    QStringList entries;
    QTimer::singleShot(0, [&] {
        QListWidget *list = road.flow.nestingWindow()->list();
        for (int i = 0; i < list->count(); ++i)
            entries << list->item(i)->text();
        list->item(1)->setSelected(true);
        road.flow.nestingWindow()->findChild<QPushButton *>("OKButton")->click();
    });
    road.spec()->nestButton()->click();
    QCOMPARE(entries, QStringList({"G nested under W", "S nested under G", "S nested under W", "W nested under G"}));
    QVERIFY(road.problem.nestingSpecified);
    QVERIFY(road.spec()->prepareButton()->isEnabled());
    road.prepareTable();
    QCOMPARE(road.gridColumn(0), QStringList({"G", "  Error +", "W", "GxW", "  Error +"}));
    road.expectGridShowsEngineTable();
    QVERIFY(road.flow.tableWindow()->findChild<QLabel *>("SummaryLabel")->text().contains("\n   S nested under G\n"));
}

void DesignFlowTest::prepareTableIsEnabledOnlyWhenTheDesignIsComplete()
{
    Road road(makeProblem({{"A", 2}, {"B", 2}, {"C", 2}}, 2, 4));
    QPushButton *prepare = road.spec()->prepareButton();
    QVERIFY(!prepare->isEnabled() && !road.spec()->nestButton()->isVisible());
    road.choose(0, 2);
    QVERIFY(prepare->isEnabled());
    // Choosing the kind retitles the designate frame and moves no option.
    const auto placeOf = [&](const char *name) {
        QApplication::processEvents();
        return road.option(name)->mapTo(road.spec(), QPoint());
    };
    const QPoint designateBefore = placeOf("Designate_2"), kindBefore = placeOf("AnovType_1");
    road.option("AnovType_1")->click();
    QCOMPARE(placeOf("Designate_2"), designateBefore);
    QCOMPARE(placeOf("AnovType_1"), kindBefore);
    QVERIFY(!prepare->isEnabled() && !road.option("Designate_1")->isChecked());
    road.option("Designate_0")->click();
    QVERIFY(prepare->isEnabled());
    road.option("Structype_1")->click();
    QVERIFY(!prepare->isEnabled() && road.spec()->nestButton()->isVisible() && !road.spec()->nestButton()->isEnabled());
    road.option("Designate_0")->click();
    QVERIFY(road.spec()->nestButton()->isEnabled() && !prepare->isEnabled());
    // A cancelled nesting selection leaves a crossed design, ready to run.
    QTimer::singleShot(0, [&] { road.flow.nestingWindow()->findChild<QPushButton *>("CancelButton")->click(); });
    road.spec()->nestButton()->click();
    QVERIFY(!road.problem.design.nested && road.option("Structype_0")->isChecked());
    QVERIFY(!road.spec()->nestButton()->isVisible() && prepare->isEnabled());
}

void DesignFlowTest::aChangedDesignNeverRunsWithTheOldNesting()
{
    Road road(makeProblem({{"Group", 2}, {"Subject", 4}, {"Week", 3}}, 2, 3));
    auto acceptNesting = [&] {
        QTimer::singleShot(0, [&] {
            road.flow.nestingWindow()->list()->item(1)->setSelected(true); // S nested under G
            road.flow.nestingWindow()->findChild<QPushButton *>("OKButton")->click();
        });
        road.spec()->nestButton()->click();
        QVERIFY(road.spec()->prepareButton()->isEnabled());
    };
    road.option("Structype_1")->click();
    road.choose(1, 2);
    acceptNesting();
    // Another subjects factor: "S nested under G" was chosen for Subject and goes.
    road.option("Designate_2")->click();
    QVERIFY(!road.spec()->prepareButton()->isEnabled());
    QVERIFY(road.problem.design.nestingPairs.empty());
    // Nor does a round trip through the explanation bring it back.
    road.spec()->findChild<QPushButton *>("Explanation")->click();
    road.flow.optionsWindow()->findChild<QPushButton *>("ReturnButton")->click();
    QVERIFY(!road.spec()->prepareButton()->isEnabled());
    // Switching the kind drops it too.
    road.option("Designate_1")->click();
    acceptNesting();
    road.option("AnovType_0")->click();
    road.option("Designate_2")->click();
    QVERIFY(!road.spec()->prepareButton()->isEnabled());
    // And whatever the window offers, Prepare Table runs only what the engine's checks accept.
    road.problem.design.nestingPairs = {{'G', 'W'}}; // nothing is nested under the replicates
    road.problem.design.selectedNesting = {{'G', 'W'}};
    road.problem.nestingSpecified = true;
    road.spec()->prepareButton()->setEnabled(true);
    road.spec()->prepareButton()->click();
    QVERIFY(!road.messages.shown.empty());
    QVERIFY(road.messages.last().text.contains("not a relation this design admits"));
    QVERIFY(!road.flow.tableWindow()->isVisible());
}

void DesignFlowTest::answeringNoAbandonsTheRunAndShowsTheGrid()
{
    ProblemState problem = makeProblem({{"A", 2}, {"S", 2}}, 2, 8);
    problem.scores.flat = {"a", "b", "c", "d"};
    Road road(problem);
    QSignalSpy grid(&road.flow, &DesignFlow::gridRequested);
    road.choose(1, 2);
    road.messages.answers = {MessageAnswer::No};
    road.prepareTable();
    QCOMPARE(grid.count(), 1);
    QCOMPARE(road.messages.last().title, QString("Undefined N-ratio!"));
    QCOMPARE(road.messages.last().buttons, MessageButtons::YesNo);
    QCOMPARE(road.messages.last().icon, MessageIcon::Exclamation);
    QVERIFY(!road.spec()->isVisible());
    QVERIFY(!road.flow.tableWindow()->isVisible());
    QVERIFY(!road.problem.hasTable);
    QCOMPARE(road.problem.scores.flat, (std::vector<std::string>{"a", "b", "c", "d"}));
}

void DesignFlowTest::cancellingTheRunKeepsTheDesignReadyForAnother()
{
    Road road(makeProblem({{"A", 8}, {"B", 8}, {"C", 8}, {"R", 8}}, 5, 9, 2000000));
    road.flow.runOptions().counterFactory = &makeReferenceCounter; // slow enough to be cancelled part-way
    road.choose(0, 4);
    connect(road.flow.runner(), &AnalysisRunner::progressShown, this, [&](QProgressDialog *dialog) {
        QTimer::singleShot(300, dialog, [dialog] { dialog->findChild<QPushButton *>()->click(); });
    });
    QSignalSpy finished(&road.flow, &DesignFlow::runFinished);
    road.prepareTable();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).value<RunStatus>(), RunStatus::Cancelled);
    QVERIFY(road.spec()->isVisible());
    QVERIFY(!road.flow.tableWindow()->isVisible());
    QVERIFY(!road.problem.hasTable);
    QVERIFY(road.spec()->prepareButton()->isEnabled());

    road.problem.run.iterations = 3;
    road.flow.runOptions().counterFactory = nullptr;
    road.prepareTable();
    QVERIFY(road.flow.tableWindow()->isVisible());
    const QStringList first = road.gridColumn(3);
    road.flow.tableWindow()->findChild<QPushButton *>("CancelButton")->click();
    road.choose(0, 4);
    road.prepareTable();
    QCOMPARE(road.gridColumn(3), first);
}

void DesignFlowTest::aFailureInTheShuffledPassesIsShownAndTheProblemSurvives()
{
    HeatRoad road;
    const std::vector<TableLine> earlier = displayCells(road.problem.table);
    const std::vector<std::string> scores = road.problem.scores.flat;
    road.table()->findChild<QPushButton *>("CancelButton")->click();
    road.flow.runner()->setResampler(
        [](const ObservedPass &, const RunOptions &) -> RunResult { throw std::runtime_error("the counter gave up"); });
    road.choose(0, 3);
    road.prepareTable();
    QCOMPARE(road.messages.last().text,
             QString("Prepare Table could not be completed.  The shuffled passes failed: the counter gave up"));
    QCOMPARE(road.messages.last().title, QString("Program Error!"));
    QCOMPARE(road.messages.last().icon, MessageIcon::Critical);
    QVERIFY(road.spec()->isVisible());
    QVERIFY(!road.table()->isVisible());
    QVERIFY(road.problem.hasTable);
    QVERIFY(displayCells(road.problem.table) == earlier);
    QCOMPARE(road.problem.scores.flat, scores);

    // The next run is made as if nothing had happened.
    road.flow.runner()->setResampler(nullptr);
    road.prepareTable();
    QVERIFY(road.table()->isVisible());
    QVERIFY(displayCells(road.problem.table) == earlier);
}

void DesignFlowTest::adjustErrorDfRefusesWhatCannotStandAndMarksWhatItChanged()
{
    {
        HeatRoad independent;
        independent.trigger("Adjustitem");
        emit independent.table()->grid()->cellClicked(3, 1);
        QCOMPARE(independent.messages.last().text,
                 QString("Adjustment of the df is permitted only for repeated measures designs."));
        QVERIFY(independent.messages.asked.empty());
    }
    Road road(makeProblem({{"A", 3}, {"S", 4}}, 3, 12));
    road.choose(1, 2);
    road.prepareTable();
    KelsimTableWindow *table = road.flow.tableWindow();
    QTableWidget *grid = table->grid();
    table->findChild<QAction *>("Adjustitem")->trigger();
    emit grid->cellClicked(1, 1); // A, an effect
    QCOMPARE(road.messages.last().text,
             QString("The source you have selected is not an error term.  Changing the df is not permitted."));
    // The mode stays on and says what it takes.
    QVERIFY(table->adjusting());
    QVERIFY(table->statusBar()->currentMessage().contains("click the df of an error row"));
    const struct {
        const char *typed;
        const char *text;
        const char *title;
    } refusals[] = {
        {"abc", "\"abc\" is not a number of degrees of freedom.  Please enter a whole number, such as 5.",
         "Adjusted Error df"},
        {" 6", "The value is unchanged.  That is probably not what you intended!", "Error?"},
        {"9",
         "The error df has been increased.  That is highly unusual, as df are commonly subtracted when scores have "
         "been imputed.\n\r     Is it OK?",
         "Error?"},
        {"0",
         "      The adjustment you propose results in an error term with  0 df.\nZero df does not permit the "
         "construction of an F-ratio.",
         "Impossible Value!"},
        {"-2", "      The adjustment you propose results in an error term with -2 df.\nNegative df are not permitted.",
         "Impossible Value!"},
    };
    for (const auto &refusal : refusals) {
        road.messages.textAnswers = {refusal.typed};
        road.messages.answers = {MessageAnswer::No};
        emit grid->cellClicked(2, 1);
        QCOMPARE(road.messages.last().text, QString(refusal.text));
        QCOMPARE(road.messages.last().title, QString(refusal.title));
        QCOMPARE(grid->item(2, 1)->text(), QString(" 6"));
    }
    QCOMPARE(road.messages.asked.back().text,
             QString("The current error df for   SxA is  6.  Enter the adjusted error df you wish to use."));
    const size_t shown = road.messages.shown.size();
    road.messages.textAnswers = {QString()};
    emit grid->cellClicked(2, 1);
    QCOMPARE(road.messages.shown.size(), shown);

    // Accepted: the df changes, the N-ratio and p tested against it are marked, and the copy says why.
    road.messages.textAnswers = {"4"};
    emit grid->cellClicked(2, 1);
    QCOMPARE(grid->item(2, 1)->text(), QString(" 4"));
    QVERIFY(grid->item(1, 4)->text().endsWith("*") && grid->item(1, 5)->text().endsWith("*"));
    table->findChild<QAction *>("Copyitem")->trigger();
    QVERIFY(road.clipboard.contents.contains("\r\n* Error df adjusted"));
}

void DesignFlowTest::returnAndNewProblem()
{
    Road road(makeProblem({{"A", 2}, {"B", 2}, {"C", 2}}, 2, 14));
    road.option("Structype_1")->click();
    road.choose(0, 3);
    QTimer::singleShot(0, [&] {
        road.flow.nestingWindow()->list()->item(0)->setSelected(true);
        road.flow.nestingWindow()->findChild<QPushButton *>("OKButton")->click();
    });
    road.spec()->nestButton()->click();
    road.prepareTable();
    QCOMPARE(road.gridColumn(0), QStringList({"A +", "B", "  Within"}));
    KelsimTableWindow *table = road.flow.tableWindow();
    QSignalSpy newProblem(&road.flow, &DesignFlow::newProblemRequested);
    table->findChild<QPushButton *>("RestartButton")->click();
    QCOMPARE(newProblem.count(), 1);
    table->findChild<QPushButton *>("CancelButton")->click();
    QVERIFY(road.spec()->isVisible());
    QVERIFY(!table->isVisible());
    QVERIFY(road.problem.designAnalysed);
    QVERIFY(road.option("Structype_1")->isChecked());
    QVERIFY(!road.spec()->nestButton()->isEnabled());
    QVERIFY(!road.spec()->prepareButton()->isEnabled());

    QSignalSpy gridRequested(&road.flow, &DesignFlow::gridRequested);
    road.spec()->findChild<QPushButton *>("CancelButton")->click();
    QCOMPARE(gridRequested.count(), 1);
    QVERIFY(!road.problem.designAnalysed);
}

void DesignFlowTest::tableGoesIntoANewWordDocument()
{
    Road road(makeProblem({{"A", 2}, {"B", 3}, {"R", 2}}, 3, 16));
    road.problem.design.problemLabel = "Word test";
    ScriptedFileDialogService dialogs;
    WordSession session;
    WordExport word(road.messages, dialogs, session);
    road.flow.setWordExport(&word);
    road.choose(0, 3);
    road.prepareTable();
    QAction *newWord = road.flow.tableWindow()->findChild<QAction *>("Newwinword");
    QVERIFY(newWord->isEnabled());
    QTemporaryDir dir;
    dialogs.answers = {dir.filePath("table")};
    newWord->trigger();
    const WordDocumentRead read = readWordDocument(dir.filePath("table.docx"));
    QVERIFY(read.ok());
    QCOMPARE(read.image.tables().size(), 1);
    const QString text = read.image.plainText();
    QVERIFY(text.contains("Word test"));
    QVERIFY(text.indexOf("AxB") >= 0 && text.indexOf("AxB") < text.indexOf("Within"));
    // Each p's interval beside it, the run's facts under the table.
    const QString interval = QString::fromStdString(intervalText(road.problem.table, 0));
    QVERIFY(!interval.isEmpty() && text.contains(interval));
    QVERIFY(text.endsWith(QString::fromStdString(factsLine(road.problem.table)) + "\n\n"));
}

namespace {

// The arguments a POSIX shell makes of a command line, the program's name left out.
QStringList shellArguments(const QString &commandLine)
{
    QProcess shell;
    shell.start("sh", {"-c", "eval \"set -- $1\"; shift; printf '%s\\0' \"$@\"", "sh", commandLine});
    shell.waitForFinished();
    QStringList arguments = QString::fromUtf8(shell.readAllStandardOutput()).split(QChar(0));
    arguments.removeLast();
    return arguments;
}

} // namespace

void DesignFlowTest::copiedCommandLineMakesTheWindowsTableAgain()
{
    // A data file whose name a shell would split holds the scores.
    ProblemState problem = heatProblem();
    QTemporaryDir dir;
    const QString file = dir.filePath("heat's scores.dat");
    std::vector<DataFileScore> image;
    for (const std::string &score : problem.scores.flat)
        image.push_back({score, false});
    QVERIFY(saveDataFile(file, image).ok());
    problem.session.fromFile = true;
    problem.session.dataFilePath = file;
    Road road(problem);
    road.choose(0, 3);
    road.prepareTable();
    road.flow.tableWindow()->findChild<QAction *>("copycommanditem")->trigger();
    QVERIFY(road.messages.shown.empty());

    const QStringList arguments = shellArguments(road.clipboard.contents);
    QCOMPARE(arguments.value(0), file);
    const CliParse parse = parseCommandLine(QStringList{"kelsim-cli"} + arguments + QStringList{"--format", "report"});
    QVERIFY2(parse.request, parse.error.c_str());
    std::ostringstream out, err;
    QCOMPARE(runCommandLine(*parse.request, out, err, false), int(kExitOk));
    QCOMPARE(out.str(), buildTableReport(road.problem.design, road.problem.table));

    // Once the file holds other scores, the command names a placeholder, if the user agrees.
    QVERIFY(saveDataFile(file, {{"a", false}}).ok());
    road.messages.answers = {MessageAnswer::Cancel, MessageAnswer::Ok};
    road.clipboard.contents = "kept";
    road.flow.tableWindow()->findChild<QAction *>("copycommanditem")->trigger();
    QCOMPARE(road.clipboard.contents, QString("kept"));
    QCOMPARE(road.messages.last().title, QString("Copy as Command Line"));
    QVERIFY(road.messages.last().text.contains("<data file>"));
    road.flow.tableWindow()->findChild<QAction *>("copycommanditem")->trigger();
    QVERIFY(road.clipboard.contents.startsWith("kelsim-cli '<data file>' --factor Group:2 "));
}

void DesignFlowTest::accessKeysAreUniqueInEveryWindow_data()
{
    QTest::addColumn<QString>("window");
    for (const char *window : {"specification", "options", "nesting explanation", "nesting", "table", "help", "about"})
        QTest::newRow(window) << QString(window);
}

void DesignFlowTest::accessKeysAreUniqueInEveryWindow()
{
    QFETCH(QString, window);
    // A factor's "&" must not lend the window a key of its own.
    Road road(makeProblem({{"Group", 2}, {"S&R", 3}, {"Time", 2}}, 2, 17, 1));
    road.choose(1, 2);
    road.prepareTable();
    HelpWindow help;
    AboutDialog about;
    const std::map<QString, QWidget *> windows = {{"specification", road.spec()},
                                                  {"options", road.flow.optionsWindow()},
                                                  {"nesting explanation", road.flow.nestingExplanationWindow()},
                                                  {"nesting", road.flow.nestingWindow()},
                                                  {"table", road.flow.tableWindow()},
                                                  {"help", &help},
                                                  {"about", &about}};
    const QStringList clashes = accessKeyClashes(windows.at(window));
    QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join("; ")));
}

void DesignFlowTest::windowsKeepTheirSizeFromOneProblemToTheNext()
{
    Road road(makeProblem({{"A", 2}, {"B", 2}}, 2, 18, 1));
    road.choose(0, 2);
    road.prepareTable();
    const std::vector<QWidget *> windows = {road.spec(), road.flow.tableWindow()};
    std::vector<QSize> sizes;
    for (QWidget *window : windows)
        sizes.push_back(window->size());

    // The next problem: six factors with long names and a long problem label.
    const std::string name = "Temperature of the room while the subject answered";
    ProblemState next = makeProblem(
        {{name, 2}, {"B" + name, 2}, {"C" + name, 2}, {"D" + name, 2}, {"E" + name, 2}, {"F" + name, 3}}, 3, 19, 1);
    road.flow.closeAll();
    road.problem.design = next.design;
    road.problem.design.problemLabel = std::string(330, 'x');
    road.problem.scores = next.scores;
    road.flow.openDesignSpecification();
    road.choose(0, 6);
    road.prepareTable();
    QVERIFY(road.flow.tableWindow()->isVisible());
    for (size_t i = 0; i < windows.size(); ++i) {
        QCOMPARE(windows[i]->size(), sizes[i]);
        // A small screen holds it.
        QVERIFY(windows[i]->minimumSizeHint().width() <= 1024);
        QVERIFY(windows[i]->minimumSizeHint().height() <= 600 - 40);
    }
}

QTEST_MAIN(DesignFlowTest)
#include "DesignFlowTest.moc"
