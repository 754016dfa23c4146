#include "KelsimTableWindow.h"

#include "Format.h"
#include "PrintService.h"
#include "WordSession.h"

#include <QAction>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
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

bool acceptedInSourceName(QChar c)
{
    return c.isLetterOrNumber() || QStringLiteral("()+/:;|@").contains(c);
}

} // namespace

KelsimTableWindow::KelsimTableWindow(ProblemState &problem, MessageService &messages, QWidget *parent)
    : QMainWindow(parent), problem_(problem), messages_(messages)
{
    setObjectName("KelsimTableWindow");
    setWindowTitle(tr("Kelsim Table"));
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    problemLabel_ = new QLabel(central);
    problemLabel_->setObjectName("ProblemLabel");
    problemLabel_->setVisible(false);
    summary_ = new QLabel(central);
    summary_->setObjectName("SummaryLabel");
    summary_->setFont(fixedFont());
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid_ = new QTableWidget(central);
    grid_->setObjectName("Grid2");
    grid_->setFont(fixedFont());
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->verticalHeader()->setVisible(false);
    grid_->installEventFilter(this);
    connect(grid_, &QTableWidget::cellClicked, this, &KelsimTableWindow::cellClicked);
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
    layout->addWidget(summary_);
    layout->addWidget(grid_, 1);
    layout->addLayout(buttons);
    setCentralWidget(central);
    buildMenus();
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
    copyRowsItem_ = item(edit, "copyrowsitem", tr("Copy Selected &Rows to Clipboard"));
    renameItem_ = item(edit, "RenameItem", tr("&Rename Source"));
    finishedRenamingItem_ = item(edit, "finishedrenamingitem", tr("&Finished Renaming Sources"));
    adjustItem_ = item(edit, "Adjustitem", tr("&Adjust Error df"));
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
    connect(adjustItem_, &QAction::triggered, this, &KelsimTableWindow::startAdjusting);
}

QStringList KelsimTableWindow::summaryLines(const ProblemState &problem)
{
    const Design &design = problem.design;
    QStringList lines = {"  Factors"};
    auto fullName = [&](int f) {
        const size_t i = static_cast<size_t>(f);
        if (problem.namesAbbreviated && i < problem.fullNames.size())
            return QString::fromStdString(problem.fullNames[i]);
        return QString::fromStdString(design.factors[i].name);
    };
    int longest = 0;
    for (int f = 0; f < design.factorCount(); ++f)
        longest = std::max(longest, static_cast<int>(fullName(f).size()));
    for (int f = 0; f < design.factorCount(); ++f) {
        const QString name = fullName(f);
        const bool designated = f + 1 == design.specialFactor;
        const int padding = std::max(0, longest - static_cast<int>(name.size()) - (designated ? 2 : 0));
        lines << "  " + (designated ? "(" + name + ")" : name) + QString(padding, ' ') +
                     QString::fromStdString(strText(static_cast<int64_t>(design.factors[static_cast<size_t>(f)].levels)));
    }
    if (design.nested)
        for (const NestingPair &pair : design.nestingPairs)
            lines << "   " + QString::fromStdString(nestingEntryText(pair));
    lines << "   Pairs compared:" + QString::fromStdString(strText(problem.table.totalPairs));
    lines << "   Number of resampling iterations:  " + QString::fromStdString(groupedNumber(design.iterations));
    return lines;
}

void KelsimTableWindow::load()
{
    const NTable &table = problem_.table;
    summary_->setText(summaryLines(problem_).join('\n'));
    const QString label = QString::fromStdString(problem_.design.problemLabel);
    problemLabel_->setText(label);
    problemLabel_->setVisible(!label.isEmpty());

    const bool showP = problem_.design.iterations > 1;
    const int columns = showP ? 6 : 5;
    const std::vector<TableLine> rows = displayRows(table);
    grid_->clear();
    grid_->setColumnCount(columns);
    grid_->setRowCount(static_cast<int>(rows.size()));
    QStringList heads;
    for (int c = 0; c < columns; ++c)
        heads << QString::fromStdString(NTable::kHeads[static_cast<size_t>(c)]);
    grid_->setHorizontalHeaderLabels(heads);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        for (int c = 0; c < columns; ++c) {
            auto *cell = new QTableWidgetItem(QString::fromStdString(rows[static_cast<size_t>(r)][static_cast<size_t>(c)]));
            cell->setTextAlignment(c == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
            grid_->setItem(r, c, cell);
        }
    }
    grid_->resizeColumnsToContents();
    for (int c = 0; c < columns; ++c)
        grid_->setColumnWidth(c, grid_->columnWidth(c) + 24);
    grid_->horizontalHeader()->setStretchLastSection(false);
    grid_->resizeRowsToContents();
    np_.clear();
    df_.clear();
    for (const TableRow &row : table.rows) {
        np_.push_back(row.proportion);
        df_.push_back(static_cast<double>(row.df));
    }
    renaming_ = adjusting_ = false;
    setRenamingMenus(false);
}

