#pragma once

#include "ScoreGridModel.h"

#include <QUndoCommand>

#include <vector>

namespace kelsim {

// One undoable change of the grid's score column: the cells from `first` on, as they were and as
// they become. Characters typed into one cell make one step, until the cursor moves on: such
// edits share a `typingRun` number (-1 for every other edit).
class ScoreEdit : public QUndoCommand {
  public:
    ScoreEdit(ScoreGridModel &model, const QString &what, int first, std::vector<ScoreCell> after, int typingRun = -1);

    void undo() override;
    void redo() override;
    int id() const override { return typingRun_ >= 0 ? 1 : -1; }
    bool mergeWith(const QUndoCommand *other) override;

    int firstRow() const { return first_; }

  private:
    ScoreGridModel &model_;
    int first_;
    std::vector<ScoreCell> before_;
    std::vector<ScoreCell> after_;
    int typingRun_;
};

} // namespace kelsim
