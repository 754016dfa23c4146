#include "DesignFlow.h"

#include "AnalysisRunner.h"
#include "ClipboardService.h"
#include "CommandGuard.h"
#include "CommandLine.h"
#include "ContextHelp.h"
#include "DataFileStore.h"
#include "DesignOptionsWindow.h"
#include "DesignSpecificationWindow.h"
#include "KelsimTableWindow.h"
#include "NestingSelectionWindow.h"
#include "PrintService.h"
#include "WindowPlacement.h"
#include "WordExport.h"
#include "WordSession.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextDocument>

namespace kelsim {

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
    connect(runner_, &AnalysisRunner::finished, this, &DesignFlow::runEnded);
    connect(runner_, &AnalysisRunner::failed, this, &DesignFlow::runEndedInFailure);

    DesignSpecificationWindow *spec = specification_.get();
    connect(spec, &DesignSpecificationWindow::prepareTableRequested, this, &DesignFlow::prepareTable);
    connect(spec, &DesignSpecificationWindow::nestingRequested, this, &DesignFlow::openNesting);
    connect(spec, &DesignSpecificationWindow::explanationRequested, this,
            [this] { showFrom(options_.get(), specification_.get()); });
    connect(spec, &DesignSpecificationWindow::returnToGridRequested, this, &DesignFlow::gridRequested);
    connect(spec, &DesignSpecificationWindow::helpRequested, this, &DesignFlow::helpRequested);

    connect(options_.get(), &DesignOptionsWindow::nestingExplanationRequested, this,
            [this] { showFrom(nestingExplanation_.get(), options_.get()); });
    connect(options_.get(), &DesignOptionsWindow::returnRequested, this,
            [this] { showFrom(specification_.get(), options_.get()); });
    connect(options_.get(), &DesignOptionsWindow::exitRequested, this, &DesignFlow::exitRequested);
    connect(options_.get(), &DesignOptionsWindow::helpRequested, this, &DesignFlow::helpRequested);
    connect(nestingExplanation_.get(), &NestingExplanationWindow::returnRequested, this,
            [this] { showFrom(specification_.get(), nestingExplanation_.get()); });
    connect(nestingExplanation_.get(), &NestingExplanationWindow::exitRequested, this, &DesignFlow::exitRequested);
    connect(nestingExplanation_.get(), &NestingExplanationWindow::helpRequested, this, &DesignFlow::helpRequested);
    connect(nesting_.get(), &NestingSelectionWindow::helpRequested, this, &DesignFlow::helpRequested);

    // F1 in a window of the road opens the page about it.
    const std::pair<QWidget *, const char *> pages[] = {{specification_.get(), "design.html"},
                                                        {options_.get(), "design.html"},
                                                        {nestingExplanation_.get(), "nesting.html"},
                                                        {nesting_.get(), "nesting.html"},
                                                        {table_.get(), "table.html"}};
    for (const auto &[window, page] : pages)
        addTopicHelpKey(window, [this, page = QString(page)] { emit helpRequested(page); });

    KelsimTableWindow *table = table_.get();
    connect(table, &KelsimTableWindow::returnRequested, this, [this] {
        specification_->load();
        showFrom(specification_.get(), table_.get());
    });
    connect(table, &KelsimTableWindow::newProblemRequested, this, &DesignFlow::newProblemRequested);
    connect(table, &KelsimTableWindow::exitRequested, this, &DesignFlow::exitRequested);
    connect(table, &KelsimTableWindow::helpRequested, this, &DesignFlow::helpRequested);

