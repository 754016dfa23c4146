#include "DataEntryGrid.h"

#include "DataPrintout.h"
#include "ScoreCommands.h"
#include "ScoreEdit.h"

#include "CaptionLabel.h"
#include "CommandGuard.h"
#include "ContextHelp.h"
#include "DataFileCommands.h"
#include "MessageService.h"
#include "Preferences.h"
#include "ProblemState.h"
#include "ScoreGridModel.h"
#include "WindowPlacement.h"
#include "WordContent.h"
#include "WordExport.h"
#include "WordSession.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QUndoStack>
#include <QVBoxLayout>

#include <cmath>

namespace kelsim {

namespace {

// Keeps a marked score red while it is the selected cell: the selection is drawn in a light
// colour and the text in the score's own colour.
class ScoreCellDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QVariant foreground = index.data(Qt::ForegroundRole);
        if (foreground.canConvert<QBrush>())
            option->palette.setBrush(QPalette::HighlightedText, foreground.value<QBrush>());
        option->palette.setColor(QPalette::Highlight, QColor(190, 218, 255));
    }
};

bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
        return true;
    default:
        return false;
    }
}

// Space, digits, and the codes from "A" to "{": letters and a few signs.
bool isScoreCharacter(ushort code)
{
    return code == 32 || (code >= 48 && code <= 57) || (code >= 65 && code <= 123);
}

// How long the "   Saving " notice stands in the caption.
constexpr int kSavingNoticeMs = 2000;

} // namespace

DataEntryGrid::DataEntryGrid(ProblemState &problem, const Preferences &preferences, MessageService &messages,
                             ClipboardService &clipboard, PrintService &printer, DataFileCommands &dataFiles,
                             WordExport &wordExport, QWidget *parent)
    : QMainWindow(parent), problem_(problem), preferences_(preferences), messages_(messages), clipboard_(clipboard),
      printer_(printer), dataFiles_(dataFiles), wordExport_(wordExport)
{
    setObjectName("DataEntryGrid");
    setWindowTitle(tr("Data Entry Grid"));
    buildMenus();
    buildWidgets();
    resize(760, 560);
}

DataEntryGrid::~DataEntryGrid() = default;

