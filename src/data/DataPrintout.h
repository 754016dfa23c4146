#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QAbstractItemModel;
class QTextDocument;

namespace kelsim {

// One row of the Data Entry Grid as "&Print Data" prints it.
struct DataPrintLine {
    QStringList names;  // the factor-name cells, in factor order
    QStringList levels; // the level cells beside them
    QString score;
};

// The rows of the grid's model, whose columns are factor 1's name and level, factor 2's name and
// level, ... and the score last.
std::vector<DataPrintLine> dataPrintLines(const QAbstractItemModel &grid, int factorCount);

// One printed line: each factor's name immediately followed by its level and a space, then two
// spaces and the score.
QString dataPrintText(const DataPrintLine &line);

// The printout of "&Print Data": three spaces and the problem label, an empty line, "   Raw Data",
// an empty line, then one line per grid row, in a fixed-pitch font. The level cells are set in
// bold so that they stand apart from the names they follow.
std::unique_ptr<QTextDocument> buildDataPrintout(const QString &problemLabel, const std::vector<DataPrintLine> &lines);

} // namespace kelsim
