#pragma once

#include "MessageService.h"
#include "ProblemState.h"

#include <QDialog>

class QListWidget;

namespace kelsim {

// "Select the Nesting Relationship(s)": the admissible pairwise relations, checked and completed
// with the ones they imply.
class NestingSelectionWindow : public QDialog {
    Q_OBJECT
  public:
    NestingSelectionWindow(ProblemState &problem, MessageService &messages, QWidget *parent = nullptr);

    void load();
    QListWidget *list() const { return list_; }
    // "&OK": true when the selection was accepted and stored.
    bool acceptSelection();

  signals:
    void helpRequested(const QString &topic);

  private:
    ProblemState &problem_;
    MessageService &messages_;
    QListWidget *list_ = nullptr;
    std::vector<NestingPair> entries_;
};

} // namespace kelsim
