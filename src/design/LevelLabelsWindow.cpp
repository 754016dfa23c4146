#include "LevelLabelsWindow.h"

#include "CaptionLabel.h"
#include "ContextHelp.h"
#include "MessageService.h"
#include "ProblemState.h"
#include "UiText.h"
#include "WindowPlacement.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelsim {

LevelLabelsWindow::LevelLabelsWindow(ProblemState &problem, MessageService &messages, QWidget *parent)
    : QDialog(parent), problem_(problem), messages_(messages)
{
    setObjectName("LevelLabelsWindow");
    setWindowTitle(tr("Labels for Levels"));

    // A factor's name may be long: the prompt wraps, even inside a word, instead of widening the window.
    prompt_ = new CaptionLabel(QString(), this, 6);
    prompt_->setObjectName("Label1");
    prompt_->setMinimumHeight(prompt_->fontMetrics().height() * 2 + 8);
    auto *note = new QLabel(tr("Note:  A level label may consist of one or two characters."), this);
    note->setObjectName("Label2");
    labelBox_ = new QLineEdit(this);
    labelBox_->setObjectName("Text1");
    labelBox_->setMaximumWidth(labelBox_->fontMetrics().horizontalAdvance("WWWW") + 16);
    labelBox_->setAcceptDrops(false);
    labelBox_->installEventFilter(this);
    attachContextHelp(labelBox_, tr("Type a label of one or two characters for this level and press Enter. The "
                                    "labels of one factor must differ; \"a\" and \"A\" count as different."));

    okButton_ = new QPushButton(tr("OK"), this);
    okButton_->setObjectName("OKButton");
    okButton_->setDefault(true);
    skipButton_ = new QPushButton(tr("Use Cell &Indices For This Factor"), this);
    skipButton_->setObjectName("Skipbutton");
    restartButton_ = new QPushButton(tr("&Start Over"), this);
    restartButton_->setObjectName("RestartButton");
    finishedButton_ = new QPushButton(tr("&Finished"), this);
    finishedButton_->setObjectName("FinishedButton");
    cancelButton_ = new QPushButton(tr("&Cancel"), this);
    cancelButton_->setObjectName("CancelButton");

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(prompt_);
    auto *entry = new QHBoxLayout;
    entry->addWidget(labelBox_);
    entry->addWidget(okButton_);
    entry->addStretch();
    layout->addLayout(entry);
    layout->addWidget(note);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : {skipButton_, restartButton_, finishedButton_, cancelButton_})
        buttons->addWidget(button);
    layout->addLayout(buttons);

    connect(labelBox_, &QLineEdit::textChanged, this, &LevelLabelsWindow::labelChanged);
    connect(okButton_, &QPushButton::clicked, this, &LevelLabelsWindow::acceptLabel);
    connect(skipButton_, &QPushButton::clicked, this, &LevelLabelsWindow::useCellIndices);
    connect(restartButton_, &QPushButton::clicked, this, &LevelLabelsWindow::startOver);
    connect(finishedButton_, &QPushButton::clicked, this, &LevelLabelsWindow::finish);
    connect(cancelButton_, &QPushButton::clicked, this, &LevelLabelsWindow::cancel);
}

int LevelLabelsWindow::factorCount() const
{
    return problem_.design.factorCount();
}

int LevelLabelsWindow::levelsOf(int factor) const
{
    return problem_.design.factors[static_cast<size_t>(factor - 1)].levels;
}

QString LevelLabelsWindow::nameOf(int factor) const
{
    return QString::fromStdString(problem_.design.factors[static_cast<size_t>(factor - 1)].name);
}

std::string &LevelLabelsWindow::labelOf(int factor, int level)
{
    auto &labels = problem_.design.levelLabels;
    if (labels.size() < static_cast<size_t>(factorCount()))
        labels.resize(static_cast<size_t>(factorCount()));
    auto &ofFactor = labels[static_cast<size_t>(factor - 1)];
    if (ofFactor.size() < static_cast<size_t>(levelsOf(factor)))
        ofFactor.resize(static_cast<size_t>(levelsOf(factor)));
    return ofFactor[static_cast<size_t>(level - 1)];
}

QString LevelLabelsWindow::questionPrompt(int factor, int level) const
{
    return tr("For Factor %1, %2, what is the label for level %3?").arg(strQ(factor), nameOf(factor), strQ(level));
}

QString LevelLabelsWindow::requestPrompt(int factor, int level) const
{
    return tr("Please enter a label for Factor%1, %2, Level %3.").arg(strQ(factor), nameOf(factor), strQ(level));
}

void LevelLabelsWindow::begin()
{
    currentFactor_ = 1;
    currentLevel_ = 1;
    correctingFactor_ = 0;
    prompt_->setText(questionPrompt(1, 1));
    labelBox_->setEnabled(true);
    labelBox_->clear();
    okButton_->setEnabled(true);
    skipButton_->setEnabled(true);
    finishedButton_->setEnabled(false);
    labelBox_->setFocus();
    // Each problem's window opens at the size its prompt needs, whatever the last one needed.
    placeWindow(this, QSize(qMax(sizeHint().width(), 60 * fontMetrics().averageCharWidth()), sizeHint().height()));
}

