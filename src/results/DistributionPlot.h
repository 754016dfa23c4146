#pragma once

#include "NTable.h"

#include <QWidget>

namespace kelsim {

// The permutation distribution of one tested row: the N-ratios the compared arrangements reached,
// as bars over their bins, with the observed N-ratio marked. It draws the row's histogram as the
// run kept it and nothing else.
class DistributionPlot : public QWidget {
    Q_OBJECT
  public:
    explicit DistributionPlot(QWidget *parent = nullptr);

    // Shows the row's distribution, or the hint when the row has no p-value.
    void showRow(const NTable &table, size_t row);
    void showHint(const QString &hint);

    bool hasDistribution() const { return hasDistribution_; }
    const RatioHistogram &histogram() const { return histogram_; }
    // The caption above the bars ("G: N-ratios of 5,000 arrangements ..."), or the hint.
    QString caption() const { return caption_; }
    // Where the bars stand, and the x of an N-ratio on them.
    QRectF plotArea() const;
    double xOf(double ratio) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    QRectF captionBox() const;

    bool hasDistribution_ = false;
    RatioHistogram histogram_;
    double observed_ = 0.0;
    QString caption_;
};

} // namespace kelsim
