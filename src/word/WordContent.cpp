#include "WordContent.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace kelsim {

std::string trimmedCell(const std::string &text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

DataDocument dataDocumentFor(const Design &design, const std::vector<std::string> &scores,
                             const std::vector<std::string> &shownNames, bool labelsInUse)
{
    DataDocument data;
    const std::vector<int> levels = design.levelCounts();
    const size_t factorCount = levels.size();
    for (size_t row = 0; row < scores.size(); ++row) {
        std::vector<std::string> cells;
        int64_t block = 1; // product of the level counts of the factors before this one
        for (size_t f = 0; f < factorCount; ++f) {
            const int level = static_cast<int>((static_cast<int64_t>(row) / block) % levels[f]) + 1;
            block *= levels[f];
            cells.push_back(f < shownNames.size() ? shownNames[f] : design.factors[f].name);
            std::string levelText = std::to_string(level);
            if (labelsInUse && f < design.levelLabels.size() &&
                static_cast<size_t>(level) <= design.levelLabels[f].size() &&
                !design.levelLabels[f][static_cast<size_t>(level - 1)].empty())
                levelText = design.levelLabels[f][static_cast<size_t>(level - 1)];
            cells.push_back(levelText);
        }
        cells.push_back(scores[row]);
        data.rows.push_back(std::move(cells));
    }
    return data;
}

TableDocument tableDocumentFor(const Design &design, const NTable &table)
{
    TableDocument document;
    document.title = trimmedCell(design.problemLabel);
    // The foot lines stand under the table, not in the summary above it.
    const std::vector<std::string> foot = footLines(table);
    document.summary = summaryLines(design, table);
    document.summary.resize(document.summary.size() - foot.size());
    document.rows = displayCells(table);
    document.showP = table.showsP();
    for (size_t r = 0; document.showP && r < table.rows.size(); ++r)
        document.intervals.push_back(intervalText(table, r));
    if (std::all_of(document.intervals.begin(), document.intervals.end(),
                    [](const std::string &text) { return text.empty(); }))
        document.intervals.clear();
    document.intervalHead = intervalHead(table);
    const std::string note = adjustmentNote(table);
    if (!note.empty())
        document.notes.push_back(note);
    document.notes.insert(document.notes.end(), foot.begin(), foot.end());
    return document;
}

std::vector<double> columnShares(int columnCount)
{
    // Source, df, Pairs, NP, N-ratio, p in the proportions the table has always had; with the
    // interval, room for "[.9989, 1.0000]" on a page of A4 with wide margins.
    std::vector<double> shares = columnCount == 7 ? std::vector<double>{.18, .09, .14, .10, .13, .10, .26}
                                                  : std::vector<double>{.29, .15, .19, .19, .15, .15};
    shares.resize(static_cast<size_t>(std::clamp(columnCount, 1, static_cast<int>(shares.size()))));
    const double total = std::accumulate(shares.begin(), shares.end(), 0.0);
    for (double &share : shares)
        share /= total;
    return shares;
}

std::vector<int> columnWidthsTwips(int textWidthTwips, int columnCount)
{
    std::vector<int> widths;
    int given = 0;
    const std::vector<double> shares = columnShares(columnCount);
    for (size_t c = 0; c < shares.size(); ++c) {
        // The last column takes what rounding left, so that the table ends at the right margin.
        widths.push_back(c + 1 < shares.size() ? static_cast<int>(std::lround(textWidthTwips * shares[c]))
                                               : textWidthTwips - given);
        given += widths.back();
    }
    return widths;
}

} // namespace kelsim
