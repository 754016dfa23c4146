#pragma once

#include "Design.h"
#include "NTable.h"
#include "TableReport.h"

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
    std::string title;                  // the problem label; no title line when empty
    std::vector<std::string> summary;   // the design summary above the table, one line each
    std::vector<TableLine> rows;        // below the head row
    std::string intervalHead;           // the head of the interval column
    std::vector<std::string> intervals; // one per row ("exact", "[.0000, .0015]" or empty); none: no column
    std::vector<std::string> notes;     // under the table: the adjustment note, the run's facts
    bool showP = true;                  // false when no p-values were estimated

    int columnCount() const { return !showP ? 5 : intervals.empty() ? 6 : 7; }
};

// The document of a table: the problem label as title, the result window's summary and cells with
// each p's interval, and the foot lines under the table.
TableDocument tableDocumentFor(const Design &design, const NTable &table);

// Each column's share of the text width, left to right, for tables of six columns (the p column
// last) and of seven (the interval column last). Either set adds up to the whole width.
std::vector<double> columnShares(int columnCount);
// The columns' widths in twips for a text width in twips; they add up to exactly that width.
std::vector<int> columnWidthsTwips(int textWidthTwips, int columnCount);

// Cell text without the spaces the grid uses for alignment.
std::string trimmedCell(const std::string &text);

} // namespace kelsim
