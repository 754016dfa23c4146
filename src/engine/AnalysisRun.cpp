#include "AnalysisRun.h"

#include "ClopperPearson.h"
#include "LatticeCounter.h"
#include "Random.h"
#include "ShuffleSchemes.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
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

// A stream checks its precision after this many blocks, then each time it has grown by a sixteenth
// (never by fewer than this many blocks): even a run of 2^31 iterations checks under two hundred
// times, and none runs more than about 6 % past the point where its rows were settled.
constexpr int64_t kBlocksBetweenChecks = 8;
// Per row of a tally: the histogram's bins, then the N-ratios above them, then the undefined ones.
constexpr size_t kSlotsPerRow = kHistogramBins + 2;

// The seed of one stream: the run's own for the first, so that a whole-table run draws what it
// always drew, and one mixed from it for every other.
uint64_t streamSeed(uint64_t runSeed, size_t stream)
{
    if (stream == 0)
        return runSeed;
    uint64_t state = runSeed + 0x632BE59BD9B4E019ull * stream;
    return splitMix64(state);
}

// What some passes found for the rows of one stream.
struct Tally {
    std::vector<int64_t> reached; // per row: arrangements whose N-ratio reached the observed one
    std::vector<int64_t> bins;    // per row: kSlotsPerRow counts
    std::vector<double> smallest, largest;
    int64_t passes = 0;

    explicit Tally(size_t rows = 0) : reached(rows), bins(rows * kSlotsPerRow), smallest(rows), largest(rows)
    {
        clear();
    }
    void clear()
    {
        std::fill(reached.begin(), reached.end(), 0);
        std::fill(bins.begin(), bins.end(), 0);
        std::fill(smallest.begin(), smallest.end(), std::numeric_limits<double>::infinity());
        std::fill(largest.begin(), largest.end(), -std::numeric_limits<double>::infinity());
        passes = 0;
    }
    // Sums and extremes do not depend on the order blocks are added in.
    void add(const Tally &other)
    {
        for (size_t i = 0; i < reached.size(); ++i) {
            reached[i] += other.reached[i];
            smallest[i] = std::min(smallest[i], other.smallest[i]);
            largest[i] = std::max(largest[i], other.largest[i]);
        }
        for (size_t i = 0; i < bins.size(); ++i)
            bins[i] += other.bins[i];
        passes += other.passes;
    }
};

// One shuffle scheme's passes, split into blocks that the threads share.
struct Stream {
    ShuffleScheme scheme;
    std::unique_ptr<Arrangements> observed; // the observed arrangement, where every block starts
    bool exact = false;
    uint64_t arrangements = 0;
    int64_t passes = 0; // exact: every arrangement, the observed one included; else the shuffles
    int64_t blocks = 0;
    int64_t firstItem = 0; // of the run's blocks, counted over all streams
    uint64_t seed = 0;
    std::vector<double> binWidth; // per row

    // The blocks merged so far, in block order; the later blocks that finished first wait.
    Tally merged;
    int64_t mergedBlocks = 0;
    int64_t nextCheck = kBlocksBetweenChecks;
    std::map<int64_t, Tally> waiting;
    std::atomic<bool> finished{false}; // stopped at its precision: the blocks left are skipped
    bool stoppedEarly = false;
};

// One pass of a stream: for each of its rows, whether the N-ratio reached the observed one and
// where it falls in the row's histogram.
void tallyPass(const Stream &stream, const std::vector<double> &observedRatio, const double *ratio, const bool *defined,
               Tally &tally)
{
    const std::vector<size_t> &rows = stream.scheme.rows;
    for (size_t j = 0; j < rows.size(); ++j) {
        const size_t r = rows[j];
        int64_t *bins = tally.bins.data() + j * kSlotsPerRow;
        if (!defined[r]) {
            ++bins[kHistogramBins + 1];
            continue;
        }
        if (reaches(ratio[r], observedRatio[r]))
            ++tally.reached[j];
        const double place = ratio[r] / stream.binWidth[j];
        ++bins[place < kHistogramBins ? static_cast<size_t>(place) : kHistogramBins];
        tally.smallest[j] = std::min(tally.smallest[j], ratio[r]);
        tally.largest[j] = std::max(tally.largest[j], ratio[r]);
    }
}

