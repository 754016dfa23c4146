#pragma once

#include "Design.h"
#include "NTable.h"
#include "Random.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kelsim {

// One way of rearranging the scores for a permutation test. The cells fall into groups, and
// within a group into slots of slotSize cells each; an arrangement moves the slots' contents among
// the slots of their own group, each content keeping its own order. The whole-table shuffle is one
// group of single-cell slots; shuffling within subjects is one group per subject; moving subjects
// whole is one group whose slots are the subjects' blocks of cells. Every arrangement the scheme
// allows is equally likely under the null hypothesis of the rows it tests, so counting over them
// gives an exact test.
struct ShuffleScheme {
    std::string description; // for the line under the table: "within subjects"
    int slotSize = 1;
    std::vector<int32_t> slotCells;   // cell positions (cell order), slot after slot
    std::vector<int32_t> groupStarts; // the first slot of every group, then the number of slots
    std::vector<size_t> rows;         // the tested rows whose p-values this scheme gives

    size_t slotCount() const { return slotCells.size() / static_cast<size_t>(slotSize); }
    size_t groupCount() const { return groupStarts.empty() ? 0 : groupStarts.size() - 1; }
    bool wholeTable() const { return slotSize == 1 && groupCount() == 1; }
};

// The schemes that test the given rows. Whole: one whole-table shuffle for all of them.
// Restricted: for each row the units its null hypothesis makes exchangeable, rows that need the
// same units sharing one scheme, in the order of the rows that first need them:
// - repeated measures, a row made only of factors the subjects are nested under (between-subject
//   factors): the nearest nested unit below the row (the subjects, or a between-subject factor
//   nested under the row's factors) is moved whole among the cells of the row's factors;
// - repeated measures, any other row: scores are shuffled within each subject, or whole nested
//   units are moved within each subject when a within-subject factor is nested under the row's;
// - independent groups: the nearest nested unit below the row is moved whole, else the scores are
//   shuffled over the whole table;
// and in each case only within the levels of the factors that the row's own factors are nested
// under ("A +" of A nested under B is shuffled within each level of B).
std::vector<ShuffleScheme> planShuffles(const Design &design, const NTable &table,
                                        const std::vector<size_t> &testedRows, ShuffleMode mode);

// The distinct arrangements of some scores that one scheme allows: counted, enumerated in
// lexicographic order, or drawn at random. Two arrangements are distinct when some cell holds a
// different score, so a slot content that occurs twice in a group is not counted twice.
class Arrangements {
  public:
    // Starts at the arrangement of `codes` (one category code per cell, in cell order). The scheme
    // must outlive this object.
    Arrangements(const ShuffleScheme &scheme, const std::vector<uint16_t> &codes);

    // The number of distinct arrangements, or limit + 1 when there are more than `limit`.
    uint64_t count(uint64_t limit) const;
    // Moves to the arrangement of the given rank in lexicographic order, 0 the first. Only for
    // schemes whose count is at most kMaxExactArrangements.
    void seek(uint64_t rank);
    // Moves to the next arrangement in lexicographic order; false after the last, which wraps
    // round to the first.
    bool advance();
    // Moves to an arrangement drawn at random, every one equally likely whatever the current one.
    void draw(Random &random);
    // Writes the current arrangement's codes in cell order.
    void write(uint16_t *codes) const;

  private:
    const ShuffleScheme *scheme_;
    std::vector<int32_t> kinds_;     // per slot: which distinct content sits there
    std::vector<uint16_t> contents_; // per kind: its slotSize codes
};

// N! / (n1! n2! ...) for the category counts n1, n2, ..., or limit + 1 when it is larger.
uint64_t multinomial(const std::vector<int64_t> &counts, uint64_t limit);

} // namespace kelsim
