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

// The permutation p-value of one tested row.
struct PValue {
    int64_t exceedCount = 0; // arrangements compared whose N-ratio reached the observed one
    int64_t arrangements = 0; // arrangements the count is out of, the observed one included
    double value = 0.0;       // (exceedCount + 1) / arrangements, or the exact share
    bool exact = false;       // every distinct arrangement was counted
    double low = 0.0, high = 1.0; // the interval around a Monte Carlo estimate
};

// One row of the N-table, all of it numbers. The name is the row's identity, made from the
// factor letters; what the user renamed it to is kept apart and only ever shown.
struct TableRow {
    RowRole role = RowRole::Effect;
    std::string name;      // "AxB", "  SxA" (error rows indented), "A +", "  Error +", "  Within"
    std::string shownName; // the user's name for the row; empty while it has none
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
    int iterations = 1; // 1: no shuffles were compared and no p-value was estimated
    uint64_t seed = 0;

    bool showsP() const { return iterations > 1; }
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
