#pragma once

#include "WordPackage.h"

#include <QList>
#include <QString>

namespace kelsim {

// What the export needs to see of a .docx document: its paragraphs and tables with the direct
// formatting of their runs. Styles are not resolved; an empty font means the document's default.

struct DocumentRun {
    QString text; // tabs as "\t", line breaks as "\n"
    QString font; // rFonts ascii
    bool bold = false;
    bool italic = false;
    QString underline; // the underline kind ("single", "words", ...); empty when none
};

struct DocumentTab {
    QString alignment; // "left", "decimal", ...
    int positionTwips = 0;
};

struct DocumentParagraph {
    QList<DocumentRun> runs;
    QString alignment; // jc value; empty when not set
    QList<DocumentTab> tabs;
    QString markFont; // font of the paragraph mark

    QString text() const;
    // The font in force at the paragraph's end: its last run's, or the mark's when it has no text.
    QString endFont() const;
};

struct DocumentCell {
    int widthTwips = 0;
    QList<DocumentParagraph> paragraphs;

    QString text() const; // paragraphs joined by "\n"
};

struct DocumentRow {
    QList<DocumentCell> cells;
    int heightTwips = 0;
    QString heightRule; // "exact", "atLeast" or empty
};

struct DocumentTable {
    QList<int> columnWidthsTwips; // the table grid
    QString layout;               // "fixed" or empty
    QList<DocumentRow> rows;
};

struct DocumentBlock {
    bool isTable = false;
    DocumentParagraph paragraph;
    DocumentTable table;
};

struct WordDocumentImage {
    QList<DocumentBlock> blocks; // the body in order
    PageSetup page;              // of the final section

    QList<DocumentParagraph> paragraphs() const; // body-level paragraphs only
    QList<DocumentTable> tables() const;
    // All text in reading order, table cells included, one paragraph per line.
    QString plainText() const;
};

struct WordDocumentRead {
    WordDocumentImage image;
    DocumentFailure failure;
    bool ok() const { return !failure.failed(); }
};

WordDocumentRead readWordDocument(const QString &path);
WordDocumentRead readWordDocumentBytes(const QByteArray &bytes);

} // namespace kelsim
