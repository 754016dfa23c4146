#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kelsim {

class CaptionLabel;
class MessageService;
struct ProblemState;

// "Labels for Levels": asks, factor by factor and level by level, for a one- or two-character
// label of each level, and checks that the labels of a factor differ. "&Finished" and "&Cancel"
// hide it and ask for the opening screen again.
class LevelLabelsWindow : public QDialog {
    Q_OBJECT
  public:
    LevelLabelsWindow(ProblemState &problem, MessageService &messages, QWidget *parent = nullptr);

    // Starts at factor 1, level 1, for the design the opening screen confirmed.
    void begin();

    int currentFactor() const { return currentFactor_; }
    int currentLevel() const { return currentLevel_; }
    int correctingFactor() const { return correctingFactor_; }

    QString questionPrompt(int factor, int level) const;
    QString requestPrompt(int factor, int level) const;

  signals:
    void returnRequested();

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override; // Escape: as "&Cancel"

  private:
    void labelChanged(const QString &text);
    void acceptLabel();
    void useCellIndices();
    void startOver();
    void finish();
    void cancel();
    void enterFinishedState();
    void askFor(const QString &prompt);

    int factorCount() const;
    int levelsOf(int factor) const;
    QString nameOf(int factor) const;
    std::string &labelOf(int factor, int level);

    ProblemState &problem_;
    MessageService &messages_;
    CaptionLabel *prompt_;    // Label1
    QLineEdit *labelBox_;     // Text1
    QPushButton *okButton_;   // OKButton
    QPushButton *skipButton_; // Skipbutton
    QPushButton *restartButton_;
    QPushButton *finishedButton_;
    QPushButton *cancelButton_;
    int currentFactor_ = 1;
    int currentLevel_ = 1;
    int correctingFactor_ = 0;
    bool closing_ = false;
};

} // namespace kelsim
