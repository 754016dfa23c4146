#pragma once

#include <QLabel>

class QWidget;

namespace kelsim {

// A caption that never widens its window: it wraps at word boundaries, or inside a word too long
// for a line, shows at most `maxLines` lines and ends the last one with "..." when text remains.
// text() keeps the whole caption, which a tooltip shows when part of it is hidden.
class CaptionLabel : public QLabel {
    Q_OBJECT
  public:
    explicit CaptionLabel(const QString &text = QString(), QWidget *parent = nullptr, int maxLines = 3);

    // The lines shown at a width, the last one elided when the caption does not fit.
    QStringList linesFor(int width) const;
    bool isElided() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

  protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

  private:
    int maxLines_;
};

} // namespace kelsim
