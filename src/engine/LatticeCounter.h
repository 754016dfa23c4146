#pragma once

#include "PairCounting.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kelsim {

// The ways the counter finds the matching pairs of a set of factors; a run lets the cost model
// choose, tests force one at a time.
enum class CountingMethod {
    Cheapest, // whatever the cost model finds cheapest, per set and per category
    Tables,   // every set from a table of counts (group × category)
    Runs,     // every set by comparing runs of cells
    Pairs,    // every category pair by pair among its own cells
};

// Choices that only tests and the benchmark make; a run always uses the defaults.
struct LatticeOptions {
    CountingMethod method = CountingMethod::Cheapest;
    // 0: the cheapest plan the cost model finds. Any other value picks a random (valid, usually
    // slow) plan of tables and runs from that seed, so that tests reach every way a count can be
    // made.
    uint64_t randomPlanSeed = 0;
    // At most this many categories get a channel of their own in the runs and tables; the others
    // are counted pair by pair. 0: as many as the cost model likes.
    int maxChannels = 0;
    // 0: kernels on the widest vectors the processor has; 16 or 32: no wider than that many
    // bytes, so that tests check every set of kernels.
    int maxVectorBytes = 0;
    // Factors (a mask) whose groups are counted pair by pair when every category has a channel:
    // the sets that agree on all of them come from the pairs of cells of one category and one
    // group, the others from runs and tables. −1: whichever the cost model finds cheapest (none
    // when a method is forced or the plan is random); 0: none.
    int pairedFactors = -1;
    // Where the kernels can, the patterns of pairs are tallied two lanes at a time, by one key of
    // both. −1: when the pairs of a pass are many; 1: whenever the kernels can; 0: never.
    int pairKeys = -1;
};

// Counts the matching pairs of every source without comparing every pair of cells.
//
// For a set T of factors let M(T) be the number of pairs of distinct cells that agree on every
// factor of T and hold the same code: the sum over the groups g of T and the categories c of
// C(n_gc, 2). The pairs that agree on exactly the set A are E(A) = M(A) − Σ E(A') over the sets
// A' ⊋ A, and the matching pairs of source F are E(all factors ∖ F).
//
// The frequent categories get channels (codes of one or two bytes), and each E(A) of their cells
// is found one of two ways, whichever a cost model says is cheaper:
// - by comparing, as contiguous runs, the cells that differ in exactly the factors outside A
//   (cheap when those factors have few levels, whatever the number of categories);
// - from a count table (group × category) of A, made by counting the cells into it (one cell at
//   a time, or a row of cells of one group at a time) or by summing one factor away from the
//   table of a larger set (cheap when A has few groups and there are few categories).
// The other categories are counted pair by pair among their own cells: each pair's source is the
// set of factors in which the two cells differ, found for many pairs at once. That is cheap when
// the categories are small, whatever the design. The cost model also chooses how many categories
// get channels, from none to all.
//
// When every category has a channel, the sets that agree on some chosen factors P may instead come
// from pairs: the cells of each category are listed by their group of P, and the pairs within each
// list are tallied by the factors in which they differ. A design with one factor of many levels
// and many categories then counts its large sparse tables as a few pairs per list.
//
// Everything is laid out once when the counter is planned; a pass allocates nothing. The vector
// kernels come in SSE2, AVX2 and AVX-512 versions, chosen by what the processor has.
//
// A design may have at most 65535 cells, and the codes of a pass must lie below the category
// count the counter was made for.
class LatticeCounter : public PairCounter {
  public:
    LatticeCounter(const std::vector<int> &levelCounts, int categoryCount, const LatticeOptions &options = {});
    ~LatticeCounter() override;
    LatticeCounter(const LatticeCounter &) = delete;
    LatticeCounter &operator=(const LatticeCounter &) = delete;

    void countMatching(const uint16_t *codes, int64_t *matching) override;
    void startShuffles(const uint16_t *codes) override;
    void shuffleAndCount(Random &random, int64_t *matching) override;

    // How the counter counts (channels, runs, tables, pairs) and the cost the model expects per
    // pass. Before any pass the plan assumes categories of equal size.
    std::string describePlan();

    struct State;

  private:
    std::unique_ptr<State> state_;
};

std::unique_ptr<PairCounter> makeLatticeCounter(const std::vector<int> &levelCounts, int categoryCount);

// The plan the default counter makes for the observed scores of a run, for --verbose.
std::string describeCountingPlan(const std::vector<int> &levelCounts, const CategoryCodes &codes);

} // namespace kelsim