bool LevelLabelsWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == labelBox_ && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
        labelBox_->clear();
    return QDialog::eventFilter(watched, event);
}

void LevelLabelsWindow::labelChanged(const QString &text)
{
    if (text.size() > 2) {
        messages_.show(tr("The length of a label is limited to two characters."), tr("Label Error!"),
                       MessageIcon::Critical, MessageButtons::Ok, this);
        labelBox_->clear();
        labelBox_->setFocus();
        return;
    }
    if (text.contains(',')) {
        // The labels of a remembered data file are stored as one comma-separated list.
        messages_.show(tr("A level label cannot contain a comma.  Please use another character."), tr("Label Error!"),
                       MessageIcon::Critical, MessageButtons::Ok, this);
        QString without = text;
        without.remove(',');
        labelBox_->setText(without);
        labelBox_->setFocus();
    }
}

void LevelLabelsWindow::askFor(const QString &prompt)
{
    prompt_->setText(prompt);
    labelBox_->clear();
    labelBox_->setFocus();
}

void LevelLabelsWindow::acceptLabel()
{
    const QString text = labelBox_->text();
    if (text.isEmpty()) {
        messages_.show(requestPrompt(currentFactor_, currentLevel_), tr("Value Missing!"), MessageIcon::Critical,
                       MessageButtons::Ok, this);
        labelBox_->setFocus();
        return;
    }
    labelOf(currentFactor_, currentLevel_) = text.toStdString();
    ++currentLevel_;
    if (currentLevel_ <= levelsOf(currentFactor_)) {
        askFor(requestPrompt(currentFactor_, currentLevel_));
        return;
    }
    if (currentFactor_ < factorCount()) {
        const int finished = currentFactor_;
        ++currentFactor_;
        if (finished == correctingFactor_) {
            correctingFactor_ = 0;
            enterFinishedState();
            return;
        }
        currentLevel_ = 1;
        askFor(requestPrompt(currentFactor_, 1));
        return;
    }
    enterFinishedState();
}

void LevelLabelsWindow::useCellIndices()
{
    for (int level = 1; level <= levelsOf(currentFactor_); ++level)
        labelOf(currentFactor_, level) = std::to_string(level);
    if (currentFactor_ < factorCount()) {
        ++currentFactor_;
        currentLevel_ = 1;
        // A half-typed label was meant for the factor just numbered, not for the next one.
        askFor(requestPrompt(currentFactor_, 1));
        return;
    }
    enterFinishedState();
}

void LevelLabelsWindow::enterFinishedState()
{
    prompt_->clear();
    finishedButton_->setEnabled(true);
    finishedButton_->setFocus();
    okButton_->setEnabled(false);
    skipButton_->setEnabled(false);
    labelBox_->setEnabled(false);
}

void LevelLabelsWindow::startOver()
{
    currentFactor_ = 1;
    correctingFactor_ = 0;
    currentLevel_ = 1;
    prompt_->setText(requestPrompt(1, 1));
    labelBox_->setEnabled(true);
    labelBox_->clear();
    labelBox_->setFocus();
    okButton_->setEnabled(true);
    skipButton_->setEnabled(true);
    finishedButton_->setEnabled(false);
}

void LevelLabelsWindow::finish()
{
    for (int factor = 1; factor <= factorCount(); ++factor) {
        for (int i = 1; i <= levelsOf(factor); ++i) {
            for (int j = i + 1; j <= levelsOf(factor); ++j) {
                if (labelOf(factor, i) != labelOf(factor, j))
                    continue;
                messages_.show(tr("Two or more of the levels for Factor %1, %2, have the same label.  Please correct.")
                                   .arg(strQ(factor), nameOf(factor)),
                               tr("Error"), MessageIcon::Exclamation, MessageButtons::Ok, this);
                currentLevel_ = 1;
                prompt_->setText(questionPrompt(factor, 1));
                labelBox_->setEnabled(true);
                labelBox_->setText(QString::fromStdString(labelOf(factor, 1)));
                currentFactor_ = factor;
                correctingFactor_ = factor;
                labelBox_->setFocus();
                okButton_->setEnabled(true);
                finishedButton_->setEnabled(false);
                return;
            }
        }
    }
    hide();
    emit returnRequested();
}

void LevelLabelsWindow::cancel()
{
    problem_.labelsInUse = false;
    hide();
    emit returnRequested();
}

void LevelLabelsWindow::reject()
{
    cancel();
}

void LevelLabelsWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    // A window already put away (the program is ending) has nothing to cancel.
    if (!isVisible())
        return;
    cancel();
}

} // namespace kelsim
