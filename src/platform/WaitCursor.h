#pragma once

#include <QGuiApplication>

namespace kelsim {

// The hourglass pointer for as long as a command works; restore() gives the normal pointer back
// early, before a message box.
class WaitCursor {
  public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { restore(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

    void restore()
    {
        if (active_)
            QGuiApplication::restoreOverrideCursor();
        active_ = false;
    }

  private:
    bool active_ = true;
};

} // namespace kelsim
