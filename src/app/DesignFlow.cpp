#include "DesignFlow.h"

#include "AnalysisRunner.h"
#include "DesignOptionsWindow.h"
#include "DesignSpecificationWindow.h"
#include "KelsimTableWindow.h"
#include "NestingSelectionWindow.h"
#include "WordExport.h"

#include <QApplication>
#include <QGuiApplication>

namespace kelsim {

DesignFlow::DesignFlow(ProblemState &problem, MessageService &messages, const Preferences &preferences,
                       QObject *parent)
    : QObject(parent), problem_(problem), messages_(messages), preferences_(preferences),
      specification_(std::make_unique<DesignSpecificationWindow>(problem, messages)),
      options_(std::make_unique<DesignOptionsWindow>()),
      nestingExplanation_(std::make_unique<NestingExplanationWindow>()),
      nesting_(std::make_unique<NestingSelectionWindow>(problem, messages)),
      table_(std::make_unique<KelsimTableWindow>(problem, messages))
{
    runner_ = new AnalysisRunner(messages, specification_.get());

    DesignSpecificationWindow *spec = specification_.get();
    connect(spec, &DesignSpecificationWindow::prepareTableRequested, this, &DesignFlow::prepareTable);
    connect(spec, &DesignSpecificationWindow::nestingRequested, this, &DesignFlow::openNesting);
    connect(spec, &DesignSpecificationWindow::explanationRequested, this,
            [this] { showMaximizedIfPreferred(options_.get()); });
    connect(spec, &DesignSpecificationWindow::returnToGridRequested, this, &DesignFlow::gridRequested);
    connect(spec, &DesignSpecificationWindow::helpRequested, this, &DesignFlow::helpRequested);

    connect(options_.get(), &DesignOptionsWindow::nestingExplanationRequested, this,
            [this] { showMaximizedIfPreferred(nestingExplanation_.get()); });
    connect(options_.get(), &DesignOptionsWindow::returnRequested, this,
            [this] { showMaximizedIfPreferred(specification_.get()); });
    connect(options_.get(), &DesignOptionsWindow::exitRequested, this, &DesignFlow::exitRequested);
    connect(options_.get(), &DesignOptionsWindow::helpRequested, this, &DesignFlow::helpRequested);
    connect(nestingExplanation_.get(), &NestingExplanationWindow::returnRequested, this,
            [this] { showMaximizedIfPreferred(specification_.get()); });
    connect(nestingExplanation_.get(), &NestingExplanationWindow::exitRequested, this, &DesignFlow::exitRequested);
    connect(nestingExplanation_.get(), &NestingExplanationWindow::helpRequested, this, &DesignFlow::helpRequested);
    connect(nesting_.get(), &NestingSelectionWindow::helpRequested, this, &DesignFlow::helpRequested);

    KelsimTableWindow *table = table_.get();
    connect(table, &KelsimTableWindow::returnRequested, this, [this] {
        specification_->load();
        showMaximizedIfPreferred(specification_.get());
    });
    connect(table, &KelsimTableWindow::newProblemRequested, this, &DesignFlow::newProblemRequested);
    connect(table, &KelsimTableWindow::exitRequested, this, &DesignFlow::exitRequested);
    connect(table, &KelsimTableWindow::helpRequested, this, &DesignFlow::helpRequested);
}

DesignFlow::~DesignFlow() = default;

void DesignFlow::setWordExport(WordExport *word)
{
    word_ = word;
    table_->setWordAvailable(word != nullptr);
    auto document = [this] {
        TableDocument doc;
        doc.title = problem_.design.problemLabel;
        for (const QString &line : KelsimTableWindow::summaryLines(problem_))
            doc.summary.push_back(line.toStdString());
        doc.rows = table_->gridLines();
        doc.showP = problem_.design.iterations > 1;
        return doc;
    };
    disconnect(table_.get(), &KelsimTableWindow::wordNewRequested, this, nullptr);
    disconnect(table_.get(), &KelsimTableWindow::wordExistingRequested, this, nullptr);
    if (!word)
        return;
    connect(table_.get(), &KelsimTableWindow::wordNewRequested, this,
            [this, document] { word_->printTableToNewDocument(document(), table_.get()); });
    connect(table_.get(), &KelsimTableWindow::wordExistingRequested, this,
            [this, document] { word_->appendTableToExistingDocument(document(), table_.get()); });
}

void DesignFlow::showMaximizedIfPreferred(QWidget *window)
{
    if (preferences_.runMaximized)
        window->showMaximized();
    else
        window->show();
    window->raise();
    window->activateWindow();
}

void DesignFlow::openDesignSpecification()
{
    problem_.scoresBackup = problem_.scores;
    problem_.nestingSpecified = false;
    specification_->load();
    showMaximizedIfPreferred(specification_.get());
}

void DesignFlow::closeAll()
{
    for (QWidget *window : std::initializer_list<QWidget *>{specification_.get(), options_.get(),
                                                            nestingExplanation_.get(), nesting_.get(), table_.get()})
        window->hide();
}

void DesignFlow::openNesting()
{
    nesting_->load();
    const int answer = nesting_->exec();
    if (answer != QDialog::Accepted)
        specification_->nestingCancelled();
    showMaximizedIfPreferred(specification_.get());
    specification_->refresh();
}

void DesignFlow::prepareTable()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const RunResult result = runner_->run(problem_.design, problem_.scores, runOptions_);
    QApplication::restoreOverrideCursor();
    // The engine never changes the scores; the grid sees them as entered.
    problem_.scores = problem_.scoresBackup.flat.empty() ? problem_.scores : problem_.scoresBackup;
    switch (result.status) {
    case RunStatus::Completed:
        problem_.table = result.table;
        problem_.hasTable = true;
        problem_.designAnalysed = true;
        specification_->hide();
        table_->load();
        showMaximizedIfPreferred(table_.get());
        break;
    case RunStatus::Cancelled:
        problem_.hasTable = false;
        specification_->show();
        break;
    case RunStatus::Abandoned:
        problem_.hasTable = false;
        specification_->hide();
        table_->hide();
        emit gridRequested();
        break;
    }
    emit runFinished(result.status);
}

} // namespace kelsim
