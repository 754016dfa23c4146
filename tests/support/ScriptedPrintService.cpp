#include "ScriptedPrintService.h"

#include <QDir>
#include <QPrinter>

namespace kelsim {

ScriptedPrintService::ScriptedPrintService(const QString &folder) : folder(folder) {}

PrintResult ScriptedPrintService::print(const QString &dialogTitle, const QTextDocument &document, QWidget *)
{
    dialogTitles << dialogTitle;
    bool accepted = true;
    if (!dialogAnswers.empty()) {
        accepted = dialogAnswers.front();
        dialogAnswers.pop_front();
    }
    if (!accepted)
        return PrintResult{PrintOutcome::Cancelled, PrintError::None};
    if (failWith)
        return PrintResult{PrintOutcome::Failed, *failWith};
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setDocName(printJobName(dialogTitle));
    const QString path = QDir(folder).filePath(QString("printout-%1.pdf").arg(printedFiles.size() + 1));
    printer.setOutputFileName(path);
    const PrintError error = printDocument(printer, document);
    if (error != PrintError::None)
        return PrintResult{PrintOutcome::Failed, error};
    printedFiles << path;
    return PrintResult{PrintOutcome::Printed, PrintError::None};
}

void ScriptedPrintService::setup(const QString &dialogTitle, QWidget *)
{
    dialogTitles << dialogTitle;
    setupTitles << dialogTitle;
}

} // namespace kelsim
