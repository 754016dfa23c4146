#include "LatticeCounter.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <stdexcept>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define KELSIM_LATTICE_HAS_AVX2 1
#else
#define KELSIM_LATTICE_HAS_AVX2 0
#endif

namespace kelsim {

namespace {

// Arrays the vector kernels read are padded, so that the last partial block of a run can be
// loaded whole and masked instead of being finished one byte at a time.
constexpr size_t kPadding = 64;
// A rare cell carries one marker on the left of a comparison and another on the right, so it
// matches nothing in the runs; its own category's pairs are counted one by one.
constexpr uint8_t kRareRight = 255;
constexpr double kInfinite = std::numeric_limits<double>::infinity();
// Plans beyond these are never chosen: they would take long or hold too much memory. A tensor
// stays possible for every set (at most 16352 groups of 255 channels).
constexpr double kMostRuns = 1 << 18;
constexpr double kLargestTensorBytes = 32 << 20;

// The cost model: nanoseconds of one core per unit of work, as measured with each set of kernels
// on an x86-64 machine (kelsim-bench and kernel timings). Only the ratios matter.
struct CostModel {
    double run;              // starting one run of comparisons
    double comparedPair;     // one pair of cells compared inside a run
    double scatteredCell;    // one cell counted into a tensor that fits the first-level cache
    double scatteredCellFar; // ... into a larger one
    double clearedByte;      // clearing a tensor before cells are counted into it
    double call;             // any tensor or set of runs: calls, loop set-up
    // Summing a factor away: per parent entry, by the widths of parent and child, and per block.
    double summedEntry[3][3];
    double summedBlock;
    double summedNarrowEntry; // blocks shorter than a vector, when counts widen
    double summedRow;         // blocks of one entry: every child entry sums a row of the parent
    double squaredEntry[3];   // by width
    // Counting a row of cells that share a group, category by category: per vector compared,
    // and per category and row.
    double rowVector;
    double rowCategory;
};

constexpr double kFirstLevelCacheBytes = 40 << 10;

constexpr CostModel kBaselineCosts = {1.4,  0.045, 0.5, 1.0, 0.02, 5.0, {{0, 0, 0}, {0, 0.025, 0.06}, {0, 0, 0.08}},
                                      0.35, 0.7,   1.3, {0, 0.045, 0.2}, 0.55, 1.6};
constexpr CostModel kAvx2Costs = {1.4,  0.024, 0.5, 1.0, 0.01, 5.0, {{0, 0, 0}, {0, 0.014, 0.04}, {0, 0, 0.06}},
                                  0.35, 0.7,   1.3, {0, 0.022, 0.2}, 0.5, 1.9};
constexpr CostModel kAvx512Costs = {1.4,  0.012, 0.5, 1.0, 0.01, 5.0, {{0, 0, 0}, {0, 0.008, 0.04}, {0, 0, 0.06}},
                                    0.35, 0.7,   1.3, {0, 0.012, 0.2}, 0.45, 1.8};

alignas(64) constexpr uint8_t kTailMaskBytes[64] = {
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// ---------------------------------------------------------------------------------------------
// The design as the counter lays it out: factors reordered so that the ones with the most levels
// change fastest, which makes the runs of cells long.

struct Layout {
    int k = 0;
    size_t cells = 0;
    std::vector<int> levels;   // by factor
    std::vector<int> order;    // layout position -> factor (position 0 changes fastest)
    std::vector<size_t> step;  // by layout position: positions between neighbouring levels

    SourceMask all() const { return (SourceMask{1} << k) - 1; }
    int levelsAt(int position) const { return levels[static_cast<size_t>(order[static_cast<size_t>(position)])]; }
    bool has(SourceMask set, int position) const { return (set >> order[static_cast<size_t>(position)]) & 1u; }

    size_t groups(SourceMask set) const
    {
        size_t g = 1;
        for (int f = 0; f < k; ++f)
            if ((set >> f) & 1u)
                g *= static_cast<size_t>(levels[static_cast<size_t>(f)]);
        return g;
    }
    // Cells in a row that all fall into one group of `set`: those that differ only in the factors
    // faster than the fastest factor of the set.
    size_t rowLength(SourceMask set) const
    {
        size_t length = 1;
        for (int j = 0; j < k && !has(set, j); ++j)
            length *= static_cast<size_t>(levelsAt(j));
        return length;
    }
    // The multiplier of the factor at `position` in the group index of a tensor over `set`.
    size_t multiplier(SourceMask set, int position) const
    {
        size_t m = 1;
        for (int j = 0; j < position; ++j)
            if (has(set, j))
                m *= static_cast<size_t>(levelsAt(j));
        return m;
    }
};

Layout makeLayout(const std::vector<int> &levels, const std::vector<int> &order)
{
    Layout layout;
    layout.k = static_cast<int>(levels.size());
    layout.levels = levels;
    layout.order = order;
    layout.cells = 1;
    for (int l : levels)
        layout.cells *= static_cast<size_t>(l);
    layout.step.resize(levels.size());
    size_t step = 1;
    for (int j = 0; j < layout.k; ++j) {
        layout.step[static_cast<size_t>(j)] = step;
        step *= static_cast<size_t>(layout.levelsAt(j));
    }
    return layout;
}

// Calls visit(coordinates by layout position) for every layout position in order.
template <typename Visit> void forEachPosition(const Layout &layout, Visit visit)
{
    std::vector<int> at(static_cast<size_t>(layout.k), 0);
    for (size_t p = 0; p < layout.cells; ++p) {
        visit(p, at);
        for (int j = 0; j < layout.k; ++j) {
            if (++at[static_cast<size_t>(j)] < layout.levelsAt(j))
                break;
            at[static_cast<size_t>(j)] = 0;
        }
    }
}

int64_t pairsDiffering(const Layout &layout, SourceMask differ)
{
    int64_t product = static_cast<int64_t>(layout.cells);
    for (int f = 0; f < layout.k; ++f)
        if ((differ >> f) & 1u)
            product *= layout.levels[static_cast<size_t>(f)] - 1;
    return product / 2;
}

int fastestPosition(const Layout &layout, SourceMask set)
{
    for (int j = 0; j < layout.k; ++j)
        if (layout.has(set, j))
            return j;
    return -1;
}

// The runs that compare every pair of cells differing in exactly `differ`: see appendRuns.
double runCount(const Layout &layout, SourceMask differ)
{
    const int first = fastestPosition(layout, differ);
    double runs = layout.levelsAt(first) - 1;
    for (int j = first + 1; j < layout.k; ++j) {
        const double l = layout.levelsAt(j);
        runs *= layout.has(differ, j) ? l * (l - 1) : l;
    }
    return runs;
}

struct Run {
    uint32_t left;  // the cell with the lower position
    uint32_t right; // its partner
    uint32_t length;
};

// Every unordered pair of cells that differ in exactly the factors of `differ` is one offset d
// (non-zero on exactly those factors, positive on the slowest of them) applied to a cell. For a
// given d the cells that have a partner form runs that are contiguous over the factors faster
// than the fastest factor of `differ` and over that factor's levels that stay in range.
void appendRuns(const Layout &layout, SourceMask differ, std::vector<Run> &runs)
{
    std::vector<int> positions;
    for (int j = 0; j < layout.k; ++j)
        if (layout.has(differ, j))
            positions.push_back(j);
    const int first = positions.front();
    const int last = positions.back();
    std::vector<int> offset(static_cast<size_t>(layout.k), 0);

    auto emit = [&]() {
        const int d0 = offset[static_cast<size_t>(first)];
        const uint32_t length =
            static_cast<uint32_t>(static_cast<size_t>(layout.levelsAt(first) - std::abs(d0)) * layout.step[static_cast<size_t>(first)]);
        int64_t shift = 0;
        for (int j : positions)
            shift += static_cast<int64_t>(offset[static_cast<size_t>(j)]) * static_cast<int64_t>(layout.step[static_cast<size_t>(j)]);
        // Odometer over the factors slower than the first differing one.
        std::vector<int> low(static_cast<size_t>(layout.k), 0), high(static_cast<size_t>(layout.k), 0), at;
        for (int j = first + 1; j < layout.k; ++j) {
            const int d = offset[static_cast<size_t>(j)];
            low[static_cast<size_t>(j)] = std::max(0, -d);
            high[static_cast<size_t>(j)] = layout.levelsAt(j) - std::max(0, d);
        }
        at = low;
        const size_t start = static_cast<size_t>(std::max(0, -d0)) * layout.step[static_cast<size_t>(first)];
        while (true) {
            size_t base = start;
            for (int j = first + 1; j < layout.k; ++j)
                base += static_cast<size_t>(at[static_cast<size_t>(j)]) * layout.step[static_cast<size_t>(j)];
            runs.push_back({static_cast<uint32_t>(base), static_cast<uint32_t>(static_cast<int64_t>(base) + shift), length});
            int j = first + 1;
            for (; j < layout.k; ++j) {
                if (++at[static_cast<size_t>(j)] < high[static_cast<size_t>(j)])
                    break;
                at[static_cast<size_t>(j)] = low[static_cast<size_t>(j)];
            }
            if (j == layout.k)
                break;
        }
    };

    // Enumerate the offsets, position by position.
    std::vector<size_t> index(positions.size(), 0);
    std::vector<std::vector<int>> choices;
    for (int j : positions) {
        std::vector<int> values;
        const int l = layout.levelsAt(j);
        for (int d = -(l - 1); d <= l - 1; ++d)
            if (d != 0 && (j != last || d > 0))
                values.push_back(d);
        choices.push_back(values);
    }
    while (true) {
        for (size_t i = 0; i < positions.size(); ++i)
            offset[static_cast<size_t>(positions[i])] = choices[i][index[i]];
        emit();
        size_t i = 0;
        for (; i < positions.size(); ++i) {
            if (++index[i] < choices[i].size())
                break;
            index[i] = 0;
        }
        if (i == positions.size())
            break;
    }
}

// ---------------------------------------------------------------------------------------------
// Planning: which sets are counted from runs, which tensors are made, and how.

struct Plan {
    std::vector<uint8_t> viaRuns;    // by agreeing set A: E(A) from runs
    std::vector<uint8_t> hasTensor;  // by set T
    std::vector<int> summedFactor;   // by set T with a tensor: factor summed away from T ∪ {f}, or −1: counted from the cells
    std::vector<uint8_t> countsRead; // by set T: M(T) read from its tensor
    std::vector<uint8_t> byRows;     // by set T counted from the cells: a row of cells at a time
    double cost = kInfinite;
};

class Planner {
public:
    // countsWhileCounting: a tensor counted from the cells one cell at a time gives its M(T) on
    // the way. countedChannels: the categories counted into a tensor (1 for a single channel).
    Planner(const Layout &layout, const CostModel &costs, size_t channelStride, size_t countedChannels,
            size_t vectorBytes, bool singleChannel, bool countsWhileCounting)
        : layout_(layout), sets_(size_t{1} << layout.k), countsWhileCounting_(countsWhileCounting)
    {
        const SourceMask all = layout.all();
        width_.resize(sets_);
        entries_.resize(sets_);
        runsCost_.assign(sets_, kInfinite);
        scatterCost_.resize(sets_);
        byRows_.assign(sets_, 0);
        squareCost_.resize(sets_);
        deriveCost_.assign(sets_ * static_cast<size_t>(layout.k), kInfinite);
        for (SourceMask t = 0; t <= all; ++t) {
            const size_t groups = layout.groups(t);
            const size_t groupSize = layout.cells / groups;
            width_[t] = groupSize <= 255 ? 1 : 2;
            entries_[t] = groups * channelStride;
            const double bytes = static_cast<double>(entries_[t]) * width_[t];
            if (singleChannel && t == all)
                scatterCost_[t] = 0.0; // the codes themselves
            else if (bytes > kLargestTensorBytes)
                scatterCost_[t] = kInfinite;
            else {
                scatterCost_[t] = costs.call + bytes * costs.clearedByte +
                                  static_cast<double>(layout.cells) *
                                      (bytes <= kFirstLevelCacheBytes ? costs.scatteredCell : costs.scatteredCellFar);
                const size_t length = layout.rowLength(t);
                const double rows = static_cast<double>(layout.cells / length);
                const double vectors = static_cast<double>((length + vectorBytes - 1) / vectorBytes);
                const double byRows = costs.call + bytes * costs.clearedByte +
                                      rows * static_cast<double>(countedChannels) *
                                          (vectors * costs.rowVector + costs.rowCategory);
                if (length > 1 && byRows < scatterCost_[t]) {
                    scatterCost_[t] = byRows;
                    byRows_[t] = 1;
                }
            }
            squareCost_[t] = bytes > kLargestTensorBytes
                                 ? kInfinite
                                 : costs.call + static_cast<double>(entries_[t]) * costs.squaredEntry[width_[t]];
            if (t != all) {
                const double runs = runCount(layout, all ^ t);
                if (runs <= kMostRuns)
                    runsCost_[t] = costs.call + static_cast<double>(pairsDiffering(layout, all ^ t)) * costs.comparedPair +
                                   runs * costs.run;
            } else {
                runsCost_[t] = 0.0; // nothing to count: no two distinct cells agree on every factor
                squareCost_[t] = 0.0;
            }
        }
        for (SourceMask t = 0; t < all; ++t) {
            for (int f = 0; f < layout.k; ++f) {
                if ((t >> f) & 1u)
                    continue;
                const SourceMask parent = t | (SourceMask{1} << f);
                if (static_cast<double>(entries_[parent]) * width_[parent] > kLargestTensorBytes)
                    continue;
                int position = 0;
                while (layout.order[static_cast<size_t>(position)] != f)
                    ++position;
                const size_t inner = layout.multiplier(parent, position) * channelStride;
                const double entries = static_cast<double>(entries_[parent]);
                const double blocks = entries / static_cast<double>(inner);
                double c = costs.call;
                if (inner == 1)
                    c += entries * costs.summedEntry[width_[parent]][width_[t]] + static_cast<double>(entries_[t]) * costs.summedRow;
                else if (inner < vectorBytes && width_[t] != width_[parent])
                    c += entries * costs.summedNarrowEntry;
                else
                    c += entries * costs.summedEntry[width_[parent]][width_[t]] + blocks * costs.summedBlock;
                deriveCost_[t * static_cast<size_t>(layout.k) + static_cast<size_t>(f)] = c;
            }
        }
    }

    // The cheapest plan the local search finds.
    Plan cheapest() const
    {
        const uint64_t everything = sets_ == 64 ? ~uint64_t{0} : (uint64_t{1} << sets_) - 1;
        uint64_t bestSet = 0;
        double best = kInfinite;
        for (uint64_t start : {uint64_t{0}, everything, greedyStart()}) {
            uint64_t set = start;
            const double c = improve(set);
            if (c < best) {
                best = c;
                bestSet = set;
            }
        }
        return finish(bestSet, nullptr);
    }

    // A random plan that can count every set: for tests.
    Plan random(uint64_t seed) const
    {
        std::mt19937_64 random(seed);
        uint64_t set = 0;
        const SourceMask all = layout_.all();
        for (SourceMask t = 0; t <= all; ++t)
            if (scatterCost_[t] < kInfinite && (random() % 2 || runsCost_[t] == kInfinite))
                set |= uint64_t{1} << t;
        return finish(set, &random);
    }

private:
    struct Choice {
        double cost = kInfinite;
        int summed = -1;      // −1: counted from the cells
        bool viaRuns = true;  // E(t) from runs rather than M(t) from the tensor
    };

    bool in(uint64_t set, SourceMask t) const { return (set >> t) & 1u; }

    double deriveCost(SourceMask t, int f) const { return deriveCost_[t * static_cast<size_t>(layout_.k) + static_cast<size_t>(f)]; }

    // How set t is best made and counted, given the tensors in `set`; with `random`, a random
    // valid way instead.
    Choice choose(uint64_t set, SourceMask t, std::mt19937_64 *random) const
    {
        Choice best;
        if (!in(set, t)) {
            best.cost = runsCost_[t];
            return best;
        }
        Choice options[kMaxFactors + 1];
        int count = 0;
        const double counted = countsWhileCounting_ && scatterCost_[t] > 0.0 && !byRows_[t] ? 0.0 : squareCost_[t];
        if (scatterCost_[t] < kInfinite)
            options[count++] = {scatterCost_[t] + std::min(runsCost_[t], counted), -1, runsCost_[t] < counted};
        for (int f = 0; f < layout_.k; ++f)
            if (!((t >> f) & 1u) && in(set, t | (SourceMask{1} << f)) && deriveCost(t, f) < kInfinite)
                options[count++] = {deriveCost(t, f) + std::min(runsCost_[t], squareCost_[t]), f,
                                    runsCost_[t] < squareCost_[t]};
        if (random) {
            if (count == 0)
                return best;
            best = options[(*random)() % static_cast<uint64_t>(count)];
            best.viaRuns = runsCost_[t] < kInfinite && (*random)() % 2;
            return best;
        }
        for (int i = 0; i < count; ++i)
            if (options[i].cost < best.cost)
                best = options[i];
        return best;
    }

    double cost(uint64_t set) const
    {
        double total = 0.0;
        for (SourceMask t = 0; t <= layout_.all(); ++t)
            total += choose(set, t, nullptr).cost;
        return total;
    }

    uint64_t greedyStart() const
    {
        uint64_t set = 0;
        for (SourceMask t = 0; t < layout_.all(); ++t)
            if (scatterCost_[t] < runsCost_[t])
                set |= uint64_t{1} << t;
        return set;
    }

    // Toggles single sets, and sets together with a parent, while that lowers the cost.
    double improve(uint64_t &set) const
    {
        double best = cost(set);
        const SourceMask all = layout_.all();
        for (bool improved = true; improved;) {
            improved = false;
            for (SourceMask t = 0; t <= all; ++t) {
                const uint64_t trial = set ^ (uint64_t{1} << t);
                const double c = cost(trial);
                if (c < best - 1e-9) {
                    best = c;
                    set = trial;
                    improved = true;
                }
            }
            if (improved)
                continue;
            for (SourceMask t = 0; t < all; ++t) {
                for (int f = 0; f < layout_.k; ++f) {
                    if ((t >> f) & 1u)
                        continue;
                    const uint64_t trial = set ^ (uint64_t{1} << t) ^ (uint64_t{1} << (t | (SourceMask{1} << f)));
                    const double c = cost(trial);
                    if (c < best - 1e-9) {
                        best = c;
                        set = trial;
                        improved = true;
                    }
                }
            }
        }
        return best;
    }

    // Fixes, for a chosen set of tensors, how each is made and how each E(A) is found, and drops
    // the tensors nobody reads.
    Plan finish(uint64_t set, std::mt19937_64 *random) const
    {
        const SourceMask all = layout_.all();
        Plan plan;
        plan.viaRuns.assign(sets_, 1);
        plan.hasTensor.assign(sets_, 0);
        plan.summedFactor.assign(sets_, -1);
        plan.countsRead.assign(sets_, 0);
        plan.byRows = byRows_;
        for (SourceMask t = all + 1; t-- > 0;) {
            if (random && in(set, t)) {
                // A tensor whose parents were all dropped is counted from the cells.
                Choice c = choose(set, t, random);
                if (c.cost == kInfinite)
                    set &= ~(uint64_t{1} << t);
            }
        }
        for (bool dropped = true; dropped;) {
            for (SourceMask t = 0; t <= all; ++t) {
                const Choice c = choose(set, t, random);
                plan.hasTensor[t] = in(set, t);
                plan.summedFactor[t] = c.summed;
                plan.viaRuns[t] = t == all || c.viaRuns;
                plan.countsRead[t] = in(set, t) && !plan.viaRuns[t];
            }
            // Keep what is read, directly or as a parent.
            std::vector<uint8_t> needed(plan.countsRead);
            for (SourceMask t = 0; t <= all; ++t) {
                if (!needed[t])
                    continue;
                for (SourceMask u = t; plan.summedFactor[u] >= 0;) {
                    u |= SourceMask{1} << plan.summedFactor[u];
                    needed[u] = 1;
                }
            }
            uint64_t kept = 0;
            for (SourceMask t = 0; t <= all; ++t)
                if (in(set, t) && needed[t])
                    kept |= uint64_t{1} << t;
            dropped = kept != set;
            set = kept;
            if (random)
                break; // the choices made stay valid: every kept tensor keeps its parent
        }
        for (SourceMask t = 0; t <= all; ++t)
            plan.hasTensor[t] = in(set, t);
        plan.cost = random ? kInfinite : cost(set);
        return plan;
    }

    const Layout &layout_;
    size_t sets_;
    bool countsWhileCounting_;
    std::vector<int> width_;
    std::vector<size_t> entries_;
    std::vector<double> runsCost_, scatterCost_, squareCost_, deriveCost_;
    std::vector<uint8_t> byRows_; // counting from the cells is cheaper a row at a time
};

} // namespace

// ---------------------------------------------------------------------------------------------

struct Tensor {
    SourceMask set = 0;
    int width = 1;
    size_t groups = 0;
    int64_t groupSize = 0;
    size_t entries = 0;
    bool countsRead = false;
    bool aliasesCodes = false;       // the single-channel tensor of all factors: the codes themselves
    // Counted from the cells: the offset of a cell's group is that of its row plus that of its
    // column (its level of the fastest factor).
    std::vector<uint32_t> rowOffsets, columnOffsets;
    size_t rowLength = 0; // counted a row at a time: the cells of a row, all in one group
    int parent = -1;                 // index into State::tensors, or −1
    size_t outer = 0, levels = 0, inner = 0;
    std::vector<uint8_t> storage;
    uint8_t *bytes = nullptr;
};

struct RunSet {
    SourceMask agree = 0;
    std::vector<Run> runs;
};

struct LatticeCounter::State {
    Layout layout;
    int categories = 0;
    bool allMatch = false;    // one category: every pair matches
    bool singleChannel = false;
    bool rare = false;        // more categories than channels
    int channels = 0;         // rare mode: channels for the frequent categories
    size_t channelStride = 0; // entries per group in a tensor
    std::vector<uint16_t> positionOf; // cell -> layout position
    std::vector<uint8_t> left, right;
    std::vector<RunSet> runSets;
    std::vector<Tensor> tensors; // parents before children
    std::vector<uint8_t> viaRuns;
    std::vector<int64_t> exact, within; // E and M per set
    double plannedCost = 0.0;

