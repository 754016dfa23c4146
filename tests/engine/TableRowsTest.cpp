#include "TableRows.h"
#include "AnalysisRun.h"
#include "TestDesigns.h"

#include <gtest/gtest.h>

using namespace kelsim;
using namespace kelsim::testing;

namespace {

class RecordingQuestions : public RunQuestions {
  public:
    explicit RecordingQuestions(bool answer = true) : answer_(answer) {}
    bool askYesNo(const std::string &title, const std::string &text) override
    {
        titles.push_back(title);
        texts.push_back(text);
        return answer_;
    }
    std::vector<std::string> titles, texts;

  private:
    bool answer_;
};

std::vector<std::string> sourceColumn(const NTable &table)
{
    std::vector<std::string> names;
    for (const TableRow &row : table.rows)
        names.push_back(row.name);
    return names;
}

NTable observedTable(const Design &design, const ScoreSet &scores, RunQuestions &questions)
{
    return observePass(design, scores, questions).table;
}

} // namespace

TEST(TableRows, withinRowPoolsEverySourceOfTheReplicatesFactorInSinglePrecision)
{
    const Design design = makeDesign({{"A", 2}, {"B", 2}, {"C", 2}}, DesignKind::IndependentGroups, 3);
    ContinueAlways yes;
    const NTable table = observedTable(design, makeScores({"a", "b", "b", "a", "a", "a", "b", "c"}), yes);
    EXPECT_EQ(sourceColumn(table), (std::vector<std::string>{"A", "B", "AxB", "  Within"}));
    const TableRow &within = table.rows.back();
    EXPECT_EQ(within.np, static_cast<double>(static_cast<float>(within.np)));
    EXPECT_EQ(within.df, 4); // C, AxC, BxC, AxBxC
    EXPECT_EQ(table.rows[0].errorRow, 3);
    EXPECT_DOUBLE_EQ(table.rows[0].nRatio, table.rows[0].np / within.np);
}

TEST(TableRows, zeroErrorProportionAsksForEveryShownSourceAndLeavesRatiosOut)
{
    // Every pair within a group matches and no pair across groups does: the error pool is empty.
    const Design design = makeDesign({{"A", 2}, {"B", 2}, {"R", 2}}, DesignKind::IndependentGroups, 3);
    RecordingQuestions yes;
    // R varies slowest; within each A×B cell both replicates hold the same score.
    const NTable table = observedTable(design, makeScores({"a", "b", "c", "d", "a", "b", "c", "d"}), yes);
    ASSERT_EQ(yes.texts.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(yes.titles[i], "Undefined N-ratio!");
        EXPECT_EQ(yes.texts[i].rfind("The Mean Square for the denominator of the N-ratios is zero.", 0), 0u);
        EXPECT_FALSE(table.rows[i].hasRatio);
    }
}

TEST(TableRows, repeatedMeasuresQuestionNamesTheEffectAndNoStopsTheRun)
{
    // SxA is an interaction, its proportion the share of matching pairs: none match.
    const Design design = makeDesign({{"A", 2}, {"S", 2}}, DesignKind::RepeatedMeasures, 2);
    RecordingQuestions no(false);
    // (1,1)=a (2,1)=b (1,2)=c (2,2)=d: the diagonal pairs of SxA never match.
    const ObservedPass pass = observePass(design, makeScores({"a", "b", "c", "d"}), no);
    ASSERT_EQ(no.texts.size(), 1u);
    EXPECT_EQ(no.texts[0], "The Mean Square for the denominator of the N-ratio associated with the A source is zero."
                           "  This condition prohibits evaluation of the N-ratio, and is usually the result of faulty "
                           "input values.  Do you want to continue printing the N-table?");
    EXPECT_EQ(pass.status, RunStatus::Abandoned);
    EXPECT_EQ(resample(pass, {}).status, RunStatus::Abandoned);
}

TEST(TableRows, sixWayErrorQuestionAsksAboutTheTable)
{
    const Design design =
        makeDesign({{"A", 2}, {"B", 2}, {"C", 2}, {"D", 2}, {"E", 2}, {"S", 2}}, DesignKind::RepeatedMeasures, 6);
    std::vector<std::string> flat;
    for (int i = 0; i < 64; ++i)
        flat.push_back(std::to_string(i));
    RecordingQuestions yes;
    observedTable(design, makeScores(flat), yes);
    // All scores differ: every interaction proportion is 0, so every error term is zero.
    ASSERT_EQ(yes.texts.size(), 31u);
    EXPECT_NE(yes.texts.front().find("associated with the A source"), std::string::npos);
    EXPECT_NE(yes.texts.front().find("printing the N-table?"), std::string::npos);
    EXPECT_NE(yes.texts.back().find("associated with the AxBxCxDxE source"), std::string::npos);
    EXPECT_NE(yes.texts.back().find("Do you want to continue printing the table?"), std::string::npos);
}

TEST(TableRows, npDecimalsAreTwoOnlyWhenEveryProportionReadsAtLeastOne)
{
    auto withNp = [](std::vector<double> values) {
        NTable table;
        for (double np : values) {
            TableRow row;
            row.np = np;
            table.rows.push_back(row);
        }
        return npDecimalsFor(table);
    };
    EXPECT_EQ(withNp({2.5, 1.0}), 2);
    EXPECT_EQ(withNp({2.5, .75}), 3);
    EXPECT_EQ(withNp({.75, 2.5}), 3);
    EXPECT_EQ(withNp({.9996}), 2); // reads 1.000
    EXPECT_EQ(withNp({.9994}), 3);
}
