#pragma once

#include <QDialog>

#include <optional>

class QLineEdit;

namespace kelsim {

struct Design;
class MessageService;

// "Number of Iterations": how many resampling iterations estimate the p-values.
class IterationsDialog : public QDialog {
    Q_OBJECT
  public:
    IterationsDialog(Design &design, MessageService &messages, QWidget *parent = nullptr);

    // Shows the window, always offering "100,000".
    void begin();

    // The whole number a text stands for in the user's locale (digit groups accepted, halves
    // rounded to the even neighbour); nothing for text that is no number or lies beyond the
    // 32-bit range.
    static std::optional<int> parseIterations(const QString &text);

  private:
    void accept() override;

    Design &design_;
    MessageService &messages_;
    QLineEdit *countBox_; // Text1
};

} // namespace kelsim