    connect(table, &KelsimTableWindow::copyTableRequested, this, [this] {
        guarded(table_.get(), tr("Copy Table to Clipboard"), [this] { copyText(table_->reportText(), table_.get()); });
    });
    connect(table, &KelsimTableWindow::copyRowsRequested, this, [this] {
        guarded(table_.get(), tr("Copy Selected Rows to Clipboard"),
                [this] { copyText(table_->selectedRowsText(), table_.get()); });
    });
    connect(table, &KelsimTableWindow::copyCommandLineRequested, this,
            [this] { guarded(table_.get(), tr("Copy as Command Line"), [this] { copyCommandLine(); }); });
    connect(table, &KelsimTableWindow::printTableRequested, this, [this] {
        guarded(table_.get(), tr("Print Anova Table"),
                [this] { printDocument(tr("Print Kelsim Table"), *table_->printout(), table_.get()); });
    });
    connect(table, &KelsimTableWindow::printerSetupRequested, this, [this] {
        guarded(table_.get(), tr("Printer Setup"), [this] { printer_.setup("Printer Setup", table_.get()); });
    });
    connect(options_.get(), &DesignOptionsWindow::copyRequested, this, [this] {
        guarded(options_.get(), tr("Copy Explanation to Clipboard"),
                [this] { copyText(DesignOptionsWindow::clipboardText(), options_.get()); });
    });
    connect(options_.get(), &DesignOptionsWindow::printRequested, this, [this] {
        guarded(options_.get(), tr("Print Explanation"),
                [this] { printDocument(tr("Print Explanation"), *DesignOptionsWindow::printout(), options_.get()); });
    });
    connect(nestingExplanation_.get(), &NestingExplanationWindow::copyRequested, this, [this] {
        guarded(nestingExplanation_.get(), tr("Copy Nesting Explanation to Clipboard"),
                [this] { copyText(NestingExplanationWindow::clipboardText(), nestingExplanation_.get()); });
    });
    connect(nestingExplanation_.get(), &NestingExplanationWindow::printRequested, this, [this] {
        guarded(nestingExplanation_.get(), tr("Print Nesting Explanation"), [this] {
            printDocument(tr("Print Nesting Explanation"), *NestingExplanationWindow::printout(),
                          nestingExplanation_.get());
        });
    });
}

DesignFlow::~DesignFlow() = default;

void DesignFlow::setWordExport(WordExport *word)
{
    word_ = word;
    table_->setWordAvailable(word != nullptr);
    auto document = [this] { return tableDocumentFor(problem_.design, problem_.table); };
    disconnect(table_.get(), &KelsimTableWindow::wordNewRequested, this, nullptr);
    disconnect(table_.get(), &KelsimTableWindow::wordExistingRequested, this, nullptr);
    if (!word)
        return;
    connect(table_.get(), &KelsimTableWindow::wordNewRequested, this, [this, document] {
        guarded(table_.get(), commandName(printTableToNewCaption()),
                [this, document] { word_->printTableToNewDocument(document(), table_.get()); });
    });
    connect(table_.get(), &KelsimTableWindow::wordExistingRequested, this, [this, document] {
        guarded(table_.get(), commandName(appendTableToExistingCaption()),
                [this, document] { word_->appendTableToExistingDocument(document(), table_.get()); });
    });
}

void DesignFlow::showFrom(QWidget *window, const QWidget *opener)
{
    if (preferences_.runMaximized) {
        window->showMaximized();
    } else {
        placeWindow(window, opener);
        window->show();
    }
    window->raise();
    window->activateWindow();
}

void DesignFlow::openDesignSpecification(const QWidget *opener)
{
    problem_.scoresBackup = problem_.scores;
    problem_.nestingSpecified = false;
    specification_->load();
    showFrom(specification_.get(), opener);
}

void DesignFlow::closeAll()
{
    if (runUnderWay_) {
        runner_->abandon();
        endRun();
    }
    for (QWidget *window : std::initializer_list<QWidget *>{specification_.get(), options_.get(),
                                                            nestingExplanation_.get(), nesting_.get(), table_.get()})
        window->hide();
}

void DesignFlow::copyText(const QString &text, QWidget *window)
{
    putOnClipboard(clipboard_, messages_, text, window);
}

