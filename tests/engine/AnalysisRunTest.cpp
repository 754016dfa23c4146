#include "AnalysisRun.h"
#include "TableReport.h"
#include "TestDesigns.h"

#include <gtest/gtest.h>

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
