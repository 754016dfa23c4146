#include "DesignSpecificationWindow.h"

#include "DesignCheck.h"
#include "UiText.h"

#include <QButtonGroup>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

namespace kelsim {

namespace {

void keepPlaceWhenHidden(QWidget *widget)
{
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

} // namespace

QString DesignSpecificationWindow::designateCaption(const QString &name)
{
    return name.size() >= 1 && name.size() <= 9 ? name : name.left(3);
}

DesignSpecificationWindow::DesignSpecificationWindow(ProblemState &problem, MessageService &messages, QWidget *parent)
    : QMainWindow(parent), problem_(problem), messages_(messages)
{
    setObjectName("DesignSpecificationWindow");
    setWindowTitle(tr("Design Specification"));
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);

    auto *kindBox = new QGroupBox(tr("Design"), central);
    auto *kindLayout = new QVBoxLayout(kindBox);
    auto *kindGroup = new QButtonGroup(this);
    kindGroup->setObjectName("AnovType");
    const QString kinds[] = {tr("Independent groups"), tr("Repeated-measures")};
    for (int i = 0; i < 2; ++i) {
        auto *option = new QRadioButton(kinds[i], kindBox);
        option->setObjectName(QString("AnovType_%1").arg(i));
        kindGroup->addButton(option, i);
        kindLayout->addWidget(option);
        kind_.push_back(option);
        connect(option, &QRadioButton::clicked, this, [this, i] { chooseKind(i); });
    }

    frame2_ = new QGroupBox(tr("Designate the Replicates Factor:"), central);
    frame2_->setObjectName("Frame2");
    auto *designateLayout = new QVBoxLayout(frame2_);
    designateGroup_ = new QButtonGroup(this);
    designateGroup_->setObjectName("Designate");
    for (int i = 0; i < 8; ++i) {
        auto *option = new QRadioButton(frame2_);
        option->setObjectName(QString("Designate_%1").arg(i));
        // Room for as many factors as a design can have, so that the window keeps its size from
        // one design to the next.
        if (i < kMaxFactors)
            keepPlaceWhenHidden(option);
        designateGroup_->addButton(option, i);
        designateLayout->addWidget(option);
        designate_.push_back(option);
        connect(option, &QRadioButton::clicked, this, [this, i] { designate(i); });
    }

    // A caption is at most nine characters long (designateCaption). The frame keeps one width
    // whichever title the kind gives it, so that choosing the kind moves no option.
    int frameWidth = frame2_->fontMetrics().horizontalAdvance(QString(9, 'W')) +
                     frame2_->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) * 3;
    for (const QString &title : {tr("Designate the Subjects Factor:"), tr("Designate the Replicates Factor:")})
        frameWidth = std::max(frameWidth, frame2_->fontMetrics().horizontalAdvance(title) +
                                              4 * frame2_->style()->pixelMetric(QStyle::PM_LayoutLeftMargin));
    frame2_->setFixedWidth(frameWidth);

    frame1_ = new QGroupBox(tr("Select Design Structure:"), central);
    frame1_->setObjectName("Frame1");
    keepPlaceWhenHidden(frame1_);
    auto *structureLayout = new QVBoxLayout(frame1_);
    auto *structureGroup = new QButtonGroup(this);
    structureGroup->setObjectName("Structype");
    const QString structures[] = {tr("Fully crossed"), tr("Nested")};
    for (int i = 0; i < 2; ++i) {
        auto *option = new QRadioButton(structures[i], frame1_);
        option->setObjectName(QString("Structype_%1").arg(i));
        structureGroup->addButton(option, i);
        structureLayout->addWidget(option);
        structure_.push_back(option);
        connect(option, &QRadioButton::clicked, this, [this, i] { chooseStructure(i); });
    }

    auto *choices = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    left->addWidget(kindBox);
    left->addWidget(frame1_);
    left->addStretch();
    choices->addLayout(left);
    choices->addWidget(frame2_);
    layout->addLayout(choices);

    nest_ = new QPushButton(tr("&Nesting..."), central);
    nest_->setObjectName("NestButton");
    // The button keeps its place while hidden, so the options do not move under the pointer.
    keepPlaceWhenHidden(nest_);
    explanation_ = new QPushButton(tr("&Explanation"), central);
    explanation_->setObjectName("Explanation");
    calculate_ = new QPushButton(tr("&Prepare Table"), central);
    calculate_->setObjectName("Calculate");
    cancel_ = new QPushButton(tr("&Return to Grid"), central);
    cancel_->setObjectName("CancelButton");
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {nest_, explanation_, calculate_, cancel_})
        buttons->addWidget(b);
    layout->addLayout(buttons);
    setCentralWidget(central);

    connect(nest_, &QPushButton::clicked, this, [this] {
        problem_.design.nestingPairs.clear();
        problem_.design.selectedNesting.clear();
        problem_.nestingSpecified = false;
        hide();
        emit nestingRequested();
    });
    connect(explanation_, &QPushButton::clicked, this, [this] {
        hide();
        emit explanationRequested();
    });
    connect(calculate_, &QPushButton::clicked, this, [this] {
        if (cancel_->isVisible())
            cancel_->setFocus();
        // The same checks as the command line's: only a design it would run is run here.
        if (const std::optional<DesignProblem> problem = validateDesign(problem_.design)) {
            showDesignProblem(messages_, *problem, this);
            updatePrepare();
            return;
        }
        emit prepareTableRequested();
    });
    connect(cancel_, &QPushButton::clicked, this, [this] {
        problem_.designAnalysed = false;
        hide();
        emit returnToGridRequested();
    });

    QMenu *help = menuBar()->addMenu(tr("&Help"));
    connect(help->addAction(tr("&Contents...")), &QAction::triggered, this, [this] { emit helpRequested("contents"); });
    connect(help->addAction(tr("&Search for Help on...")), &QAction::triggered, this,
            [this] { emit helpRequested("search"); });
    connect(help->addAction(tr("How to &Use Help")), &QAction::triggered, this,
            [this] { emit helpRequested("howto"); });

    kind_[0]->setToolTip(tr("Independent groups: every source is tested against one pooled error term, the "
                            "within-cells term, built from the replicates factor."));
    kind_[1]->setToolTip(tr("Repeated measures: every source is tested against its interaction with the subjects "
                            "factor."));
    structure_[0]->setToolTip(tr("Fully crossed: every level of every factor meets every level of the others."));
    structure_[1]->setToolTip(tr("Nested: some factor's levels each occur with only one level of another factor."));
    nest_->setToolTip(tr("Choose the pairwise nesting relations; the implied ones are added."));
    calculate_->setToolTip(tr("Runs the analysis and shows the N-table."));
}

