#include "KelsimTableWindow.h"

#include "Format.h"
#include "MessageService.h"
#include "PrintService.h"
#include "TableReport.h"
#include "WordSession.h"

#include <QAction>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace kelsim {

namespace {

QFont fixedFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setFamilies({"Courier New", font.family()});
    return font;
}

QString fromStd(const std::string &text)
{
    return QString::fromStdString(text);
}

// The editor of a source name takes the characters a source name may hold.
class SourceNameDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *line = qobject_cast<QLineEdit *>(editor)) {
            line->setObjectName("SourceNameEditor");
            line->setMaxLength(60);
            line->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("[\\p{L}\\p{N} ()+/:;|@*.,'-]*")), line));
        }
        return editor;
    }
};

} // namespace

KelsimTableWindow::KelsimTableWindow(ProblemState &problem, MessageService &messages, QWidget *parent)
    : QMainWindow(parent), problem_(problem), messages_(messages)
{
    setObjectName("KelsimTableWindow");
    setWindowTitle(tr("Kelsim Table"));
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    // The problem label and the summary wrap and, when long, scroll, so that no label, name or
    // line under the table makes the window wider than the screen or changes its size.
    auto *heading = new QScrollArea(central);
    heading->setObjectName("SummaryArea");
    heading->setWidgetResizable(true);
    heading->setFrameShape(QFrame::NoFrame);
    auto *headingText = new QWidget(heading);
    auto *headingLayout = new QVBoxLayout(headingText);
    headingLayout->setContentsMargins(0, 0, 0, 0);
    heading->setWidget(headingText);
    summaryArea_ = heading;
    problemLabel_ = new QLabel(headingText);
    problemLabel_->setObjectName("ProblemLabel");
    problemLabel_->setVisible(false);
    problemLabel_->setWordWrap(true);
    summary_ = new QLabel(headingText);
    summary_->setObjectName("SummaryLabel");
    summary_->setFont(fixedFont());
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    summary_->setWordWrap(true);
    headingLayout->addWidget(problemLabel_);
    headingLayout->addWidget(summary_);
    headingLayout->addStretch();
    grid_ = new QTableWidget(central);
    grid_->setObjectName("Grid2");
    grid_->setFont(fixedFont());
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setItemDelegateForColumn(0, new SourceNameDelegate(grid_));
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->verticalHeader()->setVisible(false);
    grid_->installEventFilter(this);
    connect(grid_, &QTableWidget::cellClicked, this, &KelsimTableWindow::cellClicked);
    connect(grid_, &QTableWidget::cellChanged, this, &KelsimTableWindow::renameEdited);
    returnButton_ = new QPushButton(tr("&Return to Specification Window"), central);
    returnButton_->setObjectName("CancelButton");
    restartButton_ = new QPushButton(tr("&New Problem"), central);
    restartButton_->setObjectName("RestartButton");
    connect(returnButton_, &QPushButton::clicked, this, &KelsimTableWindow::returnToSpecification);
    connect(restartButton_, &QPushButton::clicked, this, &KelsimTableWindow::newProblemRequested);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(returnButton_);
    buttons->addWidget(restartButton_);
    buttons->addStretch();
    layout->addWidget(heading);
    layout->addWidget(grid_, 1);
    layout->addLayout(buttons);
    setCentralWidget(central);
    buildMenus();
    statusBar()->setObjectName("StatusLine");
    resize(760, 560);
}

