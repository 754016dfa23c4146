#include "NTable.h"

#include <cmath>

namespace kelsim {

namespace {

constexpr double kSmallestDenominator = 1e-08;

} // namespace

const std::array<std::string, 6> NTable::kHeads = {"Source", "df", "Pairs", "NP", "N-ratio", "  p"};

int64_t RatioHistogram::total() const
{
    int64_t sum = above + undefined;
    for (int64_t count : counts)
        sum += count;
    return sum;
}

bool NTable::exact() const
{
    if (streams.empty())
        return false;
    for (const ShuffleStream &stream : streams)
        if (!stream.exact)
            return false;
    return true;
}

bool NTable::stoppedEarly() const
{
    for (const ShuffleStream &stream : streams)
        if (stream.stoppedEarly)
            return true;
    return false;
}

bool NTable::ratioAdjusted(size_t row) const
{
    const int error = rows.at(row).errorRow;
    return error >= 0 && rows[static_cast<size_t>(error)].dfAdjusted;
}

bool renameSource(NTable &table, size_t row, const std::string &name)
{
    if (name.find_first_not_of(' ') == std::string::npos)
        return false;
    TableRow &target = table.rows.at(row);
    target.shownName = name == target.name ? std::string() : name;
    return true;
}

void restoreSourceName(NTable &table, size_t row)
{
    table.rows.at(row).shownName.clear();
}

DfAdjustment checkErrorDfAdjustment(const Design &design, const NTable &table, size_t row, int64_t newDf)
{
    if (design.kind != DesignKind::RepeatedMeasures)
        return DfAdjustment::NotRepeatedMeasures;
    if (row >= table.rows.size() || table.rows[row].role != RowRole::ErrorTerm)
        return DfAdjustment::NotAnErrorTerm;
    const int64_t current = table.rows[row].df;
    if (newDf == current)
        return DfAdjustment::Unchanged;
    if (newDf > current)
        return DfAdjustment::NeedsConfirmation;
    if (newDf == 0)
        return DfAdjustment::ZeroDf;
    if (newDf < 0)
        return DfAdjustment::NegativeDf;
    return DfAdjustment::Accepted;
}

void adjustErrorDf(NTable &table, size_t row, int64_t newDf)
{
    TableRow &error = table.rows.at(row);
    error.df = newDf;
    // From the run's own values, so that adjusting twice is the same as adjusting once.
    error.np = error.computedNp * static_cast<double>(error.computedDf) / static_cast<double>(newDf);
    error.dfAdjusted = newDf != error.computedDf;
    for (TableRow &effect : table.rows) {
        if (effect.errorRow != static_cast<int>(row) || !effect.hasRatio)
            continue;
        if (error.np >= kSmallestDenominator)
            effect.nRatio = effect.np / error.np;
    }
}

int npDecimalsFor(const NTable &table)
{
    for (const TableRow &row : table.rows)
        if (std::floor(row.np * 1000.0 + 0.5) < 1000.0)
            return 3;
    return 2;
}

} // namespace kelsim
