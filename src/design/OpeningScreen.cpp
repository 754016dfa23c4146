#include "OpeningScreen.h"

#include "ContextHelp.h"
#include "IterationsDialog.h"
#include "MessageService.h"
#include "Preferences.h"
#include "ProblemState.h"
#include "UiText.h"
#include "UpDownButtons.h"
#include "WaitCursor.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QVBoxLayout>

namespace kelsim {

namespace {

const char *const kYesProceedCaption = QT_TR_NOOP("&Yes, Proceed to Data Entry");
const char *const kLabelsCaption = QT_TR_NOOP("Yes, Enter &Labels for Levels...");
const char *const kProceedCaption = QT_TR_NOOP("&Proceed to Data Entry");
const char *const kOnlyNumbers = QT_TR_NOOP("Only numeric characters are permitted here");
const QString kGenericMarker = QStringLiteral("factor name)");
const QColor kLightRed(255, 0, 0);
constexpr int kTableSize = 10; // the name and level tables hold indices 0..9 before a count is typed

bool isAsciiLetter(QChar c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

OpeningScreen::OpeningScreen(ProblemState &problem, const Preferences &preferences, MessageService &messages,
                             QWidget *parent)
    : QMainWindow(parent), problem_(problem), preferences_(preferences), messages_(messages)
{
    setObjectName("OpeningScreen");
    setWindowTitle(tr("Kelsim"));
    buildWidgets();
    buildMenus();
    resetToStartUp();
}

OpeningScreen::~OpeningScreen() = default;

QString OpeningScreen::genericName(int factor)
{
    // Not translated: the screen recognises a generic name by this text (kGenericMarker).
    return QString(QChar(64 + factor)) + "   (Click here to replace this generic factor name)";
}

QString OpeningScreen::factorName(int factor) const
{
    return factor >= 1 && factor < int(names_.size()) ? names_[factor] : QString();
}

int OpeningScreen::factorLevels(int factor) const
{
    return factor >= 1 && factor < int(levels_.size()) ? levels_[factor] : 0;
}

void OpeningScreen::buildWidgets()
{
    auto *central = new QWidget(this);
    auto *outer = new QVBoxLayout(central);
    outer->setContentsMargins(24, 18, 24, 18);
    outer->setSpacing(10);

    auto *form = new QGridLayout;
    form->setHorizontalSpacing(10);
    form->setVerticalSpacing(4);

    auto *countCaption = new QLabel(tr("How many factors are there in the design?"), central);
    countCaption->setObjectName("Label1");
    auto *countNote = new QLabel(tr("(Include Subjects and Replicates as applicable)"), central);
    countNote->setObjectName("Label2");
    factorCountBox_ = new QLineEdit(central);
    factorCountBox_->setObjectName("Text1");
    factorCountSpinner_ = new UpDownButtons(factorCountBox_, kMinFactors, kMaxFactors, central);
    factorCountSpinner_->setObjectName("UpDown1");

    levelsCaption_ = new QLabel(central);
    levelsCaption_->setObjectName("Label3");
    levelsBox_ = new QLineEdit(central);
    levelsBox_->setObjectName("Text2");
    levelsSpinner_ = new UpDownButtons(levelsBox_, 2, kMaxScores, central);
    levelsSpinner_->setObjectName("UpDown2");

    nameCaption_ = new QLabel(central);
    nameCaption_->setObjectName("Label5");
    nameBox_ = new QLineEdit(central);
    nameBox_->setObjectName("Text3");

    for (QLineEdit *box : {factorCountBox_, levelsBox_}) {
        box->setFixedWidth(box->fontMetrics().horizontalAdvance("00000") + 16);
        box->setAcceptDrops(false);
        // Typed keys are checked as they come (eventFilter); a pasted text is refused whole
        // unless it is all digits and points.
        box->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9.]*"), box));
        connect(box, &QLineEdit::inputRejected, this, [this] {
            messages_.show(tr(kOnlyNumbers), tr("Error!"), MessageIcon::Critical, MessageButtons::Ok, this);
        });
    }
    nameBox_->setAcceptDrops(false);
    nameBox_->setMinimumWidth(nameBox_->fontMetrics().horizontalAdvance(genericName(1)) + 24);

    auto spinnerRow = [central](QLineEdit *box, UpDownButtons *spinner) {
        auto *row = new QHBoxLayout;
        row->setSpacing(2);
        row->addWidget(box);
        row->addWidget(spinner);
        row->addStretch();
        return row;
    };
    form->addWidget(countCaption, 0, 0);
    form->addLayout(spinnerRow(factorCountBox_, factorCountSpinner_), 0, 1);
    form->addWidget(countNote, 1, 0);
    form->addWidget(levelsCaption_, 2, 0);
    form->addLayout(spinnerRow(levelsBox_, levelsSpinner_), 2, 1);
    form->addWidget(nameCaption_, 3, 0);
    form->addWidget(nameBox_, 4, 0, 1, 2);
    form->setRowMinimumHeight(2, 30);
    outer->addLayout(form);

    // The note and the expected number of scores take turns in one place, so that the buttons
    // below them stay where the user last saw them.
    auto *noteArea = new QWidget(central);
    auto *noteLayout = new QGridLayout(noteArea);
    noteLayout->setContentsMargins(0, 0, 0, 0);
    cyclingNote_ = new QLabel(tr("(Note:  the factor cycling fastest is Factor 1)"), noteArea);
    cyclingNote_->setObjectName("Label6");
    expectation_ = new QLabel(noteArea);
    expectation_->setObjectName("Label4");
    QFont emphasis = expectation_->font();
    emphasis.setBold(true);
    expectation_->setFont(emphasis);
    noteLayout->addWidget(cyclingNote_, 0, 0);
    noteLayout->addWidget(expectation_, 0, 0);
    noteArea->setMinimumHeight(QFontMetrics(emphasis).height() + 8);
    outer->addWidget(noteArea);

    auto *buttons = new QHBoxLayout;
    okButton_ = new QPushButton(tr("&OK"), central);
    okButton_->setObjectName("Command1");
    confirmButton_ = new QPushButton(tr(kYesProceedCaption), central);
    confirmButton_->setObjectName("Command2");
    adjustButton_ = new QPushButton(tr("&No, Adjust Factor-Level information"), central);
    adjustButton_->setObjectName("Command3");
    startOverButton_ = new QPushButton(tr("&Start Over"), central);
    startOverButton_->setObjectName("StartOverButton");
    for (QPushButton *button : {okButton_, confirmButton_, adjustButton_, startOverButton_}) {
        button->setAutoDefault(true); // Enter presses the button that has the focus
        buttons->addWidget(button);
    }
    buttons->addStretch();
    outer->addLayout(buttons);
    outer->addStretch();

    auto *labelRow = new QHBoxLayout;
    auto *problemCaption = new QLabel(tr("Problem Label (Optional): "), central);
    problemCaption->setObjectName("Label7");
    problemLabelBox_ = new QLineEdit(central);
    problemLabelBox_->setObjectName("Text4");
    labelRow->addWidget(problemCaption);
    labelRow->addWidget(problemLabelBox_, 1);
    outer->addLayout(labelRow);

    setCentralWidget(central);
    placeWindow(this, QSize(620, 330));

    for (QLineEdit *box : {factorCountBox_, levelsBox_, nameBox_})
        box->installEventFilter(this);

    connect(factorCountBox_, &QLineEdit::textChanged, this, &OpeningScreen::factorCountChanged);
    connect(levelsBox_, &QLineEdit::textChanged, this, &OpeningScreen::levelsChanged);
    connect(nameBox_, &QLineEdit::textChanged, this, &OpeningScreen::nameChanged);
    // Typing over a generic name makes it the user's own: drawn in black.
    connect(nameBox_, &QLineEdit::textEdited, this,
            [this](const QString &text) { setNameColour(text.contains(kGenericMarker)); });
    connect(problemLabelBox_, &QLineEdit::textChanged, this,
            [this](const QString &text) { problem_.design.problemLabel = text.toStdString(); });
    connect(okButton_, &QPushButton::clicked, this, &OpeningScreen::acceptFactor);
    connect(confirmButton_, &QPushButton::clicked, this, &OpeningScreen::confirm);
    connect(adjustButton_, &QPushButton::clicked, this, &OpeningScreen::adjust);
    connect(startOverButton_, &QPushButton::clicked, this, &OpeningScreen::startOver);

    attachContextHelp(factorCountBox_,
                      tr("Type the number of factors in the design, from 2 to 6, or use the arrows. Count the "
                         "replicates factor or the subjects factor as a factor of its own."));
    attachContextHelp(levelsBox_, tr("Type the number of levels of this factor (at least 2), or use the arrows, "
                                     "then press Enter or click OK."));
    attachContextHelp(nameBox_,
                      tr("Click here and type the factor's name. It must begin with a letter, and its first letter "
                         "must differ from the first letters of the other factors: the table names the sources "
                         "by these letters. Leave the generic name to call the factor by its letter."));
    attachContextHelp(problemLabelBox_,
                      tr("An optional title for this problem; it heads the data grid and the table."));
}

void OpeningScreen::buildMenus()
{
    fileMenu_ = menuBar()->addMenu(tr("&File"));
    fileMenu_->setObjectName("FileMenu");
    recentSeparator_ = fileMenu_->addSeparator();
    recentSeparator_->setObjectName("RecentFilesSeparator");
    recentSeparator_->setVisible(false); // until there are recent files above it
    QAction *exitItem = fileMenu_->addAction(tr("E&xit Alt + F4"));
    exitItem->setObjectName("ExitItem");
    connect(exitItem, &QAction::triggered, this, &OpeningScreen::exitRequested);

    // Alt+P belongs to "&Proceed to Data Entry".
    QMenu *preferences = menuBar()->addMenu(tr("Set P&references"));
    preferences->setObjectName("PreferencesMenu");
    labelsItem_ = preferences->addAction(tr("Use &Labels for Levels"));
    labelsItem_->setObjectName("LabelsItem");
    labelsItem_->setCheckable(true);
    connect(labelsItem_, &QAction::triggered, this, &OpeningScreen::toggleLabels);
    QAction *iterationsItem = preferences->addAction(tr("&Number of Resampling Iterations for Estimating p-values"));
    iterationsItem->setObjectName("IterationsItem");
    connect(iterationsItem, &QAction::triggered, this, [this] { iterationsDialog().begin(); });
    maximizedItem_ = preferences->addAction(tr("Run &Maximized"));
    maximizedItem_->setObjectName("MaximizedItem");
    maximizedItem_->setCheckable(true);
    connect(maximizedItem_, &QAction::triggered, this, &OpeningScreen::toggleMaximized);

    QMenu *help = menuBar()->addMenu(tr("&Help"));
    help->setObjectName("HelpMenu");
    QAction *contents = help->addAction(tr("&Contents..."));
    contents->setObjectName("ContentsItem");
    connect(contents, &QAction::triggered, this, &OpeningScreen::helpContentsRequested);
    QAction *search = help->addAction(tr("&Search for Help on..."));
    search->setObjectName("SearchItem");
    connect(search, &QAction::triggered, this, &OpeningScreen::helpSearchRequested);
    QAction *online = help->addAction(tr("Online Information"));
    online->setObjectName("OnlineItem");
    connect(online, &QAction::triggered, this, &OpeningScreen::onlineInformationRequested);
    QAction *purpose = help->addAction(tr("&Purpose..."));
    purpose->setObjectName("PurposeItem");
    connect(purpose, &QAction::triggered, this, &OpeningScreen::showPurpose);
    QAction *about = help->addAction(tr("&About..."));
    about->setObjectName("AboutItem");
    connect(about, &QAction::triggered, this, &OpeningScreen::aboutRequested);

    auto *topicHelp = new QAction(this);
    topicHelp->setShortcut(QKeySequence::HelpContents);
    connect(topicHelp, &QAction::triggered, this, [this] { emit helpTopicRequested("opening.html"); });
    addAction(topicHelp);
}

IterationsDialog &OpeningScreen::iterationsDialog()
{
    if (!iterations_)
        iterations_ = new IterationsDialog(problem_.run, messages_, this);
    return *iterations_;
}

// ---- the boxes -------------------------------------------------------------------------------

bool OpeningScreen::eventFilter(QObject *watched, QEvent *event)
{
    auto *box = qobject_cast<QLineEdit *>(watched);
    if (!box)
        return QMainWindow::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        // Clicking into a box starts it afresh; a generic name gives way to the user's own.
        box->clear();
        if (box == nameBox_)
            setNameColour(false);
    } else if (event->type() == QEvent::FocusIn) {
        // Reached by the keyboard (Tab, Enter, a return from a message), a box's text is selected,
        // so that what is typed replaces it. A right-click only asks for help.
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::MouseFocusReason && reason != Qt::PopupFocusReason &&
            !(QGuiApplication::mouseButtons() & (Qt::LeftButton | Qt::RightButton)))
            QTimer::singleShot(0, box, &QLineEdit::selectAll);
    } else if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (box == nameBox_) {
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                if (okButton_->isVisible() && okButton_->isEnabled())
                    okButton_->click();
                return true;
            }
        } else if (box == factorCountBox_) {
            return filterNumberKey(factorCountBox_, factorCountSpinner_, key, levelsBox_);
        } else if (box == levelsBox_) {
            return filterNumberKey(levelsBox_, levelsSpinner_, key, nameBox_);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// Number boxes take digits, "." and the editing keys; Enter moves on when the box holds a number,
// and the arrow keys step the number as the spinner beside the box does.
bool OpeningScreen::filterNumberKey(QLineEdit *box, UpDownButtons *spinner, QKeyEvent *event, QWidget *next)
{
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (leadingValue(box->text().toStdString()) == 0)
            messages_.show(tr("Please enter a number"), tr("Error!"), MessageIcon::Critical, MessageButtons::Ok, this);
        else
            next->setFocus(Qt::TabFocusReason);
        return true;
    }
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        spinner->stepBy(key == Qt::Key_Up ? 1 : -1);
        return true;
    }
    // Select all, copy, cut, paste and undo are the box's own; a pasted text meets the validator.
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QString text = event->text();
    if (text.isEmpty() || key == Qt::Key_Backspace || key == Qt::Key_Tab || key == Qt::Key_Backtab ||
        key == Qt::Key_Escape || key == Qt::Key_Delete)
        return false;
    if (text.size() == 1 && ((text[0] >= '0' && text[0] <= '9') || text[0] == '.'))
        return false;
    box->clear();
    messages_.show(tr(kOnlyNumbers), tr("Error!"), MessageIcon::Critical, MessageButtons::Ok, this);
    return true;
}

