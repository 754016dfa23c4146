// Property: a paste either changes nothing (and says why) or fills exactly the rows it names
// with the clipboard's lines, each a score the grid can hold, and leaves every other cell as it
// was (pasting at the first row replaces the whole column).
#include "ScoreClipboard.h"

#include <QStringList>

#include <cstdint>
#include <cstdlib>

using namespace kelsim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    constexpr int kRows = 24;
    const int clickedRow = data[0] % kRows;
    std::vector<QString> scores(kRows);
    for (int r = 0; r < kRows; ++r)
        if ((data[1] >> (r % 8)) & 1 && r % 3 == data[1] % 3)
            scores[static_cast<size_t>(r)] = QString("k%1").arg(r);
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 2), static_cast<int>(size - 2));
    const ScorePastePlan plan = planScorePaste(text, scores, clickedRow);
    if (plan.refusal) {
        if (plan.refusal->text.isEmpty() || !plan.scores.empty())
            std::abort();
        return 0;
    }
    if (plan.scores.size() != scores.size() || plan.firstRow != clickedRow || plan.lastRow < plan.firstRow ||
        plan.lastRow >= kRows)
        std::abort();
    QStringList lines = QString(text).remove('\r').split('\n');
    if (lines.size() > 1 && lines.back().isEmpty())
        lines.removeLast();
    if (lines.size() != plan.lastRow - plan.firstRow + 1)
        std::abort();
    for (int r = 0; r < kRows; ++r) {
        const QString &after = plan.scores[static_cast<size_t>(r)];
        if (r >= plan.firstRow && r <= plan.lastRow) {
            if (after != lines[r - plan.firstRow] || (clickedRow > 0 && !scores[static_cast<size_t>(r)].isEmpty()))
                std::abort();
            for (QChar c : after)
                if (!acceptedInPastedScore(c))
                    std::abort();
        } else if (after != (clickedRow == 0 ? QString() : scores[static_cast<size_t>(r)])) {
            std::abort();
        }
    }
    return 0;
}
