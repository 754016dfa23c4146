#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>

namespace kelsim {

namespace {

const char *const kPlacedProperty = "kelsimPlaced";
// Room left on a full screen for the window manager's title bar and frame before the first window
// has shown how much they take.
constexpr int kFrameAllowance = 40;

// The free area of the screen that `window` is on (or of the primary screen).
QRect freeScreenArea(const QWidget *window)
{
    const QScreen *screen = window && window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 600);
}

} // namespace

void placeWindow(QWidget *window, const QWidget *opener)
{
    const QRect area = freeScreenArea(opener ? opener : window);
    // The window manager's title bar and frame, as they are around a window already shown.
    QSize frame = window->frameGeometry().size() - window->size();
    if (opener)
        frame = frame.expandedTo(opener->frameGeometry().size() - opener->size());
    if (!window->property(kPlacedProperty).toBool()) {
        QSize size = window->testAttribute(Qt::WA_Resized) ? window->size() : window->sizeHint();
        size = size.expandedTo(window->minimumSizeHint());
        size = size.boundedTo(area.size() - frame.expandedTo(QSize(0, kFrameAllowance)));
        window->resize(size);
        window->setProperty(kPlacedProperty, true);
    }
    QRect outer(QPoint(0, 0), window->size() + frame);
    outer.moveCenter(opener ? opener->frameGeometry().center() : area.center());
    // On the screen, the top-left corner last: the title bar must stay within reach.
    outer.moveRight(qMin(outer.right(), area.right()));
    outer.moveBottom(qMin(outer.bottom(), area.bottom()));
    outer.moveLeft(qMax(outer.left(), area.left()));
    outer.moveTop(qMax(outer.top(), area.top()));
    window->move(outer.topLeft());
}

} // namespace kelsim
