#include "NTable.h"
#include "TableReport.h"
#include "TestDesigns.h"

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
        row(RowRole::Subjects, "S", 4, 60, .183333333333333),
        row(RowRole::Effect, "G", 1, 15, .2, 2, .25, 1.0),
        row(RowRole::ErrorTerm, "  SxG", 4, 60, .8),
        row(RowRole::Effect, "T", 2, 30, .9, 4, 12.0, .00001),
        row(RowRole::ErrorTerm, "  SxT", 8, 120, .075),
    };
    return table;
}

} // namespace

TEST(TableReport, copiedTableIsColumnAlignedWithAKeyToTheLetters)
{
    const std::string expected = "     Taste\n"
                                 "  Factors\n"
                                 "  G  Group    2\n"
                                 "  S (Subject) 5\n"
                                 "  T  Time     3\n"
                                 "\n"
                                 " Sourcedf         Pairs         NP       N-ratio         p\n"
                                 " S      4             60                .183\n"
                                 " G      1             15                .200                 .25           1. \n"
                                 "   SxG  4             60                .800\n"
                                 " T      2             30                .900               12.00       <.001\n"
                                 "   SxT  8            120                .075\n";
    EXPECT_EQ(buildTableReport(tasteDesign(), tasteTable()), expected);
}

TEST(TableReport, singleLetterNamesNeedNoKeyAndOneIterationLeavesPOut)
{
    Design design = makeDesign({{"A", 2}, {"B", 3}}, DesignKind::IndependentGroups, 2);
    NTable table;
    table.iterations = 1;
    table.rows = {row(RowRole::Effect, "A", 1, 9, .5, 1, 2.0), row(RowRole::Within, "  Within", 4, 6, .25)};
    const std::string report = buildTableReport(design, table);
    EXPECT_NE(report.find("\n   A  2\n  (B) 3\n"), std::string::npos) << report;
    EXPECT_NE(report.find("N-ratio\n"), std::string::npos) << report;
    EXPECT_NE(report.find(".500                2.00\n"), std::string::npos) << report;
}

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
