#include "ScoreCommands.h"

#include "ClipboardService.h"
#include "PrintService.h"
#include "ProblemState.h"
#include "ScoreClipboard.h"

#include <QTextDocument>

namespace kelsim {

ScoreCommands::ScoreCommands(ProblemState &problem, ClipboardService &clipboard, PrintService &printer,
                             MessageService &messages, QWidget *owner)
    : problem_(problem), clipboard_(clipboard), printer_(printer), messages_(messages), owner_(owner)
{
}

bool ScoreCommands::copyScores(const std::vector<QString> &scores)
{
    return putOnClipboard(clipboard_, messages_, scoresClipboardText(scores), owner_);
}

std::optional<std::vector<QString>> ScoreCommands::pasteScores(const std::vector<QString> &scores, int cursorRow)
{
    const std::optional<QString> text = readClipboard(clipboard_, messages_, owner_);
    if (!text)
        return std::nullopt;
    ScorePastePlan plan = planScorePaste(*text, scores, cursorRow);
    if (plan.refusal) {
        messages_.show(*plan.refusal, owner_);
        return std::nullopt;
    }
    // Pasted scores are as much a change as typed ones: leaving the program must offer to save them.
    problem_.session.changedSinceSave = true;
    return std::move(plan.scores);
}

bool ScoreCommands::printData(const std::vector<DataPrintLine> &lines)
{
    const std::unique_ptr<QTextDocument> document =
        buildDataPrintout(QString::fromStdString(problem_.design.problemLabel), lines);
    return printWithMessages(printer_, messages_, "Print Data", *document, owner_);
}

void ScoreCommands::printerSetup()
{
    printer_.setup("Printer Setup", owner_);
}

} // namespace kelsim
