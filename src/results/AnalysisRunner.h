#pragma once

#include "AnalysisRun.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>

class QProgressDialog;
class QWidget;
template <typename T> class QFutureWatcher;

namespace kelsim {

class MessageService;

// Runs an analysis for the windows: the observed pass on the window thread, so that its
// questions come up in front of the user, then the shuffled passes on a worker thread behind a
// progress dialog with Cancel, while the window system goes on. Every run ends in finished() or
// failed(); a run without shuffled passes ends before start() returns.
class AnalysisRunner : public QObject {
    Q_OBJECT
  public:
    // The shuffled passes; tests stand in passes that fail.
    using Resampler = std::function<RunResult(const ObservedPass &observed, const RunOptions &options)>;

    AnalysisRunner(MessageService &messages, QWidget *window);
    ~AnalysisRunner() override; // a run under way is abandoned

    void start(const Design &design, const ScoreSet &scores, const RunOptions &options = {});
    bool isRunning() const { return watcher_ != nullptr; }
    // Stops a run under way and waits for its worker; the run ends in neither signal.
    void abandon();
    void setResampler(Resampler resampler);

    // The progress dialog of the run under way (null between runs); tests press its Cancel.
    QProgressDialog *progressDialog() const { return dialog_; }

  signals:
    void progressShown(QProgressDialog *dialog);
    void finished(const kelsim::RunResult &result);
    // An exception ended the run; `reason` says what failed and why.
    void failed(const QString &reason);

  private:
    // What the worker hands back: the result, or why there is none.
    struct Outcome {
        RunResult result;
        QString failure;
    };

    void showProgress(int done);
    void workerDone();
    void closeProgress();

    MessageService &messages_;
    QWidget *window_;
    Resampler resampler_;
    std::atomic<bool> cancel_{false};
    QFutureWatcher<Outcome> *watcher_ = nullptr;
    QProgressDialog *dialog_ = nullptr;
    QElapsedTimer clock_;
    int64_t total_ = 0;
};

// How long a run has taken and is likely to take yet, for the progress dialog.
QString progressText(int64_t done, int64_t total, double elapsedSeconds);

} // namespace kelsim
