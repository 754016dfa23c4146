#include "NestingSelectionWindow.h"

#include "DesignCheck.h"
#include "NestingRelations.h"
#include "TableReport.h"
#include "UiText.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelsim {

NestingSelectionWindow::NestingSelectionWindow(ProblemState &problem, MessageService &messages, QWidget *parent)
    : QDialog(parent), problem_(problem), messages_(messages)
{
    setObjectName("NestingSelectionWindow");
    setWindowTitle(tr("Select the Nesting Relationship(s)"));
    auto *layout = new QVBoxLayout(this);
    auto *bar = new QMenuBar(this);
    QMenu *help = bar->addMenu(tr("&Help"));
    connect(help->addAction(tr("&Contents...")), &QAction::triggered, this, [this] { emit helpRequested("contents"); });
    connect(help->addAction(tr("&Search for Help on...")), &QAction::triggered, this,
            [this] { emit helpRequested("search"); });
    connect(help->addAction(tr("How to &Use Help")), &QAction::triggered, this,
            [this] { emit helpRequested("howto"); });
    layout->setMenuBar(bar);
    list_ = new QListWidget(this);
    list_->setObjectName("List1");
    list_->setSelectionMode(QAbstractItemView::MultiSelection);
    layout->addWidget(list_);
    auto *ok = new QPushButton(tr("&OK"), this);
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    auto *cancel = new QPushButton(tr("&Cancel"), this);
    cancel->setObjectName("CancelButton");
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, [this] {
        if (acceptSelection())
            accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        item->setSelected(true);
        if (acceptSelection())
            accept();
    });
    resize(360, 360);
}

void NestingSelectionWindow::load()
{
    entries_ = admissibleNesting(problem_.design);
    list_->clear();
    for (const NestingPair &pair : entries_)
        list_->addItem(QString::fromStdString(nestingEntryText(pair)));
    // A long list flows into columns.
    list_->setFlow(entries_.size() < 15 ? QListView::TopToBottom : QListView::LeftToRight);
    list_->setWrapping(entries_.size() >= 15);
}

bool NestingSelectionWindow::acceptSelection()
{
    problem_.nestingSpecified = false;
    std::vector<NestingPair> selected;
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->isSelected())
            selected.push_back(entries_[static_cast<size_t>(i)]);
    const NestingResult check = checkNesting(problem_.design, selected);
    if (check.problem) {
        showDesignProblem(messages_, *check.problem, this);
        return false;
    }
    problem_.design.selectedNesting = selected;
    problem_.design.nestingPairs = check.pairs;
    problem_.nestingSpecified = true;
    list_->clearSelection();
    return true;
}

} // namespace kelsim