void DataEntryGrid::buildMenus()
{
    struct Item {
        const char *name;
        const char *caption;
        QKeySequence shortcut;
    };
    auto addItems = [this](QMenu *menu, std::initializer_list<Item> items) {
        for (const Item &item : items) {
            if (!item.name) {
                menu->addSeparator();
                continue;
            }
            QAction *action = menu->addAction(tr(item.caption));
            action->setObjectName(item.name);
            action->setShortcut(item.shortcut);
        }
    };
    QMenu *file = menuBar()->addMenu(tr("&File"));
    file->setObjectName("FileMenu");
    addItems(file, {{"OpenItem", QT_TR_NOOP("&Open file (for data entry)..."), QKeySequence::Open},
                    {"SaveItem", QT_TR_NOOP("&Save Data in File (As...)"), QKeySequence::Save},
                    {nullptr, nullptr, {}},
                    {"PrintItem", QT_TR_NOOP("&Print Data"), QKeySequence::Print},
                    {"PrinterSetupItem", QT_TR_NOOP("P&rinter Setup..."), {}},
                    {"NewWinwordItem", QT_TR_NOOP("Print Data to &New Winword Document"), {}},
                    {"ExistingWinwordItem", QT_TR_NOOP("Print Data to &Existing Winword Document"), {}},
                    {nullptr, nullptr, {}},
                    // Alt+F4 reaches the window manager, which closes the window: the caption says so.
                    {"ExitItem", QT_TR_NOOP("E&xit Alt + F4"), {}}});
    QMenu *editing = menuBar()->addMenu(tr("Data &Editing"));
    editing->setObjectName("EditingMenu");
    addItems(editing, {{"UndoItem", QT_TR_NOOP("&Undo"), QKeySequence::Undo},
                       {"RedoItem", QT_TR_NOOP("Re&do"), QKeySequence::Redo},
                       {nullptr, nullptr, {}},
                       {"WidenItem", QT_TR_NOOP("&Widen Entry Column"), {}},
                       {"ClearItem", QT_TR_NOOP("Clear &All Data"), {}},
                       {"InsertItem", QT_TR_NOOP("&Insert Single Score"), QKeySequence(Qt::Key_Insert)},
                       {"RemoveItem", QT_TR_NOOP("&Remove Single Score"), QKeySequence(Qt::CTRL | Qt::Key_Delete)},
                       {nullptr, nullptr, {}},
                       {"CopyItem", QT_TR_NOOP("&Copy Scores to Clipboard"), QKeySequence::Copy},
                       {"PasteItem", QT_TR_NOOP("&Paste Scores from Clipboard"), QKeySequence::Paste}});
    edits_ = new QUndoStack(this);
    command("UndoItem")->setEnabled(false);
    command("RedoItem")->setEnabled(false);
    connect(edits_, &QUndoStack::canUndoChanged, command("UndoItem"), &QAction::setEnabled);
    connect(edits_, &QUndoStack::canRedoChanged, command("RedoItem"), &QAction::setEnabled);
    connect(command("UndoItem"), &QAction::triggered, this, [this] { stepEdits(true); });
    connect(command("RedoItem"), &QAction::triggered, this, [this] { stepEdits(false); });

    // The Word items carry the version of the word processor, and are out of sight without one.
    command("NewWinwordItem")->setText(printDataToNewCaption());
    command("ExistingWinwordItem")->setText(appendDataToExistingCaption());
    command("NewWinwordItem")->setVisible(wordItemsVisible());
    command("ExistingWinwordItem")->setVisible(wordItemsVisible());

    connectGuarded("OpenItem", [this] { openDataFile(); });
    connectGuarded("SaveItem", [this] { saveData(); });
    connectGuarded("NewWinwordItem", [this] { printDataToNewDocument(); });
    connectGuarded("ExistingWinwordItem", [this] { appendDataToExistingDocument(); });
    connect(command("ExitItem"), &QAction::triggered, this, &DataEntryGrid::exitRequested);
    connect(command("WidenItem"), &QAction::triggered, this, &DataEntryGrid::widenEntryColumn);
    connectGuarded("CopyItem", [this] { scoreCommands().copyScores(model_->texts()); });
    connectGuarded("PasteItem", [this] { pasteScores(); });
    connectGuarded("PrintItem", [this] { scoreCommands().printData(dataPrintLines(*model_, model_->factorCount())); });
    connectGuarded("PrinterSetupItem", [this] { scoreCommands().printerSetup(); });
    connect(command("ClearItem"), &QAction::triggered, this, &DataEntryGrid::clearAll);
    connect(command("InsertItem"), &QAction::triggered, this, &DataEntryGrid::insertScore);
    connect(command("RemoveItem"), &QAction::triggered, this, &DataEntryGrid::removeScore);

    auto *topicHelp = new QAction(this);
    topicHelp->setShortcut(QKeySequence::HelpContents);
    connect(topicHelp, &QAction::triggered, this, [this] { emit helpTopicRequested("grid.html"); });
    addAction(topicHelp);
}

