#include "AnalysisRunner.h"

#include "CommandGuard.h"
#include "Format.h"
#include "MessageService.h"

#include <QFutureWatcher>
#include <QProgressDialog>
#include <QPromise>
#include <QStyle>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <memory>

namespace kelsim {

namespace {

class MessageQuestions : public RunQuestions {
  public:
    MessageQuestions(MessageService &messages, QWidget *parent) : messages_(messages), parent_(parent) {}
    bool askYesNo(const std::string &title, const std::string &text) override
    {
        return messages_.show(QString::fromStdString(text), QString::fromStdString(title), MessageIcon::Exclamation,
                              MessageButtons::YesNo, parent_) == MessageAnswer::Yes;
    }

  private:
    MessageService &messages_;
    QWidget *parent_;
};

QString duration(double seconds)
{
    const qint64 s = static_cast<qint64>(seconds + 0.5);
    if (s < 60)
        return QString("%1 s").arg(s);
    if (s < 3600)
        return QString("%1 min %2 s").arg(s / 60).arg(s % 60);
    return QString("%1 h %2 min").arg(s / 3600).arg((s % 3600) / 60);
}

} // namespace

QString progressText(int64_t done, int64_t total, double elapsedSeconds)
{
    QString text = AnalysisRunner::tr("Shuffled %1 of %2 arrangements\nElapsed: %3")
                       .arg(QString::fromStdString(groupedNumber(done)), QString::fromStdString(groupedNumber(total)),
                            duration(elapsedSeconds));
    if (done > 0 && done < total)
        text += AnalysisRunner::tr("   Time left: about %1").arg(duration(elapsedSeconds * (total - done) / done));
    return text;
}

AnalysisRunner::AnalysisRunner(MessageService &messages, QWidget *window)
    : QObject(window), messages_(messages), window_(window), resampler_(&resample)
{
}

AnalysisRunner::~AnalysisRunner()
{
    abandon();
}

void AnalysisRunner::setResampler(Resampler resampler)
{
    resampler_ = resampler ? std::move(resampler) : Resampler(&resample);
}

void AnalysisRunner::start(const Design &design, const ScoreSet &scores, const RunOptions &given)
{
    if (isRunning())
        return;
    auto observed = std::make_shared<ObservedPass>();
    try {
        MessageQuestions questions(messages_, window_);
        *observed = observePass(design, scores, questions);
        if (observed->status != RunStatus::Completed || given.iterations <= 1) {
            const RunResult result = resampler_(*observed, given);
            emit finished(result);
            return;
        }
    } catch (...) {
        emit failed(tr("The observed pass failed: %1").arg(exceptionReason(std::current_exception())));
        return;
    }

    cancel_ = false;
    total_ = given.iterations - 1;
    RunOptions options = given;
    options.cancel = &cancel_;
    const Resampler resampler = resampler_;

    dialog_ = new QProgressDialog(window_);
    dialog_->setObjectName("RunProgress");
    dialog_->setWindowTitle(tr("Preparing the Kelsim Table"));
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setRange(0, 1000);
    dialog_->setMinimumDuration(400);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setLabelText(progressText(0, total_, 0));
    // Wide enough for the longest text it will show, so that it neither grows nor leaves the
    // place it opened at as the counts and times change.
    const QFontMetrics metrics(dialog_->font());
    int widest = 0;
    for (const QString &line : progressText(std::max<int64_t>(1, total_ / 2), total_, 35999.0).split('\n'))
        widest = qMax(widest, metrics.horizontalAdvance(line));
    dialog_->setMinimumWidth(widest + 4 * dialog_->style()->pixelMetric(QStyle::PM_LayoutLeftMargin));
    // Cancel is the button, closing the dialog or Escape.
    connect(dialog_, &QProgressDialog::canceled, this, [this] { cancel_ = true; });
    connect(dialog_, &QProgressDialog::rejected, this, [this] { cancel_ = true; });
    dialog_->setValue(0);
    emit progressShown(dialog_);

    watcher_ = new QFutureWatcher<Outcome>(this);
    connect(watcher_, &QFutureWatcher<Outcome>::progressValueChanged, this, &AnalysisRunner::showProgress);
    connect(watcher_, &QFutureWatcher<Outcome>::finished, this, &AnalysisRunner::workerDone);
    clock_.start();
    // The worker catches whatever the passes throw: an exception must not end the program, and
    // the window thread tells the user what failed.
    const int total = static_cast<int>(total_);
    watcher_->setFuture(QtConcurrent::run([observed, options, resampler, total](QPromise<Outcome> &promise) mutable {
        promise.setProgressRange(0, total);
        // An exact count or an early stop has a total of its own.
        int64_t range = total;
        options.progress = [&promise, &range](int64_t done, int64_t passes) {
            if (passes != range && passes > 0)
                promise.setProgressRange(0, static_cast<int>(range = passes));
            promise.setProgressValue(static_cast<int>(done));
        };
        Outcome outcome;
        try {
            outcome.result = resampler(*observed, options);
        } catch (...) {
            outcome.failure = tr("The shuffled passes failed: %1").arg(exceptionReason(std::current_exception()));
        }
        promise.addResult(std::move(outcome));
    }));
}

void AnalysisRunner::showProgress(int done)
{
    if (!dialog_ || !watcher_)
        return;
    total_ = watcher_->progressMaximum();
    dialog_->setValue(static_cast<int>(total_ > 0 ? done * 1000 / total_ : 0));
    dialog_->setLabelText(progressText(done, total_, clock_.elapsed() / 1000.0));
}

void AnalysisRunner::workerDone()
{
    QFutureWatcher<Outcome> *watcher = watcher_;
    watcher_ = nullptr;
    watcher->deleteLater();
    closeProgress();
    const QFuture<Outcome> future = watcher->future();
    if (future.resultCount() == 0) {
        emit failed(tr("The shuffled passes ended without a result."));
        return;
    }
    const Outcome outcome = future.result();
    if (!outcome.failure.isEmpty())
        emit failed(outcome.failure);
    else
        emit finished(outcome.result);
}

void AnalysisRunner::abandon()
{
    if (!watcher_)
        return;
    cancel_ = true;
    // The worker checks the flag at every shuffle, so the wait is short.
    watcher_->disconnect(this);
    watcher_->waitForFinished();
    watcher_->deleteLater();
    watcher_ = nullptr;
    closeProgress();
}

void AnalysisRunner::closeProgress()
{
    if (!dialog_)
        return;
    dialog_->disconnect(this);
    dialog_->close();
    dialog_->deleteLater();
    dialog_ = nullptr;
}

} // namespace kelsim
