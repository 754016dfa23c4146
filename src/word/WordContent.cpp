#include "WordContent.h"

#include "Format.h"

#include <algorithm>
#include <cmath>

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
    document.summary = summaryLines(design, table);
    document.rows = displayCells(table);
    document.showP = table.showsP();
    return document;
}

std::string columnWidthText(double availableInches, double fraction)
{
    std::string text = strText(availableInches * fraction).substr(1, 3);
    // The C library may have written the locale's decimal comma; the width is read back below.
    std::replace(text.begin(), text.end(), ',', '.');
    return text;
}

int columnWidthTwips(double availableInches, double fraction)
{
    // Read by hand: the C library's number parsing follows the user's locale.
    double inches = 0.0, scale = 0.0;
    for (const char c : columnWidthText(availableInches, fraction)) {
        if (c == '.') {
            scale = 0.1;
        } else if (c >= '0' && c <= '9') {
            if (scale == 0.0) {
                inches = inches * 10 + (c - '0');
            } else {
                inches += (c - '0') * scale;
                scale /= 10;
            }
        }
    }
    return static_cast<int>(std::lround(inches * 1440.0));
}

} // namespace kelsim
