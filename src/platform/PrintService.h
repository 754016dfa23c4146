#pragma once

#include "MessageService.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

class QFont;
class QPrinter;
class QTextDocument;
class QWidget;

namespace kelsim {

enum class PrintError {
    None,
    NotReady,    // the job failed on the printer: not ready, jammed, out of paper
    Unavailable, // the printer (or the PDF file) could not be opened at all
};

enum class PrintOutcome { Printed, Cancelled, Failed };

struct PrintResult {
    PrintOutcome outcome = PrintOutcome::Cancelled;
    PrintError error = PrintError::None;
};

// The printer: its dialog and its jobs. One printer serves the whole program, so a printer
// chosen in "P&rinter Setup..." is the one the next printout goes to. Printing to a PDF file is
// always among the choices, with or without system printers.
class PrintService {
  public:
    virtual ~PrintService() = default;
    // Shows the printer dialog titled `dialogTitle`; unless it is cancelled, prints the document
    // on the chosen printer.
    virtual PrintResult print(const QString &dialogTitle, const QTextDocument &document, QWidget *parent = nullptr) = 0;
    // Shows the printer dialog titled `dialogTitle` to choose the printer and its settings.
    virtual void setup(const QString &dialogTitle, QWidget *parent = nullptr) = 0;
};

// The system's printers and the PDF file, through Qt's printer dialog.
class DesktopPrintService : public PrintService {
  public:
    DesktopPrintService();
    ~DesktopPrintService() override;
    PrintResult print(const QString &dialogTitle, const QTextDocument &document, QWidget *parent = nullptr) override;
    void setup(const QString &dialogTitle, QWidget *parent = nullptr) override;
    QPrinter &printer();

  private:
    std::unique_ptr<QPrinter> printer_;
};

// The name of the job a printer dialog titled `dialogTitle` prints: "Print Kelsim Table" names
// it "Kelsim Table".
QString printJobName(const QString &dialogTitle);

// Paints the document on the printer, page by page. Reports the printer's failure, if any.
PrintError printDocument(QPrinter &printer, const QTextDocument &document);

// The message for a failed print job.
Message printFailureMessage(PrintError error);

// Prints through the service and shows the failure message, if any. True when printed.
bool printWithMessages(PrintService &printer, MessageService &messages, const QString &dialogTitle,
                       const QTextDocument &document, QWidget *parent = nullptr);

// The font of every printout: fixed pitch, so that the reports' columns line up on paper.
QFont printFont();

// A document of plain lines in the printout font, one paragraph per line.
std::unique_ptr<QTextDocument> linesDocument(const QStringList &lines);

// A document of a bold heading and paragraphs of running text, with a blank line after each.
std::unique_ptr<QTextDocument> paragraphsDocument(const QString &heading, const QStringList &paragraphs);

// Splits a report text at its line ends, whichever of CR LF, LF CR, LF and CR they are.
QStringList reportLines(const QString &text);

} // namespace kelsim