void KelsimTableWindow::setWordAvailable(bool available)
{
    wordAvailable_ = available;
    newWord_->setEnabled(available && !renaming_);
    existingWord_->setEnabled(available);
}

std::vector<std::array<std::string, 6>> KelsimTableWindow::gridLines() const
{
    std::vector<std::array<std::string, 6>> lines;
    for (int r = 0; r < grid_->rowCount(); ++r) {
        std::array<std::string, 6> line;
        for (int c = 0; c < grid_->columnCount() && c < 6; ++c)
            if (const QTableWidgetItem *cell = grid_->item(r, c))
                line[static_cast<size_t>(c)] = cell->text().toStdString();
        lines.push_back(line);
    }
    return lines;
}

ReportInput KelsimTableWindow::reportInput(const ProblemState &problem, const std::vector<TableLine> &gridLines)
{
    ReportInput input = reportInputFor(problem.design, problem.table);
    for (size_t f = 0; f < input.factors.size(); ++f)
        if (problem.namesAbbreviated && f < problem.fullNames.size())
            input.factors[f].name = problem.fullNames[f];
    // The numbers come from the table's own texts, which keep more decimals than the grid shows;
    // a renamed source or an adjusted df lives in the grid until the user leaves the window.
    for (size_t r = 0; r < input.rows.size() && r < gridLines.size(); ++r) {
        input.rows[r][0] = gridLines[r][0];
        input.rows[r][1] = gridLines[r][1];
    }
    return input;
}

QString KelsimTableWindow::reportText() const
{
    return QString::fromStdString(buildTableReport(reportInput(problem_, gridLines())));
}

QString KelsimTableWindow::selectedRowsText() const
{
    std::set<int> rows;
    for (const QModelIndex &index : grid_->selectionModel()->selectedIndexes())
        rows.insert(index.row());
    if (rows.empty() && grid_->rowCount() > 0)
        rows.insert(std::max(grid_->currentRow(), 0));
    QString text;
    for (int r : rows) {
        for (int c = 0; c < grid_->columnCount(); ++c) {
            const QTableWidgetItem *cell = grid_->item(r, c);
            text += (cell ? cell->text() : QString()) + '\t';
        }
        text += '\n';
    }
    return text + '\n';
}

QStringList KelsimTableWindow::printLines(const ReportInput &input)
{
    QStringList lines;
    for (const std::string &line : reportHeadingLines(input))
        lines << QString::fromStdString(line);
    lines << QString();

    const std::vector<TableLine> cells = reportCells(input);
    const size_t columns = input.showP ? 6 : 5;
    std::array<std::string, 6> heads;
    std::array<size_t, 6> widths{};
    for (size_t c = 0; c < columns; ++c) {
        heads[c] = NTable::kHeads[c];
        heads[c].erase(0, heads[c].find_first_not_of(' ')); // "  p" stands right-aligned as "p"
        widths[c] = heads[c].size();
        for (const TableLine &row : cells)
            widths[c] = std::max(widths[c], row[c].size());
    }
    constexpr size_t kGap = 4;
    auto line = [&](const std::array<std::string, 6> &texts) {
        std::string out = " " + padRight(texts[0], widths[0]);
        for (size_t c = 1; c < columns; ++c)
            out += std::string(kGap, ' ') + padLeft(texts[c], widths[c]);
        // Trailing blanks of rows without an N-ratio would only push nothing along.
        out.erase(out.find_last_not_of(' ') + 1);
        return QString::fromStdString(out);
    };
    lines << line(heads);
    for (const TableLine &row : cells)
        lines << line(row);
    return lines;
}

std::unique_ptr<QTextDocument> KelsimTableWindow::printout() const
{
    return linesDocument(printLines(reportInput(problem_, gridLines())));
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
    renaming_ = true;
    adjusting_ = false;
    renamingRow_ = -1;
    setRenamingMenus(true);
}

void KelsimTableWindow::finishRenaming()
{
    renaming_ = false;
    renamingRow_ = -1;
    setRenamingMenus(false);
    returnButton_->setFocus();
}

void KelsimTableWindow::startAdjusting()
{
    adjusting_ = true;
}

void KelsimTableWindow::cellClicked(int row, int column)
{
    if (renaming_ && column == 0) {
        if (QTableWidgetItem *cell = grid_->item(row, 0)) {
            cell->setText(QString());
            renamingRow_ = row;
            editedText_.clear();
            finishedRenamingItem_->setEnabled(false);
        }
        return;
    }
    if (adjusting_) {
        if (column == 1)
            adjustErrorDf(row);
        adjusting_ = false;
    }
}