void DataEntryGrid::buildWidgets()
{
    auto *central = new QWidget(this);
    auto *layout = new QHBoxLayout(central);

    auto *left = new QVBoxLayout;
    // A long problem label wraps, and what does not fit is elided: it never widens the window.
    caption_ = new CaptionLabel(tr("Enter Data"), central);
    caption_->setObjectName("Label1");
    QFont captionFont = caption_->font();
    captionFont.setBold(true);
    caption_->setFont(captionFont);
    left->addWidget(caption_);
    captionText_ = caption_->text();
    noticeTimer_ = new QTimer(this);
    noticeTimer_->setObjectName("Timer1");
    noticeTimer_->setSingleShot(true);
    noticeTimer_->setInterval(kSavingNoticeMs);
    connect(noticeTimer_, &QTimer::timeout, this, &DataEntryGrid::removeSavingNotice);

    grid_ = new ScoreTableView(central);
    grid_->setObjectName("Grid1");
    grid_->horizontalHeader()->hide();
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->verticalHeader()->setMinimumSectionSize(grid_->fontMetrics().height() + 2);
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setTabKeyNavigation(false);
    grid_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    grid_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    grid_->setWordWrap(false);
    grid_->setCornerButtonEnabled(false);
    grid_->setItemDelegate(new ScoreCellDelegate(grid_));
    grid_->installEventFilter(this);
    grid_->viewport()->installEventFilter(this);
    grid_->frozenView()->viewport()->installEventFilter(this);
    attachContextHelp(grid_, tr("Type each score in the last column and press Enter to go to the next row. Scores are "
                                "short codes of letters, digits and spaces; two scores match only when they are "
                                "exactly the same text. Typing replaces the score under the cursor; F2 adds to it "
                                "instead. Double-click a score to mark it in red. Insert and Remove Single Score act "
                                "on the cursor's row, and Ctrl+Z undoes an edit."));
    left->addWidget(grid_, 1);
    layout->addLayout(left, 1);

    auto *buttons = new QVBoxLayout;
    auto addButton = [this, central, buttons](const char *name, const QString &caption) {
        auto *button = new QPushButton(caption, central);
        button->setObjectName(name);
        buttons->addWidget(button);
        return button;
    };
    QPushButton *dataOk = addButton("DataOkButton", tr("Data &OK"));
    QPushButton *anova = addButton("AnovaButton", tr("&Anova Design..."));
    QPushButton *restart = addButton("RestartButton", tr("&Restart"));
    buttons->addSpacing(24);
    addButton("DatascreenButton", tr("&Screen Data..."));
    addButton("Tables", tr("Show Two-&Way Tables"));
    buttons->addStretch();
    layout->addLayout(buttons);
    setCentralWidget(central);

    connect(dataOk, &QPushButton::clicked, this, &DataEntryGrid::confirmData);
    connect(anova, &QPushButton::clicked, this, &DataEntryGrid::anovaDesign);
    connect(restart, &QPushButton::clicked, this, &DataEntryGrid::restartRequested);
}

void DataEntryGrid::connectGuarded(const char *item, const std::function<void()> &run)
{
    QAction *action = command(item);
    connect(action, &QAction::triggered, this,
            [this, action, run] { runGuarded(messages_, commandName(action->text()), this, run); });
}

QAction *DataEntryGrid::command(const char *objectName) const
{
    return findChild<QAction *>(objectName);
}

QPushButton *DataEntryGrid::button(const char *objectName) const
{
    return findChild<QPushButton *>(objectName);
}

void DataEntryGrid::enable(std::initializer_list<const char *> names, bool on)
{
    for (const char *name : names) {
        if (QAction *action = command(name))
            action->setEnabled(on);
        else if (QPushButton *pushButton = button(name))
            pushButton->setEnabled(on);
    }
}

int DataEntryGrid::twips(double amount) const
{
    return static_cast<int>(std::lround(amount * logicalDpiX() / 1440.0));
}

// ---- opening ----------------------------------------------------------------------------------

void DataEntryGrid::load()
{
    ProblemState &problem = problem_;
    const Design &design = problem.design;
    QStringList names;
    for (const Factor &factor : design.factors)
        names << QString::fromStdString(factor.name);
    fullNames_ = names;
    std::vector<QStringList> levelTexts(design.factors.size());
    if (problem.labelsInUse && design.levelLabels.size() == design.factors.size()) {
        for (size_t f = 0; f < design.factors.size(); ++f)
            for (const std::string &label : design.levelLabels[f])
                levelTexts[f] << QString::fromStdString(label);
    }

    // The edits of the last problem refer to its scores.
    edits_->clear();
    ScoreGridModel *previous = model_;
    model_ = new ScoreGridModel(names, design.levelCounts(), levelTexts, this);
    grid_->setModel(model_);
    if (previous)
        previous->deleteLater();
    longestRow_ = -1;
    connect(model_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &first, const QModelIndex &last) { scoresChanged(first.row(), last.row()); });

    widenedBy_ = 0;
    sizeColumns();
    abbreviateNamesWhenNarrow();
    if (!preferences_.runMaximized)
        placeOnScreen();

    arriveAt(0);
    setTopRow(0);

    const QString label = QString::fromStdString(design.problemLabel);
    captionText_ = label.isEmpty() ? tr("Enter Data:") : tr("Enter Data for %1:").arg(label);
    noticeTimer_->stop();
    removeSavingNotice();

    enable({"PasteItem", "OpenItem", "PrinterSetupItem", "WidenItem", "ExitItem", "RestartButton"}, true);
    enable({"DataOkButton", "AnovaButton", "ClearItem", "InsertItem", "RemoveItem", "CopyItem", "SaveItem", "PrintItem",
            "NewWinwordItem", "ExistingWinwordItem", "DatascreenButton", "Tables"},
           false);
    setEnabled(true);
}

