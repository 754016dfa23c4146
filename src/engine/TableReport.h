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
// then "   Pairs compared:" and "   Number of resampling iterations:".
std::vector<std::string> summaryLines(const Design &design, const NTable &table);
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
// with a line feed after every line.
std::string buildTableReport(const Design &design, const NTable &table);
// The printout's lines: the report's heading, an empty line, then the table with each column as
// wide as its widest text, the Source column left-aligned and the others right-aligned.
std::vector<std::string> printLines(const Design &design, const NTable &table);
// Tab-separated head row and the window's cells.
std::string buildTsv(const NTable &table);

std::string padRight(const std::string &text, size_t width);
std::string padLeft(const std::string &text, size_t width);

} // namespace kelsim