bool KelsimTableWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != grid_ || event->type() != QEvent::KeyPress || !renaming_ || renamingRow_ < 0 ||
        grid_->currentColumn() != 0)
        return QMainWindow::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    QTableWidgetItem *cell = grid_->item(renamingRow_, 0);
    if (!cell)
        return true;
    QString text = cell->text();
    if (key->key() == Qt::Key_Backspace) {
        if (text.isEmpty())
            messages_.beep();
        else
            text.chop(1);
    } else if (key->text().size() == 1 && acceptedInSourceName(key->text().at(0))) {
        text += key->text();
    } else {
        return true;
    }
    cell->setText(text);
    editedText_ = text;
    finishedRenamingItem_->setEnabled(true);
    return true;
}

void KelsimTableWindow::adjustErrorDf(int row)
{
    const Design &design = problem_.design;
    if (design.kind != DesignKind::RepeatedMeasures) {
        messages_.show(tr("Adjustment of the df is permitted only for repeated measures designs."),
                       tr("Not a permitted adjustment!"), MessageIcon::Critical, MessageButtons::Ok, this);
        return;
    }
    const size_t index = static_cast<size_t>(row);
    const QString source = grid_->item(row, 0) ? grid_->item(row, 0)->text() : QString();
    const QString subjects(QChar(design.specialLetter()));
    const bool errorTerm =
        source.contains("x" + subjects) || source.contains(subjects + "x") || source.contains("Error");
    if (!errorTerm || index >= problem_.table.rows.size()) {
        messages_.show(tr("The source you have selected is not an error term.  Changing the df is not permitted."),
                       tr("Not a permitted adjustment!"), MessageIcon::Critical, MessageButtons::Ok, this);
        return;
    }
    const QString currentDfText = grid_->item(row, 1)->text();
    const int currentDf = static_cast<int>(leadingValue(currentDfText.toStdString()));
    bool accepted = false;
    const QString answer =
        messages_.askText(tr("The current error df for %1 is %2.  Enter the adjusted error df you wish to use.")
                              .arg(source, QString::fromStdString(strText(static_cast<int64_t>(currentDf)))),
                          tr("Adjusted Error df"), QString(), &accepted, this);
    if (!accepted || answer.trimmed().isEmpty())
        return;
    const double typed = leadingValue(answer.toStdString());
    newErrorDf_ = static_cast<int>(std::clamp(typed, -32768.0, 32767.0));
    if (newErrorDf_ == currentDf) {
        messages_.show(tr("The value is unchanged.  That is probably not what you intended!"), tr("Error?"),
                       MessageIcon::Critical, MessageButtons::Ok, this);
        return;
    }
    if (newErrorDf_ > currentDf) {
        if (messages_.show(tr("The error df has been increased.  That is highly unusual, as df are commonly subtracted "
                           "when scores have been imputed.\n\r     Is it OK?"),
                           tr("Error?"), MessageIcon::None, MessageButtons::YesNo, this) != MessageAnswer::Yes)
            return;
    } else if (newErrorDf_ < 1) {
        messages_.show(tr("      The adjustment you propose results in an error term with %1 df.\n%2")
                           .arg(QString::fromStdString(strText(static_cast<int64_t>(newErrorDf_))),
                                newErrorDf_ == 0 ? tr("Zero df does not permit the construction of an F-ratio.")
                                                 : tr("Negative df are not permitted.")),
                       tr("Impossible Value!"), MessageIcon::Critical, MessageButtons::Ok, this);
        return;
    }

    // NP plays the part of a mean square: rescale it from its own value.
    const double oldDf = df_[index];
    np_[index] = np_[index] * oldDf / newErrorDf_;
    df_[index] = newErrorDf_;
    grid_->item(row, 1)->setText(answer.trimmed());
    grid_->item(row, 3)->setText(QString::fromStdString(formatValue(np_[index], problem_.table.npDecimals)));
    for (size_t r = 0; r < problem_.table.rows.size(); ++r) {
        if (problem_.table.rows[r].denominator != row || np_[index] <= 0.0)
            continue;
        const double ratio = np_[r] / np_[index];
        const QString text = ratio < 1.0 ? QStringLiteral("<1") : QString::fromStdString(formatValue(ratio, 2, true));
        if (QTableWidgetItem *cell = grid_->item(static_cast<int>(r), 4))
            cell->setText(text);
    }
    copyGridToTable();
}

void KelsimTableWindow::copyGridToTable()
{
    NTable &table = problem_.table;
    const std::vector<std::array<std::string, 6>> lines = gridLines();
    for (size_t r = 0; r < table.rows.size() && r < lines.size(); ++r)
        for (size_t c = 0; c < 6; ++c)
            table.rows[r].text[c] = lines[r][c];
}

void KelsimTableWindow::returnToSpecification()
{
    copyGridToTable();
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
