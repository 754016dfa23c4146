#pragma once

#include "Design.h"
#include "Random.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kelsim {

// Scores as small category codes: identical texts get identical codes, in order of first
// appearance.
struct CategoryCodes {
    std::vector<uint16_t> codes;         // one per cell, in cell order
    std::vector<std::string> categories; // text of each code
    int categoryCount() const { return static_cast<int>(categories.size()); }
};
CategoryCodes encodeScores(const std::vector<std::string> &flat);

// The order in which a shuffle lists the cells: factors with more levels change faster, and of
// factors with equal level counts the earlier one. Entry p is the cell (in cell order) at place p.
std::vector<uint32_t> shuffleOrder(const std::vector<int> &levelCounts);

// Counts, for one arrangement of codes over the cells, the matching pairs of every source:
// matching[mask] is the number of unordered pairs of cells that differ in exactly the factors of
// `mask` and hold the same code. `matching` has 2^k entries; entry 0 is left at 0.
class PairCounter {
  public:
    explicit PairCounter(const std::vector<int> &levelCounts);
    virtual ~PairCounter() = default;
    // Any arrangement of codes, in cell order.
    virtual void countMatching(const uint16_t *codes, int64_t *matching) = 0;

    // Shuffled passes. startShuffles takes the arrangement to start from (codes in cell order).
    // Each shuffleAndCount then draws the next arrangement and counts it: the codes of the
    // current arrangement, listed in shuffleOrder, are shuffled in that list by Random::shuffle.
    // Every counter draws the same arrangements from the same random stream; faster counters
    // shuffle their own copy of the codes in place of this plain one.
    virtual void startShuffles(const uint16_t *codes);
    virtual void shuffleAndCount(Random &random, int64_t *matching);

  protected:
    std::vector<int> levels_;
    size_t cells_ = 0;

  private:
    std::vector<uint32_t> cellAt_; // place in the shuffled list -> cell
    std::vector<uint16_t> shuffled_, inCellOrder_;
};

// The plain counter: looks at every unordered pair of cells once. Slow, obviously right; the
// reference every faster counter is checked against.
class ReferencePairCounter : public PairCounter {
  public:
    explicit ReferencePairCounter(const std::vector<int> &levelCounts);
    void countMatching(const uint16_t *codes, int64_t *matching) override;

  private:
    std::vector<uint16_t> coordinates_; // cell × factor: 0-based level
};

using PairCounterFactory = std::unique_ptr<PairCounter> (*)(const std::vector<int> &levelCounts, int categoryCount);
std::unique_ptr<PairCounter> makeReferenceCounter(const std::vector<int> &levelCounts, int categoryCount);

// The tallies of one pass, indexed by source mask; index 0 holds the error pool of an
// independent-groups design.
struct PairTallies {
    int64_t totalPairs = 0;
    std::vector<int64_t> pairs;
    // As stored: matching pairs for a main effect, mismatching pairs for an interaction.
    std::vector<int64_t> matches;
    // (pairs − matches) / pairs: share of mismatches for a main effect, of matches for an
    // interaction.
    std::vector<double> proportion;
    float errorProportion = 0.0f;
};

// Turns the matching-pair counts of one pass into tallies: stored matches, proportions and, for
// independent groups, the error pool built from the sources that contain the replicates factor.
void finishTallies(const Design &design, const std::vector<int64_t> &matching, PairTallies &tallies);
PairTallies countTallies(const Design &design, const ScoreSet &scores);

} // namespace kelsim
