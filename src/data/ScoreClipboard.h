#pragma once

#include "MessageService.h"

#include <QString>

#include <optional>
#include <vector>

namespace kelsim {

// The score list of "&Copy Scores to Clipboard": every score in row order, each followed by a
// line feed (the last one too). Marks are not copied.
QString scoresClipboardText(const std::vector<QString> &scores);

// What "&Paste Scores from Clipboard" will do, worked out before any cell changes.
struct ScorePastePlan {
    // When set, the paste is refused: show this message, give the grid the focus and change
    // nothing.
    std::optional<Message> refusal;
    // Otherwise: every score cell's text after the paste, rows 0 .. N - 1. Marks stay as they are.
    std::vector<QString> scores;
    // The rows that received a pasted line.
    int firstRow = 0;
    int lastRow = -1;
};

// Plans the paste of `clipboardText` into the score column `scores` at the row of the grid's cursor.
// At row 0 the pasted list replaces the whole column; elsewhere it goes into the cells from
// `cursorRow` on, and every one of them must be empty. The whole text is checked before
// anything is pasted: each line must be a score the grid can hold (digits, letters, blanks and
// , - . @ [ \ ] ^ _ ` {), no longer than a data file keeps, and the list must fit below the
// starting row (one line end after the last score is allowed). Lines end in LF, with or without
// CR.
ScorePastePlan planScorePaste(const QString &clipboardText, const std::vector<QString> &scores, int cursorRow);

// Characters a pasted score may hold.
bool acceptedInPastedScore(QChar c);

} // namespace kelsim
