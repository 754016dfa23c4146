// A long run of analyses of random designs through the engine, some cancelled part-way, with the
// heap measured between the first and the last hundred.
#include "AnalysisRun.h"
#include "NestingRelations.h"
#include "TestDesigns.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <malloc.h>
#include <thread>

// Under AddressSanitizer the heap is the sanitizer's own; it reports what is allocated.
#if defined(__SANITIZE_ADDRESS__) || defined(KELSIM_ASAN)
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#define KELSIM_HEAP_FROM_SANITIZER 1
#endif

using namespace kelsim;
using namespace kelsim::testing;

namespace {

size_t heapInUse()
{
#ifdef KELSIM_HEAP_FROM_SANITIZER
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

int soakRuns()
{
    const char *text = std::getenv("KELSIM_SOAK_RUNS");
    return text ? std::max(100, std::atoi(text)) : 1000;
}

} // namespace

TEST(Soak, thousandAnalysesInARowKeepMemoryStable)
{
    std::mt19937_64 random(2026);
    const int runs = soakRuns();
    size_t afterFirstHundred = 0, peakLate = 0;
    int cancelled = 0, nested = 0;
    for (int run = 0; run < runs; ++run) {
        Design design = randomDesign(2 + run % 5, 300, random);
        if (design.factorCount() >= 3 && run % 3 == 0) {
            std::vector<NestingPair> selected;
            for (const NestingPair &pair : admissibleNesting(design))
                if (random() % 3 == 0)
                    selected.push_back(pair);
            const NestingCheck check = completeNesting(selected);
            if (check.accepted) {
                design.nested = true;
                design.nestingPairs = check.pairs;
                design.selectedNesting = selected;
                ++nested;
            }
        }
        const int iterations = 50 + static_cast<int>(random() % 500);
        const ScoreSet scores = randomScores(design.cellCount(), 1 + static_cast<int>(random() % 5), random);
        ContinueAlways yes;
        RunOptions options;
        options.iterations = iterations;
        options.seed = random();
        options.threads = 1 + run % 2;
        std::atomic<bool> cancel{false};
        options.cancel = &cancel;
        // Every seventh run is long and is cancelled at its first progress report, part-way (a run
        // with no row to test makes no shuffles and ends at once).
        if (run % 7 == 0) {
            options.iterations = 20000000;
            options.exact = ExactMode::Never;
            options.progress = [&](int64_t, int64_t) { cancel = true; };
        }
        const RunResult result = runAnalysis(design, scores, yes, options);
        ASSERT_NE(result.status, RunStatus::Abandoned);
        if (result.status == RunStatus::Cancelled)
            ++cancelled;
        if (run == 99)
            afterFirstHundred = heapInUse();
        if (run >= runs - 100)
            peakLate = std::max(peakLate, heapInUse());
    }
    std::printf("soak: %d runs (%d nested, %d cancelled), heap after the first hundred %zu bytes, largest in the "
                "last hundred %zu bytes\n",
                runs, nested, cancelled, afterFirstHundred, peakLate);
    EXPECT_GT(nested, runs / 10);
    EXPECT_GE(cancelled, runs / 10);
    EXPECT_GT(afterFirstHundred, 0u);
    // Growth would show as leaked tables or counters: allow for allocator slack only.
    EXPECT_LE(peakLate, afterFirstHundred + 256 * 1024);
}