QString DesignFlow::scoresFile() const
{
    // The file last read or saved, if the session says the scores came from it or went into it;
    // and only if it still reads back as the scores the table was made from.
    const DataSession &session = problem_.session;
    QStringList candidates;
    if (session.savedToFile && !session.savedAsPath.isEmpty())
        candidates << session.savedAsPath;
    if (session.fromFile && !session.dataFilePath.isEmpty())
        candidates << session.dataFilePath;
    for (const QString &path : candidates) {
        const DataFileLoad load = loadDataFile(path);
        if (!load.ok() || load.scores.size() != problem_.scores.flat.size())
            continue;
        bool same = true;
        for (size_t i = 0; same && i < load.scores.size(); ++i)
            same = load.scores[i].text == problem_.scores.flat[i];
        if (same)
            return QFileInfo(path).absoluteFilePath();
    }
    return {};
}

void DesignFlow::copyCommandLine()
{
    static const std::string kPlaceholder = "<data file>";
    const QString file = scoresFile();
    if (file.isEmpty() &&
        messages_.show(tr("The scores of this table are not in a data file as they stand: they were typed or pasted, "
                          "or changed after the file was read or saved.  The command line names the scores' file "
                          "as %1.\nSave the scores with \"Save Data in File (As...)\" on the Data Entry Grid and "
                          "put that file's name in its place.")
                           .arg(QString::fromStdString(kPlaceholder)),
                       tr("Copy as Command Line"), MessageIcon::Information, MessageButtons::OkCancel,
                       table_.get()) != MessageAnswer::Ok)
        return;
    // Names the user gave rows and adjusted df are the window's, not the run's: the command makes
    // the table as the run made it.
    const std::vector<std::string> arguments = commandLineArguments(problem_.design, reproducingOptions(problem_.table),
                                                                    file.isEmpty() ? kPlaceholder : file.toStdString());
    copyText(QString::fromStdString(commandLineText(arguments)), table_.get());
}

void DesignFlow::printDocument(const QString &dialogTitle, const QTextDocument &document, QWidget *window)
{
    printWithMessages(printer_, messages_, dialogTitle, document, window);
}

void DesignFlow::openNesting()
{
    nesting_->load();
    placeWindow(nesting_.get(), specification_.get());
    const int answer = nesting_->exec();
    if (answer != QDialog::Accepted)
        specification_->nestingCancelled();
    showFrom(specification_.get(), nesting_.get());
    specification_->refresh();
}

void DesignFlow::guarded(QWidget *window, const QString &command, const std::function<void()> &run)
{
    runGuarded(messages_, command, window, run);
}

void DesignFlow::prepareTable()
{
    if (runUnderWay_)
        return;
    runUnderWay_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The user's settings, with what the options hold beside them (threads, the counter).
    RunOptions options = problem_.run.options();
    options.threads = runOptions_.threads;
    options.counterFactory = runOptions_.counterFactory;
    runner_->start(problem_.design, problem_.scores, options);
}

// The engine never changes the scores; the grid sees them as entered.
void DesignFlow::endRun()
{
    runUnderWay_ = false;
    QApplication::restoreOverrideCursor();
    problem_.scores = problem_.scoresBackup.flat.empty() ? problem_.scores : problem_.scoresBackup;
}

void DesignFlow::runEnded(const RunResult &result)
{
    endRun();
    switch (result.status) {
    case RunStatus::Completed:
        problem_.table = result.table;
        problem_.hasTable = true;
        problem_.designAnalysed = true;
        specification_->hide();
        table_->load();
        showFrom(table_.get(), specification_.get());
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

void DesignFlow::runEndedInFailure(const QString &reason)
{
    endRun();
    // The scores and any earlier table stay as they were; the user is back where the run began.
    messages_.show(commandFailureMessage(tr("Prepare Table"), reason), specification_.get());
    specification_->show();
    emit runFailed(reason);
}

} // namespace kelsim
