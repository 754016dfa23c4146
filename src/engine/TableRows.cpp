#include "TableRows.h"

#include "NestedMerge.h"

#include <memory>

namespace kelsim {

const char *const kUndefinedRatioTitle = "Undefined N-ratio!";

namespace {

constexpr double kSmallestDenominator = 1e-08;

TableRow sourceRow(const Design &design, SourceMask mask, RowRole role)
{
    const std::vector<int> levels = design.levelCounts();
    TableRow row;
    row.role = role;
    row.sources = {mask};
    row.df = sourceDf(levels, mask);
    row.pairs = sourcePairs(levels, mask);
    row.name = sourceName(design, mask);
    return row;
}

NTable layoutIndependentGroups(const Design &design)
{
    NTable table;
    const int r = design.specialFactor;
    const std::vector<int> levels = design.levelCounts();
    TableRow within;
    within.role = RowRole::Within;
    within.singlePrecision = true;
    within.name = "  Within";
    for (SourceMask mask : sourcesInOrder(design.factorCount())) {
        if (sourceContains(mask, r)) {
            within.sources.push_back(mask);
            within.df += sourceDf(levels, mask);
            within.pairs += sourcePairs(levels, mask);
        } else {
            table.rows.push_back(sourceRow(design, mask, RowRole::Effect));
        }
    }
    const int withinIndex = static_cast<int>(table.rows.size());
    for (TableRow &row : table.rows)
        row.errorRow = withinIndex;
    table.rows.push_back(within);
    return table;
}

// Subjects row first; then each effect directly above its error row (the effect with the
// subjects factor added), main effects first and then by order, as the sources come.
NTable layoutRepeatedMeasures(const Design &design)
{
    const int k = design.factorCount();
    const int s = design.specialFactor;
    const SourceMask subjects = 1u << (s - 1);
    NTable table;
    table.rows.resize((size_t{1} << k) - 1);
    auto at = [&](int tableRow) -> TableRow & { return table.rows[static_cast<size_t>(tableRow - 2)]; };

    at(2) = sourceRow(design, subjects, RowRole::Subjects);
    int row = 1;
    int effectCounter = 0;
    int errorCounter = 0;
    for (SourceMask mask : sourcesInOrder(k)) {
        if (sourceOrder(mask) == 1) {
            if (mask == subjects)
                continue;
            row += 2;
            at(row) = sourceRow(design, mask, RowRole::Effect);
        } else if (!sourceContains(mask, s)) {
            ++effectCounter;
            at(2 * k + 1 + 2 * (effectCounter - 1)) = sourceRow(design, mask, RowRole::Effect);
        } else {
            ++errorCounter;
            const int place = 2 * errorCounter + 2;
            TableRow error = sourceRow(design, mask, RowRole::ErrorTerm);
            error.name = std::string("  ") + design.letter(s) + "x" + at(place - 1).name;
            at(place) = error;
            at(place - 1).errorRow = place - 2;
        }
    }
    return table;
}

} // namespace

NTable layoutTable(const Design &design)
{
    NTable table =
        design.kind == DesignKind::IndependentGroups ? layoutIndependentGroups(design) : layoutRepeatedMeasures(design);
    const int64_t n = design.cellCount();
    table.totalPairs = n * (n - 1) / 2;
    if (design.nested)
        mergeNestedRows(design, table);
    return table;
}

PassEvaluator::PassEvaluator(const Design &design, const NTable &layout)
{
    const int k = design.factorCount();
    const std::vector<int> levels = design.levelCounts();
    const size_t slots = size_t{1} << k;
    pairs_.assign(slots, 0);
    isMain_.assign(slots, 0);
    for (SourceMask m = 1; m < slots; ++m) {
        pairs_[m] = sourcePairs(levels, m);
        isMain_[m] = sourceOrder(m) == 1;
    }
    for (const TableRow &tableRow : layout.rows) {
        Row row;
        row.firstSource = static_cast<uint32_t>(sources_.size());
        row.sourceCount = static_cast<uint32_t>(tableRow.sources.size());
        sources_.insert(sources_.end(), tableRow.sources.begin(), tableRow.sources.end());
        row.pairs = tableRow.pairs;
        row.singlePrecision = tableRow.singlePrecision;
        row.denominator = tableRow.errorRow;
        rows_.push_back(row);
    }
}

void PassEvaluator::evaluate(const int64_t *matching, double *proportion, double *ratio, bool *ratioDefined) const
{
    const size_t n = rows_.size();
    for (size_t r = 0; r < n; ++r) {
        const Row &row = rows_[r];
        int64_t stored = 0;
        for (uint32_t i = 0; i < row.sourceCount; ++i) {
            const SourceMask m = sources_[row.firstSource + i];
            stored += isMain_[m] ? matching[m] : pairs_[m] - matching[m];
        }
        double p = static_cast<double>(row.pairs - stored) / static_cast<double>(row.pairs);
        if (row.singlePrecision)
            p = static_cast<double>(static_cast<float>(p));
        proportion[r] = p;
    }
    for (size_t r = 0; r < n; ++r) {
        const int d = rows_[r].denominator;
        const bool defined = d >= 0 && proportion[d] >= kSmallestDenominator;
        ratioDefined[r] = defined;
        ratio[r] = defined ? proportion[r] / proportion[d] : 0.0;
    }
}

std::string undefinedRatioQuestion(const Design &design, const TableRow &effect, const TableRow &error)
{
    const std::string tail = "  This condition prohibits evaluation of the N-ratio, and is usually the result of "
                             "faulty input values.  Do you want to continue printing the ";
    if (design.nested && design.kind == DesignKind::RepeatedMeasures)
        return "The denominator of the N-ratio associated with the " + effect.name + " source is zero." + tail +
               "table anyway?";
    if (design.kind == DesignKind::IndependentGroups)
        return "The Mean Square for the denominator of the N-ratios is zero." + tail + "N-table?";
    const bool sixWay = error.sources.size() == 1 && sourceOrder(error.sources[0]) == 6;
    return "The Mean Square for the denominator of the N-ratio associated with the " + effect.name +
           " source is zero." + tail + (sixWay ? "table?" : "N-table?");
}

bool writeObservedRows(const Design &design, const PassEvaluator &evaluator, const std::vector<int64_t> &matching,
                       NTable &table, RunQuestions &questions)
{
    const size_t n = table.rows.size();
    std::vector<double> proportion(n), ratio(n);
    std::unique_ptr<bool[]> defined(new bool[n]);
    evaluator.evaluate(matching.data(), proportion.data(), ratio.data(), defined.get());
    const std::vector<int> levels = design.levelCounts();

    for (size_t r = 0; r < n; ++r) {
        TableRow &row = table.rows[r];
        row.matches = 0;
        for (SourceMask m : row.sources)
            row.matches += sourceOrder(m) == 1 ? matching[m] : sourcePairs(levels, m) - matching[m];
        row.np = row.computedNp = proportion[r];
        row.computedDf = row.df;
    }
    for (size_t r = 0; r < n; ++r) {
        TableRow &row = table.rows[r];
        if (row.errorRow < 0)
            continue;
        if (defined[r]) {
            row.hasRatio = true;
            row.nRatio = ratio[r];
            continue;
        }
        const TableRow &error = table.rows[static_cast<size_t>(row.errorRow)];
        if (!questions.askYesNo(kUndefinedRatioTitle, undefinedRatioQuestion(design, row, error)))
            return false;
    }
    table.npDecimals = npDecimalsFor(table);
    return true;
}

} // namespace kelsim
