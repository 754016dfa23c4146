#include "AnalysisRun.h"
#include "Format.h"
#include "NestingPools.h"
#include "NestingRelations.h"
#include "TestDesigns.h"

#include <gtest/gtest.h>

using namespace kelsim;
using namespace kelsim::testing;

namespace {

using Pairs = std::vector<NestingPair>;
using Names = std::vector<std::string>;

Design nestedDesign(const std::vector<std::pair<std::string, int>> &factors, DesignKind kind, int special,
                    const Pairs &selected)
{
    Design design = makeDesign(factors, kind, special);
    design.nested = true;
    const NestingCheck check = completeNesting(selected);
    EXPECT_TRUE(check.accepted) << check.message;
    design.nestingPairs = check.pairs;
    design.selectedNesting = selected;
    return design;
}

Names sourceColumn(const NTable &table)
{
    Names names;
    for (const TableRow &row : table.rows)
        names.push_back(row.name);
    return names;
}

ScoreSet someScores(const Design &design, uint64_t seed = 3, int categories = 3)
{
    std::mt19937_64 random(seed);
    return randomScores(design.cellCount(), categories, random);
}

// Every row with an N-ratio is an effect tested against the row holding its own error source.
void expectEffectsAgainstTheirOwnErrorRows(const Design &design, const NTable &table)
{
    const SourceMask subjects = 1u << (design.specialFactor - 1);
    for (const TableRow &row : table.rows) {
        if (row.role != RowRole::Effect) {
            EXPECT_FALSE(row.hasRatio) << row.name;
            EXPECT_FALSE(row.p) << row.name;
            continue;
        }
        ASSERT_GE(row.errorRow, 0) << row.name;
        const TableRow &error = table.rows[static_cast<size_t>(row.errorRow)];
        if (design.kind == DesignKind::RepeatedMeasures) {
            EXPECT_NE(std::find(error.sources.begin(), error.sources.end(), row.sources.front() | subjects),
                      error.sources.end());
        } else {
            EXPECT_EQ(error.role, RowRole::Within);
        }
        if (row.hasRatio) {
            EXPECT_DOUBLE_EQ(row.nRatio, row.np / error.np);
        }
    }
}

} // namespace

TEST(NestingRelations, selectionsAreCheckedAndCompleted)
{
    struct Case {
        Pairs selected;
        bool accepted;
        Pairs pairs;
        std::string title, message;
    };
    const std::vector<Case> cases = {
        {{}, false, {}, "Select factors involved in nesting!", "Please indicate selection(s) by clicking"},
        {{{'A', 'B'}}, true, {{'A', 'B'}}, "", ""},
        {{{'A', 'B'}, {'B', 'C'}}, true, {{'A', 'B'}, {'B', 'C'}, {'A', 'C'}}, "", ""},
        {{{'A', 'B'}, {'B', 'C'}, {'C', 'D'}},
         true,
         {{'A', 'B'}, {'B', 'C'}, {'C', 'D'}, {'A', 'C'}, {'B', 'D'}, {'A', 'D'}},
         "",
         ""},
        {{{'A', 'B'}, {'B', 'A'}},
         false,
         {},
         "Nesting Error!",
         "You have designated A as nested under B and B as nested under A. Nesting is a one-way relationship. Please "
         "correct the designation."},
        {{{'A', 'B'}, {'B', 'C'}, {'C', 'A'}},
         false,
         {},
         "Nesting Error",
         "The hierarchical structure in your choices implies that B is nested under A ,but you have specified that A "
         "is nested under B. This is a contradiction. Please correct the designation."},
        {{{'A', 'B'}, {'A', 'C'}, {'B', 'D'}, {'C', 'D'}},
         true,
         {{'A', 'B'}, {'A', 'C'}, {'B', 'D'}, {'C', 'D'}, {'A', 'D'}},
         "",
         ""},
    };
    for (const Case &c : cases) {
        const NestingCheck check = completeNesting(c.selected);
        EXPECT_EQ(check.accepted, c.accepted) << c.message;
        EXPECT_EQ(check.pairs, c.pairs);
        EXPECT_EQ(check.title, c.title);
        EXPECT_EQ(check.message, c.message);
    }
}