    // Rare mode.
    std::vector<uint32_t> histogram, knownHistogram, rareStart, rareFill, rarePositions, packed;
    std::vector<uint32_t> fieldMask;
    std::vector<uint16_t> rareCategories, byCount;
    std::vector<uint8_t> mapLeft, mapRight;
    std::vector<int64_t> rarePairs;
    int64_t channelCells = 0;

    void (*pass)(State &, const uint16_t *, int64_t *) = nullptr;
    const char *instructions = "";

    void chooseChannels();
    void countRarePairs();
};

namespace {

// A category that is not rare, or has a single cell, has no list of cells.
constexpr uint32_t kNotListed = std::numeric_limits<uint32_t>::max();

// M(T) from the pairs of code 1 alone: a group of s cells with a of code 1 holds C(a, 2) +
// C(s − a, 2) = 2·C(a, 2) + C(s, 2) − a·(s − 1) matching pairs.
int64_t pairsOfBothCodes(const Tensor &t, int64_t pairsOfOnes, int64_t ones)
{
    const int64_t s = t.groupSize;
    return 2 * pairsOfOnes + static_cast<int64_t>(t.groups) * (s * (s - 1) / 2) - ones * (s - 1);
}

} // namespace

#define KELSIM_LATTICE_NAMESPACE baseline
#define KELSIM_LATTICE_AVX2 0
#define KELSIM_LATTICE_AVX512 0
#include "LatticeKernels.inc"
#undef KELSIM_LATTICE_NAMESPACE
#undef KELSIM_LATTICE_AVX2
#undef KELSIM_LATTICE_AVX512

// The wider kernels are compiled for their instruction sets by target pragmas, GCC's or clang's.
#if KELSIM_LATTICE_HAS_AVX2
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,popcnt"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,popcnt")
#endif
#define KELSIM_LATTICE_NAMESPACE avx2
#define KELSIM_LATTICE_AVX2 1
#define KELSIM_LATTICE_AVX512 0
#include "LatticeKernels.inc"
#undef KELSIM_LATTICE_NAMESPACE
#undef KELSIM_LATTICE_AVX2
#undef KELSIM_LATTICE_AVX512
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,avx512f,avx512bw,popcnt"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,avx512f,avx512bw,popcnt")
// GCC 12's own AVX-512 headers trip these warnings (its bug 105593).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif
#define KELSIM_LATTICE_NAMESPACE avx512
#define KELSIM_LATTICE_AVX2 0
#define KELSIM_LATTICE_AVX512 1
#include "LatticeKernels.inc"
#undef KELSIM_LATTICE_NAMESPACE
#undef KELSIM_LATTICE_AVX2
#undef KELSIM_LATTICE_AVX512
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC diagnostic pop
#pragma GCC pop_options
#endif
#endif

