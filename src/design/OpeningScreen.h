#pragma once

#include <QList>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace kelsim {

struct Design;
struct Preferences;
struct ProblemState;
class IterationsDialog;
class MessageService;
class UpDownButtons;

// The main window, captioned "Kelsim": the number of factors, each factor's levels and name, a
// problem label, and the confirmation of the number of scores the design implies. Where the user
// goes from here, and what becomes of a changed preference, is asked for through its signals.
class OpeningScreen : public QMainWindow {
    Q_OBJECT
  public:
    OpeningScreen(ProblemState &problem, const Preferences &preferences, MessageService &messages,
                  QWidget *parent = nullptr);
    ~OpeningScreen() override;

    // The state the window has when the program starts: two factors of two levels with generic
    // names, an empty problem label, the preferences applied.
    void resetToStartUp();

    int currentFactor() const { return currentFactor_; }
    int factorCount() const { return factorCount_; }
    QString factorName(int factor) const; // 1-based, as held by the screen
    int factorLevels(int factor) const;

    // The "&File" menu; the recent-file items go before its separator (objectName
    // "RecentFilesSeparator"), and every action named "RecentFile..." is enabled by "&Start Over".
    QMenu *fileMenu() const { return fileMenu_; }
    // Replaces the recent-file items: one per caption ("&1 " + path ...), named "RecentFile1" ...,
    // each reopening its entry.
    void showRecentFiles(const QStringList &captions);
    QList<QAction *> recentFileItems() const;
    // Shows a remembered design as if it had been typed and confirmed: its factors, names, levels
    // and problem label, ready to proceed to the data (labels already given when `labelsGiven`).
    void showRemembered(const Design &design, bool labelsGiven);
    IterationsDialog &iterationsDialog();

    // The generic name of factor i: its letter and an invitation to replace it.
    static QString genericName(int factor);

  signals:
    void levelLabelsRequested();
    void dataEntryRequested();
    void recentFileRequested(int position);
    void useLevelLabelsChanged(bool on);
    void runMaximizedChanged(bool on);
    void exitRequested();
    void helpContentsRequested();
    void helpSearchRequested();
    void helpTopicRequested(const QString &page);
    void onlineInformationRequested();
    void aboutRequested();

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

  private:
    // What "Command2" does when pressed; its caption tells the user the same.
    enum class ConfirmStep {
        ConfirmThenData,   // the design is confirmed, then the grid opens
        ConfirmThenLabels, // the design is confirmed, then the labels window opens
        Data,              // design and labels are settled: only the data remain
    };

    void buildWidgets();
    void buildMenus();

    bool filterNumberKey(QLineEdit *box, UpDownButtons *spinner, QKeyEvent *event, QWidget *next);
    void factorCountChanged(const QString &text);
    void levelsChanged(const QString &text);
    void nameChanged(const QString &text);
    void acceptFactor();
    void confirm();
    void adjust();
    void startOver();

    void freshTables(int count);
    void showFactor(int factor);
    void setCaptionsFor(int factor);
    void setNameColour(bool generic);
    void returnToFactor(int factor, const QString &name);
    void applyLabelsPreference();
    void setConfirmStep(ConfirmStep step);
    void commitDesign();

    void toggleLabels(bool on);
    void toggleMaximized(bool on);
    void showPurpose();

    ProblemState &problem_;
    const Preferences &preferences_;
    MessageService &messages_;
    ConfirmStep confirmStep_ = ConfirmStep::ConfirmThenData;

    QLineEdit *factorCountBox_ = nullptr; // Text1
    UpDownButtons *factorCountSpinner_ = nullptr;
    QLineEdit *levelsBox_ = nullptr; // Text2
    UpDownButtons *levelsSpinner_ = nullptr;
    QLineEdit *nameBox_ = nullptr;         // Text3
    QLineEdit *problemLabelBox_ = nullptr; // Text4
    QLabel *levelsCaption_ = nullptr;      // Label3
    QLabel *nameCaption_ = nullptr;        // Label5
    QLabel *cyclingNote_ = nullptr;        // Label6
    QLabel *expectation_ = nullptr;        // Label4
    QPushButton *okButton_ = nullptr;      // Command1
    QPushButton *confirmButton_ = nullptr; // Command2
    QPushButton *adjustButton_ = nullptr;  // Command3
    QPushButton *startOverButton_ = nullptr;

    QMenu *fileMenu_ = nullptr;
    QAction *recentSeparator_ = nullptr;
    QAction *labelsItem_ = nullptr;
    QAction *maximizedItem_ = nullptr;
    IterationsDialog *iterations_ = nullptr;

    int factorCount_ = 2;
    int currentFactor_ = 1;
    bool ignoreNextCountChange_ = false;
    std::vector<int> levels_;    // index 0 unused
    std::vector<QString> names_; // index 0 unused
};

} // namespace kelsim
