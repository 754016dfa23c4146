#include "AnalysisRun.h"
#include "TableReport.h"
#include "TestDesigns.h"

#include <gtest/gtest.h>

using namespace kelsim;
using namespace kelsim::testing;

namespace {

ReportInput tasteReport()
{
    ReportInput input;
    input.problemLabel = "Taste";
    input.factors = {{"Group", 2, false}, {"Subject", 5, true}, {"Time", 3, false}};
    input.rows = {
        {"S", " 4", " 60", " .183333333333333", "", ""},
        {"G", " 1", " 15", ".200", ".25", "1.000"},
        {"  SxG", " 4", " 60", ".800", "", ""},
        {"T", " 2", " 30", ".900", "12.00", "0.000"},
        {"  SxT", " 8", " 120", ".075", "", ""},
        {"", "", "", "", "", ""},
    };
    return input;
}

} // namespace

TEST(TableReport, copiedTableIsColumnAlignedByteForByte)
{
    const std::string expected = "     Taste\r"
                                 "  Factors\n"
                                 "   Group    2\n"
                                 "  (Subject) 5\n"
                                 "   Time     3\n"
                                 "\n\r"
                                 " Sourcedf         Pairs         NP       N-ratio         p\n"
                                 " S      4             60                .183\n"
                                 " G      1             15                .200                 .25           1. \n"
                                 "   SxG  4             60                .800\n"
                                 " T      2             30                .900               12.00       <.001\n"
                                 "   SxT  8            120                .075\n";
    EXPECT_EQ(buildTableReport(tasteReport()), expected);
}

TEST(TableReport, nestingEntriesAndLongSourcesWidenTheReport)
{
    ReportInput input = tasteReport();
    input.nestingEntries = {"S nested under G"};
    input.rows = {{"AxBxCxD +", " 12", " 1234", ".5", "3.5", ".0123"}, {"  Error +", " 40", " 5000", ".2", "", ""}};
    input.npDecimals = 2;
    const std::string report = buildTableReport(input);
    EXPECT_NE(report.find("   Time     3\nS nested under G\n\n\r"), std::string::npos);
    EXPECT_NE(report.find(" Source   df"), std::string::npos);
    EXPECT_NE(report.find(" AxBxCxD + 12           1234                 .50                3.50        .012\n"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("   Error + 40           5000                 .20\n"), std::string::npos) << report;
}

TEST(TableReport, oneIterationLeavesThePColumnOut)
{
    ReportInput input = tasteReport();
    input.showP = false;
    input.rows[1][5].clear();
    const std::string report = buildTableReport(input);
    EXPECT_NE(report.find("N-ratio\n"), std::string::npos);
    EXPECT_NE(report.find(".200                 .25\n"), std::string::npos);
}

TEST(TableReport, zeroPairsAndRenamedSourcesAreCopiedAsTheyStand)
{
    ReportInput input = tasteReport();
    input.rows = {{"Taste(x)", " 1", "0", ".5", "", ""}, {"G", " 1", "Pooled", ".5", "<1", ".3"}};
    const std::string report = buildTableReport(input);
    EXPECT_NE(report.find(" Taste(x) 1              0                .500\n"), std::string::npos) << report;
    EXPECT_NE(report.find("Pooled                .500                  <1          .300\n"), std::string::npos) << report;
}

TEST(TableReport, tsvShowsTheWindowsColumnsWithoutTheEmptyLastRow)
{
    const Design design = makeDesign({{"A", 2}, {"B", 3}}, DesignKind::IndependentGroups, 2);
    ContinueAlways yes;
    Design d = design;
    d.iterations = 200;
    RunOptions options;
    options.seed = 4;
    const RunResult result = runAnalysis(d, makeScores({"a", "a", "b", "a", "b", "b"}), yes, options);
    const std::string tsv = buildTsv(result.table, true);
    const std::string head = "Source\tdf\tPairs\tNP\tN-ratio\t  p\n";
    ASSERT_EQ(tsv.substr(0, head.size()), head);
    const std::vector<TableLine> shown = displayRows(result.table);
    ASSERT_EQ(shown.size(), 3u); // A, Within, and the empty last row
    EXPECT_EQ(tsv, head + shown[0][0] + "\t" + shown[0][1] + "\t" + shown[0][2] + "\t" + shown[0][3] + "\t" +
                       shown[0][4] + "\t" + shown[0][5] + "\n" + "  Within\t" + shown[1][1] + "\t" + shown[1][2] +
                       "\t" + shown[1][3] + "\t\t\n");
    EXPECT_EQ(shown[1][3].size(), 4u); // the Within proportion shown with three decimals
    const std::string withoutP = buildTsv(result.table, false);
    EXPECT_EQ(withoutP.substr(0, 27), "Source\tdf\tPairs\tNP\tN-ratio\n");
    const std::string lastLine = "  Within\t" + shown[1][1] + "\t" + shown[1][2] + "\t" + shown[1][3] + "\t\n";
    EXPECT_EQ(withoutP.substr(withoutP.size() - lastLine.size()), lastLine);
}

TEST(TableReport, cellsAndHeadingLinesAreTheReportsOwn)
{
    const ReportInput input = tasteReport();
    EXPECT_EQ(reportHeadingLines(input),
              (std::vector<std::string>{"     Taste", "  Factors", "   Group    2", "  (Subject) 5", "   Time     3"}));
    const std::vector<TableLine> cells = reportCells(input);
    ASSERT_EQ(cells.size(), 5u); // the empty last row is left out
    EXPECT_EQ(cells[0], (TableLine{"S", " 4", "60", ".183", "", ""}));
    EXPECT_EQ(cells[1], (TableLine{"G", " 1", "15", ".200", ".25", " 1. "}));
    EXPECT_EQ(cells[3], (TableLine{"T", " 2", "30", ".900", "12.00", "<.001"}));
    // Every value stands in the report exactly as the cell has it.
    const std::string report = buildTableReport(input);
    for (const TableLine &row : cells)
        for (const std::string &cell : row)
            EXPECT_NE(report.find(cell), std::string::npos) << cell;
}
