#include "ContextHelp.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>
#include <QVariant>
#include <QWidget>

namespace kelsim {

namespace {

const char *const kTextProperty = "kelsimContextHelp";
const char *const kPopupName = "ContextHelpPopup";

// The pop-up closes at the next click, inside it or anywhere else.
class ContextHelpFrame : public QFrame {
  public:
    explicit ContextHelpFrame(QWidget *window) : QFrame(window, Qt::Popup)
    {
        setObjectName("ContextHelpFrame");
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setAutoFillBackground(true);
        QPalette colours = palette();
        colours.setColor(QPalette::Window, QColor(255, 255, 225));
        colours.setColor(QPalette::WindowText, Qt::black);
        setPalette(colours);
        text = new QLabel(this);
        text->setObjectName(kPopupName);
        text->setWordWrap(true);
        text->setMargin(8);
        text->setAttribute(Qt::WA_TransparentForMouseEvents);
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(text);
    }
    QLabel *text;

  protected:
    void mousePressEvent(QMouseEvent *) override { close(); }
};

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
    if (!window)
        return nullptr;
    auto *frame = window->findChild<ContextHelpFrame *>("ContextHelpFrame", Qt::FindDirectChildrenOnly);
    return frame ? frame->text : nullptr;
}

void showContextHelp(QWidget *control, const QPoint &globalPos)
{
    QWidget *window = control->window();
    auto *frame = window->findChild<ContextHelpFrame *>("ContextHelpFrame", Qt::FindDirectChildrenOnly);
    if (!frame)
        frame = new ContextHelpFrame(window);
    frame->text->setText(control->property(kTextProperty).toString());
    frame->text->setFixedWidth(frame->fontMetrics().averageCharWidth() * 48);
    frame->adjustSize();
    QPoint at = globalPos + QPoint(8, 8);
    if (const QScreen *screen = QGuiApplication::screenAt(globalPos)) {
        const QRect area = screen->availableGeometry();
        at.setX(qMin(at.x(), area.right() - frame->width()));
        at.setY(qMin(at.y(), area.bottom() - frame->height()));
    }
    frame->move(at);
    frame->show();
}

QAction *addTopicHelpKey(QWidget *window, std::function<void()> open)
{
    auto *topicHelp = new QAction(window);
    topicHelp->setShortcut(QKeySequence::HelpContents);
    QObject::connect(topicHelp, &QAction::triggered, window, std::move(open));
    window->addAction(topicHelp);
    return topicHelp;
}

} // namespace kelsim