namespace {

enum class Instructions { Baseline, Avx2, Avx512 };

Instructions widestInstructions(int maxVectorBytes)
{
#if KELSIM_LATTICE_HAS_AVX2
    const bool any = maxVectorBytes <= 0;
    __builtin_cpu_init();
    if (!__builtin_cpu_supports("popcnt"))
        return Instructions::Baseline;
    if ((any || maxVectorBytes >= 64) && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw"))
        return Instructions::Avx512;
    if ((any || maxVectorBytes >= 32) && __builtin_cpu_supports("avx2"))
        return Instructions::Avx2;
#else
    (void)maxVectorBytes;
#endif
    return Instructions::Baseline;
}

Plan planFor(const Layout &layout, const CostModel &costs, size_t channelStride, size_t countedChannels,
             size_t vectorBytes, bool singleChannel, bool rare, uint64_t randomSeed)
{
    const Planner planner(layout, costs, channelStride, countedChannels, vectorBytes, singleChannel, !rare);
    return randomSeed ? planner.random(randomSeed) : planner.cheapest();
}

std::vector<int> orderByLevels(const std::vector<int> &levels, bool mostFirst)
{
    std::vector<int> order(levels.size());
    for (size_t f = 0; f < levels.size(); ++f)
        order[f] = static_cast<int>(f);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return mostFirst ? levels[static_cast<size_t>(a)] > levels[static_cast<size_t>(b)]
                         : levels[static_cast<size_t>(a)] < levels[static_cast<size_t>(b)];
    });
    return order;
}

} // namespace

