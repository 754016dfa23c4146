#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>

namespace kelsim {

namespace {

const char *const kPlacedProperty = "kelsimPlaced";
// What the window manager adds around a window that has not been shown yet: a title bar and thin
// borders.
const QSize kAssumedFrame(16, 40);

} // namespace

QRect availableArea(const QWidget *window, const QWidget *near)
{
    const QScreen *screen = near ? near->screen() : window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 600);
}

void placeWindow(QWidget *window, QSize size, const QWidget *near)
{
    const bool onScreen = near && near->isVisible() && !near->isMinimized();
    const QRect area = availableArea(window, onScreen ? near : nullptr);
    const QSize frame = window->isVisible() ? window->frameGeometry().size() - window->size() : kAssumedFrame;
    size = size.expandedTo(window->minimumSizeHint()).boundedTo(area.size() - frame);
    window->resize(size);

    QRect outer(QPoint(), size + frame);
    outer.moveCenter(onScreen ? near->frameGeometry().center() : area.center());
    outer.moveLeft(qBound(area.left(), outer.left(), area.right() + 1 - outer.width()));
    outer.moveTop(qBound(area.top(), outer.top(), area.bottom() + 1 - outer.height()));
    window->move(outer.topLeft());
}

void placeWindow(QWidget *window, const QWidget *opener)
{
    QSize size = window->size();
    if (!window->property(kPlacedProperty).toBool()) {
        size = window->testAttribute(Qt::WA_Resized) ? window->size() : window->sizeHint();
        window->setProperty(kPlacedProperty, true);
    }
    placeWindow(window, size, opener);
}

} // namespace kelsim
