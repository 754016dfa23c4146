#include "WordDocumentReader.h"

#include "WordBody.h"

namespace kelsim {

QString DocumentParagraph::text() const
{
    QString out;
    for (const DocumentRun &run : runs)
        out += run.text;
    return out;
}

QString DocumentParagraph::endFont() const
{
    return !runs.isEmpty() && !runs.back().text.isEmpty() ? runs.back().font : markFont;
}

QString DocumentCell::text() const
{
    QStringList lines;
    for (const DocumentParagraph &paragraph : paragraphs)
        lines << paragraph.text();
    return lines.join(QLatin1Char('\n'));
}

QList<DocumentParagraph> WordDocumentImage::paragraphs() const
{
    QList<DocumentParagraph> out;
    for (const DocumentBlock &block : blocks)
        if (!block.isTable)
            out << block.paragraph;
    return out;
}

QList<DocumentTable> WordDocumentImage::tables() const
{
    QList<DocumentTable> out;
    for (const DocumentBlock &block : blocks)
        if (block.isTable)
            out << block.table;
    return out;
}

QString WordDocumentImage::plainText() const
{
    QStringList lines;
    for (const DocumentBlock &block : blocks) {
        if (!block.isTable) {
            lines << block.paragraph.text();
            continue;
        }
        for (const DocumentRow &row : block.table.rows) {
            QStringList cells;
            for (const DocumentCell &cell : row.cells)
                cells << cell.text();
            lines << cells.join(QLatin1Char('\t'));
        }
    }
    return lines.join(QLatin1Char('\n'));
}

WordDocumentRead readWordDocumentBytes(const QByteArray &bytes)
{
    WordDocumentRead read;
    ZipBuffer zip;
    WordPackageContent content;
    read.failure = openWordPackage(bytes, zip, &content);
    if (read.failure.failed())
        return read;
    QString text, error;
    if (!decodeXmlPart(content.mainPart, &text, nullptr, &error)) {
        read.failure = DocumentFailure::of(DocumentFailure::NotWordDocument, error);
        return read;
    }
    BodyScan scan = scanMainDocument(text);
    if (!scan.error.isEmpty()) {
        read.failure = DocumentFailure::of(DocumentFailure::NotWordDocument, scan.error);
        return read;
    }
    read.image = scan.image;
    return read;
}

WordDocumentRead readWordDocument(const QString &path)
{
    QByteArray bytes;
    WordDocumentRead read;
    read.failure = loadDocumentBytes(path, &bytes);
    if (read.failure.failed())
        return read;
    return readWordDocumentBytes(bytes);
}

} // namespace kelsim