void KelsimTableWindow::buildMenus()
{
    auto item = [this](QMenu *menu, const QString &name, const QString &caption) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(name);
        return action;
    };
    fileMenu_ = menuBar()->addMenu(tr("&File"));
    fileMenu_->setObjectName("FileMenu");
    printItem_ = item(fileMenu_, "Printitem", tr("&Print Anova Table"));
    newWord_ = item(fileMenu_, "Newwinword", printTableToNewCaption());
    existingWord_ = item(fileMenu_, "ExistingWinword", appendTableToExistingCaption());
    printSetup_ = item(fileMenu_, "printsetup", tr("P&rinter Setup..."));
    fileMenu_->addSeparator();
    exitItem_ = item(fileMenu_, "ExitItem", tr("E&xit Alt + F4"));
    QMenu *edit = menuBar()->addMenu(tr("&Edit"));
    edit->setObjectName("EditMenu");
    copyItem_ = item(edit, "Copyitem", tr("&Copy Table to Clipboard"));
    // "S", not "R": "&Rename Source" has the R.
    copyRowsItem_ = item(edit, "copyrowsitem", tr("Copy &Selected Rows to Clipboard"));
    renameItem_ = item(edit, "RenameItem", tr("&Rename Source"));
    finishedRenamingItem_ = item(edit, "finishedrenamingitem", tr("&Finished Renaming Sources"));
    adjustItem_ = item(edit, "Adjustitem", tr("&Adjust Error df"));
    adjustItem_->setCheckable(true);
    finishedRenamingItem_->setEnabled(false);
    QMenu *help = menuBar()->addMenu(tr("&Help"));
    connect(item(help, "ContentsItem", tr("&Contents...")), &QAction::triggered, this,
            [this] { emit helpRequested("contents"); });
    connect(item(help, "SearchItem", tr("&Search...")), &QAction::triggered, this,
            [this] { emit helpRequested("search"); });
    connect(item(help, "Howtoitem", tr("How to &Use Help")), &QAction::triggered, this,
            [this] { emit helpRequested("howto"); });

    connect(printItem_, &QAction::triggered, this, &KelsimTableWindow::printTableRequested);
    connect(printSetup_, &QAction::triggered, this, &KelsimTableWindow::printerSetupRequested);
    connect(newWord_, &QAction::triggered, this, &KelsimTableWindow::wordNewRequested);
    connect(existingWord_, &QAction::triggered, this, &KelsimTableWindow::wordExistingRequested);
    connect(exitItem_, &QAction::triggered, this, &KelsimTableWindow::exitRequested);
    connect(copyItem_, &QAction::triggered, this, &KelsimTableWindow::copyTableRequested);
    connect(copyRowsItem_, &QAction::triggered, this, &KelsimTableWindow::copyRowsRequested);
    connect(renameItem_, &QAction::triggered, this, &KelsimTableWindow::startRenaming);
    connect(finishedRenamingItem_, &QAction::triggered, this, &KelsimTableWindow::finishRenaming);
    connect(adjustItem_, &QAction::triggered, this, &KelsimTableWindow::setAdjusting);
}

void KelsimTableWindow::load()
{
    renaming_ = false;
    setAdjusting(false);
    setRenamingMenus(false);
    showTable();
}

void KelsimTableWindow::showTable()
{
    const NTable &table = problem_.table;
    const Design &design = problem_.design;
    QStringList summary;
    for (const std::string &line : summaryLines(design, table))
        summary << fromStd(line);
    summary_->setText(summary.join('\n'));
    const QString label = fromStd(design.problemLabel);
    problemLabel_->setText(label);
    problemLabel_->setVisible(!label.isEmpty());
    // The whole heading, with a line or two wrapped, unless that would squeeze the table: a heading
    // of more than a dozen lines scrolls.
    const int lines = static_cast<int>(summary.size()) + 2 + (label.isEmpty() ? 0 : 2);
    const int lineHeight = QFontMetrics(summary_->font()).lineSpacing();
    summaryArea_->setMaximumHeight(lineHeight * lines);
    summaryArea_->setMinimumHeight(lineHeight * std::min(lines, 12));

    const std::vector<TableLine> rows = displayCells(table);
    const QString intervalHead = fromStd(kelsim::intervalHead(table));
    const int columns = table.showsP() ? (intervalHead.isEmpty() ? 6 : 7) : 5;
    // The user stays on the cell they were at, after a rename or an adjustment too.
    const int currentRow = grid_->currentRow(), currentColumn = grid_->currentColumn();
    filling_ = true;
    grid_->clear();
    grid_->setColumnCount(columns);
    grid_->setRowCount(static_cast<int>(rows.size()));
    QStringList heads;
    for (int c = 0; c < columns && c < 6; ++c)
        heads << fromStd(NTable::kHeads[static_cast<size_t>(c)]);
    if (columns == 7)
        heads << intervalHead;
    grid_->setHorizontalHeaderLabels(heads);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        for (int c = 0; c < columns; ++c) {
            const QString text = c < 6 ? fromStd(rows[static_cast<size_t>(r)][static_cast<size_t>(c)])
                                       : fromStd(intervalText(table, static_cast<size_t>(r)));
            auto *cell = new QTableWidgetItem(text);
            cell->setTextAlignment(c == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
            if (c == 0 && table.rows[static_cast<size_t>(r)].displayName() != table.rows[static_cast<size_t>(r)].name)
                cell->setToolTip(tr("Renamed from %1").arg(fromStd(table.rows[static_cast<size_t>(r)].name).trimmed()));
            grid_->setItem(r, c, cell);
        }
    }
    if (currentRow >= 0 && currentRow < grid_->rowCount() && currentColumn < columns)
        grid_->setCurrentCell(currentRow, currentColumn);
    filling_ = false;
    // Every column as wide as its longest text, a renamed source included.
    grid_->resizeColumnsToContents();
    for (int c = 0; c < columns; ++c)
        grid_->setColumnWidth(c, grid_->columnWidth(c) + 24);
    grid_->horizontalHeader()->setStretchLastSection(false);
    grid_->resizeRowsToContents();
}

