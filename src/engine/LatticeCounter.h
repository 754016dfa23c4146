#pragma once

#include "PairCounting.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kelsim {

// Choices that only tests and the benchmark make; a run always uses the defaults.
struct LatticeOptions {
    // 0: the cheapest plan the cost model finds. Any other value picks a random (valid, usually
    // slow) plan from that seed, so that tests reach every way a count can be made.
    uint64_t randomPlanSeed = 0;
    // Categories beyond this many are counted pair by pair among their own cells ("rare"
    // categories). At most 254, the codes a byte leaves beside the two rare markers.
    int maxChannels = 254;
    // 0: kernels on the widest vectors the processor has; 16 or 32: no wider than that many
    // bytes, so that tests check every set of kernels.
    int maxVectorBytes = 0;
};

// Counts the matching pairs of every source without comparing every pair of cells.
//
// For a set T of factors let M(T) be the number of pairs of distinct cells that agree on every
// factor of T and hold the same code: the sum over the groups g of T and the categories c of
// C(n_gc, 2). The pairs that agree on exactly the set A are E(A) = M(A) − Σ E(A') over the sets
// A' ⊋ A, and the matching pairs of source F are E(all factors ∖ F).
//
// Each E(A) is found one of two ways, whichever a cost model says is cheaper for the design and
// the number of categories:
// - by comparing, as contiguous byte runs, the cells that differ in exactly the factors outside
//   A (cheap when those factors have few levels, whatever the number of categories);
// - from a count tensor (group × category) of A, made by counting the cells into it (one cell at
//   a time, or a row of cells of one group at a time) or by summing one factor away from the
//   tensor of a larger set (cheap when A has few groups).
// Everything is laid out once when the counter is made; a pass allocates nothing. The vector
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

    // How each set of factors is counted, and the cost the model expects per pass, for the
    // benchmark's report.
    std::string describePlan() const;

    struct State;

private:
    std::unique_ptr<State> state_;
};

std::unique_ptr<PairCounter> makeLatticeCounter(const std::vector<int> &levelCounts, int categoryCount);

} // namespace kelsim
