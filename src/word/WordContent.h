#pragma once

#include "Design.h"
#include "NTable.h"
#include "TableReport.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kelsim {

// The scores as the Data Entry Grid shows them: one row per grid row, its cells from the first
// factor-name column to the score column (name, level, name, level, ..., score).
struct DataDocument {
    std::vector<std::vector<std::string>> rows;
};

// The grid's rows for a design: factor names as shown (the design's names when `shownNames` is
// empty), levels as labels when labels are in use and as digits otherwise, scores in cell order.
DataDocument dataDocumentFor(const Design &design, const std::vector<std::string> &scores,
                             const std::vector<std::string> &shownNames = {}, bool labelsInUse = false);

// The N-table as the result window shows it.
struct TableDocument {
    std::string title;                // the problem label; no title line when empty
    std::vector<std::string> summary; // the design summary and the table's foot lines, one line each
    std::vector<TableLine> rows;      // below the head row
    bool showP = true;                // false when no p-values were estimated

    int columnCount() const { return showP ? 6 : 5; }
};

// The document of a table: the problem label as title, the result window's summary, its cells.
TableDocument tableDocumentFor(const Design &design, const NTable &table);

// Column shares of the text width, left to right. They add up to more than the width; the table
// reaches into the right margin as it always has.
constexpr std::array<double, 6> kColumnFractions{.29, .15, .19, .19, .15, .15};

// A column's width in inches as text: the first three characters of the width's Str text after
// the sign position ("1.8" for 6.5 × .29, ".97" for 6.5 × .15).
std::string columnWidthText(double availableInches, double fraction);
// The same width in twips.
int columnWidthTwips(double availableInches, double fraction);

// Cell text without the spaces the grid uses for alignment.
std::string trimmedCell(const std::string &text);

} // namespace kelsim