void KelsimTableWindow::setWordAvailable(bool available)
{
    wordAvailable_ = available;
    newWord_->setEnabled(available && !renaming_);
    existingWord_->setEnabled(available);
}

QString KelsimTableWindow::reportText() const
{
    QString text = fromStd(buildTableReport(problem_.design, problem_.table));
    // The clipboard's line end, for editors on every platform.
    return text.replace('\n', QStringLiteral("\r\n"));
}

QString KelsimTableWindow::selectedRowsText() const
{
    std::set<int> rows;
    for (const QModelIndex &index : grid_->selectionModel()->selectedIndexes())
        rows.insert(index.row());
    if (rows.empty() && grid_->rowCount() > 0)
        rows.insert(std::max(grid_->currentRow(), 0));
    const std::vector<TableLine> cells = displayCells(problem_.table);
    const size_t columns = problem_.table.showsP() ? 6 : 5;
    QString text;
    for (int r : rows) {
        if (r < 0 || static_cast<size_t>(r) >= cells.size())
            continue;
        for (size_t c = 0; c < columns; ++c)
            text += fromStd(cells[static_cast<size_t>(r)][c]) + '\t';
        text += QStringLiteral("\r\n");
    }
    return text + QStringLiteral("\r\n");
}

std::unique_ptr<QTextDocument> KelsimTableWindow::printout() const
{
    QStringList lines;
    for (const std::string &line : printLines(problem_.design, problem_.table))
        lines << fromStd(line);
    return linesDocument(lines);
}

void KelsimTableWindow::setRenamingMenus(bool renaming)
{
    fileMenu_->setEnabled(!renaming);
    for (QAction *action : {printItem_, printSetup_, exitItem_})
        action->setEnabled(!renaming);
    newWord_->setEnabled(wordAvailable_ && !renaming);
    existingWord_->setEnabled(wordAvailable_);
    copyItem_->setEnabled(!renaming);
    copyRowsItem_->setEnabled(!renaming);
    finishedRenamingItem_->setEnabled(renaming);
}

void KelsimTableWindow::startRenaming()
{
    if (messages_.show(tr("Click on the name of the source whose name you would like to change (within this table "
                          "only)."),
                       tr("Rename Source"), MessageIcon::None, MessageButtons::OkCancel, this) != MessageAnswer::Ok)
        return;
    setAdjusting(false);
    renaming_ = true;
    setRenamingMenus(true);
    // Short enough for the status line of a narrow window.
    statusBar()->showMessage(
        tr("Rename Source: click a source or press F2 on it, type the name, press Enter.  Escape keeps the old one."));
    grid_->setFocus();
}

void KelsimTableWindow::finishRenaming()
{
    renaming_ = false;
    setRenamingMenus(false);
    statusBar()->clearMessage();
    returnButton_->setFocus();
}

void KelsimTableWindow::setAdjusting(bool on)
{
    adjusting_ = on;
    adjustItem_->setChecked(on);
    if (on) {
        statusBar()->showMessage(tr("Adjust Error df: click the df of an error row (indented, or \"Error +\") or "
                                    "press Enter on it.  Escape ends."));
        grid_->setFocus();
    } else if (!renaming_) {
        statusBar()->clearMessage();
    }
}

void KelsimTableWindow::cellClicked(int row, int column)
{
    if (renaming_ && column == 0) {
        if (QTableWidgetItem *cell = grid_->item(row, 0)) {
            grid_->setCurrentItem(cell);
            grid_->editItem(cell);
        }
        return;
    }
    if (adjusting_ && column == 1)
        adjustErrorDf(row);
}

