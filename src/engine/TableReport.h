#pragma once

#include "Design.h"
#include "NTable.h"

#include <array>
#include <string>
#include <vector>

namespace kelsim {

// The texts of one table row, as one view shows them: Source, df, Pairs, NP, N-ratio, p.
using TableLine = std::array<std::string, 6>;

// Every view of the N-table (the result window, the clipboard report, the printout, the .docx
// document, the command line) is formatted here from the table's numbers.

// The design summary above a table: "  Factors", one line per factor (the designated one in
// brackets, the level counts in one column, and the factor's letter in front when the source
// names are built from letters of longer names), then one line per nesting entry.
std::vector<std::string> factorLines(const Design &design, bool allNestingPairs);
// The result window's and the document's summary: the factor lines with every nesting pair,
// then "   Pairs compared:", "   Number of resampling iterations:" and the table's foot lines.
std::vector<std::string> summaryLines(const Design &design, const NTable &table);

// The one line every view of a table carries: the iterations, the seed, exact or Monte Carlo p,
// the shuffle and the program's version, as in
// "Iterations: 100,000; seed: 7; p: Monte Carlo, 99% intervals; shuffle: whole table; Kelsim 3.1.3".
std::string factsLine(const NTable &table);
// Under a table of restricted shuffles, what moved for which rows and how often, as in
// "Restricted shuffle: G: subjects moved whole, exact over 40,320 arrangements; W, GxW: within
// subjects, 100,000 iterations."; empty for the whole-table shuffle.
std::string shuffleLine(const NTable &table);
// The facts line, then the shuffle line when there is one: the foot of every view.
std::vector<std::string> footLines(const NTable &table);
// A row's p as an interval, for a column or a tooltip: "exact" for an exact p, "[.4962, .5301]"
// for a Monte Carlo one (its 99 % interval, the ends rounded outwards to four decimals), empty for a
// row without p.
std::string intervalText(const NTable &table, size_t row);
// The head of the interval column: "99% interval" when some p is a Monte Carlo one, else empty.
std::string intervalHead(const NTable &table);
// "  A nested under B"-style entry of one relation, without the indent.
std::string nestingEntryText(const NestingPair &pair);

// The result window's cells: NP with three decimals, N-ratio with two, p with "<.001" and " 1. "
// at the extremes; empty where a row has no such value.
std::vector<TableLine> displayCells(const NTable &table);
// The reports' cells: the same, but NP with the table's own number of decimals.
std::vector<TableLine> reportCells(const NTable &table);
// The line under a table whose error df the user changed; empty when none was.
std::string adjustmentNote(const NTable &table);

// The column-aligned report that "Copy Table to Clipboard" and `kelsim-cli --format report` give,
// with a line feed after every line: heading, table with the interval column, an empty line, the
// foot lines.
std::string buildTableReport(const Design &design, const NTable &table);
// The printout's lines: the report's heading, an empty line, then the table with each column as
// wide as its widest text, the Source column left-aligned and the others right-aligned, the
// interval column last; then an empty line and the foot lines.
std::vector<std::string> printLines(const Design &design, const NTable &table);
// Tab-separated head row and the window's cells; with p-values also pLow and pHigh, the interval's
// ends as plain numbers (six significant digits). Then the foot lines, each behind "# ".
std::string buildTsv(const NTable &table);
// Every tested row's permutation distribution as comma-separated values, with the head
// "source,observed,from,to,count": one line per bin, one from the last bin's upper end to "inf"
// for the N-ratios above the bins, and one with from "undefined" when some N-ratio could not be
// formed.
std::string buildDistributionCsv(const NTable &table);

std::string padRight(const std::string &text, size_t width);
std::string padLeft(const std::string &text, size_t width);

} // namespace kelsim