bool settled(const Stream &stream, double precision)
{
    for (size_t i = 0; i < stream.scheme.rows.size(); ++i) {
        const Interval interval = clopperPearson(stream.merged.reached[i] + 1, stream.merged.passes + 1);
        if (!meetsPrecision(interval.low, interval.high, precision))
            return false;
    }
    return true;
}

// Adds a finished block to its stream. A stream that may stop at a precision merges in block order
// and checks at fixed points, so that where it stops depends on its seed alone, never on which
// thread was quicker; a block that finishes ahead of an earlier one waits for it.
void mergeBlock(Stream &stream, int64_t block, const Tally &tally, double precision)
{
    if (stream.finished)
        return;
    // Without a precision to check, order does not matter: sums and extremes come out the same.
    if (precision <= 0.0 || stream.exact) {
        stream.merged.add(tally);
        ++stream.mergedBlocks;
        return;
    }
    if (block != stream.mergedBlocks) {
        stream.waiting.emplace(block, tally);
        return;
    }
    const Tally *next = &tally;
    while (next) {
        stream.merged.add(*next);
        if (next != &tally)
            stream.waiting.erase(stream.mergedBlocks);
        ++stream.mergedBlocks;
        if (stream.mergedBlocks == stream.nextCheck) {
            stream.nextCheck += std::max(kBlocksBetweenChecks, stream.mergedBlocks / 16);
            if (stream.mergedBlocks < stream.blocks && settled(stream, precision)) {
                stream.finished = true;
                stream.stoppedEarly = true;
                stream.waiting.clear();
                return;
            }
        }
        const auto waiting = stream.waiting.find(stream.mergedBlocks);
        next = waiting == stream.waiting.end() ? nullptr : &waiting->second;
    }
}