void OpeningScreen::factorCountChanged(const QString &text)
{
    if (ignoreNextCountChange_) {
        ignoreNextCountChange_ = false;
        return;
    }
    factorCount_ = integerValue(text);
    if (factorCount_ < kMinFactors) {
        okButton_->setEnabled(false);
        levelsSpinner_->setEnabled(false);
        levelsBox_->setEnabled(false);
        return;
    }
    okButton_->setEnabled(true);
    levelsSpinner_->setEnabled(true);
    levelsBox_->setEnabled(true);
    if (const std::optional<DesignProblem> problem = checkFactorCount(factorCount_)) {
        showDesignProblem(messages_, *problem, this);
        factorCount_ = kMinFactors;
        ignoreNextCountChange_ = true;
        factorCountBox_->setText("2");
        ignoreNextCountChange_ = false;
    }
    freshTables(factorCount_ + 1);
    currentFactor_ = 1;
    showFactor(1);
}

void OpeningScreen::levelsChanged(const QString &text)
{
    const int levels = qMax(0, integerValue(text));
    levels_[currentFactor_] = levels;
    if (levels >= 2) {
        okButton_->setEnabled(true);
        const QString plain = QString::number(levels);
        if (text != plain)
            levelsBox_->setText(plain);
    } else {
        okButton_->setEnabled(false);
    }
}

