#pragma once

#include "AnalysisRun.h"
#include "DesignFlow.h"
#include "DesignSpecificationWindow.h"
#include "KelsimTableWindow.h"
#include "ProblemState.h"
#include "ScriptedClipboardService.h"
#include "ScriptedMessageService.h"
#include "ScriptedPrintService.h"
#include "TableReport.h"

#include <QAction>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <random>

namespace kelsim::testing {

// A design with the named factors and random scores drawn from `categories` letters.
inline ProblemState makeProblem(const std::vector<std::pair<std::string, int>> &factors, int categories, uint64_t seed,
                                int iterations = 400)
{
    ProblemState problem;
    for (const auto &[name, levels] : factors)
        problem.design.factors.push_back(makeFactor(name, levels));
    problem.run.iterations = iterations;
    std::mt19937_64 random(seed);
    for (int64_t i = 0; i < problem.design.cellCount(); ++i)
        problem.scores.flat.push_back(std::string(1, static_cast<char>('a' + random() % categories)));
    return problem;
}

// The road from the Design Specification window to the table, with scripted messages, an
// in-memory clipboard and printouts to PDF files in a folder of its own.
struct Road {
    // `otherClipboard` replaces the in-memory one, for tests of the desktop's clipboard.
    explicit Road(ProblemState p, ClipboardService *otherClipboard = nullptr)
        : problem(std::move(p)), printer(folder.path()),
          flow(problem, messages, preferences, otherClipboard ? *otherClipboard : clipboard, printer)
    {
        problem.run.fixedSeed = 11;
        flow.runOptions().threads = 1;
        flow.openDesignSpecification();
    }
    DesignSpecificationWindow *spec() { return flow.specificationWindow(); }
    // "&Prepare Table", then the wait for the run to end (at once when it has no shuffled passes).
    void prepareTable()
    {
        QSignalSpy finished(&flow, &DesignFlow::runFinished);
        QSignalSpy failed(&flow, &DesignFlow::runFailed);
        spec()->prepareButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(finished.count() + failed.count() > 0, 240000);
    }
    QPushButton *button(QWidget *window, const char *name) { return window->findChild<QPushButton *>(name); }
    QRadioButton *option(const QString &name) { return spec()->findChild<QRadioButton *>(name); }
    void choose(int kind, int designated)
    {
        option(QString("AnovType_%1").arg(kind))->click();
        option(QString("Designate_%1").arg(designated - 1))->click();
    }
    QStringList gridColumn(int column)
    {
        QStringList texts;
        QTableWidget *grid = flow.tableWindow()->grid();
        for (int r = 0; r < grid->rowCount(); ++r)
            texts << (grid->item(r, column) ? grid->item(r, column)->text() : QString());
        return texts;
    }
    // The table the engine makes for the same design, scores and seed.
    NTable engineTable()
    {
        ContinueAlways yes;
        RunOptions options = problem.run.options();
        options.threads = 1;
        return runAnalysis(problem.design, problem.scores, yes, options).table;
    }
    void expectGridShowsEngineTable()
    {
        const NTable table = engineTable();
        const std::vector<TableLine> expected = displayCells(table);
        QTableWidget *grid = flow.tableWindow()->grid();
        QCOMPARE(grid->rowCount(), static_cast<int>(expected.size()));
        for (int r = 0; r < grid->rowCount(); ++r)
            for (int c = 0; c < grid->columnCount(); ++c)
                QCOMPARE(grid->item(r, c)->text().toStdString(),
                         c < 6 ? expected[static_cast<size_t>(r)][static_cast<size_t>(c)]
                               : intervalText(table, static_cast<size_t>(r)));
    }

    QTemporaryDir folder;
    ProblemState problem;
    ScriptedMessageService messages;
    Preferences preferences;
    ScriptedClipboardService clipboard;
    ScriptedPrintService printer;
    DesignFlow flow;
};

// Scores that depend on Group and Replicate only, but for one: Group is strong (p below .001),
// Temperature as weak as it can be (p = 1) and Group by Temperature has no N-ratio worth a p.
inline ProblemState heatProblem()
{
    ProblemState problem = makeProblem({{"Group", 2}, {"Temperature", 2}, {"Replicate", 6}}, 1, 1, 5000);
    problem.design.problemLabel = "Heat";
    for (int r = 0; r < 6; ++r)
        for (int t = 0; t < 2; ++t)
            for (int g = 0; g < 2; ++g)
                problem.scores.flat[static_cast<size_t>(g + 2 * t + 4 * r)] =
                    g == 0 ? (r < 5 ? "a" : "b") : (r < 5 ? "c" : "d");
    problem.scores.flat[0] = "b";
    return problem;
}

// The copied report of the heat problem as an independent-groups design with Replicate as the
// replicates factor.
inline const QString kHeatReport =
    "     Heat\r\n"
    "  Factors\r\n"
    "  G  Group        2\r\n"
    "  T  Temperature  2\r\n"
    "  R (Replicate)   6\r\n"
    "\r\n"
    " Source  df         Pairs         NP       N-ratio         p                       99% interval\r\n"
    " G        1             12               1.000                4.00       <.001     [.0000, .0015]\r\n"
    " T        1             12                .083                 .33           1.    [.9989, 1.0000]\r\n"
    " GxT      1             12               0.000                0.00\r\n"
    "   Within 20            240                .250\r\n"
    "\r\n"
    "Iterations: 5,000; seed: 11; p: Monte Carlo, 99% intervals; shuffle: whole table; Kelsim 3.1.3\r\n";

// The heat problem's table on screen.
struct HeatRoad : Road {
    explicit HeatRoad(ClipboardService *otherClipboard = nullptr) : Road(heatProblem(), otherClipboard)
    {
        choose(0, 3);
        prepareTable();
    }
    KelsimTableWindow *table() { return flow.tableWindow(); }
    void trigger(const char *item) { table()->findChild<QAction *>(item)->trigger(); }
};

} // namespace kelsim::testing
