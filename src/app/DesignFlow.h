#pragma once

#include "AnalysisRun.h"
#include "MessageService.h"
#include "Preferences.h"
#include "ProblemState.h"

#include <QObject>

#include <functional>
#include <memory>

class QTextDocument;

namespace kelsim {

class AnalysisRunner;
class ClipboardService;
class PrintService;
class DesignOptionsWindow;
class DesignSpecificationWindow;
class KelsimTableWindow;
class NestingExplanationWindow;
class NestingSelectionWindow;
class WordExport;

// The road from the confirmed scores to the N-table and back: the Design Specification window,
// its explanation windows, the nesting selection, the run and the Kelsim Table window.
class DesignFlow : public QObject {
    Q_OBJECT
  public:
    DesignFlow(ProblemState &problem, MessageService &messages, const Preferences &preferences,
               ClipboardService &clipboard, PrintService &printer, QObject *parent = nullptr);
    ~DesignFlow() override;

    // "&Anova Design...": the scores are kept aside and the Design Specification window opens,
    // centred on `opener` (the grid).
    void openDesignSpecification(const QWidget *opener = nullptr);
    // Closes every window of the road (a new problem, or the end of the program); a run under way
    // is abandoned.
    void closeAll();

    DesignSpecificationWindow *specificationWindow() const { return specification_.get(); }
    DesignOptionsWindow *optionsWindow() const { return options_.get(); }
    NestingExplanationWindow *nestingExplanationWindow() const { return nestingExplanation_.get(); }
    NestingSelectionWindow *nestingWindow() const { return nesting_.get(); }
    KelsimTableWindow *tableWindow() const { return table_.get(); }
    AnalysisRunner *runner() const { return runner_; }
    RunOptions &runOptions() { return runOptions_; }
    // Connects the table window's Word commands to the document writer.
    void setWordExport(WordExport *word);

  signals:
    void gridRequested();
    void newProblemRequested();
    void exitRequested();
    // "contents", "search", "howto" or a page ("table.html").
    void helpRequested(const QString &topic);
    void runFinished(RunStatus status);
    // An exception ended the run; the problem is as it was before "&Prepare Table".
    void runFailed(const QString &reason);

  private:
    void prepareTable();
    void runEnded(const RunResult &result);
    void runEndedInFailure(const QString &reason);
    void endRun();
    // Runs a copy, print or Word command of a window; an exception ends in a message.
    void guarded(QWidget *window, const QString &command, const std::function<void()> &run);
    void copyText(const QString &text, QWidget *window);
    // "Copy as Command Line": the kelsim-cli call that makes the table again.
    void copyCommandLine();
    // The data file that holds the table's scores as they are, absolute; empty when none does.
    QString scoresFile() const;
    void printDocument(const QString &dialogTitle, const QTextDocument &document, QWidget *window);
    void openNesting();
    // Shows a window of the road maximized, when the user prefers that, or centred on the window
    // it is opened from.
    void showFrom(QWidget *window, const QWidget *opener);

    ProblemState &problem_;
    MessageService &messages_;
    const Preferences &preferences_;
    ClipboardService &clipboard_;
    PrintService &printer_;
    std::unique_ptr<DesignSpecificationWindow> specification_;
    std::unique_ptr<DesignOptionsWindow> options_;
    std::unique_ptr<NestingExplanationWindow> nestingExplanation_;
    std::unique_ptr<NestingSelectionWindow> nesting_;
    std::unique_ptr<KelsimTableWindow> table_;
    AnalysisRunner *runner_ = nullptr;
    RunOptions runOptions_;
    bool runUnderWay_ = false;
    WordExport *word_ = nullptr;
};

} // namespace kelsim
Q_DECLARE_METATYPE(kelsim::RunStatus)
