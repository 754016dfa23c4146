#pragma once

#include <QLabel>
#include <QRect>
#include <QSize>

class QWidget;

namespace kelsim {

// The part of the screen a window may use: the screen `near` stands on (or the window's own),
// without the desktop's panels.
QRect availableArea(const QWidget *window, const QWidget *near = nullptr);

// Gives a window `size` (never less than its layout needs, never more than the screen holds,
// with room left for the window manager's frame) and centres it on `near` when that window
// is on screen, else on the screen.
void placeWindow(QWidget *window, QSize size, const QWidget *near = nullptr);

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