void DesignSpecificationWindow::load()
{
    Design &design = problem_.design;
    frame2_->setTitle(tr("Designate the Replicates Factor:"));
    designateGroup_->setExclusive(false);
    for (int i = 0; i < 8; ++i) {
        QRadioButton *option = designate_[static_cast<size_t>(i)];
        option->setChecked(false);
        option->setVisible(i < design.factorCount());
        if (i < design.factorCount())
            // A name's "&" is shown, not taken for an access key.
            option->setText(designateCaption(QString::fromStdString(design.factors[static_cast<size_t>(i)].name))
                                .replace('&', QStringLiteral("&&")));
    }
    designateGroup_->setExclusive(true);
    design.kind = DesignKind::IndependentGroups;
    kind_[0]->setChecked(true);
    dropNesting();
    frame1_->setVisible(design.factorCount() > 2);
    if (!problem_.designAnalysed) {
        structure_[0]->setChecked(true);
        chooseStructure(0);
        nest_->setVisible(false);
    } else {
        const int s = design.nested && design.factorCount() > 2 ? 1 : 0;
        structure_[static_cast<size_t>(s)]->setChecked(true);
        chooseStructure(s);
    }
    updatePrepare();
}

void DesignSpecificationWindow::refresh()
{
    updatePrepare();
}

bool DesignSpecificationWindow::factorDesignated() const
{
    return designateGroup_->checkedId() >= 0 && designateGroup_->checkedId() + 1 == problem_.design.specialFactor;
}

void DesignSpecificationWindow::updatePrepare()
{
    const Design &design = problem_.design;
    calculate_->setEnabled(factorDesignated() && (!design.nested || problem_.nestingSpecified) &&
                           !validateDesign(design));
}

void DesignSpecificationWindow::dropNesting()
{
    problem_.nestingSpecified = false;
    problem_.design.nestingPairs.clear();
    problem_.design.selectedNesting.clear();
}

void DesignSpecificationWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    refresh();
}

void DesignSpecificationWindow::nestingCancelled()
{
    problem_.design.nested = false;
    structure_[0]->setChecked(true);
    chooseStructure(0);
    structure_[1]->setChecked(false);
    nest_->setEnabled(false);
    // The factor designated before "Nesting..." still is; the crossed design is ready to run.
    const int special = problem_.design.specialFactor;
    if (special >= 1 && special <= static_cast<int>(designate_.size()))
        designate_[static_cast<size_t>(special - 1)]->setChecked(true);
    updatePrepare();
}

void DesignSpecificationWindow::clearDesignation()
{
    designateGroup_->setExclusive(false);
    for (QRadioButton *option : designate_)
        option->setChecked(false);
    designateGroup_->setExclusive(true);
}

void DesignSpecificationWindow::chooseKind(int option)
{
    const DesignKind kind = option == 0 ? DesignKind::IndependentGroups : DesignKind::RepeatedMeasures;
    // Relations chosen for one kind may not stand for the other.
    if (kind != problem_.design.kind)
        dropNesting();
    problem_.design.kind = kind;
    frame2_->setTitle(option == 0 ? tr("Designate the Replicates Factor:") : tr("Designate the Subjects Factor:"));
    frame2_->setVisible(true);
    structure_[1]->setEnabled(true);
    clearDesignation();
    updatePrepare();
}

void DesignSpecificationWindow::designate(int option)
{
    // Relations chosen around another designated factor may not stand for this one.
    if (problem_.design.specialFactor != option + 1)
        dropNesting();
    problem_.design.specialFactor = option + 1;
    if (problem_.design.nested) {
        nest_->setEnabled(true);
        if (nest_->isVisible())
            nest_->setFocus();
    }
    updatePrepare();
}

void DesignSpecificationWindow::chooseStructure(int option)
{
    if (option == 0) {
        problem_.design.nested = false;
        nest_->setVisible(false);
    } else {
        problem_.design.nested = true;
        dropNesting();
        nest_->setVisible(true);
        nest_->setEnabled(false);
    }
    clearDesignation();
    updatePrepare();
}

void DesignSpecificationWindow::contextMenuEvent(QContextMenuEvent *event)
{
    QWidget *child = childAt(event->pos());
    for (; child && child != this; child = child->parentWidget()) {
        if (!child->toolTip().isEmpty()) {
            QToolTip::showText(event->globalPos(), child->toolTip(), child);
            return;
        }
    }
    QMainWindow::contextMenuEvent(event);
}

} // namespace kelsim
