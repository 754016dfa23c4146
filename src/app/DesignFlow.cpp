#include "DesignFlow.h"

#include "AnalysisRunner.h"
#include "ClipboardService.h"
#include "DesignOptionsWindow.h"
#include "DesignSpecificationWindow.h"
#include "KelsimTableWindow.h"
#include "NestingSelectionWindow.h"
#include "PrintService.h"
#include "WordExport.h"

#include <QApplication>
#include <QGuiApplication>
#include <QTextDocument>

namespace kelsim {

DesignFlow::DesignFlow(ProblemState &problem, MessageService &messages, const Preferences &preferences,
                       QObject *parent)
    : DesignFlow(problem, messages, preferences, std::make_unique<DesktopClipboardService>(),
                 std::make_unique<DesktopPrintService>(), parent)
{
}

DesignFlow::DesignFlow(ProblemState &problem, MessageService &messages, const Preferences &preferences,
                       std::unique_ptr<ClipboardService> clipboard, std::unique_ptr<PrintService> printer,
                       QObject *parent)
    : DesignFlow(problem, messages, preferences, *clipboard, *printer, parent)
{
    ownClipboard_ = std::move(clipboard);
    ownPrinter_ = std::move(printer);
}

DesignFlow::DesignFlow(ProblemState &problem, MessageService &messages, const Preferences &preferences,
                       ClipboardService &clipboard, PrintService &printer, QObject *parent)
    : QObject(parent), problem_(problem), messages_(messages), preferences_(preferences), clipboard_(clipboard),
      printer_(printer), specification_(std::make_unique<DesignSpecificationWindow>(problem, messages)),
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

    connect(table, &KelsimTableWindow::copyTableRequested, this,
            [this] { copyText(table_->reportText(), table_.get()); });
    connect(table, &KelsimTableWindow::copyRowsRequested, this,
            [this] { copyText(table_->selectedRowsText(), table_.get()); });
    connect(table, &KelsimTableWindow::printTableRequested, this,
            [this] { printDocument("Print Kelsim Table", *table_->printout(), table_.get()); });
    connect(table, &KelsimTableWindow::printerSetupRequested, this,
            [this] { printer_.setup("Printer Setup", table_.get()); });
    connect(options_.get(), &DesignOptionsWindow::copyRequested, this,
            [this] { copyText(DesignOptionsWindow::clipboardText(), options_.get()); });
    connect(options_.get(), &DesignOptionsWindow::printRequested, this,
            [this] { printDocument("Print Explanation", *DesignOptionsWindow::printout(), options_.get()); });
    connect(nestingExplanation_.get(), &NestingExplanationWindow::copyRequested, this,
            [this] { copyText(NestingExplanationWindow::clipboardText(), nestingExplanation_.get()); });
    connect(nestingExplanation_.get(), &NestingExplanationWindow::printRequested, this, [this] {
        printDocument("Print Nesting Explanation", *NestingExplanationWindow::printout(), nestingExplanation_.get());
    });
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

void DesignFlow::copyText(const QString &text, QWidget *window)
{
    putOnClipboard(clipboard_, messages_, text, window);
}

void DesignFlow::printDocument(const QString &dialogTitle, const QTextDocument &document, QWidget *window)
{
    printWithMessages(printer_, messages_, dialogTitle, document, window);
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
