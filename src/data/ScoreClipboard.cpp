#include "ScoreClipboard.h"

#include "DataFileCommands.h"

namespace kelsim {

namespace {

Message pasteError(const QString &text, const QString &title)
{
    return Message{text, title, MessageIcon::Critical, MessageButtons::Ok};
}

ScorePastePlan refused(const Message &message)
{
    ScorePastePlan plan;
    plan.refusal = message;
    return plan;
}

// Letters paste as well as digits: the message names the character and its line, and a tab, which
// comes with two or more copied columns, says so.
QString unpastableText(QChar c, int line)
{
    if (c == '\t')
        return QString("The clipboard data is not a vertical list of scores: line %1 holds a tab, as two or more "
                       "columns copied together do.  Copy a single column and paste again.")
            .arg(line);
    const QString shown =
        c.isPrint() ? "\"" + QString(c) + "\"" : QString("U+%1").arg(c.unicode(), 4, 16, QChar('0')).toUpper();
    return QString("The clipboard contains characters that cannot be pasted (%1 on line %2).  A score may hold "
                   "letters, digits, spaces and these signs: , - . @ [ \\ ] ^ _ ` {")
        .arg(shown)
        .arg(line);
}

const QString kOccupiedText = QStringLiteral(
    "You cannot paste onto a cell containing data.  Either click elsewhere or clear the cells into which you want to "
    "paste.");

} // namespace

QString scoresClipboardText(const std::vector<QString> &scores)
{
    QString text;
    for (const QString &score : scores)
        text += score + '\n';
    return text;
}

bool acceptedInPastedScore(QChar c)
{
    // What typing takes ("A" to "{") and the signs of numbers, so that copied scores paste back.
    const char16_t code = c.unicode();
    return code == ' ' || code == ',' || code == '-' || code == '.' || (code >= '0' && code <= '9') ||
           (code >= '@' && code <= '{');
}

ScorePastePlan planScorePaste(const QString &clipboardText, const std::vector<QString> &scores, int cursorRow)
{
    // Carriage returns are ignored wherever they stand, so that a list ending in LF CR or CR LF
    // has no empty line after its last score.
    QString text = clipboardText;
    text.remove('\r');
    // A text of nothing but line ends has no score to paste; at row 0 it would only wipe the column.
    bool hasContent = false;
    for (QChar c : text)
        hasContent = hasContent || (c != '\n' && c != '\r');
    if (!hasContent)
        return refused(pasteError("The clipboard is empty!", "Error"));

    const int rowCount = static_cast<int>(scores.size());
    const int firstRow = cursorRow > 0 ? cursorRow : 0;
    if (firstRow > 0 && firstRow < rowCount && !scores[static_cast<size_t>(firstRow)].isEmpty())
        return refused(pasteError(kOccupiedText, "Wait"));

    const Message wontFit =
        pasteError("The data on the clipboard will not fit into the specified factorial structure.", "Error");
    std::vector<QString> lines(1);
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == '\n') {
            // A line end after the last row is fine as long as nothing follows it.
            if (firstRow + static_cast<int>(lines.size()) >= rowCount && i + 1 < text.size())
                return refused(wontFit);
            if (i + 1 < text.size())
                lines.emplace_back();
        } else if (c == '\r') {
            continue;
        } else if (acceptedInPastedScore(c)) {
            lines.back() += c;
        } else {
            return refused(pasteError(unpastableText(c, static_cast<int>(lines.size())), "Error"));
        }
    }
    if (firstRow + static_cast<int>(lines.size()) > rowCount)
        return refused(wontFit);
    for (const QString &line : lines)
        if (std::optional<Message> refusal = scoreRefusal(line))
            return refused(*refusal);

    ScorePastePlan plan;
    plan.scores = scores;
    if (firstRow == 0) {
        for (QString &score : plan.scores)
            score.clear();
    } else {
        for (size_t i = 0; i < lines.size(); ++i)
            if (!scores[static_cast<size_t>(firstRow) + i].isEmpty())
                return refused(pasteError(kOccupiedText, "Wait"));
    }
    for (size_t i = 0; i < lines.size(); ++i)
        plan.scores[static_cast<size_t>(firstRow) + i] = lines[i];
    plan.firstRow = firstRow;
    plan.lastRow = firstRow + static_cast<int>(lines.size()) - 1;
    return plan;
}

} // namespace kelsim
