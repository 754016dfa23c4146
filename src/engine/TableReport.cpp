#include "TableReport.h"

#include "Format.h"

#include <algorithm>

namespace kelsim {

namespace {

const char *const kAdjustedMark = "*";

// Source names are letters; a key to the full names is needed once some name is longer.
bool namesNeedKey(const Design &design)
{
    return std::any_of(design.factors.begin(), design.factors.end(),
                       [](const Factor &f) { return f.name.size() > f.letter.size(); });
}

std::string ratioText(const NTable &table, size_t r)
{
    const TableRow &row = table.rows[r];
    if (!row.hasRatio)
        return {};
    if (!table.ratioAdjusted(r))
        return formatValue(row.nRatio, 2);
    return (row.nRatio < 1.0 ? std::string("<1") : formatValue(row.nRatio, 2)) + kAdjustedMark;
}

std::string pText(const NTable &table, size_t r)
{
    const TableRow &row = table.rows[r];
    if (!table.showsP() || !row.p)
        return {};
    return formatValue(row.p->value, 3, true) + (table.ratioAdjusted(r) ? kAdjustedMark : "");
}

std::vector<TableLine> cells(const NTable &table, int npDecimals)
{
    std::vector<TableLine> lines;
    for (size_t r = 0; r < table.rows.size(); ++r) {
        const TableRow &row = table.rows[r];
        lines.push_back({row.displayName(), strText(row.df), std::to_string(row.pairs), formatValue(row.np, npDecimals),
                         ratioText(table, r), pText(table, r)});
    }
    return lines;
}

std::vector<std::string> reportHeadingLines(const Design &design)
{
    std::vector<std::string> lines = {"     " + design.problemLabel};
    const std::vector<std::string> factors = factorLines(design, false);
    lines.insert(lines.end(), factors.begin(), factors.end());
    return lines;
}

} // namespace

std::string padRight(const std::string &text, size_t width)
{
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string padLeft(const std::string &text, size_t width)
{
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string nestingEntryText(const NestingPair &pair)
{
    return std::string(1, pair.nested) + " nested under " + std::string(1, pair.under);
}

std::vector<std::string> factorLines(const Design &design, bool allNestingPairs)
{
    std::vector<std::string> lines = {"  Factors"};
    const bool key = namesNeedKey(design);
    size_t longestName = 0;
    for (const Factor &f : design.factors)
        longestName = std::max(longestName, f.name.size());
    for (int f = 1; f <= design.factorCount(); ++f) {
        const Factor &factor = design.factors[static_cast<size_t>(f - 1)];
        const bool designated = f == design.specialFactor;
        const std::string shown = designated ? "(" + factor.name + ")" : " " + factor.name;
        lines.push_back("  " + (key ? factor.letter + " " : std::string()) + padRight(shown, longestName + 2) +
                        strText(static_cast<int64_t>(factor.levels)));
    }
    if (design.nested) {
        for (const NestingPair &pair : allNestingPairs ? design.nestingPairs : design.selectedNesting)
            lines.push_back("   " + nestingEntryText(pair));
    }
    return lines;
}

std::vector<std::string> summaryLines(const Design &design, const NTable &table)
{
    std::vector<std::string> lines = factorLines(design, true);
    lines.push_back("   Pairs compared:" + strText(table.totalPairs));
    lines.push_back("   Number of resampling iterations:  " + groupedNumber(table.iterations));
    return lines;
}

std::vector<TableLine> displayCells(const NTable &table)
{
    return cells(table, 3);
}

std::vector<TableLine> reportCells(const NTable &table)
{
    return cells(table, table.npDecimals);
}

std::string adjustmentNote(const NTable &table)
{
    for (size_t r = 0; r < table.rows.size(); ++r)
        if (table.rows[r].hasRatio && table.ratioAdjusted(r))
            return std::string(kAdjustedMark) +
                   " Error df adjusted: the N-ratio uses the adjusted NP; p is from the permutation test of the "
                   "unadjusted table.";
    return {};
}

std::string buildTableReport(const Design &design, const NTable &table)
{
    std::string out;
    for (const std::string &line : reportHeadingLines(design))
        out += line + "\n";
    out += "\n";

    const std::vector<TableLine> rows = reportCells(table);
    size_t longestSource = NTable::kHeads[0].size();
    for (const TableLine &row : rows)
        longestSource = std::max(longestSource, row[0].size());
    out += " " + padRight("Source", longestSource) + "df" + std::string(9, ' ') + "Pairs" + std::string(9, ' ') + "NP" +
           std::string(7, ' ') + "N-ratio";
    out += table.showsP() ? std::string(7, ' ') + "  p\n" : "\n";
    for (size_t r = 0; r < rows.size(); ++r) {
        const TableLine &row = rows[r];
        std::string line = " " + padRight(row[0], longestSource) + padLeft(row[1], 2) + padLeft(row[2], 15) +
                           padLeft(row[3], 20);
        if (!row[4].empty()) {
            line += padLeft(row[4], 20);
            if (!row[5].empty())
                line += padLeft(row[5], table.rows[r].nRatio < 1.0 ? 14 : 12);
        }
        out += line + "\n";
    }
    const std::string note = adjustmentNote(table);
    if (!note.empty())
        out += note + "\n";
    return out;
}

std::vector<std::string> printLines(const Design &design, const NTable &table)
{
    std::vector<std::string> lines = reportHeadingLines(design);
    lines.emplace_back();

    const std::vector<TableLine> rows = reportCells(table);
    const size_t columns = table.showsP() ? 6 : 5;
    TableLine heads;
    std::array<size_t, 6> widths{};
    for (size_t c = 0; c < columns; ++c) {
        heads[c] = NTable::kHeads[c];
        heads[c].erase(0, heads[c].find_first_not_of(' ')); // "  p" stands right-aligned as "p"
        widths[c] = heads[c].size();
        for (const TableLine &row : rows)
            widths[c] = std::max(widths[c], row[c].size());
    }
    constexpr size_t kGap = 4;
    auto line = [&](const TableLine &texts) {
        std::string out = " " + padRight(texts[0], widths[0]);
        for (size_t c = 1; c < columns; ++c)
            out += std::string(kGap, ' ') + padLeft(texts[c], widths[c]);
        // Trailing blanks of rows without an N-ratio would only push nothing along.
        out.erase(out.find_last_not_of(' ') + 1);
        return out;
    };
    lines.push_back(line(heads));
    for (const TableLine &row : rows)
        lines.push_back(line(row));
    const std::string note = adjustmentNote(table);
    if (!note.empty())
        lines.push_back(note);
    return lines;
}

std::string buildTsv(const NTable &table)
{
    const size_t columns = table.showsP() ? 6 : 5;
    auto joined = [&](const TableLine &line) {
        std::string out;
        for (size_t c = 0; c < columns; ++c)
            out += (c ? "\t" : "") + line[c];
        return out + "\n";
    };
    TableLine head;
    std::copy(NTable::kHeads.begin(), NTable::kHeads.end(), head.begin());
    std::string out = joined(head);
    for (const TableLine &row : displayCells(table))
        out += joined(row);
    return out;
}

} // namespace kelsim
