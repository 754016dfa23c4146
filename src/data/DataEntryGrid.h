#pragma once

#include "DataFileFormat.h"
#include "ScoreTableView.h"

#include <QMainWindow>

#include <functional>
#include <vector>

class QAction;
class QKeyEvent;
class QPushButton;
class QTimer;
class QUndoStack;

namespace kelsim {

class CaptionLabel;
class ClipboardService;
class DataFileCommands;
class MessageService;
class PrintService;
class ScoreCommands;
class ScoreGridModel;
struct ScoreCell;
class WordExport;
struct DataDocument;
struct GridScores;
struct Preferences;
struct ProblemState;

// The Data Entry Grid: one row per cell of the design with the factors' names and levels beside
// the score, where the scores are typed, corrected, inserted, removed, marked and confirmed.
// Its file, clipboard, printer and Word commands work through the services it is given; leaving
// the grid is asked for through its signals.
class DataEntryGrid : public QMainWindow {
    Q_OBJECT
  public:
    DataEntryGrid(ProblemState &problem, const Preferences &preferences, MessageService &messages,
                  ClipboardService &clipboard, PrintService &printer, DataFileCommands &dataFiles,
                  WordExport &wordExport, QWidget *parent = nullptr);
    ~DataEntryGrid() override;

    // Builds the grid afresh for the application's current design; every score starts empty.
    void load();

    ScoreGridModel &scores() { return *model_; }
    ScoreTableView *grid() const { return grid_; }
    // The row of the cursor: where typing goes, and where a score is inserted, removed or pasted.
    int currentRow() const { return currentRow_; }
    int topRow() const;
    int visibleRows() const;
    int scoreColumnWidth() const;
    // The row of the grid's cursor, moved there and shown.
    void moveToRow(int row);
    void setTopRow(int row);

    // What the data-file and clipboard commands need after they have put scores into the grid.
    void scoresReadFromFile();
    void scoresPasted();
    // "&Paste Scores from Clipboard" at the cursor's row.
    void pasteScores();
    // Shows scores read from a data file: their rows take the texts and marks, the cursor goes to
    // the first row the file left unread, and the commands follow the read.
    void showScoresRead(const GridScores &read);
    // The notice "   Saving " + path in `Label1`, which `Timer1` removes again.
    void showSavingNotice(const QString &notice);

    // True when any score cell holds text.
    bool hasScores() const;
    // The scores with their marks as the grid holds them now, for a save asked for on leaving.
    void buildDataFileImage();
    // The scores with their marks, row by row.
    std::vector<DataFileScore> gridImage() const;
    // The rows as the Word commands write them: names as shown, levels, scores.
    DataDocument dataDocument() const;

    // The commands, by the names tests and later commands find them under.
    QAction *command(const char *objectName) const;
    QPushButton *button(const char *objectName) const;

    // Widths in twips (1/1440 inch) as screen pixels.
    int twips(double amount) const;

  signals:
    // "&Anova Design...": the scores have been kept aside for the Design Specification window.
    void designSpecificationRequested();
    void restartRequested();
    void exitRequested();
    void helpTopicRequested(const QString &page);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

  private:
    ScoreCommands scoreCommands();
    void buildMenus();
    void buildWidgets();
    void sizeColumns();
    void abbreviateNamesWhenNarrow();
    // The score column is as wide as its longest score needs, plus what "&Widen Entry Column" added.
    void fitScoreColumn();
    void scoresChanged(int first, int last);
    void placeOnScreen();
    // The width the buttons and margins take beside the grid.
    int besideGrid() const;

    void keyDown(QKeyEvent *event);
    void keyCharacter(QKeyEvent *event);
    // The cursor comes to a row: the next character typed replaces its score.
    void arriveAt(int row);
    void click(int row);
    void toggleMark();

    // Every change of the scores goes through here, so that "&Undo" can take it back. The rows an
    // edit leaves as they were are not kept; an edit that changes nothing is no step at all.
    void pushEdit(const QString &what, int first, std::vector<ScoreCell> after, int typingRun = -1);
    void stepEdits(bool back);

    void insertScore();
    void removeScore();
    void clearAll();
    void widenEntryColumn();
    void confirmData();
    void anovaDesign();
    void openDataFile();
    void saveData();
    void printDataToNewDocument();
    void appendDataToExistingDocument();
    void removeSavingNotice();

    void enable(std::initializer_list<const char *> names, bool on);
    // Connects a file, clipboard, printer or Word item to its command; an exception the command
    // throws is answered with a message naming the item.
    void connectGuarded(const char *item, const std::function<void()> &run);

    ProblemState &problem_;
    const Preferences &preferences_;
    MessageService &messages_;
    ClipboardService &clipboard_;
    PrintService &printer_;
    DataFileCommands &dataFiles_;
    WordExport &wordExport_;
    ScoreGridModel *model_ = nullptr;
    ScoreTableView *grid_ = nullptr;  // Grid1
    CaptionLabel *caption_ = nullptr; // Label1
    QString captionText_;             // what Label1 shows when no notice stands in it
    QTimer *noticeTimer_ = nullptr;   // Timer1
    QUndoStack *edits_ = nullptr;
    int currentRow_ = 0;
    bool replaceOnType_ = true;
    int typingRun_ = 0;   // numbers the visits of the cursor to a cell, for one undo step per visit
    int widenedBy_ = 0;   // pixels "&Widen Entry Column" added
    int longestRow_ = -1; // the row of the longest score, -1 when every score is empty
    QStringList fullNames_;
};

} // namespace kelsim
