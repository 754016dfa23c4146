#pragma once

#include "Design.h"
#include "TableRows.h"

#include <array>
#include <string>
#include <vector>

namespace kelsim {

using TableLine = std::array<std::string, 6>; // Source, df, Pairs, NP, N-ratio, p

struct ReportFactor {
    std::string name; // the full name
    int levels = 2;
    bool designated = false;
};

// What the N-table report is made of. The rows are the table's texts below the head row as the
// table window holds them (renamed sources and adjusted df included).
struct ReportInput {
    std::string problemLabel;
    std::vector<ReportFactor> factors;
    std::vector<std::string> nestingEntries; // "A nested under B"
    std::vector<TableLine> rows;
    int npDecimals = 3;
    bool showP = true; // false when no p-values were estimated (one iteration)
};

ReportInput reportInputFor(const Design &design, const NTable &table);
std::string nestingEntryText(const NestingPair &pair);

// The column-aligned report that the table copy and the printout share.
std::string buildTableReport(const ReportInput &input);

// The report's lines above the table: the problem label, "  Factors", one line per factor and
// the nesting entries.
std::vector<std::string> reportHeadingLines(const ReportInput &input);

// The report's table cell by cell, each value formatted as the report writes it; N-ratio and p
// are empty where the report's line ends early. The empty rows at the end are left out.
std::vector<TableLine> reportCells(const ReportInput &input);

// The table's cells as the result window shows them: NP with three decimals, N-ratio with two,
// p with "<.001" and " 1. " at the extremes; empty cells stay empty. Rows 2..rowCount.
std::vector<TableLine> displayRows(const NTable &table);

// Tab-separated head row and display rows, without the crossed table's empty last row.
std::string buildTsv(const NTable &table, bool showP);

std::string padRight(const std::string &text, size_t width);
std::string padLeft(const std::string &text, size_t width);

} // namespace kelsim
