#include "NTable.h"
#include "AnalysisRun.h"
#include "TestDesigns.h"

#include <gtest/gtest.h>

using namespace kelsim;
using namespace kelsim::testing;

namespace {

// Taste-like repeated-measures table: S, G, SxG, T, SxT, GxT, SxGxT.
NTable observedTaste(const Design &design)
{
    ContinueAlways yes;
    std::mt19937_64 random(2);
    return observePass(design, randomScores(design.cellCount(), 3, random), yes).table;
}

} // namespace

TEST(NTable, renamingChangesOnlyTheShownNameAndNeverEmptiesIt)
{
    const Design design = makeDesign({{"G", 2}, {"S", 5}, {"T", 3}}, DesignKind::RepeatedMeasures, 2);
    NTable table = observedTaste(design);
    EXPECT_FALSE(renameSource(table, 1, ""));
    EXPECT_FALSE(renameSource(table, 1, "   "));
    EXPECT_EQ(table.rows[1].displayName(), "G");
    ASSERT_TRUE(renameSource(table, 1, "Gender"));
    EXPECT_EQ(table.rows[1].displayName(), "Gender");
    EXPECT_EQ(table.rows[1].name, "G"); // identity stays
    restoreSourceName(table, 1);
    EXPECT_EQ(table.rows[1].displayName(), "G");
}

TEST(NTable, errorDfAdjustmentsAreCheckedByRoleNotByName)
{
    const Design repeated = makeDesign({{"G", 2}, {"S", 5}, {"T", 3}}, DesignKind::RepeatedMeasures, 2);
    NTable table = observedTaste(repeated);
    ASSERT_EQ(table.rows[2].name, "  SxG");
    // A renamed effect that reads like an error row is still an effect, and the other way round.
    renameSource(table, 1, "SxError");
    renameSource(table, 2, "Plain");
    const struct {
        size_t row;
        int64_t df;
        DfAdjustment expected;
    } cases[] = {
        {2, 4, DfAdjustment::Unchanged},         {2, 3, DfAdjustment::Accepted},
        {2, 9, DfAdjustment::NeedsConfirmation}, {2, 0, DfAdjustment::ZeroDf},
        {2, -2, DfAdjustment::NegativeDf},       {1, 2, DfAdjustment::NotAnErrorTerm},
        {0, 2, DfAdjustment::NotAnErrorTerm},
    };
    for (const auto &c : cases)
        EXPECT_EQ(checkErrorDfAdjustment(repeated, table, c.row, c.df), c.expected) << c.row << " " << c.df;
    const Design independent = makeDesign({{"G", 2}, {"R", 5}}, DesignKind::IndependentGroups, 2);
    EXPECT_EQ(checkErrorDfAdjustment(independent, observedTaste(independent), 1, 2), DfAdjustment::NotRepeatedMeasures);
}

TEST(NTable, adjustingRescalesTheErrorNpAndTheRatiosTestedAgainstIt)
{
    const Design design = makeDesign({{"G", 2}, {"S", 5}, {"T", 3}}, DesignKind::RepeatedMeasures, 2);
    NTable table = observedTaste(design);
    const TableRow before = table.rows[4]; // SxT, df 8
    const double effectNp = table.rows[3].np;
    adjustErrorDf(table, 4, 6);
    EXPECT_DOUBLE_EQ(table.rows[4].np, before.np * 8 / 6);
    EXPECT_DOUBLE_EQ(table.rows[3].nRatio, effectNp / table.rows[4].np);
    EXPECT_TRUE(table.ratioAdjusted(3));
    EXPECT_FALSE(table.ratioAdjusted(1));
    // Twice is the same as once, and going back to the run's df undoes it.
    adjustErrorDf(table, 4, 5);
    EXPECT_DOUBLE_EQ(table.rows[4].np, before.np * 8 / 5);
    adjustErrorDf(table, 4, 8);
    EXPECT_EQ(table.rows[4].np, before.np);
    EXPECT_FALSE(table.ratioAdjusted(3));
}
