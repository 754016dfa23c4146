#include "PrintService.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace kelsim {

namespace {

// The file name a printout to PDF gets when the dialog left none: the job's name in the user's
// documents folder.
void proposePdfFile(QPrinter &printer)
{
    if (printer.outputFormat() != QPrinter::PdfFormat || !printer.outputFileName().isEmpty())
        return;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    printer.setOutputFileName(QDir(folder).filePath(printer.docName() + ".pdf"));
}

// Each kind of printout proposes a PDF file named after itself, in the folder used last, rather
// than the file of the previous printout.
void nameNextPdfFile(QPrinter &printer)
{
    if (printer.outputFormat() != QPrinter::PdfFormat || printer.outputFileName().isEmpty())
        return;
    const QFileInfo last(printer.outputFileName());
    printer.setOutputFileName(last.dir().filePath(printer.docName() + ".pdf"));
}

} // namespace

QString printJobName(const QString &dialogTitle)
{
    QString name = dialogTitle;
    if (name.startsWith("Print "))
        name.remove(0, 6);
    return name.isEmpty() ? QStringLiteral("Kelsim") : name;
}

PrintError printDocument(QPrinter &printer, const QTextDocument &document)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return PrintError::Unavailable;

    // Lay the document out for the printer's resolution and page, then paint it a page at a time.
    std::unique_ptr<QTextDocument> copy(document.clone());
    copy->documentLayout()->setPaintDevice(&printer);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    const QSizeF pageSize(page.width(), page.height());
    copy->setPageSize(pageSize);
    const int pages = copy->pageCount();
    bool ok = true;
    for (int i = 0; i < pages && ok; ++i) {
        if (i > 0)
            ok = printer.newPage();
        if (!ok)
            break;
        painter.save();
        painter.translate(0, -i * pageSize.height());
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = QRectF(QPointF(0, i * pageSize.height()), pageSize);
        context.palette.setColor(QPalette::Text, Qt::black);
        copy->documentLayout()->draw(&painter, context);
        painter.restore();
    }
    ok = painter.end() && ok;
    if (!ok || printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted)
        return PrintError::NotReady;
    return PrintError::None;
}

Message printFailureMessage(PrintError error)
{
    if (error == PrintError::Unavailable)
        return Message{"The printer is unavailable or not ready.  Please correct the condition and retry.",
                       "Printer Problem!", MessageIcon::Exclamation, MessageButtons::Ok};
    return Message{"The printer is not ready, or jammed, or out of paper.  Please correct the condition and retry.",
                   "Printer problem!", MessageIcon::Exclamation, MessageButtons::Ok};
}

bool printWithMessages(PrintService &printer, MessageService &messages, const QString &dialogTitle,
                       const QTextDocument &document, QWidget *parent)
{
    const PrintResult result = printer.print(dialogTitle, document, parent);
    if (result.outcome == PrintOutcome::Failed)
        messages.show(printFailureMessage(result.error), parent);
    return result.outcome == PrintOutcome::Printed;
}

QFont printFont()
{
    QFont font;
    font.setFamilies({"Courier New", "Liberation Mono", "DejaVu Sans Mono", "monospace"});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(10);
    return font;
}

std::unique_ptr<QTextDocument> linesDocument(const QStringList &lines)
{
    auto document = std::make_unique<QTextDocument>();
    document->setDefaultFont(printFont());
    QTextOption option = document->defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document->setDefaultTextOption(option);
    QTextCursor cursor(document.get());
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0)
            cursor.insertBlock();
        cursor.insertText(lines[i]);
    }
    return document;
}

std::unique_ptr<QTextDocument> paragraphsDocument(const QString &heading, const QStringList &paragraphs)
{
    auto document = std::make_unique<QTextDocument>();
    QFont font;
    font.setFamilies({"Times New Roman", "Liberation Serif", "DejaVu Serif", "serif"});
    font.setStyleHint(QFont::Serif);
    font.setPointSizeF(11);
    document->setDefaultFont(font);
    QTextCursor cursor(document.get());
    QTextBlockFormat spaced;
    spaced.setBottomMargin(QFontMetricsF(font).height());
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    bold.setFontPointSize(13);
    cursor.setBlockFormat(spaced);
    cursor.insertText(heading, bold);
    for (const QString &paragraph : paragraphs) {
        cursor.insertBlock(spaced, QTextCharFormat());
        cursor.insertText(paragraph);
    }
    return document;
}

QStringList reportLines(const QString &text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n\r|\n|\r"));
    QStringList lines = text.split(lineEnd);
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

DesktopPrintService::DesktopPrintService() = default;

DesktopPrintService::~DesktopPrintService() = default;

QPrinter &DesktopPrintService::printer()
{
    // Made at the first printer command, not at start-up: finding the default printer can take
    // the print system a while.
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

PrintResult DesktopPrintService::print(const QString &dialogTitle, const QTextDocument &document, QWidget *parent)
{
    QPrinter &chosen = printer();
    chosen.setDocName(printJobName(dialogTitle));
    nameNextPdfFile(chosen);
    QPrintDialog dialog(&chosen, parent);
    dialog.setWindowTitle(dialogTitle);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    if (dialog.exec() != QDialog::Accepted)
        return PrintResult{PrintOutcome::Cancelled, PrintError::None};
    proposePdfFile(chosen);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const PrintError error = printDocument(chosen, document);
    QGuiApplication::restoreOverrideCursor();
    return PrintResult{error == PrintError::None ? PrintOutcome::Printed : PrintOutcome::Failed, error};
}

void DesktopPrintService::setup(const QString &dialogTitle, QWidget *parent)
{
    QPrintDialog dialog(&printer(), parent);
    dialog.setWindowTitle(dialogTitle);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    // Only the printer and its settings are chosen here; they stay for the next printout.
    dialog.exec();
}

} // namespace kelsim