void OpeningScreen::nameChanged(const QString &text)
{
    if (!text.isEmpty() && !isAsciiLetter(text[0]) && text[0] != '"') {
        messages_.show(tr("The factor name must begin with an alphabetic character!"), tr("Error"),
                       MessageIcon::Critical, MessageButtons::Ok, this);
        nameBox_->clear();
        return;
    }
    if (text.contains(',')) {
        // The names of a remembered data file are stored as one comma-separated list.
        messages_.show(tr("A factor name cannot contain a comma.  Please use another character."), tr("Error"),
                       MessageIcon::Critical, MessageButtons::Ok, this);
        QString without = text;
        without.remove(',');
        nameBox_->setText(without);
        return;
    }
    QString name = text;
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    names_[currentFactor_] = name;
}

// ---- the buttons ------------------------------------------------------------------------------

void OpeningScreen::acceptFactor()
{
    labelsItem_->setEnabled(false);
    const QString typed = nameBox_->text();
    if (!typed.isEmpty()) {
        if (const std::optional<DesignProblem> problem = checkFactorName(currentFactor_, typed.toStdString())) {
            showDesignProblem(messages_, *problem, this, MessageButtons::OkCancel);
            return;
        }
    }
    factorCountBox_->setEnabled(false);
    factorCountSpinner_->setEnabled(false);
    cyclingNote_->hide();

    if (currentFactor_ < factorCount_) {
        ++currentFactor_;
        showFactor(currentFactor_);
        // The next factor's levels, ready to be typed over.
        levelsBox_->setFocus(Qt::TabFocusReason);
        return;
    }

    std::vector<int> levels(levels_.begin() + 1, levels_.begin() + 1 + factorCount_);
    if (const std::optional<DesignProblem> problem = checkLevelCounts(levels)) {
        showDesignProblem(messages_, *problem, this);
        // Too few levels in one factor: back to the factors; too many scores in all: start over.
        if (problem->factor > 0)
            adjust();
        else
            startOver();
        return;
    }
    int64_t scores = 1;
    for (const int l : levels)
        scores *= l;
    expectation_->setText(tr("The program is expecting%1 scores.  Is that correct?").arg(strQ(scores)));
    expectation_->show();
    levelsBox_->setEnabled(false);
    levelsSpinner_->setEnabled(false);
    okButton_->hide();
    startOverButton_->hide();
    confirmButton_->show();
    adjustButton_->show();
    confirmButton_->setFocus();
}

