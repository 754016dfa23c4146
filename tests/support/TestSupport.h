#pragma once

// Shared set-up for the window tests: an application with scripted services and its own settings
// file, and the steps a user takes to describe a design.

#include "DataEntryGrid.h"
#include "DesktopSettingsStore.h"
#include "KelsimApplication.h"
#include "LevelLabelsWindow.h"
#include "OpeningScreen.h"
#include "ScoreGridModel.h"
#include "ScriptedClipboardService.h"
#include "ScriptedFileDialogService.h"
#include "ScriptedMessageService.h"
#include "ScriptedPrintService.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <utility>
#include <vector>

namespace kelsim::test {

// The offscreen platform warns about every raise() and window-size hint it cannot honour; those
// lines would bury the test's own output.
inline QtMessageHandler previousMessageHandler = nullptr;
inline void quietPlatformMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith("This plugin does not support"))
        return;
    if (previousMessageHandler)
        previousMessageHandler(type, context, message);
}
// Installed over the test framework's own handler, which is in place once the tests run.
inline void quietPlatformMessagesOnce()
{
    static const bool installed = [] {
        previousMessageHandler = qInstallMessageHandler(quietPlatformMessages);
        return true;
    }();
    Q_UNUSED(installed);
}

template <typename T> T *child(QObject *parent, const char *name)
{
    T *found = parent->findChild<T *>(name);
    if (!found)
        qFatal("no child named %s", name);
    return found;
}

struct FactorSpec {
    QString name; // empty: keep the generic name
    int levels;
};

class Session {
  public:
    // `iniPath` names a settings file shared with another session (a second start of the
    // program); by default each session has its own.
    explicit Session(bool useLabels = false, bool runMaximized = false, const QString &iniPath = QString())
        : settings(iniPath.isEmpty() ? dir.filePath("Kelsim_Setup.ini") : iniPath), printer(dir.path())
    {
        quietPlatformMessagesOnce();
        if (useLabels)
            settings.setFlag("Use_Level_Labels", true);
        if (runMaximized)
            settings.setFlag("Run_Maximized", true);
        settings.sync();
        app = std::make_unique<KelsimApplication>(messages, dialogs, settings, clipboard, printer);
        app->endProgram = [this] { ++programEnds; };
        app->openUrl = [this](const QUrl &url) {
            openedUrls << url.toString();
            return true;
        };
        app->start();
        QApplication::setActiveWindow(&opening());
    }

    OpeningScreen &opening() { return app->openingScreen(); }
    DataEntryGrid &grid() { return app->dataEntryGrid(); }
    ProblemState &problem() { return app->problem(); }

    QLineEdit *box(const char *name) { return child<QLineEdit>(&opening(), name); }
    QPushButton *button(const char *name) { return child<QPushButton>(&opening(), name); }
    QLabel *label(const char *name) { return child<QLabel>(&opening(), name); }
    QAction *item(const char *name) { return child<QAction>(&opening(), name); }

    // Clicks into a box (which empties it) and types.
    static void clickAndType(QLineEdit *box, const QString &text)
    {
        QTest::mouseClick(box, Qt::LeftButton);
        QTest::keyClicks(box, text);
    }

    // Types the factors on the opening screen up to the confirmation.
    void describe(const std::vector<FactorSpec> &factors, const QString &problemLabel = QString())
    {
        if (!problemLabel.isEmpty())
            clickAndType(box("Text4"), problemLabel);
        clickAndType(box("Text1"), QString::number(factors.size()));
        for (const FactorSpec &factor : factors) {
            clickAndType(box("Text2"), QString::number(factor.levels));
            if (!factor.name.isEmpty())
                clickAndType(box("Text3"), factor.name);
            QTest::mouseClick(button("Command1"), Qt::LeftButton);
        }
    }

    // Describes and confirms the design, ending on the grid (or the labels window).
    void confirm(const std::vector<FactorSpec> &factors, const QString &problemLabel = QString())
    {
        describe(factors, problemLabel);
        QTest::mouseClick(button("Command2"), Qt::LeftButton);
    }

