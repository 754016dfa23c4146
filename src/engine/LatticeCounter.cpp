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
// loaded whole and masked instead of being finished one element at a time.
constexpr size_t kPadding = 64;
constexpr double kInfinite = std::numeric_limits<double>::infinity();
// Plans beyond these are never chosen: they would take long or hold too much memory.
constexpr double kMostRuns = 1 << 18;
constexpr double kLargestTensorBytes = 32 << 20;
// Lanes of the pair kernels' tallies: one histogram of byte patterns per lane, so that
// neighbouring increments do not wait on each other.
constexpr size_t kPatternLanes = 8;
constexpr size_t kPatterns = 256;
// Lists of fewer cells than this on average are counted by the kernels for short lists.
constexpr size_t kShortListCells = 8;

// The cost model: nanoseconds of one core per unit of work, as measured with each set of kernels
// on an x86-64 machine (kelsim-bench and kernel timings). Only the ratios matter.
struct CostModel {
    double run;              // starting one run of comparisons
    double comparedPair;     // one pair of cells compared inside a run
    double scatteredCell;    // one cell counted into a tensor that fits the first-level cache
    double scatteredCellFar; // ... into a larger one
    double clearedByte;      // clearing a tensor before cells are counted into it
    double pairsOnTheWay;    // a cell counted one at a time also adding up the pairs it makes
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
    // Pairs: one vector of pairs compared and tallied, by the lanes a vector holds; a cell put
    // on its category's list; a cell mapped to its channel (some categories counted by pairs).
    double pairVector;
    size_t pairLanes;
    double listedCell;
    double mappedCell;
    double talliesTaken; // a pass that tallies pairs: its tallies added up and cleared
    // Pairs within the groups of some factors: one vector of the short-list kernel, by the lanes
    // it holds; a cell listed by category and group; a category and group looked at.
    double shortPairVector;
    size_t shortPairLanes;
    double pairedCell;
    double pairedList;
};

constexpr double kFirstLevelCacheBytes = 40 << 10;
// A vector of pairs tallied by keys of two lanes costs about this share of one tallied lane by
// lane (AVX2, whole passes at 300 to 1000 categories), where a pass has many times more pairs
// than keys. With fewer, as in small designs of many categories, the keys save little, and the
// pairs cost more than the model says.
constexpr double kKeyedPairVectorShare = 0.7;
constexpr double kKeyedPairsForShare = 16.0; // pairs a key

// Fields in the order of CostModel: runs; tensors; summing; squares; rows; pairs; paired groups.
// clang-format off
constexpr CostModel kBaselineCosts = {
    1.4, 0.045, 0.5, 1.0, 0.02, 0.3, 5.0,
    {{0, 0, 0}, {0, 0.025, 0.06}, {0, 0, 0.08}}, 0.35, 0.7, 1.3, {0, 0.045, 0.2},
    0.55, 1.6, 1.6, 2, 1.0, 2.5, 800,
    2.4, 2, 2.5, 0.6};
constexpr CostModel kAvx2Costs = {
    1.4, 0.024, 0.5, 1.0, 0.01, 0.3, 5.0,
    {{0, 0, 0}, {0, 0.014, 0.04}, {0, 0, 0.06}}, 0.35, 0.7, 1.3, {0, 0.022, 0.2},
    0.5, 1.9, 2.4, 4, 1.0, 2.5, 800,
    3.6, 4, 2.5, 0.6};
constexpr CostModel kAvx512Costs = {
    1.4, 0.012, 0.5, 1.0, 0.01, 0.3, 5.0,
    {{0, 0, 0}, {0, 0.008, 0.04}, {0, 0, 0.06}}, 0.35, 0.7, 1.3, {0, 0.012, 0.2},
    0.45, 1.8, 3.6, 8, 1.0, 2.5, 800,
    3.6, 4, 2.5, 0.6};
// clang-format on

alignas(64) constexpr uint8_t kTailMaskBytes[64] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// ---------------------------------------------------------------------------------------------
// The design as the counter lays it out: factors reordered so that the ones with the most levels
// change fastest, which makes the runs of cells long.

struct Layout {
    int k = 0;
    size_t cells = 0;
    std::vector<int> levels;  // by factor
    std::vector<int> order;   // layout position -> factor (position 0 changes fastest)
    std::vector<size_t> step; // by layout position: positions between neighbouring levels

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
        const uint32_t length = static_cast<uint32_t>(static_cast<size_t>(layout.levelsAt(first) - std::abs(d0)) *
                                                      layout.step[static_cast<size_t>(first)]);
        int64_t shift = 0;
        for (int j : positions)
            shift += static_cast<int64_t>(offset[static_cast<size_t>(j)]) *
                     static_cast<int64_t>(layout.step[static_cast<size_t>(j)]);
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
            runs.push_back(
                {static_cast<uint32_t>(base), static_cast<uint32_t>(static_cast<int64_t>(base) + shift), length});
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
    std::vector<uint8_t> viaRuns;   // by agreeing set A: E(A) from runs
    std::vector<uint8_t> hasTensor; // by set T
    std::vector<int>
        summedFactor; // by set T with a tensor: factor summed away from T ∪ {f}, or −1: counted from the cells
    std::vector<uint8_t> countsRead; // by set T: M(T) read from its tensor
    std::vector<uint8_t> byRows;     // by set T counted from the cells: a row of cells at a time
    std::vector<uint8_t> onTheWay;   // by set T counted from the cells: M(T) added up on the way
    double cost = kInfinite;
};

