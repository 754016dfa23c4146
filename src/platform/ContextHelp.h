#pragma once

#include <QString>

#include <functional>

class QAction;
class QLabel;
class QPoint;
class QWidget;

namespace kelsim {

// Right-clicking a control that has context help shows a short pop-up beside the pointer.
void attachContextHelp(QWidget *control, const QString &text);

// Shows the pop-up of `control` at a global position (what a right-click does).
void showContextHelp(QWidget *control, const QPoint &globalPos);

// The pop-up of a window, or null when none was shown yet.
QLabel *contextHelpPopup(QWidget *window);

// F1 anywhere in `window` calls `open`, which shows the window's help page.
QAction *addTopicHelpKey(QWidget *window, std::function<void()> open);

} // namespace kelsim
