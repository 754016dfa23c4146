#include "ScoreEdit.h"

namespace kelsim {

ScoreEdit::ScoreEdit(ScoreGridModel &model, const QString &what, int first, std::vector<ScoreCell> after, int typingRun)
    : QUndoCommand(what), model_(model), first_(first), before_(model.cells(first, static_cast<int>(after.size()))),
      after_(std::move(after)), typingRun_(typingRun)
{
}

void ScoreEdit::undo()
{
    model_.setCells(first_, before_);
}

void ScoreEdit::redo()
{
    model_.setCells(first_, after_);
}

bool ScoreEdit::mergeWith(const QUndoCommand *other)
{
    const auto *next = static_cast<const ScoreEdit *>(other);
    if (next->typingRun_ != typingRun_ || next->first_ != first_ || next->after_.size() != after_.size())
        return false;
    after_ = next->after_;
    return true;
}

} // namespace kelsim