class Planner {
  public:
    // countsWhileCounting: a tensor counted from the cells one cell at a time can give its M(T)
    // on the way, for a little more a cell than counting alone. countedChannels: the categories
    // counted into a tensor (1 for a single channel). codeBytes: the width of a code in the runs.
    // method: Tables or Runs to allow only that.
    // mostInChannel: the most cells a channel can hold, which bounds every count of a table.
    // paired: factors whose groups are counted pair by pair; the sets that hold them all cost
    // nothing more.
    Planner(const Layout &layout, const CostModel &costs, size_t channelStride, size_t countedChannels,
            size_t vectorBytes, bool singleChannel, bool countsWhileCounting, size_t codeBytes, CountingMethod method,
            size_t mostInChannel, SourceMask paired = 0)
        : layout_(layout), sets_(size_t{1} << layout.k), countsWhileCounting_(countsWhileCounting),
          onTheWayCost_(static_cast<double>(layout.cells) * costs.pairsOnTheWay)
    {
        const SourceMask all = layout.all();
        width_.resize(sets_);
        entries_.resize(sets_);
        runsCost_.assign(sets_, kInfinite);
        scatterCost_.resize(sets_);
        byRows_.assign(sets_, 0);
        squareCost_.resize(sets_);
        paired_.assign(sets_, 0);
        deriveCost_.assign(sets_ * static_cast<size_t>(layout.k), kInfinite);
        for (SourceMask t = 0; t <= all; ++t) {
            const size_t groups = layout.groups(t);
            const size_t groupSize = layout.cells / groups;
            width_[t] = std::min(groupSize, mostInChannel) <= 255 ? 1 : 2;
            entries_[t] = groups * channelStride;
            const double bytes = static_cast<double>(entries_[t]) * width_[t];
            if (singleChannel && t == all)
                scatterCost_[t] = 0.0; // the codes themselves
            else if (bytes > kLargestTensorBytes || (method == CountingMethod::Runs && t != all))
                scatterCost_[t] = kInfinite;
            else {
                scatterCost_[t] = costs.call + bytes * costs.clearedByte +
                                  static_cast<double>(layout.cells) *
                                      (bytes <= kFirstLevelCacheBytes ? costs.scatteredCell : costs.scatteredCellFar);
                const size_t length = layout.rowLength(t);
                const double rows = static_cast<double>(layout.cells / length);
                const double vectors = static_cast<double>((length + vectorBytes - 1) / vectorBytes);
                const double byRows =
                    costs.call + bytes * costs.clearedByte +
                    rows * static_cast<double>(countedChannels) * (vectors * costs.rowVector + costs.rowCategory);
                if (length > 1 && codeBytes == 1 && byRows < scatterCost_[t]) {
                    scatterCost_[t] = byRows;
                    byRows_[t] = 1;
                }
            }
            squareCost_[t] = bytes > kLargestTensorBytes
                                 ? kInfinite
                                 : costs.call + static_cast<double>(entries_[t]) * costs.squaredEntry[width_[t]];
            if (t != all) {
                const double runs = runCount(layout, all ^ t);
                if (method == CountingMethod::Runs || (runs <= kMostRuns && method != CountingMethod::Tables))
                    runsCost_[t] = costs.call +
                                   static_cast<double>(pairsDiffering(layout, all ^ t)) * costs.comparedPair *
                                       static_cast<double>(codeBytes) +
                                   runs * costs.run;
            } else {
                runsCost_[t] = 0.0; // nothing to count: no two distinct cells agree on every factor
                squareCost_[t] = 0.0;
            }
            if (paired != 0 && (t & paired) == paired && t != all) {
                runsCost_[t] = 0.0;
                paired_[t] = 1;
            }
        }
        for (SourceMask t = 0; t < all; ++t) {
            for (int f = 0; f < layout.k; ++f) {
                if ((t >> f) & 1u)
                    continue;
                const SourceMask parent = t | (SourceMask{1} << f);
                if (static_cast<double>(entries_[parent]) * width_[parent] > kLargestTensorBytes ||
                    method == CountingMethod::Runs)
                    continue;
                int position = 0;
                while (layout.order[static_cast<size_t>(position)] != f)
                    ++position;
                const size_t inner = layout.multiplier(parent, position) * channelStride;
                const double entries = static_cast<double>(entries_[parent]);
                const double blocks = entries / static_cast<double>(inner);
                double c = costs.call;
                if (inner == 1)
                    c += entries * costs.summedEntry[width_[parent]][width_[t]] +
                         static_cast<double>(entries_[t]) * costs.summedRow;
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
        int summed = -1;       // −1: counted from the cells
        bool viaRuns = true;   // E(t) from runs rather than M(t) from the tensor
        bool onTheWay = false; // counted from the cells, M(t) added up on the way, not from squares
    };

    bool in(uint64_t set, SourceMask t) const { return (set >> t) & 1u; }

    double deriveCost(SourceMask t, int f) const
    {
        return deriveCost_[t * static_cast<size_t>(layout_.k) + static_cast<size_t>(f)];
    }

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
        // Counted from the cells, M(t) comes on the way or from the squares, whichever is cheaper.
        // (The single channel of all factors is the codes themselves: nothing to count or square.)
        const bool wayOpen = countsWhileCounting_ && scatterCost_[t] > 0.0 && !byRows_[t];
        const bool onTheWay = wayOpen && (random ? (*random)() % 2 == 0 : onTheWayCost_ < squareCost_[t]);
        const double counted = onTheWay ? onTheWayCost_ : squareCost_[t];
        if (scatterCost_[t] < kInfinite)
            options[count++] = {scatterCost_[t] + std::min(runsCost_[t], counted), -1, runsCost_[t] < counted,
                                onTheWay};
        for (int f = 0; f < layout_.k; ++f)
            if (!((t >> f) & 1u) && in(set, t | (SourceMask{1} << f)) && deriveCost(t, f) < kInfinite)
                options[count++] = {deriveCost(t, f) + std::min(runsCost_[t], squareCost_[t]), f,
                                    runsCost_[t] < squareCost_[t], false};
        if (random) {
            if (count == 0)
                return best;
            best = options[(*random)() % static_cast<uint64_t>(count)];
            best.viaRuns = paired_[t] || (runsCost_[t] < kInfinite && (*random)() % 2);
            return best;
        }
        for (int i = 0; i < count; ++i)
            if (options[i].cost < best.cost)
                best = options[i];
        best.viaRuns = best.viaRuns || paired_[t]; // E(t) comes from the pairs
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
        plan.onTheWay.assign(sets_, 0);
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
                plan.onTheWay[t] = plan.countsRead[t] && c.summed < 0 && c.onTheWay;
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
    double onTheWayCost_;
    std::vector<int> width_;
    std::vector<size_t> entries_;
    std::vector<double> runsCost_, scatterCost_, squareCost_, deriveCost_;
    std::vector<uint8_t> byRows_; // counting from the cells is cheaper a row at a time
    std::vector<uint8_t> paired_; // by set: E from the pairs of the paired groups
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
    bool onTheWay = false;     // counted a cell at a time, M(T) added up on the way
    bool aliasesCodes = false; // the single-channel tensor of all factors: the codes themselves
    bool undone = false;       // cleared after a pass where its cells touched it, not wholly
    bool smallCounts = false;  // no entry above 127: the squares of two entries fit 16 bits
    // Counted from the cells: the offset of a cell's group is that of its row plus that of its
    // column (its level of the fastest factor).
    std::vector<uint32_t> rowOffsets, columnOffsets;
    size_t rowLength = 0; // counted a row at a time: the cells of a row, all in one group
    int parent = -1;      // index into State::tensors, or −1
    size_t outer = 0, levels = 0, inner = 0;
    std::vector<uint8_t> storage; // its own bytes, when undone; the others share State::tableBytes
    uint8_t *bytes = nullptr;
};

struct RunSet {
    SourceMask agree = 0;
    std::vector<Run> runs;
};

// The per-pass kernels for one instruction set, and what the cost model knows of them.
struct Kernels {
    const CostModel *costs;
    size_t vectorBytes;
    void (*countChannels8)(LatticeCounter::State &);
    void (*countChannels16)(LatticeCounter::State &);
    void (*countPairs)(const uint64_t *, const uint32_t *, size_t, uint32_t *);
    void (*countShortPairs)(const uint64_t *, const uint32_t *, size_t, uint32_t *);
    // The same, tallied by keys of two lanes (laneBits: the bits of a lane's pattern in its part
    // of a key) where the instruction set has them, or null.
    void (*countPairKeys)(const uint64_t *, const uint32_t *, size_t, uint32_t *, uint32_t laneBits);
    void (*countShortPairKeys)(const uint64_t *, const uint32_t *, size_t, uint32_t *, uint32_t laneBits);
    // The shuffled codes, four bytes each, into channel codes of `bytes` bytes; every set has it.
    void (*narrowCodes)(const uint32_t *from, uint8_t *to, size_t n, size_t bytes);
    const char *name;
};

struct LatticeCounter::State {
    std::vector<int> levelCounts;
    LatticeOptions options;
    Layout layout;
    int categories = 0;
    bool allMatch = false; // one category: every pair matches
    bool planned = false;
    std::vector<uint32_t> plannedSizes; // the category sizes, largest first, the plan was made for
    double plannedCost = 0.0;
    int64_t plannedPairs = 0;
    // The most cells of a channel the tables were sized for: the counts of an arrangement with a
    // larger category would not fit their bytes.
    size_t mostInOneChannel = 0;

    const Kernels *kernels = nullptr;

    // Channels: runs and tables.
    int channels = 0;           // categories with a channel
    bool allChannels = false;   // every category has one: the codes are their own channels
    bool singleChannel = false; // two categories, both with channels: only code 1 is counted
    size_t codeBytes = 1;       // width of a channel code in `left` and `right`
    size_t channelStride = 0;   // entries per group in a tensor
    // Cells of categories without a channel carry `sink` on the left of a comparison and
    // `pairMarker` on the right, so that they match nothing in the runs; tables count them in
    // the sink channel, which is left out.
    uint16_t sink = 0, pairMarker = 0;
    std::vector<uint16_t> positionOf; // cell -> layout place
    std::vector<uint8_t> left, right; // channel codes in layout order, codeBytes each
    std::vector<RunSet> runSets;
    std::vector<Tensor> tensors; // parents before children
    // The order tables are made in: each right after its parent, or after a sibling made from the
    // same parent, while the parent is still near in the caches.
    std::vector<uint32_t> tensorOrder;
    std::vector<uint8_t> tableBytes; // shared by the tables that are not needed at the same time
    std::vector<uint8_t> notSink;    // by entry of a one-byte table: all ones but in the sink channel
    std::vector<uint8_t> viaRuns;
    std::vector<int64_t> exact, within; // E and M per set
    int64_t channelCells = 0;

    // Categories counted pair by pair.
    std::vector<uint32_t> histogram, knownHistogram, listStart, listFill, bounds;
    std::vector<uint8_t> listStep; // by category: 1 when its cells are listed
    std::vector<uint16_t> byCount, mapLeft, mapRight;
    std::vector<uint64_t> coordinates; // by layout place: the levels of the cell, a byte per factor
    std::vector<uint64_t> listed;      // the cells of the listed categories, category after category
    size_t lists = 0;
    bool shortLists = false;        // a few cells a list: counted by the kernels for short lists
    std::vector<uint32_t> patterns; // kPatternLanes × kPatterns tallies
    // Where the kernels have them, many pairs are tallied by keys of two lanes, into two sets of
    // tallies, which foldKeys adds to the first lane's patterns. A lane's part of a key holds the
    // bits of keyLanes (a factor a bit) of its pattern; the factors of the paired groups, which
    // never differ within one, are left out. keyBits: the most bits a lane (0: never keyed).
    unsigned keyBits = 0;
    uint32_t keyLanes = 0;
    std::vector<uint8_t> keyPatterns; // by the bits of one lane: the pattern they stand for
    bool keyedLists = false, keyedPaired = false;
    std::vector<uint32_t> keys;
    std::vector<SourceMask> sourceOfPattern;
    std::vector<int64_t> pairMatching;

    // Every category with a channel and some factors paired: the sets that hold those factors
    // come from the pairs of cells that share a category and a group of them.
    SourceMask paired = 0;
    size_t pairedGroups = 1;
    std::vector<uint16_t> pairedVisit;    // the layout places of the first group of the paired factors
    std::vector<uint16_t> pairedFirst;    // by group: its first place, added to the first group's places
    std::vector<uint64_t> pairedWords;    // the coordinates of the first group's cells, in the same order
    std::vector<uint32_t> pairedBounds;   // the lists of one group
    std::vector<uint32_t> pairedCount;    // by category: its cells in one group, and where they go
    std::vector<uint16_t> pairedCodes;    // the codes of one group's cells
    std::vector<uint32_t> pairedOfLength; // by length: one group's lists, then where they go
    double plannedPairedPairs = 0.0;

    // The codes of the shuffles, in layout order, four bytes each: a shuffle swaps whole words
    // about twice as fast as bytes or halves. Every pass, they are narrowed into the channels, or
    // mapped to them and to the lists.
    std::vector<uint32_t> shuffled;
    // The arrangement of the shuffles, in layout order, kept while countMatching counts another.
    bool shuffling = false, shuffleSetAside = false;
    std::vector<uint16_t> setAside;

    void plan(const std::vector<uint32_t> &sizes);
    void shareTableBytes();
    void chooseChannels();
    template <typename T, typename Code> void mapCodes(const Code *codes, bool inCellOrder);
    void count(int64_t *matching);
    template <typename T> void countPairedGroups();
    void countPaired();
    bool takeHistogram(const uint16_t *codes);
    bool keyedFor(double pairs, uint32_t lanes) const;
    double keyedShare(double pairs) const;
    void foldKeys();
    void takeTallies(uint32_t *tallies);
    void startShuffles(const uint16_t *codes, bool inCellOrder);
    void setShufflesAside();
};

namespace {

// M(T) from the pairs of code 1 alone: a group of s cells with a of code 1 holds C(a, 2) +
// C(s − a, 2) = 2·C(a, 2) + C(s, 2) − a·(s − 1) matching pairs.
int64_t pairsOfBothCodes(const Tensor &t, int64_t pairsOfOnes, int64_t ones)
{
    const int64_t s = t.groupSize;
    return 2 * pairsOfOnes + static_cast<int64_t>(t.groups) * (s * (s - 1) / 2) - ones * (s - 1);
}

// Patterns of a vector's lanes past the end of a list: bit 7 of each such lane's byte, a byte no
// coordinate uses, so that they fall into tallies that are never read.
constexpr uint64_t pastEnd(size_t validLanes, size_t lanes)
{
    uint64_t bits = 0;
    for (size_t l = validLanes; l < lanes; ++l)
        bits |= uint64_t{0x80} << (8 * l);
    return bits;
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
#pragma clang attribute push(__attribute__((target("avx2,bmi2,popcnt"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,bmi2,popcnt")
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

// One instruction set's entry: its kernels are the functions of those names in its namespace.
#define KELSIM_LATTICE_KERNELS(set, costs, vectorBytes, keys, shortKeys, name)                                         \
    {                                                                                                                  \
        &costs, vectorBytes, &set::countChannels<uint8_t>, &set::countChannels<uint16_t>, &set::countPairPatterns,     \
            &set::countShortPairPatterns, keys, shortKeys, &set::narrowCodes, name                                     \
    }
constexpr Kernels kBaselineKernels = KELSIM_LATTICE_KERNELS(baseline, kBaselineCosts, 16, nullptr, nullptr, "baseline");
#if KELSIM_LATTICE_HAS_AVX2
constexpr Kernels kAvx2Kernels =
    KELSIM_LATTICE_KERNELS(avx2, kAvx2Costs, 32, &avx2::countPairKeys, &avx2::countShortPairKeys, "AVX2");
constexpr Kernels kAvx512Kernels = KELSIM_LATTICE_KERNELS(avx512, kAvx512Costs, 64, nullptr, nullptr, "AVX-512");
#endif
#undef KELSIM_LATTICE_KERNELS

// Whether the processor extracts bits (pext) in a cycle or so: AMD's before family 19h take
// hundreds.
bool fastBitExtract()
{
#if KELSIM_LATTICE_HAS_AVX2
    __builtin_cpu_init();
    if (!__builtin_cpu_supports("bmi2"))
        return false;
    return !__builtin_cpu_is("amd") ||
           !(__builtin_cpu_is("amdfam10h") || __builtin_cpu_is("amdfam15h") || __builtin_cpu_is("amdfam17h"));
#else
    return false;
#endif
}

// The kernels on the widest vectors the processor has, no wider than maxVectorBytes (0: any).
const Kernels &widestKernels(int maxVectorBytes)
{
#if KELSIM_LATTICE_HAS_AVX2
    const bool any = maxVectorBytes <= 0;
    __builtin_cpu_init();
    if (!__builtin_cpu_supports("popcnt"))
        return kBaselineKernels;
    if ((any || maxVectorBytes >= 64) && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw"))
        return kAvx512Kernels;
    if ((any || maxVectorBytes >= 32) && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2"))
        return kAvx2Kernels;
#else
    (void)maxVectorBytes;
#endif
    return kBaselineKernels;
}

std::vector<int> orderByLevels(const std::vector<int> &levels)
{
    // The order of the shuffles (shuffleOrder), so that a shuffle can run on the codes in place.
    std::vector<int> order(levels.size());
    for (size_t f = 0; f < levels.size(); ++f)
        order[f] = static_cast<int>(f);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return levels[static_cast<size_t>(a)] > levels[static_cast<size_t>(b)]; });
    return order;
}

// Vectors the pair kernel compares for a category of n cells: each block of `lanes` cells against
// every cell before it and then within itself.
double pairVectors(uint32_t n, size_t lanes)
{
    if (n < 2)
        return 0.0;
    const double blocks = static_cast<double>((n + lanes - 1) / lanes), l = static_cast<double>(lanes);
    const double before = l * blocks * (blocks - 1) / 2;
    if (lanes < 8)
        return before + (l - 1) * blocks;
    // With eight lanes the pairs within a block are taken eight at a time.
    const uint32_t last = n - (n - 1) / 8 * 8;
    return before + (blocks - 1) * 4 + static_cast<double>((last * (last - 1) / 2 + 7) / 8);
}

// The most cells one channel of a table holds when the k largest categories have channels: the
// largest category, or all the others together in the sink channel.
size_t mostInChannel(const std::vector<uint32_t> &sizes, int k)
{
    size_t most = sizes.empty() ? 0 : sizes.front();
    size_t sink = 0;
    for (size_t r = static_cast<size_t>(k); r < sizes.size(); ++r)
        sink += sizes[r];
    return std::max(most, sink);
}

struct ChannelChoice {
    int channels = 0;
    SourceMask paired = 0;
    Plan plan;
    double cost = kInfinite;
};

// The pairs of one category and one group of `groups` that a random arrangement of the categories
// of these sizes is expected to hold.
double expectedPairsWithin(const std::vector<uint32_t> &sizes, size_t cells, size_t groups)
{
    if (cells < 2)
        return 0.0;
    const double share = (static_cast<double>(cells / groups) - 1.0) / (static_cast<double>(cells) - 1.0);
    double pairs = 0.0;
    for (uint32_t n : sizes)
        pairs += static_cast<double>(n) * (static_cast<double>(n) - 1.0) / 2.0;
    return pairs * share;
}

// What listing and comparing the pairs within the groups of `groups` costs a pass.
double pairedCost(const CostModel &costs, const std::vector<uint32_t> &sizes, size_t cells, size_t groups)
{
    // The vectors hold the pairs and, about half a vector a cell, lanes that hold none.
    const double lanes = static_cast<double>(costs.shortPairLanes);
    const double vectors =
        expectedPairsWithin(sizes, cells, groups) / lanes + static_cast<double>(cells) * (lanes - 1.0) / (2.0 * lanes);
    return vectors * costs.shortPairVector + static_cast<double>(cells) * costs.pairedCell +
           static_cast<double>(sizes.size() * groups) * costs.pairedList + costs.talliesTaken;
}

} // namespace

void LatticeCounter::State::plan(const std::vector<uint32_t> &sizes)
{
    const size_t n = layout.cells;
    const SourceMask all = layout.all();
    const size_t sets = size_t{1} << layout.k;
    const int c = categories;
    const CountingMethod method = options.method;
    const int mostChannels = options.maxChannels > 0 ? std::min(options.maxChannels, c) : c;

    // How many categories get channels: none, all, or those above a size, whichever the model
    // finds cheapest. The others are counted pair by pair.
    std::vector<int> candidates;
    if (method == CountingMethod::Pairs) {
        candidates.push_back(0);
    } else if (method != CountingMethod::Cheapest || options.randomPlanSeed) {
        candidates.push_back(mostChannels);
    } else {
        candidates = {0, mostChannels};
        for (uint32_t least = 2; least < sizes.front(); least += std::max<uint32_t>(1, least / 2)) {
            const int above =
                static_cast<int>(std::count_if(sizes.begin(), sizes.end(), [&](uint32_t s) { return s >= least; }));
            if (above > 0 && above < mostChannels)
                candidates.push_back(above);
        }
        std::sort(candidates.begin(), candidates.end());
        candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    }

    ChannelChoice best;
    bool chosen = false;
    for (int k : candidates) {
        ChannelChoice choice;
        choice.channels = k;
        const bool everyCategory = k == c;
        double pairs = 0.0, pairCount = 0.0;
        for (size_t r = static_cast<size_t>(k); r < sizes.size(); ++r) {
            pairs += pairVectors(sizes[r], kernels->costs->pairLanes);
            pairCount += 0.5 * sizes[r] * (static_cast<double>(sizes[r]) - 1.0);
        }
        choice.cost = pairs * kernels->costs->pairVector * keyedShare(pairCount);
        if (!everyCategory)
            choice.cost += static_cast<double>(n) * (k == 0 ? kernels->costs->listedCell : kernels->costs->mappedCell) +
                           kernels->costs->talliesTaken;
        if (k > 0) {
            const bool single = everyCategory && c == 2;
            const size_t stride = single ? 1 : everyCategory ? static_cast<size_t>(c) : static_cast<size_t>(k) + 1;
            const size_t bytes = everyCategory ? (c <= 256 ? 1 : 2) : (k <= 254 ? 1 : 2);
            const Planner planner(layout, *kernels->costs, stride, single ? 1 : static_cast<size_t>(k),
                                  kernels->vectorBytes, single, everyCategory, bytes, method, mostInChannel(sizes, k));
            choice.plan = options.randomPlanSeed ? planner.random(options.randomPlanSeed) : planner.cheapest();
            choice.cost += options.randomPlanSeed ? 0.0 : choice.plan.cost;

            // Every category with a channel: some factors' groups may be counted pair by pair.
            std::vector<SourceMask> pairings;
            if (everyCategory && !single) {
                if (options.pairedFactors > 0) {
                    pairings.push_back(static_cast<SourceMask>(options.pairedFactors) & all);
                } else if (options.pairedFactors < 0 && method == CountingMethod::Cheapest && !options.randomPlanSeed &&
                           bytes == 1) {
                    // Only with one-byte channels: with two-byte ones the tables cost more than
                    // the model says, and counting every category pair by pair stays cheaper.
                    // Single factors, and the factor of most levels with one other, as planning
                    // each takes a while.
                    const SourceMask most = SourceMask{1} << layout.order[0];
                    for (SourceMask p = 1; p < all; ++p)
                        if (__builtin_popcount(p) == 1 || (__builtin_popcount(p) == 2 && (p & most)))
                            pairings.push_back(p);
                    // The cheapest listings first: a plan found early rules out the dearer ones.
                    std::sort(pairings.begin(), pairings.end(),
                              [&](SourceMask a, SourceMask b) { return layout.groups(a) > layout.groups(b); });
                }
            }
            const bool forced = options.pairedFactors > 0;
            for (SourceMask p : pairings) {
                if (p == 0 || p == all)
                    continue;
                const double listing = pairedCost(*kernels->costs, sizes, n, layout.groups(p));
                if (!forced && listing >= choice.cost)
                    continue;
                const Planner pairedPlanner(layout, *kernels->costs, stride, static_cast<size_t>(k),
                                            kernels->vectorBytes, false, true, bytes, method, mostInChannel(sizes, k),
                                            p);
                Plan plan =
                    options.randomPlanSeed ? pairedPlanner.random(options.randomPlanSeed) : pairedPlanner.cheapest();
                const double total = listing + (options.randomPlanSeed ? 0.0 : plan.cost);
                if (forced || total < choice.cost) {
                    choice.cost = total;
                    choice.paired = p;
                    choice.plan = std::move(plan);
                }
            }
        }
        if (!chosen || choice.cost < best.cost) {
            best = std::move(choice);
            chosen = true;
        }
    }

    // Lay out what the choice needs.
    planned = true;
    plannedSizes = sizes;
    plannedCost = best.cost;
    channels = best.channels;
    paired = best.paired;
    allChannels = channels == c;
    singleChannel = allChannels && c == 2;
    codeBytes = allChannels ? (c <= 256 ? 1 : 2) : (channels <= 254 ? 1 : 2);
    channelStride = singleChannel ? 1 : allChannels ? static_cast<size_t>(c) : static_cast<size_t>(channels) + 1;
    sink = static_cast<uint16_t>(channels);
    pairMarker = codeBytes == 1 ? 0xFF : 0xFFFF;
    mostInOneChannel = mostInChannel(sizes, channels);
    plannedPairs = 0;
    for (size_t r = static_cast<size_t>(channels); r < sizes.size(); ++r)
        plannedPairs += static_cast<int64_t>(sizes[r]) * (static_cast<int64_t>(sizes[r]) - 1) / 2;

    runSets.clear();
    tensors.clear();
    tensorOrder.clear();
    exact.assign(sets, 0);
    within.assign(sets, 0);
    viaRuns.assign(sets, 0);
    left.assign((n + kPadding) * codeBytes, 0);
    right.assign(allChannels ? 0 : (n + kPadding) * codeBytes, 0);
    if (channels > 0) {
        const Plan &p = best.plan;
        viaRuns = p.viaRuns;
        for (SourceMask a = 0; a < all; ++a) {
            if (!p.viaRuns[a] || (paired != 0 && (a & paired) == paired))
                continue;
            RunSet runSet;
            runSet.agree = a;
            appendRuns(layout, all ^ a, runSet.runs);
            runSets.push_back(std::move(runSet));
        }
        std::vector<int> tensorIndex(sets, -1);
        for (SourceMask t = all + 1; t-- > 0;) {
            if (!p.hasTensor[t])
                continue;
            Tensor tensor;
            tensor.set = t;
            tensor.groups = layout.groups(t);
            tensor.groupSize = static_cast<int64_t>(n / tensor.groups);
            const size_t mostInEntry = std::min(static_cast<size_t>(tensor.groupSize), mostInOneChannel);
            tensor.width = mostInEntry <= 255 ? 1 : 2;
            tensor.smallCounts = mostInEntry <= 127;
            tensor.entries = tensor.groups * channelStride;
            tensor.countsRead = p.countsRead[t];
            tensor.onTheWay = p.onTheWay[t];
            const int summed = p.summedFactor[t];
            if (summed >= 0) {
                const SourceMask parentSet = t | (SourceMask{1} << summed);
                tensor.parent = tensorIndex[parentSet];
                int position = 0;
                while (layout.order[static_cast<size_t>(position)] != summed)
                    ++position;
                tensor.inner = layout.multiplier(parentSet, position) * channelStride;
                tensor.levels = static_cast<size_t>(levelCounts[static_cast<size_t>(summed)]);
                tensor.outer = layout.groups(parentSet) * channelStride / (tensor.inner * tensor.levels);
            } else if (singleChannel && t == all) {
                tensor.aliasesCodes = true;
            } else {
                // Offset of a cell = that of its row + that of its column. Counted a cell at a
                // time, a row holds the levels of the fastest factor; counted a row at a time, it
                // holds the cells that differ only in factors outside the set, and has no columns.
                std::vector<size_t> multiplier(static_cast<size_t>(layout.k), 0);
                for (int j = 0; j < layout.k; ++j)
                    if (layout.has(t, j))
                        multiplier[static_cast<size_t>(j)] = layout.multiplier(t, j) * channelStride;
                const bool byRows = p.byRows[t];
                tensor.rowLength = byRows ? layout.rowLength(t) : static_cast<size_t>(layout.levelsAt(0));
                const int firstRowFactor = byRows ? 0 : 1;
                if (!byRows)
                    for (size_t col = 0; col < tensor.rowLength; ++col)
                        tensor.columnOffsets.push_back(static_cast<uint32_t>(col * multiplier[0]));
                forEachPosition(layout, [&](size_t place, const std::vector<int> &at) {
                    if (place % tensor.rowLength != 0)
                        return;
                    size_t offset = 0;
                    for (int j = firstRowFactor; j < layout.k; ++j)
                        offset += static_cast<size_t>(at[static_cast<size_t>(j)]) * multiplier[static_cast<size_t>(j)];
                    tensor.rowOffsets.push_back(static_cast<uint32_t>(offset));
                });
            }
            if (!tensor.aliasesCodes) {
                // Clearing a cell costs about as much as clearing a few dozen bytes at once.
                tensor.undone =
                    !tensor.columnOffsets.empty() && tensor.entries * static_cast<size_t>(tensor.width) > 32 * n;
                // A table cleared cell by cell stays zero between passes: it keeps its own bytes.
                if (tensor.undone) {
                    tensor.storage.assign(tensor.entries * static_cast<size_t>(tensor.width) + kPadding, 0);
                    tensor.bytes = tensor.storage.data();
                }
            }
            tensorIndex[t] = static_cast<int>(tensors.size());
            tensors.push_back(std::move(tensor));
        }
        for (Tensor &t : tensors)
            if (t.aliasesCodes)
                t.bytes = left.data();
        tensorOrder.clear();
        std::vector<std::vector<uint32_t>> children(tensors.size());
        for (size_t i = 0; i < tensors.size(); ++i)
            if (tensors[i].parent >= 0)
                children[static_cast<size_t>(tensors[i].parent)].push_back(static_cast<uint32_t>(i));
        std::vector<uint32_t> pending;
        for (size_t i = tensors.size(); i-- > 0;)
            if (tensors[i].parent < 0)
                pending.push_back(static_cast<uint32_t>(i));
        while (!pending.empty()) {
            const uint32_t i = pending.back();
            pending.pop_back();
            tensorOrder.push_back(i);
            for (auto c = children[i].rbegin(); c != children[i].rend(); ++c)
                pending.push_back(*c);
        }
        shareTableBytes();
        if (!allChannels) {
            size_t largest = 0;
            for (const Tensor &t : tensors)
                largest = std::max(largest, t.entries);
            notSink.assign(largest + kPadding, 0xFF);
            for (size_t e = static_cast<size_t>(sink); e < largest; e += channelStride)
                notSink[e] = 0;
        }
    }

    // Which categories have channels is settled pass by pass, from the sizes of that pass.
    const size_t cs = static_cast<size_t>(c);
    histogram.assign(cs, 0);
    knownHistogram.assign(cs, std::numeric_limits<uint32_t>::max());
    listStart.assign(cs, 0);
    listFill.assign(cs, 0);
    listStep.assign(cs, 0);
    mapLeft.assign(cs, 0);
    mapRight.assign(cs, 0);
    byCount.resize(cs);
    bounds.clear();
    bounds.reserve(2 * cs);
    lists = 0;
    pairedGroups = paired != 0 ? layout.groups(paired) : 1;
    // The lists of the categories without channels, or of one group of the paired factors.
    listed.assign(!allChannels ? n + 8 : paired != 0 ? n / pairedGroups + 8 : 0, 0);
    pairedVisit.clear();
    pairedFirst.clear();
    pairedWords.clear();
    pairedBounds.clear();
    pairedCount.clear();
    pairedCodes.clear();
    pairedOfLength.clear();
    plannedPairedPairs = 0.0;
    if (paired != 0) {
        // Every group holds one cell of each combination of the other factors, in the same order:
        // a group's places are those of the first group moved by the group's first place, and the
        // words of the first group serve every group (the paired factors, which they leave at 0,
        // never differ within one).
        const size_t perGroup = n / pairedGroups;
        pairedVisit.reserve(perGroup);
        pairedFirst.assign(pairedGroups, 0);
        forEachPosition(layout, [&](size_t place, const std::vector<int> &at) {
            size_t g = 0;
            bool firstOfGroup = true;
            for (int j = layout.k; j-- > 0;) {
                if (layout.has(paired, j))
                    g = g * static_cast<size_t>(layout.levelsAt(j)) + static_cast<size_t>(at[static_cast<size_t>(j)]);
                else
                    firstOfGroup = firstOfGroup && at[static_cast<size_t>(j)] == 0;
            }
            if (g == 0)
                pairedVisit.push_back(static_cast<uint16_t>(place));
            if (firstOfGroup)
                pairedFirst[g] = static_cast<uint16_t>(place);
        });
        pairedWords.resize(perGroup);
        for (size_t i = 0; i < perGroup; ++i)
            pairedWords[i] = coordinates[pairedVisit[i]];
        // Every category of a group is looked at; a list of one cell or none is overwritten.
        pairedBounds.resize(2 * (perGroup / 2 + 1));
        pairedCount.assign(cs, 0);
        pairedCodes.resize(perGroup);
        pairedOfLength.assign(perGroup + 1, 0);
        plannedPairedPairs = expectedPairsWithin(sizes, n, pairedGroups);
    }
    patterns.assign(kPatternLanes * kPatterns, 0);
    keyLanes = keyBits == 0 ? 0 : ((1u << keyBits) - 1) & ~static_cast<uint32_t>(paired);
    keyedLists = !allChannels && keyedFor(static_cast<double>(plannedPairs), keyLanes);
    keyedPaired = paired != 0 && keyedFor(plannedPairedPairs, keyLanes);
    keyPatterns.clear();
    if (keyedLists || keyedPaired) {
        // The patterns in the order of their bits of keyLanes.
        for (uint32_t pattern = 0; pattern <= keyLanes; ++pattern)
            if ((pattern & ~keyLanes) == 0)
                keyPatterns.push_back(static_cast<uint8_t>(pattern));
    }
    keys.assign(2 * keyPatterns.size() * keyPatterns.size(), 0);
    pairMatching.assign(sets, 0);
    shuffled.assign(n, 0);
}

// The other tables take their bytes from one block, where a table is placed over tables that
// are no longer needed: each is needed from when it is made until its last child is. A pass then
// works on far fewer bytes than all its tables hold, which stay in the second-level cache. Every
// one of them is wholly written each pass, cleared before its cells are counted or summed from
// its parent, so what an earlier table left there does not matter.
void LatticeCounter::State::shareTableBytes()
{
    const size_t count = tensors.size();
    std::vector<size_t> made(count, 0);
    for (size_t at = 0; at < tensorOrder.size(); ++at)
        made[tensorOrder[at]] = at;
    std::vector<size_t> needed = made;
    for (size_t i = 0; i < count; ++i)
        if (tensors[i].parent >= 0) {
            const size_t p = static_cast<size_t>(tensors[i].parent);
            needed[p] = std::max(needed[p], made[i]);
        }
    struct Placed {
        size_t offset, size, neededUntil;
    };
    std::vector<Placed> placed; // by offset
    constexpr size_t kUnplaced = ~size_t{0};
    std::vector<size_t> offsets(count, kUnplaced);
    size_t end = 0;
    for (size_t at = 0; at < tensorOrder.size(); ++at) {
        const uint32_t i = tensorOrder[at];
        const Tensor &t = tensors[i];
        if (t.aliasesCodes || t.undone)
            continue;
        placed.erase(std::remove_if(placed.begin(), placed.end(), [&](const Placed &p) { return p.neededUntil < at; }),
                     placed.end());
        // Whole cache lines, with room for the vector that kernels may write past the end.
        const size_t size = (t.entries * static_cast<size_t>(t.width) + kPadding + 63) / 64 * 64;
        size_t offset = 0;
        auto before = placed.begin();
        for (; before != placed.end() && before->offset < offset + size; ++before)
            offset = std::max(offset, before->offset + before->size);
        placed.insert(before, Placed{offset, size, needed[i]});
        offsets[i] = offset;
        end = std::max(end, offset + size);
    }
    tableBytes.assign(end + 64, 0);
    uint8_t *base = tableBytes.data();
    base += (64 - reinterpret_cast<uintptr_t>(base) % 64) % 64;
    for (size_t i = 0; i < count; ++i)
        if (offsets[i] != kUnplaced)
            tensors[i].bytes = base + offsets[i];
}

// Keys pay when the pairs of a pass are many times the keys, which are added up once a pass.
bool LatticeCounter::State::keyedFor(double pairs, uint32_t lanes) const
{
    if (keyBits == 0)
        return false;
    const unsigned bits = static_cast<unsigned>(__builtin_popcount(lanes));
    return options.pairKeys > 0 || pairs >= 4.0 * static_cast<double>(size_t{1} << (2 * bits));
}

// What the cost model charges for a vector of pairs, as a share of one tallied lane by lane.
double LatticeCounter::State::keyedShare(double pairs) const
{
    const double keys = static_cast<double>(size_t{1} << (2 * keyBits));
    return keyedFor(pairs, (1u << keyBits) - 1) && pairs >= kKeyedPairsForShare * keys ? kKeyedPairVectorShare : 1.0;
}

// The tallies of every lane added up by pattern (the patterns that carry bit 7, of lanes that
// held no pair, left out), and cleared for the next pass. No pass has 2^32 pairs.
void LatticeCounter::State::takeTallies(uint32_t *tallies)
{
    const uint32_t *lane = patterns.data();
    std::copy(lane, lane + kPatterns / 2, tallies);
    for (size_t l = 1; l < kPatternLanes; ++l) {
        lane += kPatterns;
        for (size_t pattern = 0; pattern < kPatterns / 2; ++pattern)
            tallies[pattern] += lane[pattern];
    }
    std::fill(patterns.begin(), patterns.end(), 0);
}

// Adds the tallies by key to the tallies of the first lane, by the pattern of each of its lanes,
// and clears them.
void LatticeCounter::State::foldKeys()
{
    // key = high lane's bits · width + low lane's: a row of keys per pattern of the high lane.
    const size_t width = keyPatterns.size(), size = width * width;
    const uint32_t *first = keys.data(), *second = first + size;
    uint32_t low[1u << kMaxFactors] = {};
    for (size_t high = 0; high < width; ++high, first += width, second += width) {
        uint32_t row = 0;
        for (size_t l = 0; l < width; ++l) {
            const uint32_t t = first[l] + second[l];
            row += t;
            low[l] += t;
        }
        patterns[keyPatterns[high]] += row;
    }
    for (size_t l = 0; l < width; ++l)
        patterns[keyPatterns[l]] += low[l];
    std::fill(keys.begin(), keys.end(), 0);
}

void LatticeCounter::State::chooseChannels()
{
    const size_t c = histogram.size();
    for (size_t i = 0; i < c; ++i)
        byCount[i] = static_cast<uint16_t>(i);
    // Most cells first, ties by code: the same channels every time, and no allocation.
    std::sort(byCount.begin(), byCount.end(), [&](uint16_t a, uint16_t b) {
        return histogram[a] != histogram[b] ? histogram[a] > histogram[b] : a < b;
    });
    bounds.clear();
    channelCells = 0;
    uint32_t next = 0;
    for (size_t i = 0; i < c; ++i) {
        const uint16_t code = byCount[i];
        const uint32_t count = histogram[code];
        // A category that has a channel, or a single cell, has no list: its cells are all
        // written to one spare place past the lists.
        listStart[code] = static_cast<uint32_t>(layout.cells);
        listStep[code] = 0;
        if (static_cast<int>(i) < channels && count >= 2) {
            mapLeft[code] = mapRight[code] = static_cast<uint16_t>(i);
            channelCells += count;
            continue;
        }
        mapLeft[code] = sink;
        mapRight[code] = pairMarker;
        if (count >= 2) {
            listStart[code] = next;
            listStep[code] = 1;
            bounds.push_back(next);
            bounds.push_back(next + count);
            next += count;
        }
    }
    lists = bounds.size() / 2;
    shortLists = next < kShortListCells * lists;
    knownHistogram = histogram;
}

// Sets the channel codes and the category lists of an arrangement: codes in cell order, or in
// layout order.
template <typename T, typename Code> void LatticeCounter::State::mapCodes(const Code *codes, bool inCellOrder)
{
    const size_t n = layout.cells;
    T *l = reinterpret_cast<T *>(left.data());
    T *r = reinterpret_cast<T *>(right.data());
    const uint16_t *placeOf = positionOf.data();
    std::copy(listStart.begin(), listStart.end(), listFill.begin());
    uint32_t *fill = listFill.data();
    const uint8_t *step = listStep.data();
    uint64_t *list = listed.data();
    const uint64_t *words = coordinates.data();
    const uint16_t *toLeft = mapLeft.data(), *toRight = mapRight.data();
    const bool withChannels = channels > 0;
    for (size_t i = 0; i < n; ++i) {
        const Code c = codes[i];
        const size_t p = inCellOrder ? placeOf[i] : i;
        if (withChannels) {
            l[p] = static_cast<T>(toLeft[c]);
            r[p] = static_cast<T>(toRight[c]);
        }
        list[fill[c]] = words[p];
        fill[c] += step[c];
    }
}

bool LatticeCounter::State::takeHistogram(const uint16_t *codes)
{
    std::fill(histogram.begin(), histogram.end(), 0);
    for (size_t i = 0; i < layout.cells; ++i)
        ++histogram[codes[i]];
    return histogram != knownHistogram;
}

// The pairs within every category and group of the paired factors, from the channel codes of the
// arrangement in `left`, tallied into `patterns`: group by group, the group's cells are sorted by
// category into a buffer that stays in the first-level cache, and its lists of two cells or more
// go to the kernel.
template <typename T> void LatticeCounter::State::countPairedGroups()
{
    const T *codes = reinterpret_cast<const T *>(left.data());
    const size_t c = static_cast<size_t>(categories);
    uint32_t *count = pairedCount.data(), *bound = pairedBounds.data(), *ofLength = pairedOfLength.data();
    uint16_t *local = pairedCodes.data();
    uint64_t *list = listed.data();
    const uint64_t *words = pairedWords.data();
    const uint16_t *visit = pairedVisit.data();
    const size_t perGroup = layout.cells / pairedGroups;
    for (size_t g = 0; g < pairedGroups; ++g) {
        const T *group = codes + pairedFirst[g];
#pragma GCC unroll 4
        for (size_t i = 0; i < perGroup; ++i) {
            const uint16_t code = group[visit[i]];
            local[i] = code;
            ++count[code];
        }
        // count becomes where each category's next cell goes; ofLength counts the lists of each
        // length.
        uint32_t start = 0, longest = 0;
        for (size_t i = 0; i < c; ++i) {
            const uint32_t n = count[i];
            count[i] = start;
            start += n;
            ++ofLength[n];
            longest = std::max(longest, n);
        }
#pragma GCC unroll 4
        for (size_t i = 0; i < perGroup; ++i)
            list[count[local[i]]++] = words[i];
        // Now count[i] is where category i's list ends, and the next one starts. The lists go
        // to the kernel shortest first, so that its loops run alike from one list to the next.
        uint32_t at = 0;
        for (uint32_t length = 2; length <= longest; ++length) {
            const uint32_t lists = ofLength[length];
            ofLength[length] = at;
            at += lists;
        }
        uint32_t begin = 0;
        for (size_t i = 0; i < c; ++i) {
            const uint32_t end = count[i], length = end - begin;
            if (length >= 2) {
                const uint32_t place = ofLength[length]++;
                bound[2 * place] = begin;
                bound[2 * place + 1] = end;
            }
            begin = end;
            count[i] = 0;
        }
        std::fill(ofLength, ofLength + longest + 1, 0);
        if (keyedPaired)
            kernels->countShortPairKeys(list, bound, at, keys.data(), keyLanes);
        else
            kernels->countShortPairs(list, bound, at, patterns.data());
    }
}

// E(A) of every set A that holds the paired factors, from the pairs within the lists.
void LatticeCounter::State::countPaired()
{
    const SourceMask all = layout.all();
    if (codeBytes == 1)
        countPairedGroups<uint8_t>();
    else
        countPairedGroups<uint16_t>();
    if (keyedPaired)
        foldKeys();
    for (SourceMask a = paired; a < all; a = (a + 1) | paired)
        exact[a] = 0;
    uint32_t tallies[kPatterns / 2];
    takeTallies(tallies);
    for (size_t pattern = 1; pattern < kPatterns / 2; ++pattern)
        exact[all ^ sourceOfPattern[pattern]] += tallies[pattern];
}

void LatticeCounter::State::count(int64_t *matching)
{
    const SourceMask all = layout.all();
    if (paired != 0)
        countPaired();
    if (channels > 0)
        (codeBytes == 1 ? kernels->countChannels8 : kernels->countChannels16)(*this);
    if (lists > 0) {
        if (keyedLists) {
            (shortLists ? kernels->countShortPairKeys : kernels->countPairKeys)(listed.data(), bounds.data(), lists,
                                                                                keys.data(), keyLanes);
            foldKeys();
        } else {
            (shortLists ? kernels->countShortPairs : kernels->countPairs)(listed.data(), bounds.data(), lists,
                                                                          patterns.data());
        }
        std::fill(pairMatching.begin(), pairMatching.end(), 0);
        uint32_t tallies[kPatterns / 2];
        takeTallies(tallies);
        for (size_t pattern = 0; pattern < kPatterns / 2; ++pattern)
            pairMatching[sourceOfPattern[pattern]] += tallies[pattern];
    }
    matching[0] = 0;
    for (SourceMask f = 1; f <= all; ++f)
        matching[f] = (channels > 0 ? exact[all ^ f] : 0) + (lists > 0 ? pairMatching[f] : 0);
}

namespace {

std::vector<uint32_t> sizesOf(const std::vector<uint32_t> &histogram)
{
    std::vector<uint32_t> sizes = histogram;
    std::sort(sizes.begin(), sizes.end(), std::greater<uint32_t>());
    return sizes;
}

} // namespace

LatticeCounter::LatticeCounter(const std::vector<int> &levelCounts, int categoryCount, const LatticeOptions &options)
    : PairCounter(levelCounts), state_(std::make_unique<State>())
{
    State &s = *state_;
    int64_t cells = 1;
    for (int l : levelCounts)
        cells *= l;
    if (levelCounts.empty() || levelCounts.size() > static_cast<size_t>(kMaxFactors) || cells > 65535)
        throw std::length_error("LatticeCounter: 1 to 6 factors and at most 65535 cells");
    s.levelCounts = levelCounts;
    s.options = options;
    s.categories = categoryCount;
    s.allMatch = categoryCount <= 1;
    s.layout = makeLayout(levelCounts, orderByLevels(levelCounts));
    if (s.allMatch)
        return;

    s.kernels = &widestKernels(options.maxVectorBytes);

    const Layout &layout = s.layout;
    const size_t n = layout.cells;
    const std::vector<uint32_t> cellAt = shuffleOrder(levelCounts);
    s.positionOf.resize(n);
    for (size_t p = 0; p < n; ++p)
        s.positionOf[cellAt[p]] = static_cast<uint16_t>(p);

    // A cell's coordinates as one word, a byte per factor (the factor with more than 256 levels,
    // at most one, has its high byte in byte 6), so that a vector compare of two words tells the
    // factors in which two cells differ. Byte 7 stays free for the lanes past a list's end.
    int wide = -1;
    for (int f = 0; f < layout.k; ++f)
        if (levelCounts[static_cast<size_t>(f)] > 256)
            wide = f;
    s.coordinates.resize(n);
    forEachPosition(layout, [&](size_t p, const std::vector<int> &at) {
        uint64_t word = 0;
        for (int j = 0; j < layout.k; ++j) {
            const int f = layout.order[static_cast<size_t>(j)];
            const uint64_t level = static_cast<uint64_t>(at[static_cast<size_t>(j)]);
            word |= (level & 0xFF) << (8 * f);
            if (f == wide)
                word |= (level >> 8) << 48;
        }
        s.coordinates[p] = word;
    });
    s.keyBits = s.kernels->countPairKeys && wide < 0 && options.pairKeys != 0 && fastBitExtract()
                    ? static_cast<unsigned>(layout.k)
                    : 0;
    s.sourceOfPattern.assign(kPatterns, 0);
    for (size_t pattern = 0; pattern < kPatterns; ++pattern) {
        SourceMask mask = 0;
        for (int f = 0; f < layout.k; ++f)
            if ((pattern >> f) & 1u)
                mask |= SourceMask{1} << f;
        if (wide >= 0 && ((pattern >> 6) & 1u))
            mask |= SourceMask{1} << wide;
        s.sourceOfPattern[pattern] = mask;
    }
}

LatticeCounter::~LatticeCounter() = default;

void LatticeCounter::countMatching(const uint16_t *codes, int64_t *matching)
{
    State &s = *state_;
    if (s.allMatch) {
        matching[0] = 0;
        for (SourceMask f = 1; f <= s.layout.all(); ++f)
            matching[f] = pairsDiffering(s.layout, f);
        return;
    }
    if (!s.planned) {
        s.histogram.assign(static_cast<size_t>(s.categories), 0);
        for (size_t i = 0; i < s.layout.cells; ++i)
            ++s.histogram[codes[i]];
        s.plan(sizesOf(s.histogram));
    }
    s.setShufflesAside();
    const size_t n = s.layout.cells;
    if (s.allChannels && s.takeHistogram(codes) &&
        *std::max_element(s.histogram.begin(), s.histogram.end()) > s.mostInOneChannel) {
        const std::vector<uint32_t> histogram = s.histogram;
        s.plan(sizesOf(histogram));
        s.histogram = histogram;
    }
    if (s.allChannels) {
        const uint16_t *positionOf = s.positionOf.data();
        if (s.codeBytes == 1) {
            uint8_t *left = s.left.data();
            for (size_t i = 0; i < n; ++i)
                left[positionOf[i]] = static_cast<uint8_t>(codes[i]);
        } else {
            uint16_t *left = reinterpret_cast<uint16_t *>(s.left.data());
            for (size_t i = 0; i < n; ++i)
                left[positionOf[i]] = codes[i];
        }
    } else {
        if (s.takeHistogram(codes)) {
            // Another set of category sizes may want another plan.
            const std::vector<uint32_t> sizes = sizesOf(s.histogram);
            if (sizes != s.plannedSizes) {
                const std::vector<uint32_t> histogram = s.histogram;
                s.plan(sizes);
                s.histogram = histogram;
            }
            if (!s.allChannels)
                s.chooseChannels();
        }
        if (s.allChannels)
            return countMatching(codes, matching);
        if (s.codeBytes == 1)
            s.mapCodes<uint8_t>(codes, true);
        else
            s.mapCodes<uint16_t>(codes, true);
    }
    s.count(matching);
}

void LatticeCounter::State::startShuffles(const uint16_t *codes, bool inCellOrder)
{
    shuffling = true;
    shuffleSetAside = false;
    histogram.assign(static_cast<size_t>(categories), 0);
    for (size_t i = 0; i < layout.cells; ++i)
        ++histogram[codes[i]];
    const std::vector<uint32_t> sizes = sizesOf(histogram);
    if (!planned || sizes != plannedSizes) {
        const std::vector<uint32_t> taken = histogram;
        plan(sizes);
        histogram = taken;
    }
    const size_t n = layout.cells;
    const uint16_t *placeOf = positionOf.data();
    for (size_t i = 0; i < n; ++i)
        shuffled[inCellOrder ? placeOf[i] : i] = codes[i];
    if (!allChannels && histogram != knownHistogram)
        chooseChannels();
}

// countMatching is about to overwrite the codes of the shuffles, or change the plan: keeps the
// shuffles' arrangement, to be taken up again by the next shuffle.
void LatticeCounter::State::setShufflesAside()
{
    if (!shuffling || shuffleSetAside)
        return;
    const size_t n = layout.cells;
    setAside.resize(n);
    std::copy_n(shuffled.begin(), n, setAside.begin());
    shuffleSetAside = true;
}

void LatticeCounter::startShuffles(const uint16_t *codes)
{
    State &s = *state_;
    if (!s.allMatch)
        s.startShuffles(codes, true);
}

void LatticeCounter::shuffleAndCount(Random &random, int64_t *matching)
{
    State &s = *state_;
    if (s.allMatch) {
        countMatching(nullptr, matching);
        return;
    }
    if (s.shuffleSetAside)
        s.startShuffles(s.setAside.data(), false);
    const size_t n = s.layout.cells;
    random.shuffle(s.shuffled.data(), n);
    if (s.allChannels) {
        s.kernels->narrowCodes(s.shuffled.data(), s.left.data(), n, s.codeBytes);
    } else {
        if (s.codeBytes == 1)
            s.mapCodes<uint8_t>(s.shuffled.data(), false);
        else
            s.mapCodes<uint16_t>(s.shuffled.data(), false);
    }
    s.count(matching);
}

std::string LatticeCounter::describePlan()
{
    State &s = *state_;
    std::ostringstream out;
    out << "layout";
    for (int f : s.layout.order)
        out << ' ' << s.layout.levels[static_cast<size_t>(f)];
    if (s.allMatch) {
        out << "; one category";
        return out.str();
    }
    if (!s.planned) {
        // Categories of equal size.
        const size_t c = static_cast<size_t>(s.categories);
        std::vector<uint32_t> sizes(c, static_cast<uint32_t>(s.layout.cells / c));
        for (size_t i = 0; i < s.layout.cells % c; ++i)
            ++sizes[i];
        s.plan(sizes);
    }
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
    if (s.channels > 0) {
        out << "; " << (s.allChannels ? "every category" : std::to_string(s.channels) + " categories") << " in "
            << s.codeBytes << "-byte channels: " << s.runSets.size() << " sets from " << runs << " runs, " << scattered
            << " tables counted and " << derived << " summed (" << bytes / 1024 << " KiB)";
    }
    if (s.paired != 0) {
        out << "; the sets that agree on factor";
        if (__builtin_popcount(s.paired) > 1)
            out << 's';
        const char *separator = " ";
        for (int f = 0; f < s.layout.k; ++f)
            if ((s.paired >> f) & 1u) {
                out << separator << f + 1;
                separator = " and ";
            }
        out << " pair by pair within their " << s.pairedGroups << " groups (about "
            << static_cast<int64_t>(s.plannedPairedPairs + 0.5) << " pairs" << (s.keyedPaired ? ", two at a time" : "")
            << ")";
    }
    if (!s.allChannels) {
        size_t listedCategories = 0;
        for (size_t r = static_cast<size_t>(s.channels); r < s.plannedSizes.size(); ++r)
            listedCategories += s.plannedSizes[r] >= 2;
        out << "; " << listedCategories << " categories pair by pair (" << s.plannedPairs << " pairs"
            << (s.keyedLists ? ", two at a time" : "") << ")";
    }
    out << "; " << s.kernels->name << " kernels, model " << static_cast<int64_t>(s.plannedCost / 1000.0 + 0.5)
        << " us a pass";
    return out.str();
}

std::unique_ptr<PairCounter> makeLatticeCounter(const std::vector<int> &levelCounts, int categoryCount)
{
    return std::make_unique<LatticeCounter>(levelCounts, categoryCount);
}

std::string describeCountingPlan(const std::vector<int> &levelCounts, const CategoryCodes &codes)
{
    LatticeCounter counter(levelCounts, codes.categoryCount());
    counter.startShuffles(codes.codes.data());
    return counter.describePlan();
}

} // namespace kelsim
