#pragma once

#include "MessageService.h"
#include "ProblemState.h"
#include "TableReport.h"

#include <QMainWindow>

#include <memory>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTableWidget;
class QTextDocument;

namespace kelsim {

// "Kelsim Table": the N-table of the last run, with renaming of sources and adjustment of an
// error term's df. It works on a copy of the table held in its grid; edits reach the problem's
// table when a df is adjusted or the user returns to the Design Specification window.
class KelsimTableWindow : public QMainWindow {
    Q_OBJECT
public:
    KelsimTableWindow(ProblemState &problem, MessageService &messages, QWidget *parent = nullptr);

    // Fills the window from the problem's table.
    void load();

    QTableWidget *grid() const { return grid_; }
    bool renaming() const { return renaming_; }
    // The Word items are offered once a document writer is connected.
    void setWordAvailable(bool available);
    bool adjusting() const { return adjusting_; }
    // The summary shown above the grid, one line each.
    static QStringList summaryLines(const ProblemState &problem);
    // Source, df, Pairs, NP, N-ratio, p as the grid shows them now.
    std::vector<std::array<std::string, 6>> gridLines() const;

    // What the report of "&Copy Table to Clipboard" and "&Print Anova Table" is made of: the
    // problem's table with the sources and df as the grid shows them now, and the factors under
    // their full names.
    static ReportInput reportInput(const ProblemState &problem, const std::vector<TableLine> &gridLines);
    // "&Copy Table to Clipboard": the column-aligned report.
    QString reportText() const;
    // "Copy Selected &Rows to Clipboard": the selected rows, or the current row when none is
    // selected, each cell followed by a tab and each row by a line feed, with one more line feed
    // at the end.
    QString selectedRowsText() const;
    // "&Print Anova Table": the report's content in a fixed-pitch font, its columns placed
    // under their heads.
    std::unique_ptr<QTextDocument> printout() const;
    // The printout's lines: the report's heading lines, an empty line, then the table with each
    // column as wide as its widest text, the Source column left-aligned and the others
    // right-aligned under their heads.
    static QStringList printLines(const ReportInput &input);

signals:
    void returnRequested();
    void newProblemRequested();
    void exitRequested();
    void copyTableRequested();
    void copyRowsRequested();
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
    void startRenaming();
    void finishRenaming();
    void startAdjusting();
    void cellClicked(int row, int column);
    void adjustErrorDf(int row);
    void setRenamingMenus(bool renaming);
    void copyGridToTable();
    void returnToSpecification();

    ProblemState &problem_;
    MessageService &messages_;
    QLabel *summary_ = nullptr;
    QLabel *problemLabel_ = nullptr;
    QTableWidget *grid_ = nullptr;
    QPushButton *returnButton_ = nullptr;
    QPushButton *restartButton_ = nullptr;
    QMenu *fileMenu_ = nullptr;
    QAction *printItem_ = nullptr, *newWord_ = nullptr, *existingWord_ = nullptr, *printSetup_ = nullptr;
    QAction *exitItem_ = nullptr, *copyItem_ = nullptr, *copyRowsItem_ = nullptr, *renameItem_ = nullptr;
    QAction *finishedRenamingItem_ = nullptr, *adjustItem_ = nullptr;
    bool wordAvailable_ = false;
    bool renaming_ = false;
    bool adjusting_ = false;
    int renamingRow_ = -1;
    QString editedText_;
    int newErrorDf_ = 0;
    // Per table row: the NP and df as numbers, kept current through adjustments.
    std::vector<double> np_;
    std::vector<double> df_;
};

} // namespace kelsim
