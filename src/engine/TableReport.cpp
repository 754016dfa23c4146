#include "TableReport.h"

#include "Format.h"

#include <algorithm>
#include <cctype>

namespace kelsim {

namespace {

bool isBlankLine(const TableLine &line)
{
    return std::all_of(line.begin(), line.end(), [](const std::string &s) { return s.empty(); });
}

std::string reportPairs(const std::string &text)
{
    if (!text.empty() && std::isalpha(static_cast<unsigned char>(text[0])))
        return text;
    const double value = leadingValue(text);
    return value < 1e-07 ? "0" : formatValue(value, 0);
}

// An adjusted N-ratio below 1 is shown as "<1"; it stays so in the report.
std::string reportRatio(const std::string &text)
{
    if (!text.empty() && text[0] == '<')
        return text;
    return formatValue(leadingValue(text), 2);
}

std::string reportNp(const std::string &text, int npDecimals)
{
    return text.empty() ? std::string() : formatValue(leadingValue(text), npDecimals);
}

std::string reportP(const std::string &text)
{
    return formatValue(leadingValue(text), 3, true);
}

// The rows the report lists: all but the empty rows at the end.
std::vector<TableLine> reportedRows(const ReportInput &input)
{
    std::vector<TableLine> rows = input.rows;
    while (!rows.empty() && isBlankLine(rows.back()))
        rows.pop_back();
    return rows;
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

ReportInput reportInputFor(const Design &design, const NTable &table)
{
    ReportInput input;
    input.problemLabel = design.problemLabel;
    for (int f = 1; f <= design.factorCount(); ++f) {
        const Factor &factor = design.factors[static_cast<size_t>(f - 1)];
        input.factors.push_back({factor.name, factor.levels, f == design.specialFactor});
    }
    if (design.nested)
        for (const NestingPair &pair : design.selectedNesting)
            input.nestingEntries.push_back(nestingEntryText(pair));
    for (int r = 2; r <= table.rowCount(); ++r) {
        TableLine line;
        for (int c = 1; c <= 6; ++c)
            line[static_cast<size_t>(c - 1)] = table.cell(r, c);
        input.rows.push_back(line);
    }
    input.npDecimals = table.npDecimals;
    input.showP = design.iterations > 1;
    return input;
}

std::vector<std::string> reportHeadingLines(const ReportInput &input)
{
    std::vector<std::string> lines = {"     " + input.problemLabel, "  Factors"};
    size_t longestName = 0;
    for (const ReportFactor &f : input.factors)
        longestName = std::max(longestName, f.name.size());
    for (const ReportFactor &f : input.factors) {
        const std::string shown = f.designated ? "(" + f.name + ")" : " " + f.name;
        lines.push_back("  " + padRight(shown, longestName + 2) + strText(static_cast<int64_t>(f.levels)));
    }
    lines.insert(lines.end(), input.nestingEntries.begin(), input.nestingEntries.end());
    return lines;
}

std::vector<TableLine> reportCells(const ReportInput &input)
{
    std::vector<TableLine> cells;
    for (const TableLine &row : reportedRows(input)) {
        TableLine line;
        line[0] = row[0];
        line[1] = row[1];
        line[2] = reportPairs(row[2]);
        line[3] = reportNp(row[3], input.npDecimals);
        if (!row[4].empty()) {
            line[4] = reportRatio(row[4]);
            if (input.showP && !row[5].empty())
                line[5] = reportP(row[5]);
        }
        cells.push_back(line);
    }
    return cells;
}

std::string buildTableReport(const ReportInput &input)
{
    const std::vector<std::string> heading = reportHeadingLines(input);
    // The label line ends in a carriage return alone and the block in LF CR, as the report always had.
    std::string out = heading.front() + "\r";
    for (size_t i = 1; i < heading.size(); ++i)
        out += heading[i] + "\n";
    out += "\n\r";

    const std::vector<TableLine> rows = reportedRows(input);
    size_t longestSource = NTable::kHeads[0].size();
    for (const TableLine &row : rows)
        longestSource = std::max(longestSource, row[0].size());
    out += " " + padRight("Source", longestSource) + "df" + std::string(9, ' ') + "Pairs" + std::string(9, ' ') + "NP" +
           std::string(7, ' ') + "N-ratio";
    out += input.showP ? std::string(7, ' ') + "  p\n" : "\n";
    for (const TableLine &row : rows) {
        std::string line = " " + padRight(row[0], longestSource) + padLeft(row[1], 2);
        line += padLeft(reportPairs(row[2]), 15);
        line += padLeft(reportNp(row[3], input.npDecimals), 20);
        if (!row[4].empty()) {
            const std::string ratio = reportRatio(row[4]);
            line += padLeft(ratio, 20);
            if (input.showP && !row[5].empty()) {
                const bool belowOne = ratio[0] == '<' || leadingValue(row[4]) < 1.0;
                line += padLeft(reportP(row[5]), belowOne ? 14 : 12);
            }
        }
        out += line + "\n";
    }
    return out;
}

std::vector<TableLine> displayRows(const NTable &table)
{
    std::vector<TableLine> rows;
    for (int r = 2; r <= table.rowCount(); ++r) {
        TableLine line;
        line[0] = table.cell(r, 1);
        line[1] = table.cell(r, 2);
        line[2] = table.cell(r, 3);
        const std::string np = table.cell(r, 4), ratio = table.cell(r, 5), p = table.cell(r, 6);
        if (!np.empty())
            line[3] = formatValue(leadingValue(np), 3);
        if (!ratio.empty())
            line[4] = formatValue(leadingValue(ratio), 2);
        if (!p.empty())
            line[5] = formatValue(leadingValue(p), 3, true);
        rows.push_back(line);
    }
    return rows;
}

std::string buildTsv(const NTable &table, bool showP)
{
    const size_t columns = showP ? 6 : 5;
    auto joined = [&](const TableLine &line) {
        std::string out;
        for (size_t c = 0; c < columns; ++c)
            out += (c ? "\t" : "") + line[c];
        return out + "\n";
    };
    TableLine head;
    std::copy(NTable::kHeads.begin(), NTable::kHeads.end(), head.begin());
    std::string out = joined(head);
    std::vector<TableLine> rows = displayRows(table);
    while (!rows.empty() && isBlankLine(rows.back()))
        rows.pop_back();
    for (const TableLine &row : rows)
        out += joined(row);
    return out;
}

} // namespace kelsim
