#include "TableReport.h"

#include "ClopperPearson.h"
#include "Format.h"
#include "Version.h"

#include <algorithm>
#include <charconv>
#include <cmath>

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

// A number as plain decimal text, at most `digits` significant digits, whatever the locale.
std::string plainNumber(double value, int digits = 6)
{
    char buffer[64];
    const std::to_chars_result end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
    return std::string(buffer, end.ptr);
}

// ".005": the Str text without its leading blank.
std::string decimalText(double value)
{
    const std::string text = strText(value);
    return text[0] == ' ' ? text.substr(1) : text;
}

// One end of an interval with four decimals and no zero before the point, rounded away from the
// estimate so that the interval shown holds the interval computed.
std::string intervalEnd(double value, bool upper)
{
    // Settle the binary noise of value × 10000 before rounding outwards.
    const double scaled = std::round(value * 1e10) / 1e6;
    const double rounded = (upper ? std::ceil(scaled) : std::floor(scaled)) / 1e4;
    char buffer[32];
    const std::to_chars_result end =
        std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, 4);
    std::string text(buffer, end.ptr);
    return text.rfind("0.", 0) == 0 ? text.substr(1) : text;
}

std::string stoppedText(const NTable &table)
{
    return " (stopped at precision " + decimalText(table.precision) + ")";
}

std::string confidenceText()
{
    return std::to_string(static_cast<int>(std::lround(kIntervalConfidence * 100))) + "%";
}

std::string trimmedName(const TableRow &row)
{
    const std::string &name = row.displayName();
    const size_t first = name.find_first_not_of(' ');
    return first == std::string::npos ? name : name.substr(first);
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
    for (const std::string &line : footLines(table))
        lines.push_back(line);
    return lines;
}

std::string factsLine(const NTable &table)
{
    std::string iterations = "Iterations: " + groupedNumber(table.iterations);
    bool someExact = false, someMonteCarlo = false;
    for (const ShuffleStream &stream : table.streams)
        (stream.exact ? someExact : someMonteCarlo) = true;
    if (someExact && !someMonteCarlo)
        iterations += " (every distinct arrangement once)";
    else if (someMonteCarlo && table.iterations < table.requestedIterations)
        iterations += " of " + groupedNumber(table.requestedIterations) + stoppedText(table);
    std::string p = "none";
    if (someMonteCarlo)
        p = std::string(someExact ? "exact and Monte Carlo" : "Monte Carlo") + ", " + confidenceText() + " intervals";
    else if (someExact)
        p = "exact";
    return iterations + "; seed: " + std::to_string(table.seed) + "; p: " + p +
           "; shuffle: " + (table.shuffle == ShuffleMode::Restricted ? "restricted" : "whole table") + "; " +
           kProgramName + " " + kProgramVersion;
}

std::string shuffleLine(const NTable &table)
{
    if (table.shuffle != ShuffleMode::Restricted || table.streams.empty())
        return {};
    std::string line = "Restricted shuffle: ";
    for (size_t s = 0; s < table.streams.size(); ++s) {
        const ShuffleStream &stream = table.streams[s];
        if (s)
            line += "; ";
        for (size_t i = 0; i < stream.rows.size(); ++i)
            line += (i ? ", " : "") + trimmedName(table.rows[stream.rows[i]]);
        line += ": " + stream.description + ", ";
        if (stream.exact)
            line += "exact over " + groupedNumber(stream.arrangements) + " arrangements";
        else
            line += groupedNumber(stream.iterations) + " iterations" + (stream.stoppedEarly ? stoppedText(table) : "");
    }
    return line + ".";
}

std::vector<std::string> footLines(const NTable &table)
{
    std::vector<std::string> lines = {factsLine(table)};
    const std::string shuffles = shuffleLine(table);
    if (!shuffles.empty())
        lines.push_back(shuffles);
    return lines;
}

std::string intervalText(const NTable &table, size_t row)
{
    const std::optional<PValue> &p = table.rows.at(row).p;
    if (!table.showsP() || !p)
        return {};
    if (p->exact)
        return "exact";
    return "[" + intervalEnd(p->low, false) + ", " + intervalEnd(p->high, true) + "]";
}

