#include "AnalysisRun.h"
#include "TableReport.h"
#include "TestDesigns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace kelsim;
using namespace kelsim::testing;

namespace {

RunResult run(const Design &design, const ScoreSet &scores, int iterations, uint64_t seed, int threads = 1,
              ShuffleMode shuffle = ShuffleMode::Whole)
{
    ContinueAlways yes;
    RunOptions options;
    options.iterations = iterations;
    options.seed = seed;
    options.threads = threads;
    options.shuffle = shuffle;
    return runAnalysis(design, scores, yes, options);
}

std::vector<int64_t> exceedCounts(const RunResult &result)
{
    std::vector<int64_t> counts;
    for (const TableRow &row : result.table.rows)
        counts.push_back(row.p ? row.p->exceedCount : -1);
    return counts;
}

} // namespace

TEST(AnalysisRun, identicalScoresGivePOfOneWhereverThereIsAP)
{
    const struct {
        Design design;
    } cases[] = {
        {makeDesign({{"A", 2}, {"B", 3}, {"C", 2}}, DesignKind::IndependentGroups, 3)},
        {makeDesign({{"A", 2}, {"B", 3}, {"S", 2}}, DesignKind::RepeatedMeasures, 3)},
    };
    for (const auto &c : cases) {
        const RunResult result = run(c.design, makeScores(std::vector<std::string>(12, "q")), 500, 1);
        int withP = 0;
        for (const TableRow &row : result.table.rows) {
            if (!row.p)
                continue;
            ++withP;
            EXPECT_EQ(row.p->value, 1.0) << row.name;
        }
        EXPECT_GT(withP, 0);
    }
}

TEST(AnalysisRun, oneIterationEstimatesNoP)
{
    const Design design = makeDesign({{"A", 3}, {"B", 2}}, DesignKind::IndependentGroups, 2);
    const RunResult result = run(design, makeScores({"a", "b", "c", "a", "b", "a"}), 1, 3);
    EXPECT_EQ(result.status, RunStatus::Completed);
    for (const TableRow &row : result.table.rows)
        EXPECT_FALSE(row.p);
    EXPECT_TRUE(result.table.rows[0].hasRatio);
    EXPECT_FALSE(result.table.showsP());
}

TEST(AnalysisRun, twoIterationsCompareExactlyOneShuffle)
{
    const Design design = makeDesign({{"A", 3}, {"B", 2}}, DesignKind::IndependentGroups, 2);
    for (uint64_t seed = 0; seed < 20; ++seed) {
        const RunResult result = run(design, makeScores({"a", "b", "c", "a", "b", "a"}), 2, seed);
        ASSERT_TRUE(result.table.rows[0].p);
        const double p = result.table.rows[0].p->value;
        EXPECT_TRUE(p == .5 || p == 1.0) << p;
    }
}

TEST(AnalysisRun, aSeedFixesTheResultWhateverTheThreads)
{
    std::mt19937_64 random(5);
    for (int trial = 0; trial < 6; ++trial) {
        const Design design = randomDesign(2 + trial % 4, 120, random);
        const ScoreSet scores = randomScores(design.cellCount(), 3, random);
        for (const ShuffleMode shuffle : {ShuffleMode::Whole, ShuffleMode::Restricted}) {
            const RunResult one = run(design, scores, 3000, 77, 1, shuffle);
            const RunResult two = run(design, scores, 3000, 77, 2, shuffle);
            const RunResult again = run(design, scores, 3000, 77, 2, shuffle);
            EXPECT_EQ(exceedCounts(one), exceedCounts(two));
            EXPECT_EQ(exceedCounts(two), exceedCounts(again));
            EXPECT_EQ(buildTsv(one.table), buildTsv(two.table));
        }
    }
}

TEST(AnalysisRun, theReferenceAndDefaultCountersGiveTheSameRun)
{
    std::mt19937_64 random(8);
    for (int trial = 0; trial < 8; ++trial) {
        const Design design = randomDesign(2 + trial % 5, 200, random);
        const ScoreSet scores = randomScores(design.cellCount(), 1 + trial % 4, random);
        ContinueAlways yes;
        RunOptions reference;
        reference.iterations = 700;
        reference.seed = 123;
        reference.counterFactory = &makeReferenceCounter;
        RunOptions fast = reference;
        fast.counterFactory = nullptr;
        const RunResult a = runAnalysis(design, scores, yes, reference);
        const RunResult b = runAnalysis(design, scores, yes, fast);
        EXPECT_EQ(exceedCounts(a), exceedCounts(b));
        EXPECT_EQ(buildTsv(a.table), buildTsv(b.table));
    }
}

TEST(AnalysisRun, cancellingReportsThatNoTableWasMade)
{
    const Design design = makeDesign({{"A", 4}, {"B", 5}}, DesignKind::IndependentGroups, 2);
    std::atomic<bool> cancel{true};
    ContinueAlways yes;
    RunOptions options;
    options.cancel = &cancel;
    std::mt19937_64 random(1);
    const RunResult result = runAnalysis(design, randomScores(20, 3, random), yes, options);
    EXPECT_EQ(result.status, RunStatus::Cancelled);
}

TEST(AnalysisRun, progressReachesTheTotal)
{
    const Design design = makeDesign({{"A", 4}, {"B", 5}}, DesignKind::IndependentGroups, 2);
    ContinueAlways yes;
    RunOptions options;
    options.iterations = 5001;
    int64_t lastDone = -1, lastTotal = -1;
    options.progress = [&](int64_t done, int64_t total) {
        EXPECT_GE(done, lastDone);
        lastDone = done;
        lastTotal = total;
    };
    std::mt19937_64 random(1);
    runAnalysis(design, randomScores(20, 3, random), yes, options);
    EXPECT_EQ(lastDone, 5000);
    EXPECT_EQ(lastTotal, 5000);
}

TEST(AnalysisRun, randomCrossedDesignsKeepTheirPairsAndDf)
{
    std::mt19937_64 random(21);
    for (int trial = 0; trial < 40; ++trial) {
        const Design design = randomDesign(2 + trial % 5, 300, random);
        const ScoreSet scores = randomScores(design.cellCount(), 2 + trial % 3, random);
        ContinueAlways yes;
        const ObservedPass pass = observePass(design, scores, yes);
        const int64_t n = design.cellCount();
        int64_t pairs = 0, df = 0;
        for (const TableRow &row : pass.table.rows) {
            pairs += row.pairs;
            df += row.df;
        }
        EXPECT_EQ(pairs, n * (n - 1) / 2);
        EXPECT_EQ(df, n - 1);
    }
}
