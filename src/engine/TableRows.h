#pragma once

#include "Design.h"
#include "PairCounting.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kelsim {

enum class RowRole {
    Effect,    // a source tested against an error row
    ErrorTerm, // a repeated-measures error row, plain or pooled
    Subjects,  // the subjects row of a repeated-measures design
    Within,    // the pooled error row of an independent-groups design
};

constexpr int kTableColumns = 8;

// One row of the N-table below the head: its texts as the table shows them and the numbers they
// were made from. The numbers stay beside the texts so that nothing is ever read back from text.
struct TableRow {
    std::array<std::string, kTableColumns> text; // columns 1..8 at 0..7
    RowRole role = RowRole::Effect;
    std::vector<SourceMask> sources; // the sources summed into this row
    bool pooled = false;
    bool singlePrecision = false; // the independent-groups error proportion
    int64_t df = 0;
    int64_t pairs = 0;
    int64_t matches = 0; // stored matches summed over the row's sources
    double proportion = 0.0;
    int denominator = -1; // index (into NTable::rows) of the row this one is tested against
    bool hasRatio = false; // an N-ratio was formed on the observed pass
    double nRatio = 0.0;

    const std::string &source() const { return text[0]; }
};

// The result of a run. Rows hold the table below its head row; cell() answers with the table's
// own numbering (row 1 = head, columns 1..8).
struct NTable {
    static const std::array<std::string, 6> kHeads;

    std::vector<TableRow> rows;
    bool trailingEmptyRow = true; // crossed tables end one row past the last written row
    int npDecimals = 3;
    int64_t totalPairs = 0;
    int removedRows = 0; // rows merged away in a nested design

    int rowCount() const { return static_cast<int>(rows.size()) + 1 + (trailingEmptyRow ? 1 : 0); }
    std::string cell(int row, int column) const;
};

// Lays out the rows of a design: names, roles, the sources each row sums, its df and pairs and
// the row it is tested against. The layout depends on the design alone, never on the scores.
// Nested designs get their pooled rows when `pools` is given (see NestingPools.h).
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

// The observed pass: fills the numbers and texts of every row from the tallies, asking about
// every N-ratio whose denominator is below 1E-08. Returns false when the user answered No; the
// rows after the one asked about are then left unwritten.
bool writeObservedRows(const Design &design, const PassEvaluator &evaluator, const std::vector<int64_t> &matching,
                       NTable &table, RunQuestions &questions);

// 2 when every NP text is empty or at least 1, 3 from the first one below 1.
int npDecimalsFor(const NTable &table, int previous = 3);

} // namespace kelsim