void OpeningScreen::confirm()
{
    if (confirmStep_ != ConfirmStep::Data) {
        WaitCursor wait;
        for (int i = 1; i <= factorCount_; ++i) {
            if (names_[i].contains(kGenericMarker))
                names_[i] = names_[i].left(1);
            if (const std::optional<DesignProblem> problem = checkFactorName(i, names_[i].toStdString())) {
                wait.restore();
                showDesignProblem(messages_, *problem, this);
                returnToFactor(i, names_[i]);
                return;
            }
        }
        std::vector<std::string> names;
        for (int i = 1; i <= factorCount_; ++i)
            names.push_back(names_[i].toStdString());
        if (const std::optional<DesignProblem> problem = checkUniqueLetters(names)) {
            wait.restore();
            showDesignProblem(messages_, *problem, this);
            returnToFactor(problem->factor, names_[problem->factor]);
            return;
        }
        commitDesign();
        currentFactor_ = 1;
        if (confirmStep_ == ConfirmStep::ConfirmThenLabels) {
            wait.restore();
            hide();
            Design &design = problem_.design;
            design.levelLabels.assign(design.factors.size(), {});
            for (size_t f = 0; f < design.factors.size(); ++f)
                design.levelLabels[f].assign(static_cast<size_t>(design.factors[f].levels), std::string());
            expectation_->hide();
            // The design is settled: a name typed now would change nothing.
            nameBox_->setEnabled(false);
            setConfirmStep(ConfirmStep::Data);
            adjustButton_->hide();
            startOverButton_->show();
            emit levelLabelsRequested();
            return;
        }
    }
    emit dataEntryRequested();
}

