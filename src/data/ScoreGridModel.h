#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>

#include <vector>

namespace kelsim {

struct Design;

// One score cell: its text and whether the user marked it.
struct ScoreCell {
    QString text;
    bool marked = false;
    bool operator==(const ScoreCell &other) const { return text == other.text && marked == other.marked; }
    bool operator!=(const ScoreCell &other) const { return !(*this == other); }
};

// The rows of the data entry grid: one per cell of the design, in cell order (Factor 1 changes
// on every row). Each factor has a name column and a level column; the last column holds the
// score, a text with a mark. Names and levels are computed from the row, so a grid of 16352
// rows costs no more than its scores.
class ScoreGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    // levelTexts[f][l]: what the level column of factor f shows for level l + 1.
    ScoreGridModel(const QStringList &names, const std::vector<int> &levelCounts,
                   const std::vector<QStringList> &levelTexts, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    int factorCount() const { return static_cast<int>(levelCounts_.size()); }
    int scoreColumn() const { return 2 * factorCount(); }
    int scoreCount() const { return static_cast<int>(texts_.size()); }

    // 1-based level of factor f (1-based) in a row: ((row div B_f) mod L_f) + 1.
    int levelOf(int row, int factor) const;
    QString displayName(int factor) const { return names_.value(factor - 1); }
    void setDisplayNames(const QStringList &names);

    const QString &scoreText(int row) const { return texts_[static_cast<size_t>(row)]; }
    bool isMarked(int row) const { return marks_[static_cast<size_t>(row)] != 0; }
    void setScore(int row, const QString &text, bool marked);
    void setScoreText(int row, const QString &text);
    // The cells of rows first .. first + count - 1, and their replacement from `first` on.
    std::vector<ScoreCell> cells(int first, int count) const;
    void setCells(int first, const std::vector<ScoreCell> &cells);

    // The first row with an empty score, or -1.
    int firstEmptyRow() const;

    const std::vector<QString> &texts() const { return texts_; }

  private:
    void scoresChanged(int first, int last);

    QStringList names_;
    std::vector<int> levelCounts_;
    std::vector<int> blockSizes_; // B_f: rows between changes of factor f's level
    std::vector<QStringList> levelTexts_;
    std::vector<QString> texts_;
    std::vector<char> marks_;
};

} // namespace kelsim
