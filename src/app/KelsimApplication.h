#pragma once

#include "Preferences.h"
#include "ProblemState.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class QWidget;

namespace kelsim {

class AboutDialog;
class ClipboardService;
class DataEntryGrid;
class PrintService;
class DataFileCommands;
class RecentFileList;
class DesignFlow;
class WordExport;
class FileDialogService;
class HelpWindow;
class LevelLabelsWindow;
class MessageService;
class OpeningScreen;
class SettingsStore;
struct WordSession;

// The application: owns the one problem, the preferences and every window, hands each window the
// state and platform services it uses, and walks the user from window to window as the windows
// ask through their signals.
class KelsimApplication : public QObject {
    Q_OBJECT
  public:
    KelsimApplication(MessageService &messages, FileDialogService &fileDialogs, SettingsStore &settings,
                      ClipboardService &clipboard, PrintService &printer, QObject *parent = nullptr);
    ~KelsimApplication() override;

    // Reads the preferences and the recent-file records, and shows the opening screen.
    void start();

    ProblemState &problem() { return problem_; }
    Preferences &preferences() { return preferences_; }
    MessageService &messages() { return messages_; }
    FileDialogService &fileDialogs() { return fileDialogs_; }
    SettingsStore &settings() { return settings_; }
    // The remembered data files, for the whole run, and the data-file commands that keep them.
    RecentFileList &recentFiles() { return *recentFiles_; }
    DataFileCommands &dataFiles() { return *dataFiles_; }

    OpeningScreen &openingScreen();
    LevelLabelsWindow &levelLabelsWindow();
    DataEntryGrid &dataEntryGrid();
    HelpWindow &helpWindow();
    AboutDialog &aboutDialog();
    bool hasDataEntryGrid() const { return grid_ != nullptr; }

    // The road through a problem.
    void showLevelLabels();
    void showOpeningScreenAgain(); // back from the labels window
    void showDataEntryGrid();
    // The opening screen's recent-file item `position`: the remembered design, then the grid,
    // which reads the file; a failed read leads back to the opening screen.
    void reopenRecentFile(int position);
    // "&Anova Design...": the grid gives way to the Design Specification window.
    void showDesignSpecification();
    DesignFlow &designFlow();
    WordExport &wordExport();
    int designSpecificationRequests() const { return designSpecificationRequests_; }
    // "&Restart" and "&New Problem": false when the user cancelled at the unsaved-data question.
    bool restart();
    // "E&xit" and closing a main window: false when the user cancelled.
    bool exit();
    bool hasExited() const { return exited_; }

    // Ends the event loop once every window is closed; tests replace it.
    std::function<void()> endProgram;

    // Preferences, saved the moment they change.
    void setUseLevelLabels(bool on);
    void setRunMaximized(bool on);
    // Shows a window maximized or normal as the "Run_Maximized" preference says.
    void showWithPreferredState(QWidget *window);

    // Help.
    void showHelpContents();
    void showHelpSearch();
    void showHowToUseHelp();
    void showHelpTopic(const QString &page);
    void showOnlineInformation();
    void showAbout();
    QString webAddress() const { return webAddress_; }
    void setWebAddress(const QString &address) { webAddress_ = address; }
    std::function<bool(const QUrl &)> openUrl; // the desktop's "open"; tests replace it

  private:
    // The unsaved-data question of "&Restart", "E&xit" and reopening a recent file: false when
    // the user cancelled (or chose to save and the save did not happen). A save that throws is
    // shown as a message.
    bool confirmUnsavedDataGuarded(const QString &title);
    void readDataFileOnOpen(DataEntryGrid &grid);
    void showRecentFiles();

    MessageService &messages_;
    FileDialogService &fileDialogs_;
    SettingsStore &settings_;
    ClipboardService &clipboard_;
    PrintService &printer_;
    ProblemState problem_;
    Preferences preferences_;
    std::unique_ptr<RecentFileList> recentFiles_;
    std::unique_ptr<DataFileCommands> dataFiles_;
    std::unique_ptr<OpeningScreen> opening_;
    std::unique_ptr<LevelLabelsWindow> labels_;
    std::unique_ptr<DataEntryGrid> grid_;
    std::unique_ptr<HelpWindow> help_;
    std::unique_ptr<AboutDialog> about_;
    std::unique_ptr<WordSession> wordSession_;
    std::unique_ptr<WordExport> word_;
    std::unique_ptr<DesignFlow> flow_;
    bool gridLoaded_ = false;
    bool exited_ = false;
    int designSpecificationRequests_ = 0;
    QString webAddress_;
};

} // namespace kelsim