void KelsimTableWindow::renameEdited(int row, int column)
{
    if (filling_ || column != 0 || row < 0 || static_cast<size_t>(row) >= problem_.table.rows.size())
        return;
    const QString typed = grid_->item(row, 0)->text();
    // An empty name is never kept: the row goes back to the name the run gave it.
    if (!renameSource(problem_.table, static_cast<size_t>(row), typed.toStdString()))
        restoreSourceName(problem_.table, static_cast<size_t>(row));
    showTable();
}

bool KelsimTableWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != grid_ || event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (adjusting_ && key == Qt::Key_Escape) {
        setAdjusting(false);
        return true;
    }
    // The keyboard's click on the current cell, for renaming and adjusting without a mouse.
    const bool choose = key == Qt::Key_F2 || key == Qt::Key_Return || key == Qt::Key_Enter;
    if (choose && (renaming_ || adjusting_) && grid_->currentRow() >= 0) {
        cellClicked(grid_->currentRow(), grid_->currentColumn());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void KelsimTableWindow::adjustErrorDf(int row)
{
    NTable &table = problem_.table;
    const size_t index = static_cast<size_t>(row);
    // The kind and the row's role decide; what the row is called does not.
    const DfAdjustment allowed = checkErrorDfAdjustment(problem_.design, table, index, 1);
    if (allowed == DfAdjustment::NotRepeatedMeasures) {
        messages_.show(tr("Adjustment of the df is permitted only for repeated measures designs."),
                       tr("Not a permitted adjustment!"), MessageIcon::Critical, MessageButtons::Ok, this);
        return;
    }
    if (allowed == DfAdjustment::NotAnErrorTerm) {
        messages_.show(tr("The source you have selected is not an error term.  Changing the df is not permitted."),
                       tr("Not a permitted adjustment!"), MessageIcon::Critical, MessageButtons::Ok, this);
        return;
    }
    const TableRow &error = table.rows[index];
    bool accepted = false;
    const QString answer =
        messages_.askText(tr("The current error df for %1 is %2.  Enter the adjusted error df you wish to use.")
                              .arg(fromStd(error.displayName()), fromStd(strText(error.df))),
                          tr("Adjusted Error df"), QString(), &accepted, this);
    if (!accepted || answer.trimmed().isEmpty())
        return;
    bool number = false;
    const qlonglong newDf = answer.trimmed().toLongLong(&number);
    if (!number || newDf > 1000000000 || newDf < -1000000000) {
        messages_.show(tr("\"%1\" is not a number of degrees of freedom.  Please enter a whole number, such as %2.")
                           .arg(answer.trimmed(), QString::number(std::max<int64_t>(1, error.df - 1))),
                       tr("Adjusted Error df"), MessageIcon::Critical, MessageButtons::Ok, this);
        return;
    }
    switch (checkErrorDfAdjustment(problem_.design, table, index, newDf)) {
    case DfAdjustment::Unchanged:
        messages_.show(tr("The value is unchanged.  That is probably not what you intended!"), tr("Error?"),
                       MessageIcon::Critical, MessageButtons::Ok, this);
        return;
    case DfAdjustment::NeedsConfirmation:
        if (messages_.show(tr("The error df has been increased.  That is highly unusual, as df are commonly subtracted "
                              "when scores have been imputed.\n\r     Is it OK?"),
                           tr("Error?"), MessageIcon::None, MessageButtons::YesNo, this) != MessageAnswer::Yes)
            return;
        break;
    case DfAdjustment::ZeroDf:
    case DfAdjustment::NegativeDf:
        messages_.show(tr("      The adjustment you propose results in an error term with %1 df.\n%2")
                           .arg(fromStd(strText(static_cast<int64_t>(newDf))),
                                newDf == 0 ? tr("Zero df does not permit the construction of an F-ratio.")
                                           : tr("Negative df are not permitted.")),
                       tr("Impossible Value!"), MessageIcon::Critical, MessageButtons::Ok, this);
        return;
    default:
        break;
    }
    kelsim::adjustErrorDf(table, index, newDf);
    showTable();
}

void KelsimTableWindow::returnToSpecification()
{
    problem_.designAnalysed = true;
    hide();
    emit returnRequested();
}

void KelsimTableWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    emit exitRequested();
}

} // namespace kelsim
