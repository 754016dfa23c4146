#include "ScoreClipboard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kelsim;

namespace {

std::vector<QString> column(std::initializer_list<const char *> texts)
{
    std::vector<QString> scores;
    for (const char *text : texts)
        scores.emplace_back(QString::fromUtf8(text));
    return scores;
}

const QString kOccupied = "You cannot paste onto a cell containing data.  Either click elsewhere or clear the cells "
                          "into which you want to paste.";
const QString kTabOnLine1 = "The clipboard data is not a vertical list of scores: line 1 holds a tab, as two or more "
                            "columns copied together do.  Copy a single column and paste again.";
QString unpastable(const QString &shown, int line)
{
    return QString("The clipboard contains characters that cannot be pasted (%1 on line %2).  A score may hold "
                   "letters, digits, spaces and these signs: , - . @ [ \\ ] ^ _ ` {")
        .arg(shown)
        .arg(line);
}
const QString kWontFit = "The data on the clipboard will not fit into the specified factorial structure.";

} // namespace

TEST(ScoreClipboard, copiedScoresAreOneLineEachEndedByALineFeed)
{
    EXPECT_EQ(scoresClipboardText(column({"1", "a b", "x", "12.5"})), QString("1\na b\nx\n12.5\n"));
    EXPECT_EQ(scoresClipboardText(column({"", "2"})), QString("\n2\n"));
}

// Lines end in LF with or without CR; below row 0 the list fills the cells from the cursor's row.
TEST(ScoreClipboard, acceptedPastesFillTheirRowsOnly)
{
    struct Case {
        const char *name;
        QString text;
        std::vector<QString> scores;
        int row;
        std::vector<QString> after;
        int lastRow;
    };
    const std::vector<Case> cases = {
        {"LF", "1\n2\n3", column({"", "", ""}), 0, column({"1", "2", "3"}), 2},
        {"CR LF and a last line end", "1\r\n2\r\n3\r\n", column({"", "", ""}), 0, column({"1", "2", "3"}), 2},
        // Found by fuzzing: a list ending in LF CR claimed one more row than it had scores.
        {"LF CR", "Jc\n\r", column({"1", "", "", "", ""}), 3, column({"1", "", "", "Jc", ""}), 3},
        {"below row 0", "y\r\nz\r\n", column({"1", "2", "", "", "5"}), 2, column({"1", "2", "y", "z", "5"}), 3},
        {"the longest score a file keeps", QString(255, '7'), column({"", ""}), 0, {QString(255, '7'), ""}, 0},
    };
    for (const Case &c : cases) {
        const ScorePastePlan plan = planScorePaste(c.text, c.scores, c.row);
        ASSERT_FALSE(plan.refusal.has_value()) << c.name;
        EXPECT_EQ(plan.scores, c.after) << c.name;
        EXPECT_EQ(plan.firstRow, c.row) << c.name;
        EXPECT_EQ(plan.lastRow, c.lastRow) << c.name;
    }
}

// Every refusal names its reason and pastes nothing: the plan holds no scores to show.
TEST(ScoreClipboard, everyRefusalPastesNothing)
{
    struct Case {
        const char *name;
        QString text;
        std::vector<QString> scores;
        int row;
        QString message;
        QString title;
    };
    const std::vector<QString> four = column({"", "", "", ""});
    const std::vector<Case> cases = {
        {"empty clipboard", "", four, 0, "The clipboard is empty!", "Error"},
        {"only line ends", "\r\n\n", four, 0, "The clipboard is empty!", "Error"},
        {"first target holds data", "1", column({"a", "b", "c", "d"}), 2, kOccupied, "Wait"},
        {"a later target holds data", "1\n2", column({"", "", "", "d"}), 2, kOccupied, "Wait"},
        {"one list too long", "1\n2\n3\n4\n5", four, 0, kWontFit, "Error"},
        {"too long below the cursor's row", "1\n2\n3", four, 2, kWontFit, "Error"},
        {"LF CR lines below row 2", "a\n\rb\n", column({"", "", ""}), 2, kWontFit, "Error"},
        {"a blank line after the last row", "1\n2\n3\n4\n\n", four, 0, kWontFit, "Error"},
        {"two spreadsheet columns", "1\t2\n3\t4", four, 0, kTabOnLine1, "Error"},
        {"a late bad character", "1\n2\n3\n4!", four, 0, unpastable("\"!\"", 4), "Error"},
        {"a closing brace", "}", four, 0, unpastable("\"}\"", 1), "Error"},
        {"a double quote", "\"1\"", four, 0, unpastable("\"\"\"", 1), "Error"},
        {"a control character", "a\x01", four, 0, unpastable("U+0001", 1), "Error"},
        {"a letter outside the accepted ones", QString::fromUtf8("\xc3\xa9"), four, 0, unpastable("\"\xc3\xa9\"", 1),
         "Error"},
        {"a score too long for a data file", QString(256, 'a'), four, 0,
         "A score can have at most 255 characters: a longer one cannot be kept in a data file.", "Data Entry Error!"},
    };
    for (const Case &c : cases) {
        const ScorePastePlan plan = planScorePaste(c.text, c.scores, c.row);
        ASSERT_TRUE(plan.refusal.has_value()) << c.name;
        EXPECT_EQ(plan.refusal->text, c.message) << c.name;
        EXPECT_EQ(plan.refusal->title, c.title) << c.name;
        EXPECT_EQ(plan.refusal->icon, MessageIcon::Critical) << c.name;
        EXPECT_EQ(plan.refusal->buttons, MessageButtons::Ok) << c.name;
        EXPECT_TRUE(plan.scores.empty()) << c.name;
    }
}
