#include "AnalysisRun.h"

#include "Format.h"
#include "LatticeCounter.h"
#include "Random.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <random>
#include <thread>

namespace kelsim {

namespace {

// Equal N-ratios reached through different counts are ties, not losses to rounding.
constexpr double kTieTolerance = 1e-12;

bool reaches(double shuffled, double observed)
{
    return shuffled >= observed - kTieTolerance * observed;
}

} // namespace

uint64_t freshSeed()
{
    std::random_device device;
    return (static_cast<uint64_t>(device()) << 32) ^ device();
}

std::unique_ptr<PairCounter> makeDefaultCounter(const std::vector<int> &levelCounts, int categoryCount)
{
    return makeLatticeCounter(levelCounts, categoryCount);
}

ObservedPass observePass(const Design &design, const ScoreSet &scores, RunQuestions &questions)
{
    ObservedPass pass;
    pass.design = design;
    pass.codes = encodeScores(scores.flat);
    pass.table = layoutTable(design);
    pass.evaluator = PassEvaluator(design, pass.table);

    std::vector<int64_t> matching(size_t{1} << design.factorCount(), 0);
    makeDefaultCounter(design.levelCounts(), pass.codes.categoryCount())
        ->countMatching(pass.codes.codes.data(), matching.data());
    if (!writeObservedRows(design, pass.evaluator, matching, pass.table, questions)) {
        pass.status = RunStatus::Abandoned;
        return pass;
    }
    pass.observedRatio.assign(pass.table.rows.size(), 0.0);
    for (size_t r = 0; r < pass.table.rows.size(); ++r) {
        const TableRow &row = pass.table.rows[r];
        if (row.hasRatio && row.nRatio > 0.0)
            pass.observedRatio[r] = row.nRatio;
    }
    return pass;
}

RunResult resample(const ObservedPass &observed, const RunOptions &options)
{
    RunResult result;
    result.table = observed.table;
    result.iterations = std::max(1, observed.design.iterations);
    result.seed = options.seed ? *options.seed : freshSeed();
    result.status = observed.status;
    const size_t rowCount = observed.table.rows.size();
    result.exceedCounts.assign(rowCount, 0);
    if (observed.status != RunStatus::Completed)
        return result;

    const int64_t shuffles = result.iterations - 1;
    const int64_t blocks = (shuffles + kShufflesPerBlock - 1) / kShufflesPerBlock;
    int threads = options.threads > 0 ? options.threads : static_cast<int>(std::thread::hardware_concurrency());
    threads = static_cast<int>(std::max<int64_t>(1, std::min<int64_t>(std::max(threads, 1), blocks)));
    const PairCounterFactory factory = options.counterFactory ? options.counterFactory : &makeDefaultCounter;
    const std::vector<int> levels = observed.design.levelCounts();
    const size_t slots = size_t{1} << observed.design.factorCount();

    std::atomic<int64_t> nextBlock{0};
    std::atomic<int64_t> done{0};
    std::atomic<bool> stopped{false};
    std::mutex mutex;
    std::condition_variable finished;
    int running = threads;

    auto work = [&]() {
        std::unique_ptr<PairCounter> counter = factory(levels, observed.codes.categoryCount());
        std::vector<int64_t> matching(slots, 0);
        std::vector<double> proportion(rowCount), ratio(rowCount);
        std::unique_ptr<bool[]> defined(new bool[rowCount]);
        std::vector<int64_t> exceed(rowCount, 0);
        for (int64_t block; !stopped.load(std::memory_order_relaxed) && (block = nextBlock++) < blocks;) {
            Random random(blockSeed(result.seed, static_cast<uint64_t>(block)));
            counter->startShuffles(observed.codes.codes.data());
            const int64_t count = std::min(kShufflesPerBlock, shuffles - block * kShufflesPerBlock);
            int64_t pending = 0;
            for (int64_t i = 0; i < count; ++i) {
                if (options.cancel && options.cancel->load(std::memory_order_relaxed)) {
                    stopped = true;
                    break;
                }
                counter->shuffleAndCount(random, matching.data());
                observed.evaluator.evaluate(matching.data(), proportion.data(), ratio.data(), defined.get());
                for (size_t r = 0; r < rowCount; ++r)
                    if (observed.observedRatio[r] > 0.0 && defined[r] && reaches(ratio[r], observed.observedRatio[r]))
                        ++exceed[r];
                if (++pending == 64) {
                    done += pending;
                    pending = 0;
                }
            }
            done += pending;
        }
        std::lock_guard<std::mutex> lock(mutex);
        for (size_t r = 0; r < rowCount; ++r)
            result.exceedCounts[r] += exceed[r];
        if (--running == 0)
            finished.notify_all();
    };

    std::vector<std::thread> pool;
    for (int t = 0; t < threads && blocks > 0; ++t)
        pool.emplace_back(work);
    if (blocks == 0)
        running = 0;
    {
        std::unique_lock<std::mutex> lock(mutex);
        while (running > 0) {
            finished.wait_for(lock, std::chrono::milliseconds(50));
            if (running > 0 && options.progress) {
                lock.unlock();
                options.progress(done.load(), shuffles);
                lock.lock();
            }
        }
    }
    for (std::thread &t : pool)
        t.join();

    if (stopped) {
        result.status = RunStatus::Cancelled;
        std::fill(result.exceedCounts.begin(), result.exceedCounts.end(), 0);
        return result;
    }
    if (options.progress)
        options.progress(shuffles, shuffles);

    if (result.iterations > 1) {
        for (size_t r = 0; r < rowCount; ++r) {
            if (observed.observedRatio[r] <= 0.0)
                continue;
            const double p = static_cast<double>(1 + result.exceedCounts[r]) / result.iterations;
            result.table.rows[r].text[5] = formatValue(p, 3);
        }
    }
    result.table.npDecimals = npDecimalsFor(result.table);
    return result;
}

RunResult runAnalysis(const Design &design, const ScoreSet &scores, RunQuestions &questions,
                      const RunOptions &options)
{
    return resample(observePass(design, scores, questions), options);
}

} // namespace kelsim
