#pragma once

#include "Design.h"
#include "NTable.h"
#include "PairCounting.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kelsim {

// Lays out the rows of a design: names, roles, the sources each row sums, its df and pairs and
// the row it is tested against. The layout depends on the design alone, never on the scores;
// a nested design gets its pooled rows.
NTable layoutTable(const Design &design);

// Everything a pass needs to turn matching-pair counts into proportions and N-ratios, flattened
// so that a shuffled pass does no allocation and no text work.
class PassEvaluator {
  public:
    PassEvaluator() = default;
    explicit PassEvaluator(const Design &design, const NTable &layout);

    // Fills proportion and ratio per row from matching[mask]; ratioDefined says where a
    // denominator was large enough.
    void evaluate(const int64_t *matching, double *proportion, double *ratio, bool *ratioDefined) const;
    size_t rowCount() const { return rows_.size(); }
    size_t sourceSlots() const { return pairs_.size(); }

  private:
    struct Row {
        uint32_t firstSource = 0, sourceCount = 0; // into sources_
        int64_t pairs = 0;
        bool singlePrecision = false;
        int denominator = -1;
    };
    std::vector<Row> rows_;
    std::vector<SourceMask> sources_;
    std::vector<int64_t> pairs_;  // pairs per source mask
    std::vector<uint8_t> isMain_; // main effects store matching pairs, interactions mismatching
};

// Asks the user whether to go on when an N-ratio cannot be formed.
class RunQuestions {
  public:
    virtual ~RunQuestions() = default;
    // Yes/No question with the exclamation icon; true for Yes.
    virtual bool askYesNo(const std::string &title, const std::string &text) = 0;
};

// Answers every question with Yes.
class ContinueAlways : public RunQuestions {
  public:
    bool askYesNo(const std::string &, const std::string &) override { return true; }
};

extern const char *const kUndefinedRatioTitle;
std::string undefinedRatioQuestion(const Design &design, const TableRow &effect, const TableRow &error);

// The observed pass: fills the numbers of every row from the tallies, asking about every N-ratio
// whose denominator is below 1E-08. Returns false when the user answered No.
bool writeObservedRows(const Design &design, const PassEvaluator &evaluator, const std::vector<int64_t> &matching,
                       NTable &table, RunQuestions &questions);

} // namespace kelsim
