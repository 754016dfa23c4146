#include "CaptionLabel.h"

#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QTextLayout>
#include <QToolTip>

namespace kelsim {

namespace {

struct CaptionLines {
    QStringList lines;
    bool elided = false;
};

CaptionLines layOut(const QString &text, const QFont &font, int width, int maxLines)
{
    CaptionLines result;
    width = qMax(1, width);
    const QFontMetrics metrics(font);
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (result.lines.size() == maxLines - 1) {
            const QString rest = text.mid(line.textStart());
            const QString shown = metrics.elidedText(rest, Qt::ElideRight, width);
            result.elided = shown != rest;
            result.lines << shown;
            break;
        }
        result.lines << text.mid(line.textStart(), line.textLength());
    }
    layout.endLayout();
    return result;
}

} // namespace

CaptionLabel::CaptionLabel(const QString &text, QWidget *parent, int maxLines)
    : QLabel(text, parent), maxLines_(qMax(1, maxLines))
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

QStringList CaptionLabel::linesFor(int width) const
{
    return layOut(text(), font(), width, maxLines_).lines;
}

bool CaptionLabel::isElided() const
{
    return layOut(text(), font(), contentsRect().width(), maxLines_).elided;
}

QSize CaptionLabel::sizeHint() const
{
    // Asks for room for the caption on one line, but no more than a comfortable line's width.
    const QFontMetrics metrics(font());
    const int width = qMin(metrics.horizontalAdvance(text()), 60 * metrics.averageCharWidth()) + 2 * margin();
    return QSize(width, heightForWidth(width));
}

QSize CaptionLabel::minimumSizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(8 * metrics.averageCharWidth(), metrics.height() + 2 * margin());
}

int CaptionLabel::heightForWidth(int width) const
{
    const QFontMetrics metrics(font());
    const int lines = qMax(1, int(linesFor(width - 2 * margin()).size()));
    return lines * metrics.lineSpacing() + 2 * margin();
}

bool CaptionLabel::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        if (isElided())
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), text(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QLabel::event(event);
}

void CaptionLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    painter.setFont(font());
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const QFontMetrics metrics(font());
    int y = area.top() + metrics.ascent();
    for (const QString &line : linesFor(area.width())) {
        painter.drawText(area.left(), y, line);
        y += metrics.lineSpacing();
    }
}

} // namespace kelsim