TEST(NestingRelations, theListOffersWhatTheDesignKindAdmits)
{
    const Design independent = makeDesign({{"A", 2}, {"B", 2}, {"C", 2}}, DesignKind::IndependentGroups, 3);
    EXPECT_EQ(admissibleNesting(independent), (Pairs{{'A', 'B'}, {'B', 'A'}}));
    const Design repeated = makeDesign({{"A", 2}, {"B", 2}, {"C", 2}}, DesignKind::RepeatedMeasures, 3);
    EXPECT_EQ(admissibleNesting(repeated), (Pairs{{'A', 'B'}, {'B', 'A'}, {'C', 'A'}, {'C', 'B'}}));
}

TEST(NestingPools, poolsComeInTheirFixedOrderAndSpelling)
{
    struct Case {
        std::vector<std::pair<std::string, int>> factors;
        DesignKind kind;
        int special;
        Pairs pairs;
        NestingPools pools;
    };
    const std::vector<Case> cases = {
        {{{"A", 2}, {"B", 2}, {"C", 2}}, DesignKind::IndependentGroups, 3, {}, {{"A"}, {"B"}, {"C"}}},
        {{{"A", 2}, {"B", 2}, {"C", 2}},
         DesignKind::IndependentGroups,
         0,
         {{'A', 'B'}, {'A', 'C'}},
         {{"A", "AxB", "AxBxC", "AxC"}, {"B"}, {"C"}}},
        {{{"A", 2}, {"B", 2}, {"C", 2}},
         DesignKind::IndependentGroups,
         0,
         {{'A', 'B'}},
         {{"A", "AxB"}, {"B"}, {"C"}, {"AxC", "AxBxC"}}},
        // The designated factor's letter is moved to the front of every entry.
        {{{"A", 2}, {"B", 2}, {"C", 2}},
         DesignKind::IndependentGroups,
         3,
         {{'A', 'B'}},
         {{"A", "AxB"}, {"B"}, {"C"}, {"CxA", "CxAxB"}}},
        {{{"A", 2}, {"B", 2}, {"C", 2}},
         DesignKind::IndependentGroups,
         0,
         {{'A', 'B'}, {'C', 'B'}},
         {{"A", "AxB"}, {"B"}, {"C", "BxC"}, {"AxC", "AxBxC"}, {}}},
        {{{"G", 2}, {"S", 3}}, DesignKind::RepeatedMeasures, 2, {{'S', 'G'}}, {{"G"}, {"S", "SxG"}}},
        {{{"G", 2}, {"S", 3}, {"A", 2}},
         DesignKind::RepeatedMeasures,
         2,
         {{'S', 'G'}},
         {{"G"}, {"S", "SxG"}, {"A"}, {"SxA", "SxGxA"}}},
    };
    for (const Case &c : cases) {
        Design design = makeDesign(c.factors, c.kind, c.special);
        design.nestingPairs = c.pairs;
        EXPECT_EQ(enumeratePools(design), c.pools);
    }
    const Design letters = makeDesign({{"A", 2}, {"B", 2}, {"C", 2}});
    EXPECT_EQ(cancelDoubledFactors(letters, "AxBxBxC"), "AxC");
}

TEST(NestedMerge, everyEffectStandsAboveItsOwnErrorRow)
{
    // A nested under B in a repeated-measures design: B must be tested against SxB, not against a
    // pooled error row of other sources, and no error row gets a ratio.
    const Design design =
        nestedDesign({{"A", 2}, {"B", 2}, {"C", 2}, {"S", 3}}, DesignKind::RepeatedMeasures, 4, {{'A', 'B'}});
    ContinueAlways yes;
    const ObservedPass pass = observePass(design, someScores(design, 9), yes);
    EXPECT_EQ(sourceColumn(pass.table),
              (Names{"S", "A +", "  Error +", "B", "  SxB", "C", "  SxC", "AxC +", "  Error +", "BxC", "  SxBxC"}));
    EXPECT_EQ(pass.table.rows[3].errorRow, 4);
    EXPECT_EQ(pass.table.rows[5].errorRow, 6);
    expectEffectsAgainstTheirOwnErrorRows(design, pass.table);
}

