#pragma once

#include "AnalysisRun.h"
#include "MessageService.h"

#include <QObject>

#include <atomic>
#include <functional>

class QProgressDialog;
class QWidget;

namespace kelsim {

// Runs an analysis for the windows: the observed pass on the window thread, so that its
// questions come up in front of the user, then the shuffled passes on worker threads behind a
// progress dialog with Cancel. The window system stays responsive throughout.
class AnalysisRunner : public QObject {
    Q_OBJECT
public:
    AnalysisRunner(MessageService &messages, QWidget *parent);

    RunResult run(const Design &design, const ScoreSet &scores, const RunOptions &options = {});

    // The progress dialog of the run under way (null between runs); tests press its Cancel.
    QProgressDialog *progressDialog() const { return dialog_; }

signals:
    void progressShown(QProgressDialog *dialog);

private:
    MessageService &messages_;
    QWidget *parent_;
    QProgressDialog *dialog_ = nullptr;
};

// How long a run has taken and is likely to take yet, for the progress dialog.
QString progressText(int64_t done, int64_t total, double elapsedSeconds);

} // namespace kelsim