void DataEntryGrid::sizeColumns()
{
    const QFontMetrics metrics = grid_->fontMetrics();
    const double w = metrics.horizontalAdvance('W');
    const bool maximized = preferences_.runMaximized;
    const ProblemState &problem = problem_;
    for (int factor = 1; factor <= model_->factorCount(); ++factor) {
        const QString name = model_->displayName(factor);
        double nameWidth = 1.5 * metrics.horizontalAdvance(name);
        if (name.size() == 1)
            nameWidth += 0.6 * w;
        else if (name.size() <= 3)
            nameWidth += 0.5 * w;
        const int levels = problem.design.factors[static_cast<size_t>(factor - 1)].levels;
        double levelWidth = std::floor(std::log10(levels + 1.0) + 2) * 0.9 * w;
        if (problem.labelsInUse && factor - 1 < int(problem.design.levelLabels.size()) &&
            !problem.design.levelLabels[static_cast<size_t>(factor - 1)].empty()) {
            const QString first =
                QString::fromStdString(problem.design.levelLabels[static_cast<size_t>(factor - 1)][0]);
            bool numeric = false;
            first.toDouble(&numeric);
            if (!numeric)
                levelWidth = first.size() * 1.2 * w;
        }
        if (maximized) {
            nameWidth *= 0.7;
            levelWidth *= 0.7;
        }
        // A little room for the cell's margins, which the twip widths never had to allow for.
        grid_->setColumnWidth(2 * (factor - 1), static_cast<int>(nameWidth) + 6);
        grid_->setColumnWidth(2 * (factor - 1) + 1, static_cast<int>(levelWidth) + 6);
    }
    grid_->setFrozenColumns(model_->scoreColumn());
    fitScoreColumn();
}

void DataEntryGrid::scoresChanged(int first, int last)
{
    // Only a change of the longest score itself can make the column narrower: then every score
    // is looked at again; otherwise only the changed ones.
    const int length = longestRow_ >= 0 ? static_cast<int>(model_->scoreText(longestRow_).size()) : 0;
    if (longestRow_ >= first && longestRow_ <= last) {
        longestRow_ = -1;
        first = 0;
        last = model_->scoreCount() - 1;
    }
    int longest = longestRow_ >= 0 ? length : 0;
    for (int row = first; row <= last; ++row) {
        if (model_->scoreText(row).size() > longest) {
            longest = static_cast<int>(model_->scoreText(row).size());
            longestRow_ = row;
        }
    }
    fitScoreColumn();
}

void DataEntryGrid::fitScoreColumn()
{
    if (!model_)
        return;
    const QFontMetrics metrics = grid_->fontMetrics();
    int width = static_cast<int>(20 * metrics.horizontalAdvance('W'));
    const QString longest = longestRow_ >= 0 ? model_->scoreText(longestRow_) : QString();
    if (longest.size() > 9) {
        // 125 twips a character, and never less than the longest score's own width.
        width = qMax(width, twips(125.0 * longest.size()));
        width = qMax(width, metrics.horizontalAdvance(longest) + 2 * metrics.averageCharWidth());
    }
    width += widenedBy_;
    if (width != scoreColumnWidth())
        grid_->setColumnWidth(model_->scoreColumn(), width);
}

// Each problem's grid opens at a size its columns suggest, centred on the screen, wherever the
// last problem's grid was left.
void DataEntryGrid::placeOnScreen()
{
    const int columns = grid_->frozenWidth() + scoreColumnWidth() + grid_->verticalScrollBar()->sizeHint().width() +
                        2 * grid_->frameWidth();
    // A few rows need no more height than the buttons beside them; many get a tall window.
    const int rows = model_->scoreCount() * grid_->verticalHeader()->defaultSectionSize() + 2 * grid_->frameWidth() +
                     grid_->horizontalScrollBar()->sizeHint().height();
    const int aroundGrid = sizeHint().height() - grid_->sizeHint().height();
    placeWindow(this, QSize(qMax(600, columns + besideGrid()), qBound(360, rows + aroundGrid, 560)));
}