    // Types the labels into the "Labels for Levels" window, each followed by Enter.
    void typeLabels(const QStringList &labels)
    {
        auto *box = child<QLineEdit>(&app->levelLabelsWindow(), "Text1");
        for (const QString &label : labels) {
            QTest::keyClicks(box, label);
            QTest::keyClick(box, Qt::Key_Return);
        }
    }

    QTemporaryDir dir;
    DesktopSettingsStore settings;
    ScriptedMessageService messages;
    ScriptedFileDialogService dialogs;
    ScriptedClipboardService clipboard;
    ScriptedPrintService printer; // printouts go to PDF files in `dir`
    std::unique_ptr<KelsimApplication> app;
    int programEnds = 0;
    QStringList openedUrls;
};

// The Data Entry Grid as the user drives it, with keys and the mouse.
class GridDriver {
  public:
    explicit GridDriver(Session &s) : session(s), window(s.grid())
    {
        QApplication::setActiveWindow(&window); // what the window manager does for a new window
    }

    QTableView *view() { return window.grid(); }
    ScoreGridModel &scores() { return window.scores(); }
    QString score(int row) { return scores().scoreText(row); }
    bool marked(int row) { return scores().isMarked(row); }
    std::vector<ScoreCell> cells() { return scores().cells(0, scores().scoreCount()); }
    QAction *item(const char *name) { return child<QAction>(&window, name); }
    QPushButton *button(const char *name) { return child<QPushButton>(&window, name); }
    QLabel *caption() { return child<QLabel>(&window, "Label1"); }
    bool enabled(const char *name)
    {
        if (QAction *action = window.findChild<QAction *>(name))
            return action->isEnabled();
        return button(name)->isEnabled();
    }

    void type(const QString &text)
    {
        for (const QChar c : text) {
            if (c.unicode() < 128)
                QTest::keyClick(view(), c.toLatin1());
            else // keys beyond ASCII arrive as text without a key code of their own
                QTest::sendKeyEvent(QTest::Click, view(), Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(view(), key, modifiers); }
    // Types each score and presses Enter after it.
    void typeScores(const QStringList &texts)
    {
        for (const QString &text : texts) {
            type(text);
            key(Qt::Key_Return);
        }
    }
    void dataOk() { QTest::mouseClick(button("DataOkButton"), Qt::LeftButton); }
    // Open and Save with the file dialog answering `path`.
    void open(const QString &path)
    {
        session.dialogs.answers.push_back(path);
        item("OpenItem")->trigger();
    }
    void save(const QString &path)
    {
        session.dialogs.answers.push_back(path);
        item("SaveItem")->trigger();
    }
    QPoint rowPoint(int row)
    {
        const QModelIndex index = scores().index(row, scores().scoreColumn());
        view()->scrollTo(index);
        return view()->visualRect(index).center();
    }
    void clickRow(int row) { QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, rowPoint(row)); }
    void doubleClickRow(int row)
    {
        const QPoint at = rowPoint(row);
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, at);
    }
    int cursorRow() { return view()->currentIndex().row(); }
    // The cell the user sees at a point of the grid: whichever view lies on top there.
    QModelIndex cellSeenAt(QPoint inViewport)
    {
        const QPoint inGrid = view()->viewport()->mapTo(view(), inViewport);
        QWidget *top = view()->childAt(inGrid);
        auto *shown = top ? qobject_cast<QAbstractItemView *>(top->parentWidget()) : nullptr;
        return shown ? shown->indexAt(top->mapFrom(view(), inGrid)) : QModelIndex();
    }

    Session &session;
    DataEntryGrid &window;
};

inline bool sameMessage(const Message &shown, const QString &text, const QString &title, MessageIcon icon,
                        MessageButtons buttons = MessageButtons::Ok)
{
    if (shown.text == text && shown.title == title && shown.icon == icon && shown.buttons == buttons)
        return true;
    qWarning().noquote() << "shown:" << shown.text << "|" << shown.title << "| icon" << int(shown.icon) << "| buttons"
                         << int(shown.buttons);
    return false;
}

} // namespace kelsim::test
