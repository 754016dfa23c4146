#include "ScoreGridModel.h"

#include <QBrush>
#include <QColor>
#include <QGuiApplication>
#include <QPalette>

namespace kelsim {

ScoreGridModel::ScoreGridModel(const QStringList &names, const std::vector<int> &levelCounts,
                               const std::vector<QStringList> &levelTexts, QObject *parent)
    : QAbstractTableModel(parent), names_(names), levelCounts_(levelCounts), levelTexts_(levelTexts)
{
    int64_t rows = levelCounts_.empty() ? 0 : 1;
    for (int levels : levelCounts_) {
        blockSizes_.push_back(static_cast<int>(rows));
        rows *= levels;
    }
    texts_.resize(static_cast<size_t>(rows));
    marks_.assign(static_cast<size_t>(rows), 0);
}

int ScoreGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : scoreCount();
}

int ScoreGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 2 * factorCount() + 1;
}

int ScoreGridModel::levelOf(int row, int factor) const
{
    const size_t f = static_cast<size_t>(factor - 1);
    return (row / blockSizes_[f]) % levelCounts_[f] + 1;
}

QVariant ScoreGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const int row = index.row();
    const int column = index.column();
    const bool score = column == scoreColumn();
    switch (role) {
    case Qt::DisplayRole: {
        if (score)
            return texts_[static_cast<size_t>(row)];
        const int factor = column / 2 + 1;
        if (column % 2 == 0)
            return names_.value(factor - 1);
        const int level = levelOf(row, factor);
        const QStringList &texts = levelTexts_[static_cast<size_t>(factor - 1)];
        return level - 1 < texts.size() ? texts[level - 1] : QString::number(level);
    }
    case Qt::ForegroundRole:
        if (score && marks_[static_cast<size_t>(row)])
            return QBrush(QColor(255, 0, 0));
        return QBrush(QColor(Qt::black));
    case Qt::BackgroundRole:
        if (!score)
            return QGuiApplication::palette().brush(QPalette::Button);
        return QVariant();
    case Qt::TextAlignmentRole:
        if (score)
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        return int(Qt::AlignCenter);
    default:
        return QVariant();
    }
}

Qt::ItemFlags ScoreGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (index.column() == scoreColumn())
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return Qt::ItemIsEnabled;
}

void ScoreGridModel::setDisplayNames(const QStringList &names)
{
    names_ = names;
    if (scoreCount() > 0)
        emit dataChanged(index(0, 0), index(scoreCount() - 1, scoreColumn() - 1), {Qt::DisplayRole});
}

void ScoreGridModel::scoresChanged(int first, int last)
{
    if (first <= last)
        emit dataChanged(index(first, scoreColumn()), index(last, scoreColumn()));
}

void ScoreGridModel::setScore(int row, const QString &text, bool marked)
{
    texts_[static_cast<size_t>(row)] = text;
    marks_[static_cast<size_t>(row)] = marked ? 1 : 0;
    scoresChanged(row, row);
}

void ScoreGridModel::setScoreText(int row, const QString &text)
{
    texts_[static_cast<size_t>(row)] = text;
    scoresChanged(row, row);
}

std::vector<ScoreCell> ScoreGridModel::cells(int first, int count) const
{
    std::vector<ScoreCell> result;
    result.reserve(static_cast<size_t>(count));
    for (int r = first; r < first + count; ++r)
        result.push_back(ScoreCell{texts_[static_cast<size_t>(r)], marks_[static_cast<size_t>(r)] != 0});
    return result;
}

void ScoreGridModel::setCells(int first, const std::vector<ScoreCell> &cells)
{
    for (size_t i = 0; i < cells.size(); ++i) {
        texts_[static_cast<size_t>(first) + i] = cells[i].text;
        marks_[static_cast<size_t>(first) + i] = cells[i].marked ? 1 : 0;
    }
    scoresChanged(first, first + static_cast<int>(cells.size()) - 1);
}

int ScoreGridModel::firstEmptyRow() const
{
    for (size_t r = 0; r < texts_.size(); ++r)
        if (texts_[r].isEmpty())
            return static_cast<int>(r);
    return -1;
}

} // namespace kelsim
