#include "AnalysisRunner.h"

#include "Format.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <thread>

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
    QString text = QString("Shuffled %1 of %2 arrangements\nElapsed: %3")
                       .arg(QString::fromStdString(groupedNumber(done)), QString::fromStdString(groupedNumber(total)),
                            duration(elapsedSeconds));
    if (done > 0 && done < total)
        text += QString("   Time left: about %1").arg(duration(elapsedSeconds * (total - done) / done));
    return text;
}

AnalysisRunner::AnalysisRunner(MessageService &messages, QWidget *parent)
    : QObject(parent), messages_(messages), parent_(parent)
{
}

RunResult AnalysisRunner::run(const Design &design, const ScoreSet &scores, const RunOptions &given)
{
    MessageQuestions questions(messages_, parent_);
    const ObservedPass observed = observePass(design, scores, questions);
    if (observed.status != RunStatus::Completed || design.iterations <= 1)
        return resample(observed, given);

    std::atomic<bool> cancel{false};
    std::atomic<int64_t> done{0};
    const int64_t total = design.iterations - 1;
    RunOptions options = given;
    options.cancel = &cancel;
    options.progress = [&](int64_t d, int64_t) { done = d; };

    QProgressDialog dialog(parent_);
    dialog.setObjectName("RunProgress");
    dialog.setWindowTitle("Preparing the Kelsim Table");
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setRange(0, 1000);
    dialog.setMinimumDuration(400);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setLabelText(progressText(0, total, 0));
    dialog_ = &dialog;
    emit progressShown(&dialog);

    RunResult result;
    QEventLoop loop;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        result = resample(observed, options);
        finished = true;
        QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
    });
    QElapsedTimer clock;
    clock.start();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &dialog, [&] {
        if (dialog.wasCanceled())
            cancel = true;
        const int64_t d = done.load();
        dialog.setValue(static_cast<int>(total > 0 ? d * 1000 / total : 0));
        dialog.setLabelText(progressText(d, total, clock.elapsed() / 1000.0));
    });
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&] { cancel = true; });
    timer.start(100);
    if (!finished)
        loop.exec();
    worker.join();
    timer.stop();
    dialog_ = nullptr;
    return result;
}

} // namespace kelsim
