#pragma once

#include "ProblemState.h"

#include <QMainWindow>

#include <memory>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTableWidget;
class QTextDocument;

namespace kelsim {

class DistributionPlot;
class MessageService;

// "Kelsim Table": the N-table of the last run, with renaming of sources and adjustment of an
// error term's df. Both are operations on the problem's table; the grid only shows it.
class KelsimTableWindow : public QMainWindow {
    Q_OBJECT
  public:
    KelsimTableWindow(ProblemState &problem, MessageService &messages, QWidget *parent = nullptr);

    // Fills the window from the problem's table.
    void load();

    QTableWidget *grid() const { return grid_; }
    // The permutation distribution of the current row.
    DistributionPlot *plot() const { return plot_; }
    bool renaming() const { return renaming_; }
    bool adjusting() const { return adjusting_; }
    // The Word items are offered once a document writer is connected.
    void setWordAvailable(bool available);

    // "&Copy Table to Clipboard": the column-aligned report, lines ended by CR LF.
    QString reportText() const;
    // "Copy &Selected Rows to Clipboard": the selected rows, or the current row when none is
    // selected, each cell followed by a tab and each row by CR LF, with one more CR LF at the end.
    QString selectedRowsText() const;
    // "&Print Anova Table": the report's content in a fixed-pitch font, its columns placed
    // under their heads.
    std::unique_ptr<QTextDocument> printout() const;

  signals:
    void returnRequested();
    void newProblemRequested();
    void exitRequested();
    void copyTableRequested();
    void copyRowsRequested();
    void copyCommandLineRequested();
    void printTableRequested();
    void printerSetupRequested();
    void wordNewRequested();
    void wordExistingRequested();
    void helpRequested(const QString &topic);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

  private:
    void buildMenus();
    void showTable();
    void showDistribution(int row);
    void startRenaming();
    void finishRenaming();
    void setAdjusting(bool on);
    void cellClicked(int row, int column);
    void renameEdited(int row, int column);
    void adjustErrorDf(int row);
    void setRenamingMenus(bool renaming);
    void returnToSpecification();

    ProblemState &problem_;
    MessageService &messages_;
    QLabel *summary_ = nullptr;
    QLabel *facts_ = nullptr;
    QLabel *problemLabel_ = nullptr;
    QWidget *summaryArea_ = nullptr;
    QTableWidget *grid_ = nullptr;
    DistributionPlot *plot_ = nullptr;
    QPushButton *returnButton_ = nullptr;
    QPushButton *restartButton_ = nullptr;
    QMenu *fileMenu_ = nullptr;
    QAction *printItem_ = nullptr, *newWord_ = nullptr, *existingWord_ = nullptr, *printSetup_ = nullptr;
    QAction *exitItem_ = nullptr, *copyItem_ = nullptr, *copyRowsItem_ = nullptr, *renameItem_ = nullptr;
    QAction *finishedRenamingItem_ = nullptr, *adjustItem_ = nullptr, *copyCommandItem_ = nullptr;
    bool wordAvailable_ = false;
    bool renaming_ = false;
    bool adjusting_ = false;
    bool filling_ = false; // the window itself is writing the grid
};

} // namespace kelsim
