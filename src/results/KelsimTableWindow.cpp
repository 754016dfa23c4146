#include "KelsimTableWindow.h"

#include "CaptionLabel.h"
#include "DistributionPlot.h"
#include "Format.h"
#include "MessageService.h"
#include "PrintService.h"
#include "TableReport.h"
#include "WordSession.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
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

// What a p rests on: its interval, or "exact", and how many arrangements reached the observed
// N-ratio out of how many.
QString pToolTip(const NTable &table, size_t row)
{
    const PValue &p = *table.rows[row].p;
    const QString count = fromStd(groupedNumber(p.exceedCount + 1));
    const QString total = fromStd(groupedNumber(p.arrangements));
    if (p.exact)
        return QCoreApplication::translate("KelsimTableWindow",
                                           "exact: %1 of all %2 distinct arrangements reach the observed N-ratio (the "
                                           "observed one included)")
            .arg(count, total);
    return QCoreApplication::translate("KelsimTableWindow",
                                       "%1 %2\n%3 of %4 arrangements reached the observed N-ratio: the observed one "
                                       "and %5 of the shuffles")
        .arg(fromStd(intervalHead(table)), fromStd(intervalText(table, row)), count, total,
             fromStd(groupedNumber(p.exceedCount)));
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
    // line makes the window wider than the screen or changes its size.
    problemLabel_ = new CaptionLabel(QString(), central, 3);
    problemLabel_->setObjectName("ProblemLabel");
    problemLabel_->setVisible(false);
    auto *summaryArea = new QScrollArea(central);
    summaryArea->setObjectName("SummaryArea");
    summaryArea->setWidgetResizable(true);
    summaryArea->setFrameShape(QFrame::NoFrame);
    summaryArea_ = summaryArea;
    summary_ = new QLabel(summaryArea);
    summary_->setObjectName("SummaryLabel");
    summary_->setFont(fixedFont());
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    summary_->setWordWrap(true);
    summary_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    summaryArea->setWidget(summary_);
    // The run's facts (the seed above all) stand right above the table, wrapped to the window's
    // width, for the user to read off or select and copy.
    facts_ = new QLabel(central);
    facts_->setObjectName("FactsLabel");
    facts_->setWordWrap(true);
    facts_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
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
    plot_ = new DistributionPlot(central);
    connect(grid_, &QTableWidget::currentCellChanged, this, [this](int row) { showDistribution(row); });
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
    layout->addWidget(problemLabel_);
    // The plot takes the room beside the summary, so that the table keeps the window's height.
    auto *top = new QHBoxLayout;
    top->addWidget(summaryArea_, 1, Qt::AlignTop);
    top->addSpacing(12);
    top->addWidget(plot_, 1);
    layout->addLayout(top);
    layout->addWidget(facts_);
    layout->addWidget(grid_, 1);
    layout->addLayout(buttons);
    setCentralWidget(central);
    buildMenus();
    statusBar()->setObjectName("StatusLine");
    // Room for the table and the plot below it, on screens that have it.
    const QRect screen = this->screen()->availableGeometry();
    resize(std::min(820, screen.width()), std::min(720, screen.height() * 9 / 10));
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
    copyCommandItem_ = item(edit, "copycommanditem", tr("Copy as Command &Line"));
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
    connect(copyCommandItem_, &QAction::triggered, this, &KelsimTableWindow::copyCommandLineRequested);
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
    // The summary lines end with the foot lines, which have a label of their own.
    const std::vector<std::string> foot = footLines(table);
    const std::vector<std::string> lines = summaryLines(design, table);
    QStringList summary, facts;
    for (size_t i = 0; i < lines.size(); ++i)
        (i + foot.size() < lines.size() ? summary : facts) << fromStd(lines[i]);
    summary_->setText(summary.join('\n'));
    facts_->setText(facts.join('\n'));
    const QString label = fromStd(design.problemLabel);
    problemLabel_->setText(label);
    problemLabel_->setVisible(!label.isEmpty());
    // The whole summary, unless that would squeeze the table: one of more than a dozen lines scrolls.
    const int lineHeight = QFontMetrics(summary_->font()).lineSpacing();
    const int summaryLines = static_cast<int>(summary.size()) + 1;
    summaryArea_->setMaximumHeight(lineHeight * summaryLines);
    summaryArea_->setMinimumHeight(lineHeight * std::min(summaryLines, 12));

    const std::vector<TableLine> rows = displayCells(table);
    // The user stays on the cell they were at, after a rename or an adjustment too.
    const int currentRow = grid_->currentRow(), currentColumn = grid_->currentColumn();
    QStringList intervals;
    bool someInterval = false;
    for (size_t r = 0; r < rows.size(); ++r) {
        intervals << fromStd(intervalText(table, r));
        someInterval = someInterval || !intervals.back().isEmpty();
    }
    const int columns = table.showsP() ? (someInterval ? 7 : 6) : 5;
    filling_ = true;
    grid_->clear();
    grid_->setColumnCount(columns);
    grid_->setRowCount(static_cast<int>(rows.size()));
    QStringList heads;
    for (int c = 0; c < columns && c < 6; ++c)
        heads << fromStd(NTable::kHeads[static_cast<size_t>(c)]);
    if (columns == 7)
        heads << fromStd(intervalHead(table));
    grid_->setHorizontalHeaderLabels(heads);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const TableRow &row = table.rows[static_cast<size_t>(r)];
        for (int c = 0; c < columns; ++c) {
            const QString text = c < 6 ? fromStd(rows[static_cast<size_t>(r)][static_cast<size_t>(c)]) : intervals[r];
            auto *cell = new QTableWidgetItem(text);
            cell->setTextAlignment(c == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
            if (c == 0 && row.displayName() != row.name)
                cell->setToolTip(tr("Renamed from %1").arg(fromStd(row.name).trimmed()));
            if (c == 5 && row.p && !text.isEmpty())
                cell->setToolTip(pToolTip(table, static_cast<size_t>(r)));
            grid_->setItem(r, c, cell);
        }
    }
    filling_ = false;
    if (currentRow >= 0 && currentRow < grid_->rowCount() && currentColumn < columns)
        grid_->setCurrentCell(currentRow, currentColumn);
    // Every column as wide as its longest text, a renamed source included.
    grid_->resizeColumnsToContents();
    for (int c = 0; c < columns; ++c)
        grid_->setColumnWidth(c, grid_->columnWidth(c) + 24);
    grid_->horizontalHeader()->setStretchLastSection(false);
    grid_->resizeRowsToContents();
    showDistribution(grid_->currentRow());
}

void KelsimTableWindow::showDistribution(int row)
{
    const NTable &table = problem_.table;
    if (row >= 0 && static_cast<size_t>(row) < table.rows.size()) {
        plot_->showRow(table, static_cast<size_t>(row));
        return;
    }
    // Before any row is chosen, the first tested one.
    for (size_t r = 0; table.showsP() && r < table.rows.size(); ++r)
        if (table.rows[r].p) {
            plot_->showRow(table, r);
            return;
        }
    plot_->showHint(table.showsP() ? tr("No row was tested: there is no permutation distribution to show.")
                                   : tr("With one iteration no shuffles were made: there is no permutation "
                                        "distribution to show."));
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
    // Every column the grid shows, the interval (or "exact") beside p included.
    const size_t columns = static_cast<size_t>(grid_->columnCount());
    QString text;
    for (int r : rows) {
        if (r < 0 || static_cast<size_t>(r) >= cells.size())
            continue;
        for (size_t c = 0; c < columns; ++c)
            text += fromStd(c < 6 ? cells[static_cast<size_t>(r)][c] : intervalText(problem_.table, size_t(r))) + '\t';
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
    copyCommandItem_->setEnabled(!renaming);
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
