#include "ContextHelp.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVariant>
#include <QWidget>

namespace kelsim {

namespace {

const char *const kTextProperty = "kelsimContextHelp";
const char *const kPopupName = "ContextHelpPopup";

} // namespace

void attachContextHelp(QWidget *control, const QString &text)
{
    control->setProperty(kTextProperty, text);
    control->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(control, &QWidget::customContextMenuRequested, control,
                     [control](const QPoint &pos) { showContextHelp(control, control->mapToGlobal(pos)); });
}

QLabel *contextHelpPopup(QWidget *window)
{
    return window ? window->findChild<QLabel *>(kPopupName, Qt::FindDirectChildrenOnly) : nullptr;
}

void showContextHelp(QWidget *control, const QPoint &globalPos)
{
    QWidget *window = control->window();
    QLabel *popup = contextHelpPopup(window);
    if (!popup) {
        // A pop-up window closes by itself at the next click anywhere.
        popup = new QLabel(window, Qt::Popup);
        popup->setObjectName(kPopupName);
        popup->setWordWrap(true);
        popup->setMargin(8);
        popup->setFrameStyle(QFrame::Box | QFrame::Plain);
        popup->setAutoFillBackground(true);
        QPalette palette = popup->palette();
        palette.setColor(QPalette::Window, QColor(255, 255, 225));
        palette.setColor(QPalette::WindowText, Qt::black);
        popup->setPalette(palette);
    }
    popup->setText(control->property(kTextProperty).toString());
    popup->setFixedWidth(popup->fontMetrics().averageCharWidth() * 48);
    popup->adjustSize();
    QPoint at = globalPos + QPoint(8, 8);
    if (const QScreen *screen = QGuiApplication::screenAt(globalPos)) {
        const QRect area = screen->availableGeometry();
        at.setX(qMin(at.x(), area.right() - popup->width()));
        at.setY(qMin(at.y(), area.bottom() - popup->height()));
    }
    popup->move(at);
    popup->show();
}

} // namespace kelsim
