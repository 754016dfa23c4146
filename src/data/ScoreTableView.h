#pragma once

#include <QTableView>

namespace kelsim {

// The grid's table. The factor-name and level columns stay at the left while a long score column
// scrolls sideways beneath them, as the frozen columns of a spreadsheet do: a second view over
// the same model and selection, showing only those columns, lies over this one's left edge (the
// way of Qt's frozen-column example).
class ScoreTableView : public QTableView {
    Q_OBJECT
  public:
    explicit ScoreTableView(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;
    // Columns 0 .. count - 1 stay at the left; the others scroll.
    void setFrozenColumns(int count);
    QTableView *frozenView() const { return frozen_; }
    int frozenWidth() const;

    // Rows scroll as usual. Sideways, a scrolling cell is shown from its start when its text fits
    // beside the frozen columns, else with the end of its text (where typing goes) in view.
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;

  protected:
    void resizeEvent(QResizeEvent *event) override;
    void updateGeometries() override;

  private:
    void fitFrozenView();

    QTableView *frozen_;
    int frozenCount_ = 0;
};

} // namespace kelsim
