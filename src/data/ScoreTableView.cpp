#include "ScoreTableView.h"

#include <QHeaderView>
#include <QScrollBar>

namespace kelsim {

namespace {

// Room a cell leaves around its text (the style's margins on either side).
constexpr int kCellMargin = 8;

} // namespace

ScoreTableView::ScoreTableView(QWidget *parent) : QTableView(parent), frozen_(new QTableView(this))
{
    frozen_->setObjectName("FrozenColumns");
    frozen_->setFocusPolicy(Qt::NoFocus);
    frozen_->horizontalHeader()->hide();
    frozen_->verticalHeader()->hide();
    frozen_->setFrameShape(QFrame::NoFrame);
    frozen_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozen_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozen_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    frozen_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    frozen_->setWordWrap(false);
    frozen_->hide();
    viewport()->stackUnder(frozen_);

    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (column < frozenCount_) {
            frozen_->setColumnWidth(column, size);
            fitFrozenView();
        }
    });
    // Both views show the same rows: scrolling either moves the other.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, frozen_->verticalScrollBar(), &QScrollBar::setValue);
    connect(frozen_->verticalScrollBar(), &QScrollBar::valueChanged, verticalScrollBar(), &QScrollBar::setValue);
}

void ScoreTableView::setModel(QAbstractItemModel *model)
{
    // Each view makes a selection model of its own for a new model; both use this view's, and the
    // ones they no longer need go.
    QItemSelectionModel *previous = selectionModel();
    QTableView::setModel(model);
    frozen_->setModel(model);
    QItemSelectionModel *frozenOwn = frozen_->selectionModel();
    frozen_->setSelectionModel(selectionModel());
    if (frozenOwn != selectionModel())
        delete frozenOwn;
    if (previous && previous != selectionModel())
        delete previous;
    setFrozenColumns(0);
}

void ScoreTableView::setFrozenColumns(int count)
{
    frozenCount_ = count;
    QHeaderView *rows = frozen_->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(verticalHeader()->minimumSectionSize());
    rows->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    frozen_->setShowGrid(showGrid());
    const int columns = model() ? model()->columnCount() : 0;
    for (int column = 0; column < columns; ++column) {
        frozen_->setColumnHidden(column, column >= count);
        if (column < count)
            frozen_->setColumnWidth(column, columnWidth(column));
    }
    frozen_->setVisible(count > 0);
    fitFrozenView();
}

int ScoreTableView::frozenWidth() const
{
    int width = 0;
    for (int column = 0; column < frozenCount_; ++column)
        width += columnWidth(column);
    return width;
}

void ScoreTableView::fitFrozenView()
{
    frozen_->setGeometry(frameWidth(), frameWidth(), qMin(frozenWidth(), viewport()->width()), viewport()->height());
    frozen_->verticalScrollBar()->setValue(verticalScrollBar()->value());
}

void ScoreTableView::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    QTableView::scrollTo(index, hint);
    if (!index.isValid() || index.column() < frozenCount_ || isColumnHidden(index.column()))
        return;
    // A column widened a moment ago has not yet given the scroll bar its new range.
    updateGeometries();
    const int column = index.column();
    const int textWidth = fontMetrics().horizontalAdvance(index.data().toString()) + kCellMargin;
    const int textEnd = horizontalHeader()->sectionPosition(column) + qMin(columnWidth(column), textWidth);
    horizontalScrollBar()->setValue(qMax(0, textEnd - viewport()->width()));
}

void ScoreTableView::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    fitFrozenView();
}

void ScoreTableView::updateGeometries()
{
    QTableView::updateGeometries();
    fitFrozenView();
}

} // namespace kelsim