int DataEntryGrid::besideGrid() const
{
    return centralWidget()->sizeHint().width() - grid_->sizeHint().width();
}

void DataEntryGrid::abbreviateNamesWhenNarrow()
{
    // The grid may be as wide as the screen leaves beside the buttons and the window's frame.
    const int room = availableArea(this).width() - besideGrid() - 2 * grid_->frameWidth() - 40;
    if (room >= grid_->frozenWidth() + twips(3000))
        return;
    const int factors = model_->factorCount();
    int keep = 3;
    if (factors == 5 && problem_.labelsInUse)
        keep = 1;
    else if (factors >= 6)
        keep = 1;
    QStringList shown;
    for (const QString &name : fullNames_)
        shown << name.left(keep);
    // Only the grid shows the short names; the design keeps the names as typed.
    model_->setDisplayNames(shown);
    sizeColumns();
}

// ---- cursor -----------------------------------------------------------------------------------

void DataEntryGrid::arriveAt(int row)
{
    currentRow_ = row;
    replaceOnType_ = true;
    ++typingRun_;
    moveToRow(row);
}

void DataEntryGrid::moveToRow(int row)
{
    if (!model_ || row < 0 || row >= model_->scoreCount())
        return;
    const QModelIndex index = model_->index(row, model_->scoreColumn());
    grid_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    grid_->scrollTo(index, QAbstractItemView::EnsureVisible);
}

void DataEntryGrid::setTopRow(int row)
{
    grid_->verticalScrollBar()->setValue(qMax(0, row));
}

int DataEntryGrid::topRow() const
{
    return grid_->verticalScrollBar()->value();
}

int DataEntryGrid::visibleRows() const
{
    const int height = grid_->verticalHeader()->defaultSectionSize();
    return qMax(1, grid_->viewport()->height() / qMax(1, height));
}

int DataEntryGrid::scoreColumnWidth() const
{
    return grid_->columnWidth(model_->scoreColumn());
}

// ---- keys and mouse ---------------------------------------------------------------------------

bool DataEntryGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (!model_)
        return QMainWindow::eventFilter(watched, event);
    if (watched == grid_ && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
            return false;
        if (isModifierKey(key->key()))
            return true;
        keyDown(key);
        // Ctrl and Alt combinations are commands, never characters of a score.
        if (!(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
            keyCharacter(key);
        return true;
    }
    // The frozen name and level columns answer the mouse as the rest of the row does.
    QTableView *view = watched == grid_->viewport()                 ? grid_
                       : watched == grid_->frozenView()->viewport() ? grid_->frozenView()
                                                                    : nullptr;
    if (view) {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::LeftButton) {
                const int row = view->rowAt(mouse->position().toPoint().y());
                if (row >= 0)
                    click(row);
            }
            return true;
        }
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
                toggleMark();
            return true;
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
            return true;
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void DataEntryGrid::keyDown(QKeyEvent *event)
{
    const int last = model_->scoreCount() - 1;
    switch (event->key()) {
    case Qt::Key_Delete:
        pushEdit(tr("Delete"), currentRow_, {ScoreCell{QString(), model_->isMarked(currentRow_)}});
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const int page = qMax(1, visibleRows() - 1);
        int row = grid_->currentIndex().isValid() ? grid_->currentIndex().row() : currentRow_;
        if (event->key() == Qt::Key_Up)
            row -= 1;
        else if (event->key() == Qt::Key_Down)
            row += 1;
        else if (event->key() == Qt::Key_PageUp)
            row -= page;
        else
            row += page;
        arriveAt(qBound(0, row, last));
        break;
    }
    case Qt::Key_Home:
        arriveAt(0);
        break;
    case Qt::Key_End:
        arriveAt(last);
        break;
    case Qt::Key_F2:
        // As in a spreadsheet: go on typing at the end of the score instead of replacing it.
        replaceOnType_ = false;
        break;
    default:
        break;
    }
    enable({"ClearItem", "InsertItem", "RemoveItem"}, true);
    enable({"DatascreenButton", "AnovaButton", "Tables"}, false);
}

