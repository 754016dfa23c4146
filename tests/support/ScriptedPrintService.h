#pragma once

#include "PrintService.h"

#include <QStringList>

#include <deque>
#include <optional>

namespace kelsim {

// For tests: no dialog; every printout goes to a PDF file of its own in `folder` (printout-1.pdf,
// printout-2.pdf, ...) unless the script cancels it. `failWith` makes the next jobs fail as
// a printer would.
class ScriptedPrintService : public PrintService {
  public:
    explicit ScriptedPrintService(const QString &folder = QString());
    PrintResult print(const QString &dialogTitle, const QTextDocument &document, QWidget *parent = nullptr) override;
    void setup(const QString &dialogTitle, QWidget *parent = nullptr) override;

    QString folder;
    std::deque<bool> dialogAnswers; // false cancels the dialog; accepted when the script runs dry
    std::optional<PrintError> failWith;
    QStringList dialogTitles; // every dialog shown, print and setup alike
    QStringList setupTitles;
    QStringList printedFiles;
};

} // namespace kelsim
