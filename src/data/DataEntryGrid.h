#pragma once

#include <QMainWindow>

class QAction;
class QKeyEvent;
class QLabel;
class QPushButton;
class QTableView;

namespace kelsim {

class KelsimApplication;
class ScoreGridModel;

// The Data Entry Grid: one row per cell of the design with the factors' names and levels beside
// the score, where the scores are typed, corrected, inserted, removed, marked and confirmed.
class DataEntryGrid : public QMainWindow {
    Q_OBJECT
  public:
    explicit DataEntryGrid(KelsimApplication &app, QWidget *parent = nullptr);
    ~DataEntryGrid() override;

    // Builds the grid afresh for the application's current design; every score starts empty.
    void load();

    ScoreGridModel &scores() { return *model_; }
    QTableView *grid() const { return grid_; }
    int currentRow() const { return currentRow_; }
    int clickedRow() const { return clickedRow_; }
    int topRow() const;
    int visibleRows() const;
    int scoreColumnWidth() const;
    // The row of the grid's cursor, moved there and shown.
    void moveToRow(int row);
    void setTopRow(int row);

    // What the data-file and clipboard commands need after they have put scores into the grid.
    void scoresReadFromFile();
    void scoresPasted();

    // True when any score cell holds text.
    bool hasScores() const;
    // The scores with their marks as the grid holds them now, for a save asked for on leaving.
    void buildDataFileImage();

    // The commands, by the names tests and later commands find them under.
    QAction *command(const char *objectName) const;
    QPushButton *button(const char *objectName) const;

    // Widths in twips (1/1440 inch) as screen pixels.
    int twips(double amount) const;

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

  private:
    void buildMenus();
    void buildWidgets();
    void sizeColumns();
    void abbreviateNamesWhenNarrow();

    void keyDown(QKeyEvent *event);
    void keyCharacter(QKeyEvent *event);
    void click(int row);
    void toggleMark();

    void insertScore();
    void removeScore();
    void clearAll();
    void widenEntryColumn();
    void confirmData();
    void anovaDesign();

    void enable(std::initializer_list<const char *> names, bool on);

    KelsimApplication &app_;
    ScoreGridModel *model_ = nullptr;
    QTableView *grid_ = nullptr; // Grid1
    QLabel *caption_ = nullptr;  // Label1
    int currentRow_ = 0;
    int clickedRow_ = 0;
    QStringList fullNames_;
};

} // namespace kelsim