void DataEntryGrid::keyCharacter(QKeyEvent *event)
{
    ushort code = 0;
    if (event->key() == Qt::Key_Backspace)
        code = 8;
    else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        code = 13;
    else if (event->text().size() == 1)
        code = event->text()[0].unicode();
    else
        return;

    const int last = model_->scoreCount() - 1;
    moveToRow(currentRow_);
    QString text = model_->scoreText(currentRow_);

    if (isScoreCharacter(code)) {
        // The first character typed into a cell the cursor came to replaces its score.
        text = replaceOnType_ ? QString(QChar(code)) : text + QChar(code);
        // A score the data file could not keep is refused here, not lost at saving.
        if (const std::optional<Message> refusal = scoreRefusal(text)) {
            messages_.show(*refusal, this);
            return;
        }
        // A changed score is no longer the one that was marked.
        pushEdit(tr("Typing"), currentRow_, {ScoreCell{text, false}}, typingRun_);
        replaceOnType_ = false;
        grid_->scrollTo(grid_->currentIndex());
    } else if (code == 8) {
        if (text.isEmpty()) {
            messages_.beep();
            return;
        }
        text.chop(1);
        pushEdit(tr("Typing"), currentRow_, {ScoreCell{text, false}}, typingRun_);
        replaceOnType_ = false;
    } else if (code == 13) {
        enable({"ClearItem", "InsertItem", "RemoveItem", "CopyItem"}, true);
        const int next = currentRow_ + 1;
        const int shown = visibleRows();
        if (model_->scoreCount() > shown && next > shown - 1)
            setTopRow(qMin(next - 2, model_->scoreCount() - shown));
        arriveAt(qMin(next, last));
        enable({"DataOkButton"}, true);
        if (next <= last)
            enable({"DatascreenButton", "AnovaButton", "Tables", "PrintItem", "NewWinwordItem", "ExistingWinwordItem",
                    "SaveItem"},
                   false);
    }
}

void DataEntryGrid::click(int row)
{
    grid_->setFocus(Qt::MouseFocusReason);
    arriveAt(row);
    enable({"DatascreenButton"}, false);
    enable({"ClearItem", "InsertItem", "RemoveItem"}, true);
}

void DataEntryGrid::toggleMark()
{
    pushEdit(tr("Mark"), currentRow_, {ScoreCell{model_->scoreText(currentRow_), !model_->isMarked(currentRow_)}});
    enable({"AnovaButton"}, false);
}

void DataEntryGrid::pushEdit(const QString &what, int first, std::vector<ScoreCell> after, int typingRun)
{
    const std::vector<ScoreCell> before = model_->cells(first, static_cast<int>(after.size()));
    size_t from = 0;
    size_t to = after.size();
    while (from < to && before[from] == after[from])
        ++from;
    while (to > from && before[to - 1] == after[to - 1])
        --to;
    if (from == to)
        return;
    std::vector<ScoreCell> changed(after.begin() + static_cast<std::ptrdiff_t>(from),
                                   after.begin() + static_cast<std::ptrdiff_t>(to));
    edits_->push(new ScoreEdit(*model_, what, first + static_cast<int>(from), std::move(changed), typingRun));
    problem_.session.changedSinceSave = true;
}

void DataEntryGrid::stepEdits(bool back)
{
    const int index = edits_->index() - (back ? 1 : 0);
    if (!model_ || index < 0 || index >= edits_->count())
        return;
    const int row = static_cast<const ScoreEdit *>(edits_->command(index))->firstRow();
    if (back)
        edits_->undo();
    else
        edits_->redo();
    problem_.session.changedSinceSave = true;
    grid_->setFocus();
    arriveAt(row);
    // The scores differ from those last confirmed: "Data OK" is needed again.
    enable({"DataOkButton", "ClearItem", "InsertItem", "RemoveItem"}, true);
    enable({"DatascreenButton", "AnovaButton", "Tables"}, false);
}

// ---- commands ---------------------------------------------------------------------------------

