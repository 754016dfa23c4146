#include "DistributionPlot.h"

#include "Format.h"
#include "TableReport.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kelsim {

namespace {

constexpr int kMargin = 8;
const QColor kBarColour(88, 120, 168);
const QColor kObservedColour(200, 30, 30);

QString fromStd(const std::string &text)
{
    return QString::fromStdString(text);
}

// A step of 1, 2 or 5 times a power of ten that cuts the range into about `parts` pieces.
double niceStep(double range, int parts)
{
    const double rough = range / parts;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (double factor : {1.0, 2.0, 5.0})
        if (factor * power >= rough)
            return factor * power;
    return 10.0 * power;
}

QString tickText(double value)
{
    return QString::number(value, 'g', 4);
}

} // namespace

DistributionPlot::DistributionPlot(QWidget *parent) : QWidget(parent)
{
    setObjectName("DistributionPlot");
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
}

QSize DistributionPlot::sizeHint() const
{
    return {480, fontMetrics().height() * 12};
}

QSize DistributionPlot::minimumSizeHint() const
{
    return {240, fontMetrics().height() * 8};
}

void DistributionPlot::showRow(const NTable &table, size_t row)
{
    const TableRow &tested = table.rows.at(row);
    if (!table.showsP() || !tested.p || tested.p->distribution.counts.empty() ||
        !(tested.p->distribution.binWidth > 0.0)) {
        showHint(tr("Select a row with a p-value to see the N-ratios its shuffles reached."));
        return;
    }
    const PValue &p = *tested.p;
    hasDistribution_ = true;
    histogram_ = p.distribution;
    observed_ = tested.nRatio;
    const QString name = fromStd(tested.displayName()).trimmed();
    const QString total = fromStd(groupedNumber(histogram_.total()));
    caption_ = p.exact ? tr("%1: N-ratios of all %2 distinct arrangements of the scores").arg(name, total)
                       : tr("%1: N-ratios of %2 shuffles of the scores").arg(name, total);
    caption_ +=
        tr("; observed %1, p %2")
            .arg(fromStd(formatValue(observed_, 2)).trimmed(), fromStd(formatValue(p.value, 3, true)).trimmed());
    if (p.exact)
        caption_ += tr(" exact");
    const double end = histogram_.binWidth * static_cast<double>(histogram_.counts.size());
    if (histogram_.above > 0)
        caption_ += tr("; %1 at %2 or beyond").arg(fromStd(groupedNumber(histogram_.above)), tickText(end));
    if (histogram_.undefined > 0)
        caption_ += tr("; %1 without an N-ratio").arg(fromStd(groupedNumber(histogram_.undefined)));
    setToolTip(caption_);
    update();
}

void DistributionPlot::showHint(const QString &hint)
{
    hasDistribution_ = false;
    histogram_ = RatioHistogram();
    caption_ = hint;
    setToolTip(QString());
    update();
}

QRectF DistributionPlot::captionBox() const
{
    // A long caption wraps onto the lines below.
    const QRect box(kMargin, kMargin, width() - 2 * kMargin, height());
    return fontMetrics().boundingRect(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, caption_);
}

QRectF DistributionPlot::plotArea() const
{
    const QFontMetrics metrics = fontMetrics();
    const double left = kMargin + metrics.horizontalAdvance(QStringLiteral("000,000,000")) + 6;
    // Below the caption and a line for the observed N-ratio's label.
    const double top = captionBox().bottom() + metrics.height() + 6;
    const double bottom = height() - kMargin - metrics.height() - 6;
    return QRectF(QPointF(left, top), QPointF(width() - kMargin - metrics.horizontalAdvance(QStringLiteral("00")),
                                              std::max(top + 1, bottom)));
}

double DistributionPlot::xOf(double ratio) const
{
    const QRectF area = plotArea();
    const double end = histogram_.binWidth * static_cast<double>(histogram_.counts.size());
    if (!(end > 0.0))
        return area.left();
    return area.left() + area.width() * std::clamp(ratio / end, 0.0, 1.0);
}

void DistributionPlot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(captionBox(), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, caption_);
    if (!hasDistribution_)
        return;

    const QRectF area = plotArea();
    const int64_t tallest = *std::max_element(histogram_.counts.begin(), histogram_.counts.end());
    const double barWidth = area.width() / static_cast<double>(histogram_.counts.size());
    if (tallest > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(kBarColour);
        for (size_t i = 0; i < histogram_.counts.size(); ++i) {
            const double h = area.height() * static_cast<double>(histogram_.counts[i]) / static_cast<double>(tallest);
            // A bin with any count stays visible, however small beside the tallest.
            const double shown = histogram_.counts[i] > 0 ? std::max(h, 1.0) : 0.0;
            painter.drawRect(QRectF(area.left() + barWidth * static_cast<double>(i), area.bottom() - shown,
                                    std::max(barWidth - 0.5, 0.5), shown));
        }
    }

    // Axes: counts up the left, N-ratios along the bottom.
    painter.setPen(palette().color(QPalette::Text));
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(area.bottomLeft(), area.bottomRight());
    painter.drawLine(area.bottomLeft(), area.topLeft());
    const QRectF countBox(kMargin, area.top() - metrics.height() / 2.0, area.left() - kMargin - 4, metrics.height());
    painter.drawText(countBox, Qt::AlignRight | Qt::AlignVCenter, fromStd(groupedNumber(tallest)));
    painter.drawText(countBox.translated(0, area.height()), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("0"));
    const double end = histogram_.binWidth * static_cast<double>(histogram_.counts.size());
    const double step = niceStep(end, 5);
    for (int k = 0; k * step <= end * (1 + 1e-9); ++k) {
        const double x = xOf(k * step);
        painter.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + 4));
        const QString text = tickText(k * step);
        const double w = metrics.horizontalAdvance(text);
        painter.drawText(QRectF(x - w / 2 - 2, area.bottom() + 5, w + 4, metrics.height()), Qt::AlignCenter, text);
    }

    // The observed N-ratio, as a line across the bars with its label above them.
    const double x = xOf(observed_);
    painter.setPen(QPen(kObservedColour, 2));
    painter.drawLine(QPointF(x, area.top() - metrics.height() / 2.0), QPointF(x, area.bottom()));
    const QString label = tr("observed %1").arg(fromStd(formatValue(observed_, 2)).trimmed());
    const double labelWidth = metrics.horizontalAdvance(label) + 4;
    const double labelLeft = x + labelWidth + 4 <= area.right() ? x + 4 : x - 4 - labelWidth;
    painter.drawText(QRectF(labelLeft, area.top() - metrics.height() - 4, labelWidth, metrics.height()),
                     Qt::AlignCenter, label);
}

} // namespace kelsim
