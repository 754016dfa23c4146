#include "TableReport.h"
#include "NTable.h"
#include "TestDesigns.h"
#include "Version.h"

#include <gtest/gtest.h>

using namespace kelsim;
using namespace kelsim::testing;

namespace {

TableRow row(RowRole role, const std::string &name, int64_t df, int64_t pairs, double np, int errorRow = -1,
             double ratio = 0.0, double p = -1.0)
{
    TableRow r;
    r.role = role;
    r.name = name;
    r.df = r.computedDf = df;
    r.pairs = pairs;
    r.np = r.computedNp = np;
    r.errorRow = errorRow;
    r.hasRatio = errorRow >= 0;
    r.nRatio = ratio;
    if (p >= 0) {
        r.p = PValue();
        r.p->value = p;
    }
    return r;
}

Design tasteDesign()
{
    Design design = makeDesign({{"Group", 2}, {"Subject", 5}, {"Time", 3}}, DesignKind::RepeatedMeasures, 2);
    design.problemLabel = "Taste";
    return design;
}

NTable tasteTable()
{
    NTable table;
    table.iterations = 100000;
    table.totalPairs = 435;
    table.rows = {
        row(RowRole::Subjects, "S", 4, 60, .183333333333333), row(RowRole::Effect, "G", 1, 15, .2, 2, .25, 1.0),
        row(RowRole::ErrorTerm, "  SxG", 4, 60, .8),          row(RowRole::Effect, "T", 2, 30, .9, 4, 12.0, .00001),
        row(RowRole::ErrorTerm, "  SxT", 8, 120, .075),
    };
    table.requestedIterations = 100000;
    table.seed = 7;
    table.rows[1].p->low = .9999470182299196;
    table.rows[3].p->low = 5.0125416978909566e-08;
    table.rows[3].p->high = 7.4298906213854336e-05;
    ShuffleStream stream;
    stream.description = "whole table";
    stream.rows = {1, 3};
    stream.iterations = 100000;
    table.streams = {stream};
    return table;
}

// The version as the facts line names it.
std::string version()
{
    return std::string("Kelsim ") + kProgramVersion;
}

} // namespace

TEST(TableReport, wholeNumbersAreWrittenInFullEverywhere)
{
    NTable table = tasteTable();
    table.rows[4].pairs = 110100500;
    table.totalPairs = 133693376;
    const Design design = tasteDesign();
    EXPECT_NE(buildTableReport(design, table).find(" 110100500 "), std::string::npos);
    EXPECT_EQ(displayCells(table)[4][2], "110100500");
    EXPECT_NE(buildTsv(table).find("\t110100500\t"), std::string::npos);
    bool found = false;
    for (const std::string &line : printLines(design, table))
        found = found || line.find(" 110100500") != std::string::npos;
    EXPECT_TRUE(found);
    EXPECT_EQ(summaryLines(design, table)[4], "   Pairs compared: 133693376");
}

TEST(TableReport, renamedSourcesAndAdjustedRatiosAreShownAsTheUserLeftThem)
{
    const Design design = tasteDesign();
    NTable table = tasteTable();
    ASSERT_TRUE(renameSource(table, 1, "Gender(x)"));
    adjustErrorDf(table, 2, 16); // NP .8 · 4 / 16 = .2: G's ratio .2 / .2 = 1
    adjustErrorDf(table, 4, 4);  // NP .075 · 8 / 4 = .15: T's ratio .9 / .15 = 6
    const std::vector<TableLine> cells = displayCells(table);
    EXPECT_EQ(cells[1], (TableLine{"Gender(x)", " 1", "15", ".200", "1.00*", " 1. *"}));
    EXPECT_EQ(cells[2], (TableLine{"  SxG", " 16", "60", ".200", "", ""}));
    EXPECT_EQ(cells[3][4], "6.00*");
    adjustErrorDf(table, 2, 40); // NP .08: G's ratio 2.5
    adjustErrorDf(table, 4, 2);  // NP .3: T's ratio 3
    table.rows[3].np = .15;      // ratio .5 after the next adjustment
    adjustErrorDf(table, 4, 2);
    EXPECT_EQ(displayCells(table)[3][4], "<1*");
    const std::string report = buildTableReport(design, table);
    EXPECT_NE(report.find(" Gender(x) 1"), std::string::npos) << report;
    EXPECT_NE(report.find("\n* Error df adjusted"), std::string::npos) << report;
}

