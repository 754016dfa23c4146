#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace kelsim {

// The part of the screen a window may use: the screen `near` stands on (or the window's own),
// without the desktop's panels.
QRect availableArea(const QWidget *window, const QWidget *near = nullptr);

// Gives a window `size` (never less than its layout needs, never more than the screen holds,
// with room left for the window manager's frame) and centres it on `near` when that window is on
// screen, else on the screen, keeping its title bar within reach.
void placeWindow(QWidget *window, QSize size, const QWidget *near = nullptr);

// Places a window the program comes back to: the first time it takes its own size (what it asked
// for, or its size hint); afterwards it keeps the size it has, so that it does not change from one
// problem to the next. Each time it is centred on `opener`, the window it is opened from.
void placeWindow(QWidget *window, const QWidget *opener);

} // namespace kelsim