std::string intervalHead(const NTable &table)
{
    for (const TableRow &row : table.rows)
        if (row.p && !row.p->exact)
            return confidenceText() + " interval";
    return {};
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
    std::vector<std::string> lines;
    lines.push_back(" " + padRight("Source", longestSource) + "df" + std::string(9, ' ') + "Pairs" +
                    std::string(9, ' ') + "NP" + std::string(7, ' ') + "N-ratio" +
                    (table.showsP() ? std::string(7, ' ') + "  p" : ""));
    for (size_t r = 0; r < rows.size(); ++r) {
        const TableLine &row = rows[r];
        std::string line =
            " " + padRight(row[0], longestSource) + padLeft(row[1], 2) + padLeft(row[2], 15) + padLeft(row[3], 20);
        if (!row[4].empty()) {
            line += padLeft(row[4], 20);
            if (!row[5].empty())
                line += padLeft(row[5], table.rows[r].nRatio < 1.0 ? 14 : 12);
        }
        lines.push_back(line);
    }
    // The intervals stand in one column, three blanks right of the longest p line.
    size_t column = lines[0].size();
    for (size_t r = 0; r < rows.size(); ++r)
        if (!intervalText(table, r).empty())
            column = std::max(column, lines[r + 1].size());
    column += 3;
    const std::string head = intervalHead(table);
    if (!head.empty())
        lines[0] = padRight(lines[0], column) + head;
    for (size_t r = 0; r < rows.size(); ++r) {
        const std::string interval = intervalText(table, r);
        if (!interval.empty())
            lines[r + 1] = padRight(lines[r + 1], column) + interval;
    }
    for (const std::string &line : lines)
        out += line + "\n";
    const std::string note = adjustmentNote(table);
    if (!note.empty())
        out += note + "\n";
    out += "\n";
    for (const std::string &line : footLines(table))
        out += line + "\n";
    return out;
}

std::vector<std::string> printLines(const Design &design, const NTable &table)
{
    std::vector<std::string> lines = reportHeadingLines(design);
    lines.emplace_back();

    const std::vector<TableLine> cells = reportCells(table);
    const size_t columns = table.showsP() ? 7 : 5;
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> heads;
    for (size_t c = 0; c < std::min<size_t>(columns, 6); ++c) {
        heads.push_back(NTable::kHeads[c]);
        heads[c].erase(0, heads[c].find_first_not_of(' ')); // "  p" stands right-aligned as "p"
    }
    if (columns == 7)
        heads.push_back(intervalHead(table));
    for (size_t r = 0; r < cells.size(); ++r) {
        rows.emplace_back(cells[r].begin(),
                          cells[r].begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(columns, 6)));
        if (columns == 7)
            rows.back().push_back(intervalText(table, r));
    }
    std::vector<size_t> widths(columns, 0);
    for (size_t c = 0; c < columns; ++c) {
        widths[c] = heads[c].size();
        for (const std::vector<std::string> &row : rows)
            widths[c] = std::max(widths[c], row[c].size());
    }
    constexpr size_t kGap = 4;
    auto line = [&](const std::vector<std::string> &texts) {
        std::string out = " " + padRight(texts[0], widths[0]);
        for (size_t c = 1; c < columns; ++c)
            out += std::string(kGap, ' ') + padLeft(texts[c], widths[c]);
        // Trailing blanks of rows without an N-ratio would only push nothing along.
        out.erase(out.find_last_not_of(' ') + 1);
        return out;
    };
    lines.push_back(line(heads));
    for (const std::vector<std::string> &row : rows)
        lines.push_back(line(row));
    const std::string note = adjustmentNote(table);
    if (!note.empty())
        lines.push_back(note);
    lines.emplace_back();
    for (const std::string &foot : footLines(table))
        lines.push_back(foot);
    return lines;
}

std::string buildTsv(const NTable &table)
{
    const size_t columns = table.showsP() ? 6 : 5;
    auto joined = [&](const TableLine &line, const std::string &low, const std::string &high) {
        std::string out;
        for (size_t c = 0; c < columns; ++c)
            out += (c ? "\t" : "") + line[c];
        if (table.showsP())
            out += "\t" + low + "\t" + high;
        return out + "\n";
    };
    TableLine head;
    std::copy(NTable::kHeads.begin(), NTable::kHeads.end(), head.begin());
    std::string out = joined(head, "pLow", "pHigh");
    const std::vector<TableLine> cells = displayCells(table);
    for (size_t r = 0; r < cells.size(); ++r) {
        const std::optional<PValue> &p = table.rows[r].p;
        const bool shown = table.showsP() && p;
        out += joined(cells[r], shown ? plainNumber(p->low) : "", shown ? plainNumber(p->high) : "");
    }
    for (const std::string &line : footLines(table))
        out += "# " + line + "\n";
    return out;
}

std::string buildDistributionCsv(const NTable &table)
{
    std::string out = "source,observed,from,to,count\n";
    for (const TableRow &row : table.rows) {
        if (!row.p)
            continue;
        std::string name = trimmedName(row);
        if (name.find_first_of(",\"") != std::string::npos) {
            std::string quoted = "\"";
            for (char c : name)
                quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
            name = quoted + "\"";
        }
        const std::string lead = name + "," + plainNumber(row.nRatio) + ",";
        const RatioHistogram &histogram = row.p->distribution;
        for (size_t i = 0; i < histogram.counts.size(); ++i)
            out += lead + plainNumber(histogram.binWidth * static_cast<double>(i)) + "," +
                   plainNumber(histogram.binWidth * static_cast<double>(i + 1)) + "," +
                   std::to_string(histogram.counts[i]) + "\n";
        out += lead + plainNumber(histogram.binWidth * static_cast<double>(histogram.counts.size())) + ",inf," +
               std::to_string(histogram.above) + "\n";
        if (histogram.undefined > 0)
            out += lead + "undefined,," + std::to_string(histogram.undefined) + "\n";
    }
    return out;
}

} // namespace kelsim