void OpeningScreen::adjust()
{
    if (factorCountBox_->text() != QString::number(factorCount_))
        factorCountBox_->setText(QString::number(factorCount_));
    currentFactor_ = 1;
    showFactor(1);
    setNameColour(true);
    expectation_->hide();
    cyclingNote_->show();
    okButton_->show();
    confirmButton_->hide();
    adjustButton_->hide();
    factorCountBox_->setEnabled(true);
    factorCountSpinner_->setEnabled(true);
    levelsBox_->setEnabled(true);
    levelsSpinner_->setEnabled(true);
    startOverButton_->show();
}

void OpeningScreen::startOver()
{
    freshTables(kTableSize);
    factorCount_ = 2;
    currentFactor_ = 1;
    // The screen's own write into the count box must not build the tables again.
    ignoreNextCountChange_ = true;
    factorCountBox_->setText("2");
    ignoreNextCountChange_ = false;
    factorCountBox_->setEnabled(true);
    nameBox_->setEnabled(true);
    showFactor(1);
    expectation_->hide();
    cyclingNote_->show();
    okButton_->show();
    confirmButton_->hide();
    adjustButton_->hide();
    startOverButton_->show();
    applyLabelsPreference();
    factorCountSpinner_->setEnabled(true);
    levelsBox_->setEnabled(true);
    levelsSpinner_->setEnabled(true);
    okButton_->setEnabled(true);
    problem_.design.nested = false;
    for (QAction *action : fileMenu_->actions())
        if (action->objectName().startsWith("RecentFile"))
            action->setEnabled(true);
    labelsItem_->setEnabled(true);
}