LatticeCounter::LatticeCounter(const std::vector<int> &levelCounts, int categoryCount, const LatticeOptions &options)
    : state_(std::make_unique<State>())
{
    State &s = *state_;
    int64_t cells = 1;
    for (int l : levelCounts)
        cells *= l;
    if (levelCounts.empty() || levelCounts.size() > static_cast<size_t>(kMaxFactors) || cells > 65535)
        throw std::length_error("LatticeCounter: 1 to 6 factors and at most 65535 cells");
    s.categories = categoryCount;
    const int channelLimit = std::clamp(options.maxChannels, 1, 254);
    s.allMatch = categoryCount <= 1;
    s.rare = categoryCount > channelLimit;
    s.singleChannel = !s.rare && categoryCount == 2;
    s.channels = s.rare ? channelLimit : categoryCount;
    s.channelStride = s.singleChannel ? 1 : s.rare ? static_cast<size_t>(channelLimit) + 1 : static_cast<size_t>(categoryCount);
    if (s.allMatch) {
        s.layout = makeLayout(levelCounts, orderByLevels(levelCounts, true));
        return;
    }

    const Instructions instructions = widestInstructions(options.maxVectorBytes);
    const CostModel *costs = &kBaselineCosts;
    size_t vectorBytes = 16;
    s.pass = &baseline::countPass;
    s.instructions = "baseline";
#if KELSIM_LATTICE_HAS_AVX2
    if (instructions == Instructions::Avx2) {
        costs = &kAvx2Costs;
        vectorBytes = 32;
        s.pass = &avx2::countPass;
        s.instructions = "AVX2";
    } else if (instructions == Instructions::Avx512) {
        costs = &kAvx512Costs;
        vectorBytes = 64;
        s.pass = &avx512::countPass;
        s.instructions = "AVX-512";
    }
#endif

    // The layout with the cheapest plan among a few orders of the factors.
    Plan plan;
    for (bool mostFirst : {true, false}) {
        Layout candidate = makeLayout(levelCounts, orderByLevels(levelCounts, mostFirst));
        Plan p = planFor(candidate, *costs, s.channelStride, s.singleChannel ? 1 : static_cast<size_t>(s.channels),
                         vectorBytes, s.singleChannel, s.rare, options.randomPlanSeed);
        if (plan.viaRuns.empty() || p.cost < plan.cost) {
            plan = std::move(p);
            s.layout = std::move(candidate);
        }
        if (options.randomPlanSeed)
            break;
    }
    const Layout &layout = s.layout;
    const size_t n = layout.cells;
    const SourceMask all = layout.all();
    const size_t sets = size_t{1} << layout.k;
    s.plannedCost = plan.cost;
    s.viaRuns = plan.viaRuns;
    s.exact.assign(sets, 0);
    s.within.assign(sets, 0);

    // Cells in layout order.
    std::vector<size_t> cellStep(static_cast<size_t>(layout.k));
    size_t step = 1;
    for (int f = 0; f < layout.k; ++f) {
        cellStep[static_cast<size_t>(f)] = step;
        step *= static_cast<size_t>(levelCounts[static_cast<size_t>(f)]);
    }
    s.positionOf.resize(n);
    forEachPosition(layout, [&](size_t p, const std::vector<int> &at) {
        size_t cell = 0;
        for (int j = 0; j < layout.k; ++j)
            cell += static_cast<size_t>(at[static_cast<size_t>(j)]) * cellStep[static_cast<size_t>(layout.order[static_cast<size_t>(j)])];
        s.positionOf[cell] = static_cast<uint16_t>(p);
    });
    s.left.assign(n + kPadding, 0);
    if (s.rare)
        s.right.assign(n + kPadding, 0);

    for (SourceMask a = 0; a < all; ++a) {
        if (!plan.viaRuns[a])
            continue;
        RunSet runSet;
        runSet.agree = a;
        appendRuns(layout, all ^ a, runSet.runs);
        s.runSets.push_back(std::move(runSet));
    }

    std::vector<int> tensorIndex(sets, -1);
    for (SourceMask t = all + 1; t-- > 0;) {
        if (!plan.hasTensor[t])
            continue;
        Tensor tensor;
        tensor.set = t;
        tensor.groups = layout.groups(t);
        tensor.groupSize = static_cast<int64_t>(n / tensor.groups);
        tensor.width = tensor.groupSize <= 255 ? 1 : 2;
        tensor.entries = tensor.groups * s.channelStride;
        tensor.countsRead = plan.countsRead[t];
        const int summed = plan.summedFactor[t];
        if (summed >= 0) {
            const SourceMask parentSet = t | (SourceMask{1} << summed);
            tensor.parent = tensorIndex[parentSet];
            int position = 0;
            while (layout.order[static_cast<size_t>(position)] != summed)
                ++position;
            tensor.inner = layout.multiplier(parentSet, position) * s.channelStride;
            tensor.levels = static_cast<size_t>(levelCounts[static_cast<size_t>(summed)]);
            tensor.outer = layout.groups(parentSet) * s.channelStride / (tensor.inner * tensor.levels);
        } else if (s.singleChannel && t == all) {
            tensor.aliasesCodes = true;
        } else {
            // Offset of a cell = that of its row + that of its column. Counted a cell at a time, a
            // row holds the levels of the fastest factor; counted a row at a time, it holds the
            // cells that differ only in factors outside the set, and has no columns.
            std::vector<size_t> multiplier(static_cast<size_t>(layout.k), 0);
            for (int j = 0; j < layout.k; ++j)
                if (layout.has(t, j))
                    multiplier[static_cast<size_t>(j)] = layout.multiplier(t, j) * s.channelStride;
            const bool byRows = plan.byRows[t];
            tensor.rowLength = byRows ? layout.rowLength(t) : static_cast<size_t>(layout.levelsAt(0));
            const int firstRowFactor = byRows ? 0 : 1;
            if (!byRows)
                for (size_t c = 0; c < tensor.rowLength; ++c)
                    tensor.columnOffsets.push_back(static_cast<uint32_t>(c * multiplier[0]));
            forEachPosition(layout, [&](size_t p, const std::vector<int> &at) {
                if (p % tensor.rowLength != 0)
                    return;
                size_t offset = 0;
                for (int j = firstRowFactor; j < layout.k; ++j)
                    offset += static_cast<size_t>(at[static_cast<size_t>(j)]) * multiplier[static_cast<size_t>(j)];
                tensor.rowOffsets.push_back(static_cast<uint32_t>(offset));
            });
        }
        if (!tensor.aliasesCodes) {
            tensor.storage.assign(tensor.entries * static_cast<size_t>(tensor.width) + kPadding, 0);
            tensor.bytes = tensor.storage.data();
        }
        tensorIndex[t] = static_cast<int>(s.tensors.size());
        s.tensors.push_back(std::move(tensor));
    }
    for (Tensor &t : s.tensors)
        if (t.aliasesCodes)
            t.bytes = s.left.data();

    if (s.rare) {
        const size_t c = static_cast<size_t>(categoryCount);
        s.histogram.assign(c, 0);
        s.knownHistogram.assign(c, std::numeric_limits<uint32_t>::max());
        s.rareStart.assign(c, 0);
        s.rareFill.assign(c, 0);
        s.mapLeft.assign(c, 0);
        s.mapRight.assign(c, 0);
        s.rareCategories.reserve(c);
        s.byCount.resize(c);
        s.rarePositions.assign(n, 0);
        s.rarePairs.assign(sets, 0);
        // Coordinates packed into one word, a bit field per factor, to find the factors in which
        // two cells differ.
        std::vector<int> shift(static_cast<size_t>(layout.k));
        int bits = 0;
        s.fieldMask.resize(static_cast<size_t>(layout.k));
        for (int f = 0; f < layout.k; ++f) {
            int width = 1;
            while ((1 << width) < levelCounts[static_cast<size_t>(f)])
                ++width;
            shift[static_cast<size_t>(f)] = bits;
            s.fieldMask[static_cast<size_t>(f)] = ((uint32_t{1} << width) - 1) << bits;
            bits += width;
        }
        s.packed.resize(n);
        forEachPosition(layout, [&](size_t p, const std::vector<int> &at) {
            uint32_t word = 0;
            for (int j = 0; j < layout.k; ++j)
                word |= static_cast<uint32_t>(at[static_cast<size_t>(j)]) << shift[static_cast<size_t>(layout.order[static_cast<size_t>(j)])];
            s.packed[p] = word;
        });
    }
}

