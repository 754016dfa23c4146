#pragma once

#include <QDialog>

#include <cstdint>
#include <optional>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace kelsim {

class MessageService;
struct RunSettings;

// "Number of Iterations": how the p-values are estimated: the number of resampling iterations,
// the seed, the stop when precise, exact p-values for small designs and the shuffle scheme. The
// choices hold for every run of the session.
class IterationsDialog : public QDialog {
    Q_OBJECT
  public:
    IterationsDialog(RunSettings &run, MessageService &messages, QWidget *parent = nullptr);

    // Shows the window, always offering "100,000" iterations and the other choices as they stand.
    void begin();

    // The whole number a text stands for in the user's locale (digit groups accepted, halves
    // rounded to the even neighbour); nothing for text that is no number.
    static std::optional<double> parseIterations(const QString &text);
    // A seed: a whole number from 0 to 2^64 − 1, digits only; nothing for anything else.
    static std::optional<uint64_t> parseSeed(const QString &text);
    // An interval width: a number above 0 and below 1, in the user's locale or with a point;
    // nothing for anything else.
    static std::optional<double> parsePrecision(const QString &text);

  private:
    void accept() override;
    // Says why a box was refused and puts the cursor in it; the window stays open.
    void refuse(const QString &text, QLineEdit *box);

    RunSettings &run_;
    MessageService &messages_;
    QLineEdit *countBox_;             // Text1
    QRadioButton *randomSeed_;        // SeedRandom
    QRadioButton *fixedSeed_;         // SeedFixed
    QLineEdit *seedBox_;              // SeedBox
    QCheckBox *stopWhenPrecise_;      // StopWhenPrecise
    QLineEdit *precisionBox_;         // PrecisionBox
    QCheckBox *exactWhenSmall_;       // ExactWhenSmall
    QRadioButton *wholeShuffle_;      // ShuffleWhole
    QRadioButton *restrictedShuffle_; // ShuffleRestricted
};

} // namespace kelsim
