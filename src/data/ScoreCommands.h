#pragma once

#include "DataPrintout.h"

#include <QString>

#include <optional>
#include <vector>

class QWidget;

namespace kelsim {

class ClipboardService;
class MessageService;
class PrintService;
struct ProblemState;

// The Data Entry Grid's clipboard and printer commands. The grid hands over what it shows and
// puts back what a paste returns; the messages are shown here.
class ScoreCommands {
  public:
    ScoreCommands(ProblemState &problem, ClipboardService &clipboard, PrintService &printer, MessageService &messages,
                  QWidget *owner = nullptr);

    // "&Copy Scores to Clipboard": `scores` are the texts of every score cell, rows 0 .. N - 1.
    // False when the clipboard could not be written and the user gave up.
    bool copyScores(const std::vector<QString> &scores);

    // "&Paste Scores from Clipboard" at the row of the grid's cursor. Returns every score cell's text
    // after the paste, for the grid to show (marks unchanged), or nothing when nothing may be
    // pasted: the message has then been shown and the grid must take the focus and change
    // nothing. A paste counts as a change of the data (changedSinceSave).
    std::optional<std::vector<QString>> pasteScores(const std::vector<QString> &scores, int cursorRow);

    // "&Print Data": the printer dialog "Print Data", then the problem label, "   Raw Data" and one
    // line per grid row. True when printed; a cancelled dialog is silent.
    bool printData(const std::vector<DataPrintLine> &lines);

    // "P&rinter Setup...".
    void printerSetup();

  private:
    ProblemState &problem_;
    ClipboardService &clipboard_;
    PrintService &printer_;
    MessageService &messages_;
    QWidget *owner_;
};

} // namespace kelsim