LatticeCounter::~LatticeCounter() = default;

void LatticeCounter::State::chooseChannels()
{
    const size_t c = histogram.size();
    for (size_t i = 0; i < c; ++i)
        byCount[i] = static_cast<uint16_t>(i);
    // Most cells first, ties by code: the same channels every time, and no allocation.
    std::sort(byCount.begin(), byCount.end(), [&](uint16_t a, uint16_t b) {
        return histogram[a] != histogram[b] ? histogram[a] > histogram[b] : a < b;
    });
    rareCategories.clear();
    channelCells = 0;
    uint32_t next = 0;
    for (size_t i = 0; i < c; ++i) {
        const uint16_t code = byCount[i];
        const uint32_t count = histogram[code];
        rareStart[code] = kNotListed;
        if (static_cast<int>(i) < channels && count >= 2) {
            mapLeft[code] = mapRight[code] = static_cast<uint8_t>(i);
            channelCells += count;
            continue;
        }
        mapLeft[code] = static_cast<uint8_t>(channels); // the sink channel of the tensors
        mapRight[code] = kRareRight;
        if (count >= 2) {
            rareStart[code] = next;
            next += count;
            rareCategories.push_back(code);
        }
    }
    knownHistogram = histogram;
}

void LatticeCounter::State::countRarePairs()
{
    std::fill(rarePairs.begin(), rarePairs.end(), 0);
    const int k = layout.k;
    for (uint16_t code : rareCategories) {
        const uint32_t *cells = rarePositions.data() + rareStart[code];
        const uint32_t count = histogram[code];
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t a = packed[cells[i]];
            for (uint32_t j = i + 1; j < count; ++j) {
                const uint32_t differ = a ^ packed[cells[j]];
                SourceMask mask = 0;
                for (int f = 0; f < k; ++f)
                    mask |= static_cast<SourceMask>((differ & fieldMask[static_cast<size_t>(f)]) != 0) << f;
                ++rarePairs[mask];
            }
        }
    }
}

