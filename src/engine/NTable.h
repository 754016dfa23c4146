#pragma once

#include "Design.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelsim {

enum class RowRole {
    Effect,    // a source tested against an error row
    ErrorTerm, // a repeated-measures error row, plain or pooled
    Subjects,  // the subjects row of a repeated-measures design
    Within,    // the pooled error row of an independent-groups design
};

// How the scores are rearranged for the p-values.
enum class ShuffleMode {
    Whole,      // every score over every cell, whatever the design
    Restricted, // for each tested row only the units the design makes exchangeable under its null
};

// Whether small designs get exact p-values.
enum class ExactMode {
    Auto,  // every distinct arrangement counted once when there are no more than the iterations
    Never, // always random shuffles
};

// Exact p-values are counted over at most this many distinct arrangements.
constexpr int64_t kMaxExactArrangements = 5000000;
// Bins of a row's permutation distribution.
constexpr int kHistogramBins = 100;

// The N-ratios one tested row reached over the arrangements compared, in kHistogramBins equal bins
// from 0 to twice the larger of its observed N-ratio and 1.
struct RatioHistogram {
    double binWidth = 0.0;       // bin i holds the N-ratios in [i · binWidth, (i + 1) · binWidth)
    std::vector<int64_t> counts; // kHistogramBins bins
    int64_t above = 0;           // N-ratios at or beyond the last bin's upper end
    int64_t undefined = 0;       // arrangements whose N-ratio could not be formed
    double smallest = 0.0;       // the smallest and largest N-ratio formed; 0 when none was
    double largest = 0.0;

    // Every arrangement counted: the shuffles compared (Monte Carlo), or every distinct arrangement,
    // the observed one included (exact).
    int64_t total() const;
};

// The permutation p-value of one tested row.
struct PValue {
    int64_t exceedCount = 0;  // arrangements other than the observed one whose N-ratio reached it
    int64_t arrangements = 0; // what the count is out of, the observed one included: the iterations
                              // (Monte Carlo) or every distinct arrangement (exact)
    double value = 0.0;       // (exceedCount + 1) / arrangements
    bool exact = false;       // every distinct arrangement was counted once
    // The kIntervalConfidence Clopper–Pearson interval of a Monte Carlo p (exceedCount + 1 of
    // arrangements); both ends equal value when the p is exact.
    double low = 0.0, high = 1.0;
    RatioHistogram distribution;
};

// One stream of arrangements and the tested rows whose p-values it gave. A whole-table shuffle
// has one; a restricted shuffle one for each way the rows' units are exchanged.
struct ShuffleStream {
    std::string description;  // what moves: "whole table", "within subjects", "subjects moved whole"
    std::vector<size_t> rows; // indices into NTable::rows
    bool exact = false;
    int64_t arrangements = 0;  // the distinct arrangements, when exact
    int iterations = 0;        // arrangements compared, the observed one included
    bool stoppedEarly = false; // every row's interval met the precision before the iterations ran out
};

// One row of the N-table, all of it numbers. The name is the row's identity, made from the
// factor letters; what the user renamed it to is kept apart and only ever shown.
struct TableRow {
    RowRole role = RowRole::Effect;
    std::string name;                // "AxB", "  SxA" (error rows indented), "A +", "  Error +", "  Within"
    std::string shownName;           // the user's name for the row; empty while it has none
    std::vector<SourceMask> sources; // the sources summed into this row
    bool pooled = false;
    bool singlePrecision = false; // the independent-groups error proportion
    int64_t df = 0;
    int64_t pairs = 0;
    int64_t matches = 0; // stored matches summed over the row's sources
    double np = 0.0;
    int errorRow = -1;     // index of the row this one is tested against
    bool hasRatio = false; // an N-ratio was formed
    double nRatio = 0.0;
    std::optional<PValue> p; // rows with a positive observed N-ratio, once shuffles were compared
    // Adjust Error df: the df and NP the run computed, kept when the user changes the df.
    int64_t computedDf = 0;
    double computedNp = 0.0;
    bool dfAdjusted = false;

    const std::string &displayName() const { return shownName.empty() ? name : shownName; }
};

// The result of a run: the rows below the head in table order, and the facts of the run.
struct NTable {
    static const std::array<std::string, 6> kHeads;

    std::vector<TableRow> rows;
    int64_t totalPairs = 0;
    int npDecimals = 3; // decimals of the NP column in the reports

    // The facts of the run, which every view states in one line (factsLine in TableReport.h).
    // The arrangements the p-values rest on, the observed one included: the iterations asked for,
    // fewer when the run stopped at its precision, every distinct arrangement when exact. With
    // several streams, the most any Monte Carlo stream made, or when all are exact the most
    // arrangements any counted. 1: no p-value was estimated.
    int iterations = 1;
    int requestedIterations = 1;
    uint64_t seed = 0;
    ExactMode exactMode = ExactMode::Auto;
    ShuffleMode shuffle = ShuffleMode::Whole;
    double precision = 0.0;             // the interval width the run was to stop at; 0 when none
    std::vector<ShuffleStream> streams; // empty when no row was tested

    bool showsP() const { return iterations > 1 || exact(); }
    // Every p-value of the table is exact (and there is one).
    bool exact() const;
    // Some stream stopped before its iterations ran out.
    bool stoppedEarly() const;
    // The row's N-ratio was formed against an error row whose df the user changed; its p still
    // comes from the unadjusted test.
    bool ratioAdjusted(size_t row) const;
};

// Renaming a row changes only what is shown. An empty name is refused (false).
bool renameSource(NTable &table, size_t row, const std::string &name);
// Back to the name the run gave the row.
void restoreSourceName(NTable &table, size_t row);

// Adjust Error df: why an adjustment cannot be made, or what it asks of the user first.
enum class DfAdjustment {
    Accepted,          // made
    NeedsConfirmation, // the df goes up; made only when the caller confirms
    NotRepeatedMeasures,
    NotAnErrorTerm,
    Unchanged,
    ZeroDf,
    NegativeDf,
};

// Whether the row's df may become `newDf`, and what that takes.
DfAdjustment checkErrorDfAdjustment(const Design &design, const NTable &table, size_t row, int64_t newDf);
// Sets the error row's df; its NP plays the part of a mean square and is rescaled from its own
// value (NP × old df / new df), and the N-ratios of the rows tested against it are formed again.
// Only call after checkErrorDfAdjustment said Accepted, or NeedsConfirmation and the user agreed.
void adjustErrorDf(NTable &table, size_t row, int64_t newDf);

// 2 when every row's NP reads at least 1 at three decimals, otherwise 3.
int npDecimalsFor(const NTable &table);

} // namespace kelsim