void DataEntryGrid::insertScore()
{
    const int last = model_->scoreCount() - 1;
    const QString pushedOut = model_->scoreText(last);
    if (!pushedOut.isEmpty()) {
        const MessageAnswer answer =
            messages_.show(tr("The last score in the grid (%1) has no row to move down to and would be lost.  "
                              "Insert the new score anyway?")
                               .arg(pushedOut),
                           tr("Wait"), MessageIcon::Question, MessageButtons::YesNo, this);
        if (answer != MessageAnswer::Yes)
            return;
    }
    // The scores from the cursor's row on move down one row, their marks with them.
    std::vector<ScoreCell> after{ScoreCell{}};
    for (ScoreCell &cell : model_->cells(currentRow_, last - currentRow_))
        after.push_back(std::move(cell));
    pushEdit(tr("Insert Single Score"), currentRow_, std::move(after));
    arriveAt(currentRow_);
    enable({"DatascreenButton", "AnovaButton"}, false);
}

void DataEntryGrid::removeScore()
{
    const int last = model_->scoreCount() - 1;
    std::vector<ScoreCell> after = model_->cells(currentRow_ + 1, last - currentRow_);
    after.push_back(ScoreCell{});
    pushEdit(tr("Remove Single Score"), currentRow_, std::move(after));
    arriveAt(currentRow_);
    enable({"AnovaButton"}, false);
}

void DataEntryGrid::clearAll()
{
    if (hasScores()) {
        const MessageAnswer answer =
            messages_.show(tr("Clear every score in the grid?  Undo (Ctrl+Z) brings them back."), tr("Clear All Data"),
                           MessageIcon::Question, MessageButtons::YesNo, this);
        if (answer != MessageAnswer::Yes)
            return;
    }
    pushEdit(tr("Clear All Data"), 0, std::vector<ScoreCell>(static_cast<size_t>(model_->scoreCount())));
    problem_.scores.flat.clear();
    enable({"DatascreenButton", "AnovaButton"}, false);
    setTopRow(0);
    arriveAt(0);
}

void DataEntryGrid::widenEntryColumn()
{
    widenedBy_ += static_cast<int>(std::lround(0.7 * grid_->fontMetrics().horizontalAdvance('8')));
    fitScoreColumn();
}

void DataEntryGrid::confirmData()
{
    ProblemState &problem = problem_;
    setEnabled(false);
    const int missing = model_->firstEmptyRow();
    if (missing >= 0) {
        setEnabled(true);
        grid_->setFocus();
        const int shown = visibleRows();
        setTopRow(missing > shown - 1 ? missing - shown + 1 : 0);
        arriveAt(missing);
        messages_.show(tr("At least one score is missing from the data set."), tr("Data Entry Error!"),
                       MessageIcon::Critical, MessageButtons::Ok, this);
        return;
    }
    const std::vector<QString> &texts = model_->texts();
    problem.scores.flat.resize(texts.size());
    for (size_t row = 0; row < texts.size(); ++row)
        problem.scores.flat[row] = texts[row].toStdString();
    buildDataFileImage();
    problem.session.notConfirmed = false;
    problem.designAnalysed = false;
    enable({"CopyItem", "AnovaButton", "PrintItem", "NewWinwordItem", "ExistingWinwordItem", "SaveItem"}, true);
    enable({"PasteItem"}, false);
    setEnabled(true);
    button("AnovaButton")->setFocus();
}

void DataEntryGrid::anovaDesign()
{
    ProblemState &problem = problem_;
    problem.scoresBackup = problem.scores;
    problem.nestingSpecified = false;
    emit designSpecificationRequested();
}

void DataEntryGrid::scoresReadFromFile()
{
    enable({"ClearItem", "InsertItem", "RemoveItem", "DataOkButton"}, true);
    enable({"DatascreenButton", "AnovaButton", "Tables"}, false);
}

void DataEntryGrid::showScoresRead(const GridScores &read)
{
    // A file read is not an edit to undo: the edits before it no longer apply to what it shows.
    edits_->clear();
    for (size_t row = 0; row < read.rows.size() && static_cast<int>(row) < model_->scoreCount(); ++row)
        model_->setScore(static_cast<int>(row), QString::fromStdString(read.rows[row].text), read.rows[row].marked);
    if (read.firstUnreadRow >= 0 && read.firstUnreadRow < model_->scoreCount()) {
        setTopRow(read.topRowFor(model_->scoreCount(), visibleRows()));
        arriveAt(read.firstUnreadRow);
    }
    scoresReadFromFile();
}

