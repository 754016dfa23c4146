#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace kelsim {

// A pair of arrow buttons that step the number in a text box, as a spinner beside its box.
// The box's own change handling sees every step as a change of its text.
class UpDownButtons : public QWidget {
    Q_OBJECT
  public:
    UpDownButtons(QLineEdit *buddy, int minimum, int maximum, QWidget *parent = nullptr);

    void stepBy(int steps);
    QToolButton *upButton() const { return up_; }
    QToolButton *downButton() const { return down_; }

  private:
    QLineEdit *buddy_;
    int minimum_;
    int maximum_;
    QToolButton *up_;
    QToolButton *down_;
};

} // namespace kelsim