void OpeningScreen::resetToStartUp()
{
    startOver();
    problemLabelBox_->clear();
    maximizedItem_->setChecked(preferences_.runMaximized);
    okButton_->setFocus();
}

// ---- helpers ----------------------------------------------------------------------------------

void OpeningScreen::freshTables(int count)
{
    const int size = qMax(count, kTableSize);
    levels_.assign(static_cast<size_t>(size), 2);
    names_.assign(static_cast<size_t>(size), QString());
    for (int i = 1; i < size; ++i)
        names_[i] = genericName(i);
}

void OpeningScreen::showFactor(int factor)
{
    currentFactor_ = factor;
    setCaptionsFor(factor);
    const QString levels = QString::number(levels_[factor]);
    if (levelsBox_->text() != levels)
        levelsBox_->setText(levels);
    else
        levelsChanged(levels);
    const QString name = names_[factor];
    if (nameBox_->text() != name)
        nameBox_->setText(name);
    setNameColour(name.contains(kGenericMarker));
}

void OpeningScreen::setCaptionsFor(int factor)
{
    levelsCaption_->setText(tr("How many levels are there in Factor%1?").arg(strQ(factor)));
    nameCaption_->setText(tr("What name do you want to assign to Factor%1?").arg(strQ(factor)));
}

void OpeningScreen::setNameColour(bool generic)
{
    QPalette palette = nameBox_->palette();
    palette.setColor(QPalette::Text, generic ? kLightRed : QColor(Qt::black));
    nameBox_->setPalette(palette);
}

// After a refused name at confirmation: back to entering that factor.
void OpeningScreen::returnToFactor(int factor, const QString &name)
{
    currentFactor_ = factor;
    setCaptionsFor(factor);
    levelsBox_->setText(QString::number(levels_[factor]));
    names_[factor] = name;
    nameBox_->setText(name);
    setNameColour(false);
    expectation_->hide();
    okButton_->show();
    confirmButton_->hide();
    adjustButton_->hide();
    nameBox_->setFocus();
}

void OpeningScreen::applyLabelsPreference()
{
    const bool on = preferences_.useLevelLabels;
    labelsItem_->setChecked(on);
    problem_.labelsInUse = on;
    setConfirmStep(on ? ConfirmStep::ConfirmThenLabels : ConfirmStep::ConfirmThenData);
}

void OpeningScreen::setConfirmStep(ConfirmStep step)
{
    confirmStep_ = step;
    switch (step) {
    case ConfirmStep::ConfirmThenData:
        confirmButton_->setText(tr(kYesProceedCaption));
        break;
    case ConfirmStep::ConfirmThenLabels:
        confirmButton_->setText(tr(kLabelsCaption));
        break;
    case ConfirmStep::Data:
        confirmButton_->setText(tr(kProceedCaption));
        break;
    }
}

void OpeningScreen::commitDesign()
{
    ProblemState &problem = problem_;
    Design &design = problem.design;
    // The names typed here are the full names; none remembered from an earlier design remain.
    design.factors.clear();
    for (int i = 1; i <= factorCount_; ++i)
        design.factors.push_back(makeFactor(names_[i].toStdString(), levels_[i]));
    design.problemLabel = problemLabelBox_->text().toStdString();
}