void DataEntryGrid::openDataFile()
{
    dataFiles_.setOwner(this);
    const OpenResult result = dataFiles_.openDataFile();
    if (result.outcome != OpenOutcome::Read) {
        grid_->setFocus();
        return;
    }
    showScoresRead(result.scores);
    button("DataOkButton")->setFocus();
}

void DataEntryGrid::saveData()
{
    ProblemState &problem = problem_;
    // The file takes the scores of the last "Data OK"; after a read with none since, the grid's.
    if (problem.dataFileImage.empty())
        buildDataFileImage();
    const std::vector<DataFileScore> image = problem.dataFileImage;
    dataFiles_.setOwner(this);
    if (!dataFiles_.saveData(image).saved)
        return;
    // A score typed or marked after that "Data OK" is not in the file: it still waits for a save.
    if (gridImage() != image)
        problem.session.changedSinceSave = true;
}

void DataEntryGrid::showSavingNotice(const QString &notice)
{
    caption_->setText(notice);
    caption_->setMinimumHeight(2 * caption_->fontMetrics().height());
    caption_->show();
    // The file is written before the event loop runs again; the notice is to be seen meanwhile.
    if (caption_->isVisible())
        caption_->repaint();
    noticeTimer_->start();
}

void DataEntryGrid::removeSavingNotice()
{
    caption_->setText(captionText_);
    caption_->setMinimumHeight(0);
}

DataDocument DataEntryGrid::dataDocument() const
{
    const ProblemState &problem = problem_;
    std::vector<std::string> shownNames;
    for (int factor = 1; factor <= model_->factorCount(); ++factor)
        shownNames.push_back(model_->displayName(factor).toStdString());
    std::vector<std::string> scores;
    scores.reserve(model_->texts().size());
    for (const QString &text : model_->texts())
        scores.push_back(text.toStdString());
    return dataDocumentFor(problem.design, scores, shownNames, problem.labelsInUse);
}

void DataEntryGrid::printDataToNewDocument()
{
    wordExport_.printDataToNewDocument(dataDocument(), this);
}

void DataEntryGrid::appendDataToExistingDocument()
{
    wordExport_.appendDataToExistingDocument(dataDocument(), this);
}

ScoreCommands DataEntryGrid::scoreCommands()
{
    return ScoreCommands(problem_, clipboard_, printer_, messages_, this);
}

void DataEntryGrid::pasteScores()
{
    if (!model_)
        return;
    const std::optional<std::vector<QString>> pasted = scoreCommands().pasteScores(model_->texts(), currentRow_);
    if (!pasted) {
        grid_->setFocus();
        return;
    }
    // Only texts come from the clipboard; marks stay on their rows.
    std::vector<ScoreCell> after = model_->cells(0, model_->scoreCount());
    for (size_t r = 0; r < after.size(); ++r)
        after[r].text = (*pasted)[r];
    pushEdit(tr("Paste"), 0, std::move(after));
    arriveAt(currentRow_);
    scoresPasted();
    grid_->setFocus();
}

void DataEntryGrid::scoresPasted()
{
    enable({"DataOkButton"}, true);
}

bool DataEntryGrid::hasScores() const
{
    if (!model_)
        return false;
    for (const QString &text : model_->texts())
        if (!text.isEmpty())
            return true;
    return false;
}

std::vector<DataFileScore> DataEntryGrid::gridImage() const
{
    std::vector<DataFileScore> image;
    if (!model_)
        return image;
    image.resize(model_->texts().size());
    for (size_t row = 0; row < image.size(); ++row)
        image[row] = DataFileScore{model_->texts()[row].toStdString(), model_->isMarked(static_cast<int>(row))};
    return image;
}

void DataEntryGrid::buildDataFileImage()
{
    if (model_)
        problem_.dataFileImage = gridImage();
}

void DataEntryGrid::closeEvent(QCloseEvent *event)
{
    // Closing the grid is "E&xit": when the user lets the program end, every window has been
    // hidden by the time the request returns.
    emit exitRequested();
    event->setAccepted(!isVisible());
}

} // namespace kelsim
