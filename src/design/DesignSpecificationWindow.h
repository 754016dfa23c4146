#pragma once

#include "MessageService.h"
#include "ProblemState.h"

#include <QMainWindow>

#include <vector>

class QButtonGroup;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace kelsim {

// "Design Specification": the kind of design, the designated factor and the structure, then
// "&Prepare Table".
class DesignSpecificationWindow : public QMainWindow {
    Q_OBJECT
  public:
    DesignSpecificationWindow(ProblemState &problem, MessageService &messages, QWidget *parent = nullptr);

    // Sets the window up for the problem's design, as on every opening.
    void load();
    // Enables "&Prepare Table" once a nested design's nesting has been specified.
    void refresh();
    // The nesting selection was cancelled: back to a fully crossed design.
    void nestingCancelled();

    QRadioButton *kindOption(int i) const { return kind_[static_cast<size_t>(i)]; }
    QRadioButton *designateOption(int i) const { return designate_[static_cast<size_t>(i)]; }
    QRadioButton *structureOption(int i) const { return structure_[static_cast<size_t>(i)]; }
    QPushButton *prepareButton() const { return calculate_; }
    QPushButton *nestButton() const { return nest_; }

    // Names as the Designate options show them: whole up to nine characters, else three.
    static QString designateCaption(const QString &name);

  signals:
    void prepareTableRequested();
    void nestingRequested();
    void explanationRequested();
    void returnToGridRequested();
    void helpRequested(const QString &topic);

  protected:
    void showEvent(QShowEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

  private:
    void chooseKind(int option);
    void chooseStructure(int option);
    void designate(int option);
    void clearDesignation();
    // "&Prepare Table" is offered exactly when the design, as chosen on screen, can run.
    void updatePrepare();
    bool factorDesignated() const;
    // Forgets the nesting relations: they were chosen for another kind or designated factor.
    void dropNesting();

    ProblemState &problem_;
    MessageService &messages_;
    std::vector<QRadioButton *> kind_, designate_, structure_;
    QButtonGroup *designateGroup_ = nullptr;
    QGroupBox *frame1_ = nullptr;
    QGroupBox *frame2_ = nullptr;
    QPushButton *nest_ = nullptr;
    QPushButton *explanation_ = nullptr;
    QPushButton *calculate_ = nullptr;
    QPushButton *cancel_ = nullptr;
};

} // namespace kelsim