// ---- recent files -----------------------------------------------------------------------------

QList<QAction *> OpeningScreen::recentFileItems() const
{
    QList<QAction *> items;
    for (QAction *action : fileMenu_->actions())
        if (action->objectName().startsWith("RecentFile") && action != recentSeparator_)
            items << action;
    return items;
}

void OpeningScreen::showRecentFiles(const QStringList &captions)
{
    for (QAction *item : recentFileItems()) {
        fileMenu_->removeAction(item);
        item->deleteLater();
    }
    for (int position = 1; position <= captions.size(); ++position) {
        // A "&" in a path is shown as itself, not taken for an access key.
        QString shown = captions[position - 1];
        const int pathStart = shown.indexOf(' ') + 1;
        shown = shown.left(pathStart) + shown.mid(pathStart).replace("&", "&&");
        auto *item = new QAction(shown, fileMenu_);
        item->setObjectName("RecentFile" + QString::number(position));
        connect(item, &QAction::triggered, this, [this, position] { emit recentFileRequested(position); });
        fileMenu_->insertAction(recentSeparator_, item);
    }
    recentSeparator_->setVisible(!captions.isEmpty());
}

void OpeningScreen::showRemembered(const Design &design, bool labelsGiven)
{
    startOver();
    // Start Over applied the labels preference; the remembered design says whether it has labels.
    problem_.labelsInUse = labelsGiven;
    const int count = design.factorCount();
    freshTables(count + 1);
    factorCount_ = count;
    ignoreNextCountChange_ = true;
    factorCountBox_->setText(QString::number(count));
    ignoreNextCountChange_ = false;
    for (int i = 1; i <= count; ++i) {
        levels_[i] = design.factors[static_cast<size_t>(i - 1)].levels;
        names_[i] = QString::fromStdString(design.factors[static_cast<size_t>(i - 1)].name);
    }
    problemLabelBox_->setText(QString::fromStdString(design.problemLabel));
    // The last factor stands in the boxes, as when a typed design is confirmed.
    showFactor(count);
    setNameColour(false);

    labelsItem_->setEnabled(false);
    factorCountBox_->setEnabled(false);
    factorCountSpinner_->setEnabled(false);
    levelsBox_->setEnabled(false);
    levelsSpinner_->setEnabled(false);
    cyclingNote_->hide();
    okButton_->hide();
    if (labelsGiven) {
        // As after the labels window: the design is settled and only the data remain.
        nameBox_->setEnabled(false);
        expectation_->hide();
        setConfirmStep(ConfirmStep::Data);
        adjustButton_->hide();
        startOverButton_->show();
    } else {
        expectation_->setText(tr("The program is expecting%1 scores.  Is that correct?").arg(strQ(design.cellCount())));
        expectation_->show();
        setConfirmStep(ConfirmStep::ConfirmThenData);
        adjustButton_->show();
        startOverButton_->hide();
    }
    confirmButton_->show();
    confirmButton_->setFocus();
}

// ---- menus ------------------------------------------------------------------------------------

void OpeningScreen::toggleLabels(bool on)
{
    emit useLevelLabelsChanged(on);
    problem_.labelsInUse = on;
    setConfirmStep(on ? ConfirmStep::ConfirmThenLabels : ConfirmStep::ConfirmThenData);
}

void OpeningScreen::toggleMaximized(bool on)
{
    emit runMaximizedChanged(on);
}

void OpeningScreen::showPurpose()
{
    messages_.show(tr("     This program performs Kelsim for up to six factors, with up to 16352 scores.  It handles "
                      "independent groups and repeated measures designs.\n\r     The input grid accepts one score "
                      "per factorial combination; replicates and/or subjects are treated as ordinary factors."),
                   tr("Purpose"), MessageIcon::Information, MessageButtons::Ok, this);
}

void OpeningScreen::closeEvent(QCloseEvent *event)
{
    // Closing the main window is "E&xit": when the user lets the program end, every window has
    // been hidden by the time the request returns.
    emit exitRequested();
    event->setAccepted(!isVisible());
}

} // namespace kelsim
