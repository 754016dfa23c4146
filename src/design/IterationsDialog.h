#pragma once

#include <QDialog>

#include <optional>

class QLineEdit;

namespace kelsim {

class MessageService;
struct RunSettings;

// "Number of Iterations": how many resampling iterations estimate the p-values.
class IterationsDialog : public QDialog {
    Q_OBJECT
  public:
    IterationsDialog(RunSettings &run, MessageService &messages, QWidget *parent = nullptr);

    // Shows the window, always offering "100,000".
    void begin();

    // The whole number a text stands for in the user's locale (digit groups accepted, halves
    // rounded to the even neighbour); nothing for text that is no number.
    static std::optional<double> parseIterations(const QString &text);

  private:
    void accept() override;

    RunSettings &run_;
    MessageService &messages_;
    QLineEdit *countBox_; // Text1
};

} // namespace kelsim
