// A long run of analyses of random designs through the engine, some cancelled part-way, with the
// heap measured between the first and the last hundred.
#include "AnalysisRun.h"
#include "NestingRelations.h"
#include "TestDesigns.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <malloc.h>
#include <thread>

#if defined(__has_include)
#if __has_include(<sanitizer/allocator_interface.h>) && (defined(__SANITIZE_ADDRESS__) || defined(KELSIM_ASAN))
#include <sanitizer/allocator_interface.h>
#define KELSIM_HEAP_FROM_SANITIZER 1
#endif
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
        design.iterations = 50 + static_cast<int>(random() % 500);
        const ScoreSet scores = randomScores(design.cellCount(), 1 + static_cast<int>(random() % 5), random);
        ContinueAlways yes;
        RunOptions options;
        options.seed = random();
        options.threads = 1 + run % 2;
        std::atomic<bool> cancel{false};
        options.cancel = &cancel;
        const bool cancelThis = run % 7 == 0;
        if (cancelThis)
            options.progress = [&](int64_t done, int64_t) {
                if (done > 0)
                    cancel = true;
            };
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
    // Growth would show as leaked tables or counters: allow for allocator slack only.
    EXPECT_LE(peakLate, afterFirstHundred + 256 * 1024);
}