void LatticeCounter::countMatching(const uint16_t *codes, int64_t *matching)
{
    State &s = *state_;
    if (s.allMatch) {
        matching[0] = 0;
        for (SourceMask f = 1; f <= s.layout.all(); ++f)
            matching[f] = pairsDiffering(s.layout, f);
        return;
    }
    s.pass(s, codes, matching);
}

std::string LatticeCounter::describePlan() const
{
    const State &s = *state_;
    std::ostringstream out;
    int scattered = 0, derived = 0;
    size_t runs = 0, bytes = 0;
    for (const Tensor &t : s.tensors) {
        if (t.aliasesCodes)
            continue;
        (t.parent < 0 ? scattered : derived) += 1;
        bytes += t.entries * static_cast<size_t>(t.width);
    }
    for (const RunSet &r : s.runSets)
        runs += r.runs.size();
    out << "layout";
    for (int f : s.layout.order)
        out << ' ' << s.layout.levels[static_cast<size_t>(f)];
    if (s.allMatch) {
        out << "; one category";
        return out.str();
    }
    out << "; " << s.runSets.size() << " sets from " << runs << " runs, " << scattered << " tensors counted and "
        << derived << " summed (" << bytes / 1024 << " KiB)";
    if (s.rare)
        out << ", rare categories beyond " << s.channels;
    out << "; " << s.instructions << " kernels, model " << static_cast<int64_t>(s.plannedCost / 1000.0 + 0.5) << " us";
    return out.str();
}

std::unique_ptr<PairCounter> makeLatticeCounter(const std::vector<int> &levelCounts, int categoryCount)
{
    return std::make_unique<LatticeCounter>(levelCounts, categoryCount);
}

} // namespace kelsim
