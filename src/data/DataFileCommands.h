#pragma once

#include "DataFileStore.h"
#include "MessageService.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QWidget;

namespace kelsim {

class FileDialogService;
class RecentFileList;
class SettingsStore;
struct ProblemState;

// Scores read from a data file, for the grid to show.
struct GridScores {
    // Rows 0 .. rows.size() - 1 take these texts and marks; the rows after them keep theirs.
    std::vector<DataFileScore> rows;
    // When the file held fewer scores than the grid has rows: the first row left unread, where
    // the cursor goes. -1 when every row was read.
    int firstUnreadRow = -1;

    // The first row shown so that the unread row is visible: two rows above it, but no further
    // down than the last screenful.
    int topRowFor(int rowCount, int visibleRows) const;
};

enum class OpenOutcome {
    Cancelled, // the open dialog was cancelled
    Stopped,   // the user stopped at a question (conflict, count, save of a copy)
    Failed,    // the file could not be read; its message has been shown
    Read,      // scores were read: the grid shows them and enables its commands
};

struct OpenResult {
    OpenOutcome outcome = OpenOutcome::Cancelled;
    GridScores scores; // when Read
};

enum class AutoReadOutcome {
    Read,   // the grid shows the scores
    Failed, // fileReadFailed is set: the grid is dropped and the opening screen shown again
};

struct AutoReadResult {
    AutoReadOutcome outcome = AutoReadOutcome::Failed;
    GridScores scores; // when Read: every row
};

struct SaveResult {
    bool saved = false;
    QString path; // the chosen path; empty when the dialog was cancelled
};

// The data-file commands of the Data Entry Grid and the recent-file commands of the opening
// screen, with their dialogs and messages. Everything the grid shows comes back in the results;
// the session flags, the recent-file list and its records are kept here.
class DataFileCommands {
  public:
    DataFileCommands(ProblemState &problem, RecentFileList &recentFiles, SettingsStore &settings,
                     MessageService &messages, FileDialogService &dialogs, const QString &programDir = QString(),
                     QWidget *owner = nullptr);

    // Called once a save has its path, before writing, with the notice "   Saving " + path for
    // the grid's `Label1` (the grid starts `Timer1` to remove it).
    std::function<void(const QString &notice)> onSaving;
    // Called whenever the recent-file list has changed (and its records were written), so that
    // the opening screen's menu can follow.
    std::function<void()> onRecentFilesChanged;

    // The scores of the grid with their marks as it stands now; nothing when no grid is loaded.
    // The unsaved-data question asks about them and a save it leads to writes them.
    std::function<std::optional<std::vector<DataFileScore>>()> gridScores;

    // The window the dialogs and messages belong to: the grid for its commands, the opening
    // screen for a reopened file.
    void setOwner(QWidget *owner) { owner_ = owner; }

    // "&Open file (for data entry)...": the unsaved-data question (titled "Open File"), open
    // dialog, conflict check against the remembered design, count check, reading. The session
    // and the recent list change only when scores were read.
    OpenResult openDataFile();

    // The read the grid makes when it opens with readFileOnOpen set. A file that cannot be found
    // and is given up leaves the recent list.
    AutoReadResult readFileOnOpen();

    // "&Save Data in File (As...)": save dialog and writing of the image (normally the data-file
    // image of the last "Data &OK"), with Retry/Cancel on failure; then the recent list.
    SaveResult saveData(const std::vector<DataFileScore> &image);

    // The unsaved-data question before the scores are left or replaced, titled after the command
    // ("Restart", "Exit", "Open File"). Scores read from a file and changed are written back to
    // it or saved in a new file; scores typed or confirmed and never saved are offered the save
    // dialog. Returns false when the user cancelled, or chose a save that did not happen: the
    // command then stops.
    bool askAboutUnsavedData(const QString &title);

    // Recent-file item `position` of the opening screen: loads the remembered design, moves the
    // entry to the top and sets readFileOnOpen; the opening screen then opens the grid, which
    // calls readFileOnOpen(). False for a position the list does not hold.
    bool reopenRecentFile(int position);

  private:
    // Writes the image to the path, offering Retry/Cancel on failure. False when the user gave up.
    bool writeWithRetry(const QString &path, const std::vector<DataFileScore> &image);
    SaveResult saveDataAs(const std::vector<DataFileScore> &image, const QString &proposedName);
    void showLoadProblem(const QString &path, const DataFileLoad &load, bool automatic);
    void rememberCurrentFile(const QString &path, bool reportFailure);

    ProblemState &problem_;
    RecentFileList &recentFiles_;
    SettingsStore &settings_;
    MessageService &messages_;
    FileDialogService &dialogs_;
    QString programDir_;
    QWidget *owner_;
};

// The notice shown while a file is written.
QString savingNotice(const QString &path);

// The message for a failed save of the file at `path` (critical icon, Retry/Cancel).
Message saveFailureMessage(const QString &path, const DataFileSave &save);

// The message for a file that could not be read by the open command (automatic false) or by
// the automatic read (automatic true; then only for failures that offer no Retry).
Message loadProblemMessage(const QString &path, const DataFileLoad &load, bool automatic);

// Scores the data file cannot hold are refused where they are typed or pasted: call with the
// text the cell would hold. Returns the message to show, or nothing when the score is fine.
std::optional<Message> scoreRefusal(const QString &text);

} // namespace kelsim
