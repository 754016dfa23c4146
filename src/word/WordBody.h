#pragma once

// The main document part's body: writing the export's paragraphs and table, and scanning an
// existing body for the reader and for the place where appended content goes.

#include "WordContent.h"
#include "WordDocumentReader.h"

#include <QList>
#include <QPair>
#include <QString>

class QXmlStreamWriter;

namespace kelsim {

extern const QString kWordprocessingNs;

// The attributes of a run's font element (local name, value), copied so that the font in force
// before the export is in force after it.
using FontAttributes = QList<QPair<QString, QString>>;

// Writes blocks of the body with a given prefix for the WordprocessingML namespace; when the
// prefix is not declared in the surrounding document, every block declares it itself.
class BodyWriter {
  public:
    BodyWriter(QXmlStreamWriter &xml, const QString &prefix, bool declarePrefix = false);

    // "   Raw Data" and one line per grid row in Courier New, between an empty line and the
    // closing paragraph, which carries `endFont`.
    void writeData(const DataDocument &data, const FontAttributes &endFont);
    // The title and summary lines and the formatted table, then the closing paragraph.
    void writeTable(const TableDocument &table, const PageSetup &page, const FontAttributes &endFont);
    void writeSectionProperties(const PageSetup &page);

  private:
    struct ParagraphFormat {
        QString alignment;
        int decimalTabTwips = 0;
        bool tight = true; // no space before or after, single line spacing
    };
    struct RunFormat {
        bool courier = true;
        bool italic = false;
        bool underlineWords = false;
        int sizeHalfPoints = 0; // 0: the document's size
    };

    QString name(const char *local) const;
    void startBlock(const char *local);
    void attribute(const char *local, const QString &value);
    void writeParagraph(const QString &text, const ParagraphFormat &paragraph, const RunFormat &run, bool topLevel);
    void writeClosingParagraph(const FontAttributes &endFont);
    void writeRunProperties(const RunFormat &run);
    void writeCell(const QString &text, int widthTwips, const ParagraphFormat &paragraph, const RunFormat &run);
    void writeTableGrid(const QList<int> &widths);

    QXmlStreamWriter &xml_;
    QString prefix_;
    bool declarePrefix_;
};

// What scanning an existing main document part finds.
struct BodyScan {
    QString error; // empty when the part is a readable WordprocessingML document
    WordDocumentImage image;
    qsizetype insertOffset = -1;     // in the scanned text: before the final section properties
    bool bodyIsEmptyElement = false; // "<w:body/>": the element itself is rewritten
    qsizetype bodyStart = -1;        // where the body element starts, and where its start tag ends
    qsizetype bodyStartEnd = -1;
    QString prefix;             // prefix bound to the WordprocessingML namespace at the body
    bool prefixDeclared = true; // false when only a default namespace was used
    FontAttributes endFont;     // font attributes in force at the end of the last paragraph
};

BodyScan scanMainDocument(const QString &xml);

// The text of an XML part stored in UTF-8, without its byte-order mark (whose length in bytes
// is handed back). Other encodings are refused with a reason.
bool decodeXmlPart(const QByteArray &bytes, QString *text, qsizetype *bomBytes, QString *error);

} // namespace kelsim
