#include "DataPrintout.h"

#include "PrintService.h"

#include <QAbstractItemModel>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace kelsim {

std::vector<DataPrintLine> dataPrintLines(const QAbstractItemModel &grid, int factorCount)
{
    std::vector<DataPrintLine> lines;
    const int rows = grid.rowCount();
    lines.reserve(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r) {
        DataPrintLine line;
        for (int f = 0; f < factorCount; ++f) {
            line.names << grid.index(r, 2 * f).data().toString();
            line.levels << grid.index(r, 2 * f + 1).data().toString();
        }
        line.score = grid.index(r, 2 * factorCount).data().toString();
        lines.push_back(line);
    }
    return lines;
}

QString dataPrintText(const DataPrintLine &line)
{
    QString text;
    for (int f = 0; f < line.names.size(); ++f)
        text += line.names[f] + line.levels.value(f) + ' ';
    return text + "  " + line.score;
}

std::unique_ptr<QTextDocument> buildDataPrintout(const QString &problemLabel, const std::vector<DataPrintLine> &lines)
{
    std::unique_ptr<QTextDocument> document =
        linesDocument({"   " + problemLabel, QString(), "   Raw Data", QString()});
    QTextCharFormat plain;
    QTextCharFormat level;
    level.setFontWeight(QFont::Bold);
    QTextCursor cursor(document.get());
    cursor.movePosition(QTextCursor::End);
    for (const DataPrintLine &line : lines) {
        cursor.insertBlock();
        for (int f = 0; f < line.names.size(); ++f) {
            cursor.insertText(line.names[f], plain);
            cursor.insertText(line.levels.value(f), level);
            cursor.insertText(" ", plain);
        }
        cursor.insertText("  " + line.score, plain);
    }
    return document;
}

} // namespace kelsim
