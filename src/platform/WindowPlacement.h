#pragma once

class QWidget;

namespace kelsim {

// Places a window of the program, before it is shown, where the user is looking. The first time, the window takes its
// own size (what it asked for, or its size hint), never more than fits the free area of the
// screen; afterwards it keeps the size it has, so that it does not change from one problem to the
// next. Each time it is centred on `opener`, the window it is opened from (the screen when there
// is none), and kept on the screen.
void placeWindow(QWidget *window, const QWidget *opener);

} // namespace kelsim