PValue pValueOf(const Stream &stream, size_t i)
{
    const Tally &tally = stream.merged;
    PValue p;
    if (stream.exact) {
        // Every arrangement was counted, the observed one (which reaches itself) among them.
        p.exact = true;
        p.arrangements = static_cast<int64_t>(stream.arrangements);
        p.exceedCount = tally.reached[i] - 1;
        p.value = static_cast<double>(tally.reached[i]) / static_cast<double>(p.arrangements);
        p.low = p.high = p.value;
    } else {
        p.arrangements = tally.passes + 1;
        p.exceedCount = tally.reached[i];
        p.value = static_cast<double>(p.exceedCount + 1) / static_cast<double>(p.arrangements);
        const Interval interval = clopperPearson(p.exceedCount + 1, p.arrangements);
        p.low = interval.low;
        p.high = interval.high;
    }
    RatioHistogram &histogram = p.distribution;
    const int64_t *bins = tally.bins.data() + i * kSlotsPerRow;
    histogram.binWidth = stream.binWidth[i];
    histogram.counts.assign(bins, bins + kHistogramBins);
    histogram.above = bins[kHistogramBins];
    histogram.undefined = bins[kHistogramBins + 1];
    if (tally.smallest[i] <= tally.largest[i]) {
        histogram.smallest = tally.smallest[i];
        histogram.largest = tally.largest[i];
    }
    return p;
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

bool meetsPrecision(double low, double high, double precision)
{
    auto oneSide = [&](double level) { return high <= level || low > level; };
    return high - low < precision || (oneSide(.05) && oneSide(.01));
}

RunOptions reproducingOptions(const NTable &table)
{
    RunOptions options;
    options.iterations = table.requestedIterations;
    options.seed = table.seed;
    options.exact = table.exactMode;
    options.precision = table.precision;
    options.shuffle = table.shuffle;
    return options;
}

RunResult resample(const ObservedPass &observed, const RunOptions &options)
{
    RunResult result;
    result.table = observed.table;
    NTable &table = result.table;
    table.requestedIterations = table.iterations = std::max(1, options.iterations);
    table.seed = options.seed ? *options.seed : freshSeed();
    table.exactMode = options.exact;
    table.shuffle = options.shuffle;
    table.precision = options.precision > 0.0 ? options.precision : 0.0;
    result.status = observed.status;
    if (observed.status != RunStatus::Completed || table.requestedIterations <= 1)
        return result;

    const size_t rowCount = observed.table.rows.size();
    std::vector<size_t> tested;
    for (size_t r = 0; r < rowCount; ++r)
        if (observed.observedRatio[r] > 0.0)
            tested.push_back(r);
    std::vector<std::unique_ptr<Stream>> streams;
    int64_t items = 0, totalPasses = 0;
    const uint64_t exactLimit =
        static_cast<uint64_t>(std::min<int64_t>(table.requestedIterations, kMaxExactArrangements));
    for (ShuffleScheme &scheme : planShuffles(observed.design, observed.table, tested, options.shuffle)) {
        auto stream = std::make_unique<Stream>();
        stream->scheme = std::move(scheme);
        stream->observed = std::make_unique<Arrangements>(stream->scheme, observed.codes.codes);
        const uint64_t count = stream->observed->count(exactLimit);
        stream->exact = options.exact == ExactMode::Auto && count <= exactLimit;
        stream->arrangements = stream->exact ? count : 0;
        stream->passes = stream->exact ? static_cast<int64_t>(count) : table.requestedIterations - 1;
        stream->blocks = (stream->passes + kShufflesPerBlock - 1) / kShufflesPerBlock;
        stream->firstItem = items;
        stream->seed = streamSeed(table.seed, streams.size());
        for (size_t r : stream->scheme.rows)
            stream->binWidth.push_back(2.0 * std::max(observed.observedRatio[r], 1.0) / kHistogramBins);
        stream->merged = Tally(stream->scheme.rows.size());
        items += stream->blocks;
        totalPasses += stream->passes;
        streams.push_back(std::move(stream));
    }

    int threads = options.threads > 0 ? options.threads : static_cast<int>(std::thread::hardware_concurrency());
    threads = static_cast<int>(std::max<int64_t>(1, std::min<int64_t>(std::max(threads, 1), items)));
    const PairCounterFactory factory = options.counterFactory ? options.counterFactory : &makeDefaultCounter;
    const std::vector<int> levels = observed.design.levelCounts();
    const size_t slots = size_t{1} << observed.design.factorCount();

    std::atomic<int64_t> nextItem{0};
    std::atomic<int64_t> done{0};
    std::atomic<bool> stopped{false};
    std::mutex mutex;
    std::condition_variable finished;
    int running = threads;

    auto work = [&]() {
        std::unique_ptr<PairCounter> counter = factory(levels, observed.codes.categoryCount());
        std::vector<uint16_t> codes(observed.codes.codes.size()); // enumerated and restricted arrangements
        std::vector<int64_t> matching(slots, 0);
        std::vector<double> proportion(rowCount), ratio(rowCount);
        std::unique_ptr<bool[]> defined(new bool[rowCount]);
        std::vector<Tally> tallies;
        for (const auto &stream : streams)
            tallies.emplace_back(stream->scheme.rows.size());
        for (int64_t item; !stopped.load(std::memory_order_relaxed) && (item = nextItem++) < items;) {
            size_t s = 0;
            while (s + 1 < streams.size() && streams[s + 1]->firstItem <= item)
                ++s;
            Stream &stream = *streams[s];
            if (stream.finished)
                continue;
            const int64_t block = item - stream.firstItem;
            const int64_t count = std::min(kShufflesPerBlock, stream.passes - block * kShufflesPerBlock);
            Tally &tally = tallies[s];
            tally.clear();
            Random random(blockSeed(stream.seed, static_cast<uint64_t>(block)));
            std::optional<Arrangements> arrangement;
            if (stream.exact || !stream.scheme.wholeTable())
                arrangement.emplace(*stream.observed);
            if (stream.exact)
                arrangement->seek(static_cast<uint64_t>(block * kShufflesPerBlock));
            else if (stream.scheme.wholeTable())
                counter->startShuffles(observed.codes.codes.data());
            int64_t pending = 0;
            for (int64_t i = 0; i < count; ++i) {
                if (options.cancel && options.cancel->load(std::memory_order_relaxed)) {
                    stopped = true;
                    break;
                }
                if (stream.exact) {
                    if (i > 0)
                        arrangement->advance();
                    arrangement->write(codes.data());
                    counter->countMatching(codes.data(), matching.data());
                } else if (stream.scheme.wholeTable()) {
                    // The whole-table shuffle: every score over every cell, in the counter's own order.
                    counter->shuffleAndCount(random, matching.data());
                } else {
                    arrangement->draw(random);
                    arrangement->write(codes.data());
                    counter->countMatching(codes.data(), matching.data());
                }
                observed.evaluator.evaluate(matching.data(), proportion.data(), ratio.data(), defined.get());
                tallyPass(stream, observed.observedRatio, ratio.data(), defined.get(), tally);
                if (++pending == 64) {
                    done += pending;
                    pending = 0;
                }
            }
            done += pending;
            if (stopped)
                break;
            tally.passes = count;
            std::lock_guard<std::mutex> lock(mutex);
            mergeBlock(stream, block, tally, table.precision);
        }
        std::lock_guard<std::mutex> lock(mutex);
        if (--running == 0)
            finished.notify_all();
    };

    std::vector<std::thread> pool;
    for (int t = 0; t < threads && items > 0; ++t)
        pool.emplace_back(work);
    if (items == 0)
        running = 0;
    {
        std::unique_lock<std::mutex> lock(mutex);
        while (running > 0) {
            finished.wait_for(lock, std::chrono::milliseconds(50));
            if (running > 0 && options.progress) {
                lock.unlock();
                options.progress(done.load(), totalPasses);
                lock.lock();
            }
        }
    }
    for (std::thread &t : pool)
        t.join();

    if (stopped) {
        result.status = RunStatus::Cancelled;
        return result;
    }
    if (options.progress)
        options.progress(totalPasses, totalPasses);

    // With some p-values from random shuffles the table's iterations are theirs; with exact ones
    // only, the arrangements counted.
    const bool someMonteCarlo =
        std::any_of(streams.begin(), streams.end(), [](const std::unique_ptr<Stream> &s) { return !s->exact; });
    if (!streams.empty())
        table.iterations = 1;
    for (const auto &stream : streams) {
        ShuffleStream facts;
        facts.description = stream->scheme.description;
        facts.rows = stream->scheme.rows;
        facts.exact = stream->exact;
        facts.arrangements = static_cast<int64_t>(stream->arrangements);
        facts.iterations = static_cast<int>(stream->exact ? stream->passes : stream->merged.passes + 1);
        facts.stoppedEarly = stream->stoppedEarly;
        for (size_t i = 0; i < facts.rows.size(); ++i)
            table.rows[facts.rows[i]].p = pValueOf(*stream, i);
        if (stream->exact != someMonteCarlo)
            table.iterations = std::max(table.iterations, facts.iterations);
        table.streams.push_back(std::move(facts));
    }
    return result;
}

RunResult runAnalysis(const Design &design, const ScoreSet &scores, RunQuestions &questions, const RunOptions &options)
{
    return resample(observePass(design, scores, questions), options);
}

} // namespace kelsim