TEST(TableReport, theFactsLineStatesIterationsSeedPShuffleAndVersion)
{
    auto stream = [](const std::string &description, std::vector<size_t> rows, bool exact, int64_t arrangements,
                     int iterations, bool stopped = false) {
        ShuffleStream s;
        s.description = description;
        s.rows = std::move(rows);
        s.exact = exact;
        s.arrangements = arrangements;
        s.iterations = iterations;
        s.stoppedEarly = stopped;
        return s;
    };
    const struct {
        int iterations, requested;
        double precision;
        ShuffleMode shuffle;
        std::vector<ShuffleStream> streams;
        std::string facts, shuffles;
    } cases[] = {
        {100000,
         100000,
         0,
         ShuffleMode::Whole,
         {stream("whole table", {1, 3}, false, 0, 100000)},
         "Iterations: 100,000; seed: 7; p: Monte Carlo, 99% intervals; shuffle: whole table; ",
         ""},
        {53249,
         100000,
         .005,
         ShuffleMode::Whole,
         {stream("whole table", {1, 3}, false, 0, 53249, true)},
         "Iterations: 53,249 of 100,000 (stopped at precision .005); seed: 7; p: Monte Carlo, 99% intervals; "
         "shuffle: whole table; ",
         ""},
        {1680,
         100000,
         0,
         ShuffleMode::Whole,
         {stream("whole table", {1, 3}, true, 1680, 1680)},
         "Iterations: 1,680 (every distinct arrangement once); seed: 7; p: exact; shuffle: whole table; ",
         ""},
        {1, 1, 0, ShuffleMode::Whole, {}, "Iterations: 1; seed: 7; p: none; shuffle: whole table; ", ""},
        {8193,
         100000,
         .01,
         ShuffleMode::Restricted,
         {stream("subjects moved whole", {1}, true, 40320, 40320),
          stream("within subjects", {3}, false, 0, 8193, true)},
         "Iterations: 8,193 of 100,000 (stopped at precision .01); seed: 7; p: exact and Monte Carlo, 99% "
         "intervals; shuffle: restricted; ",
         "Restricted shuffle: G: subjects moved whole, exact over 40,320 arrangements; T: within subjects, 8,193 "
         "iterations (stopped at precision .01)."},
    };
    for (const auto &c : cases) {
        NTable table = tasteTable();
        table.iterations = c.iterations;
        table.requestedIterations = c.requested;
        table.precision = c.precision;
        table.shuffle = c.shuffle;
        table.streams = c.streams;
        EXPECT_EQ(factsLine(table), c.facts + version());
        EXPECT_EQ(shuffleLine(table), c.shuffles);
        const std::vector<std::string> foot = footLines(table);
        EXPECT_EQ(foot.size(), c.shuffles.empty() ? 1u : 2u);
        // Every view carries the foot.
        const std::vector<std::string> printed = printLines(tasteDesign(), table);
        const std::vector<std::string> summary = summaryLines(tasteDesign(), table);
        const std::string tsv = buildTsv(table), report = buildTableReport(tasteDesign(), table);
        for (const std::string &line : foot) {
            EXPECT_NE(std::find(printed.begin(), printed.end(), line), printed.end()) << line;
            EXPECT_NE(std::find(summary.begin(), summary.end(), line), summary.end()) << line;
            EXPECT_NE(tsv.find("\n# " + line + "\n"), std::string::npos) << line;
            EXPECT_NE(report.find("\n" + line + "\n"), std::string::npos) << line;
        }
    }
}

TEST(TableReport, intervalsAreRoundedOutwardsToFourDecimalsAndExactPsSaySo)
{
    const struct {
        double low, high;
        bool exact;
        std::string text;
    } cases[] = {
        {.123449, .123401, false, "[.1234, .1235]"},
        {.3, .7, false, "[.3000, .7000]"}, // no binary noise pushes an end outwards
        {5.0125e-08, 7.43e-05, false, "[.0000, .0001]"},
        {.99995, 1.0, false, "[.9999, 1.0000]"},
        {.25, .25, true, "exact"},
    };
    for (const auto &c : cases) {
        NTable table = tasteTable();
        table.rows[1].p->low = c.low;
        table.rows[1].p->high = c.high;
        table.rows[1].p->exact = c.exact;
        EXPECT_EQ(intervalText(table, 1), c.text);
        EXPECT_EQ(intervalText(table, 0), "");
    }
    NTable exact = tasteTable();
    exact.rows[1].p->exact = exact.rows[3].p->exact = true;
    EXPECT_EQ(intervalHead(exact), "");
    EXPECT_EQ(intervalHead(tasteTable()), "99% interval");
}

TEST(TableReport, tsvGivesTheIntervalAsNumbersAndPrintingAsAColumn)
{
    const NTable table = tasteTable();
    const std::string tsv = buildTsv(table);
    EXPECT_EQ(tsv.substr(0, tsv.find('\n')), "Source\tdf\tPairs\tNP\tN-ratio\t  p\tpLow\tpHigh");
    EXPECT_NE(tsv.find("\nT\t 2\t30\t.900\t12.00\t<.001\t5.01254e-08\t7.42989e-05\n"), std::string::npos) << tsv;
    EXPECT_NE(tsv.find("\n  SxT\t 8\t120\t.075\t\t\t\t\n"), std::string::npos) << tsv;
    const std::vector<std::string> printed = printLines(tasteDesign(), table);
    EXPECT_EQ(printed[6], " Source    df    Pairs      NP    N-ratio        p       99% interval");
    EXPECT_EQ(printed[10], " T          2       30    .900      12.00    <.001     [.0000, .0001]");
}

TEST(TableReport, theDistributionFileHasEveryBinOfEveryTestedRow)
{
    NTable table = tasteTable();
    RatioHistogram &histogram = table.rows[3].p->distribution;
    histogram.binWidth = .24;
    histogram.counts.assign(kHistogramBins, 0);
    histogram.counts[4] = 90000;
    histogram.above = 9990;
    histogram.undefined = 9;
    table.rows[1].p->distribution.binWidth = .02;
    table.rows[1].p->distribution.counts.assign(kHistogramBins, 1);
    renameSource(table, 1, "Group, main");
    const std::string csv = buildDistributionCsv(table);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 2 * (kHistogramBins + 1) + 1);
    EXPECT_EQ(csv.rfind("source,observed,from,to,count\n\"Group, main\",0.25,0,0.02,1\n", 0), 0u) << csv;
    EXPECT_NE(csv.find("\nT,12,0.96,1.2,90000\n"), std::string::npos);
    EXPECT_NE(csv.find("\nT,12,24,inf,9990\nT,12,undefined,,9\n"), std::string::npos);
}