TEST(NestedMerge, poolingUsesTheCountsNotTheTextsAfterAnUndefinedRatio)
{
    // Replicates hold identical scores within each A×B cell: the error pool is empty, the user
    // goes on, and the pooled row's NP must still come from its own counts.
    const Design design = nestedDesign({{"A", 2}, {"B", 2}, {"R", 2}}, DesignKind::IndependentGroups, 3, {{'A', 'B'}});
    ContinueAlways yes;
    const NTable table = observePass(design, makeScores({"a", "b", "c", "d", "a", "b", "c", "d"}), yes).table;
    const TableRow &pooled = table.rows[0];
    ASSERT_EQ(pooled.name, "A +");
    EXPECT_FALSE(pooled.hasRatio);
    // A: 4 pairs, none match; AxB: 4 pairs, none match (4 stored mismatches): (8 − 4) / 8.
    EXPECT_EQ(pooled.np, .5);
}

// Crossed designs too, where no selection is accepted.
TEST(NestedMerge, randomDesignsKeepTheirCountsAndTestEveryEffectAgainstItsOwnError)
{
    std::mt19937_64 random(17);
    int nested = 0;
    for (int trial = 0; trial < 120; ++trial) {
        Design design = randomDesign(3 + trial % 4, 600, random);
        const Pairs admissible = admissibleNesting(design);
        Pairs selected;
        for (const NestingPair &pair : admissible)
            if (random() % 4 == 0)
                selected.push_back(pair);
        const NestingCheck check = completeNesting(selected);
        if (check.accepted) {
            design.nested = true;
            design.nestingPairs = check.pairs;
            design.selectedNesting = selected;
            ++nested;
        }
        const ScoreSet scores = someScores(design, trial, 2 + trial % 4);
        ContinueAlways yes;
        RunOptions options;
        options.iterations = 50;
        options.seed = static_cast<uint64_t>(trial);
        const RunResult result = runAnalysis(design, scores, yes, options);
        ASSERT_EQ(result.status, RunStatus::Completed);
        const int64_t n = design.cellCount();
        int64_t df = 0, pairs = 0;
        for (const TableRow &row : result.table.rows) {
            df += row.df;
            pairs += row.pairs;
            int64_t entryPairs = 0;
            for (SourceMask m : row.sources)
                entryPairs += sourcePairs(design.levelCounts(), m);
            EXPECT_EQ(row.pairs, entryPairs);
        }
        EXPECT_EQ(df, n - 1);
        EXPECT_EQ(pairs, n * (n - 1) / 2);
        expectEffectsAgainstTheirOwnErrorRows(design, result.table);
        // A shuffled pass over the observed arrangement gives the observed proportions and ratios.
        const ObservedPass pass = observePass(design, scores, yes);
        const size_t rows = pass.table.rows.size();
        std::vector<int64_t> matching(size_t{1} << design.factorCount());
        makeDefaultCounter(design.levelCounts(), pass.codes.categoryCount())
            ->countMatching(pass.codes.codes.data(), matching.data());
        std::vector<double> proportion(rows), ratio(rows);
        std::unique_ptr<bool[]> defined(new bool[rows]);
        pass.evaluator.evaluate(matching.data(), proportion.data(), ratio.data(), defined.get());
        for (size_t r = 0; r < rows; ++r) {
            EXPECT_EQ(proportion[r], pass.table.rows[r].np);
            if (pass.table.rows[r].hasRatio) {
                EXPECT_EQ(ratio[r], pass.table.rows[r].nRatio);
            }
        }
    }
    EXPECT_GT(nested, 60);
}
