#include "ClipboardService.h"
#include "FlowTestSupport.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QProcess>
#include <QTimer>
#include <QtTest>

using namespace kelsim;
using namespace kelsim::testing;

namespace {

// Runs another program while this one keeps answering the window system, as the owner of the
// clipboard must while the other program reads it.
QByteArray runAlongside(const QString &program, const QStringList &arguments, const QByteArray &input = {})
{
    QProcess process;
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    process.start(program, arguments);
    if (!input.isNull()) {
        process.write(input);
        process.closeWriteChannel();
    }
    loop.exec();
    return process.readAllStandardOutput();
}

} // namespace

// The system clipboard itself, under an X server: other programs read what Kelsim copies, and
// Kelsim reads what they copy. Needs a display and xclip.
class DesktopClipboardTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void anotherProgramReadsTheCopiedTableByteForByte();
    void kelsimReadsWhatAnotherProgramCopied();
};

void DesktopClipboardTest::initTestCase()
{
    if (QGuiApplication::platformName() != "xcb")
        QSKIP("needs an X display");
    if (QStandardPaths::findExecutable("xclip").isEmpty())
        QSKIP("needs xclip");
}

void DesktopClipboardTest::anotherProgramReadsTheCopiedTableByteForByte()
{
    DesktopClipboardService desktop;
    HeatRoad road(&desktop);
    road.trigger("Copyitem");
    QVERIFY(road.messages.shown.empty());
    QCOMPARE(QString::fromUtf8(runAlongside("xclip", {"-o", "-selection", "clipboard"})), kHeatReport);

    road.table()->grid()->setCurrentCell(3, 0);
    road.table()->grid()->clearSelection();
    road.trigger("copyrowsitem");
    QCOMPARE(runAlongside("xclip", {"-o", "-selection", "clipboard"}),
             QByteArray("  Within\t 20\t240\t.250\t\t\t\t\r\n\r\n"));
}

void DesktopClipboardTest::kelsimReadsWhatAnotherProgramCopied()
{
    const QByteArray list = "1\r\n2\r\nab\r\n";
    runAlongside("xclip", {"-i", "-selection", "clipboard"}, list);
    DesktopClipboardService desktop;
    std::optional<QString> text;
    // xclip serves the selection from a process of its own; give the handover a moment.
    QTRY_VERIFY_WITH_TIMEOUT((text = desktop.text()) && *text == QString::fromUtf8(list), 10000);
}

QTEST_MAIN(DesktopClipboardTest)
#include "DesktopClipboardTest.moc"
