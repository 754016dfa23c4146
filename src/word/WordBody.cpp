#include "WordBody.h"

#include "TableRows.h"

#include <QStringDecoder>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>

namespace kelsim {

const QString kWordprocessingNs = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");

namespace {

const QString kStrictWordprocessingNs = QStringLiteral("http://purl.oclc.org/ooxml/wordprocessingml/main");
const QString kCourierNew = QStringLiteral("Courier New");
constexpr int kDecimalTabTwips = 720;    // half an inch into the cell, where the column is wide enough
constexpr int kTableFontHalfPoints = 20; // ten points: seven columns fit a page with wide margins
constexpr int kCellMarginTwips = 72;     // a twentieth of an inch either side of a cell's text
// Room right of the decimal tab for two decimals and a mark, and for the cell's margins.
constexpr int kDecimalsTwips = 4 * 120 + 2 * kCellMarginTwips;
constexpr int kSpacerRowTwips = 120; // six points
constexpr int kSpacerFontHalfPoints = 12;

// XML cannot carry control characters other than tab and line ends; a label typed with one
// must not make the document unreadable.
QString printable(const std::string &text)
{
    QString out = QString::fromStdString(text);
    out.removeIf([](QChar c) { return c.unicode() < 0x20 && c != QLatin1Char('\t'); });
    return out;
}

} // namespace

BodyWriter::BodyWriter(QXmlStreamWriter &xml, const QString &prefix, bool declarePrefix)
    : xml_(xml), prefix_(prefix.isEmpty() ? QStringLiteral("w") : prefix), declarePrefix_(declarePrefix)
{
}

QString BodyWriter::name(const char *local) const
{
    return prefix_ + QLatin1Char(':') + QLatin1String(local);
}

void BodyWriter::startBlock(const char *local)
{
    xml_.writeStartElement(name(local));
    if (declarePrefix_)
        xml_.writeAttribute(QStringLiteral("xmlns:") + prefix_, kWordprocessingNs);
}

void BodyWriter::attribute(const char *local, const QString &value)
{
    xml_.writeAttribute(name(local), value);
}

void BodyWriter::writeRunProperties(const RunFormat &run)
{
    if (!run.courier && !run.italic && !run.underlineWords && run.sizeHalfPoints == 0)
        return;
    xml_.writeStartElement(name("rPr"));
    if (run.courier) {
        xml_.writeStartElement(name("rFonts"));
        attribute("ascii", kCourierNew);
        attribute("hAnsi", kCourierNew);
        attribute("cs", kCourierNew);
        xml_.writeEndElement();
    }
    if (run.italic) {
        xml_.writeEmptyElement(name("i"));
    }
    if (run.sizeHalfPoints > 0) {
        xml_.writeEmptyElement(name("sz"));
        attribute("val", QString::number(run.sizeHalfPoints));
        xml_.writeEmptyElement(name("szCs"));
        attribute("val", QString::number(run.sizeHalfPoints));
    }
    if (run.underlineWords) {
        // Underlined words, as the head row has always been underlined.
        xml_.writeEmptyElement(name("u"));
        attribute("val", QStringLiteral("words"));
    }
    xml_.writeEndElement();
}

void BodyWriter::writeParagraph(const QString &text, const ParagraphFormat &paragraph, const RunFormat &run,
                                bool topLevel)
{
    if (topLevel)
        startBlock("p");
    else
        xml_.writeStartElement(name("p"));

    xml_.writeStartElement(name("pPr"));
    if (paragraph.decimalTabTwips > 0) {
        xml_.writeStartElement(name("tabs"));
        xml_.writeEmptyElement(name("tab"));
        attribute("val", QStringLiteral("decimal"));
        attribute("pos", QString::number(paragraph.decimalTabTwips));
        xml_.writeEndElement();
    }
    if (paragraph.tight) {
        xml_.writeEmptyElement(name("spacing"));
        attribute("before", QStringLiteral("0"));
        attribute("after", QStringLiteral("0"));
        attribute("line", QStringLiteral("240"));
        attribute("lineRule", QStringLiteral("auto"));
    }
    if (!paragraph.alignment.isEmpty()) {
        xml_.writeEmptyElement(name("jc"));
        attribute("val", paragraph.alignment);
    }
    writeRunProperties(run); // the paragraph mark's, so that an empty line has the same font
    xml_.writeEndElement();

    if (!text.isEmpty()) {
        xml_.writeStartElement(name("r"));
        writeRunProperties(run);
        const QStringList pieces = text.split(QLatin1Char('\t'));
        for (int i = 0; i < pieces.size(); ++i) {
            if (i > 0)
                xml_.writeEmptyElement(name("tab"));
            if (!pieces[i].isEmpty()) {
                xml_.writeStartElement(name("t"));
                xml_.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
                xml_.writeCharacters(pieces[i]);
                xml_.writeEndElement();
            }
        }
        xml_.writeEndElement();
    }
    xml_.writeEndElement();
}

void BodyWriter::writeClosingParagraph(const FontAttributes &endFont)
{
    startBlock("p");
    if (!endFont.isEmpty()) {
        xml_.writeStartElement(name("pPr"));
        xml_.writeStartElement(name("rPr"));
        xml_.writeStartElement(name("rFonts"));
        for (const auto &font : endFont)
            xml_.writeAttribute(prefix_ + QLatin1Char(':') + font.first, font.second);
        xml_.writeEndElement();
        xml_.writeEndElement();
        xml_.writeEndElement();
    }
    xml_.writeEndElement();
}

void BodyWriter::writeData(const DataDocument &data, const FontAttributes &endFont)
{
    const ParagraphFormat line;
    const RunFormat courier;
    writeParagraph(QString(), line, courier, true);
    writeParagraph(QStringLiteral("   Raw Data"), line, courier, true);
    for (const std::vector<std::string> &row : data.rows) {
        QStringList cells;
        for (const std::string &cell : row)
            cells << printable(cell);
        writeParagraph(cells.join(QLatin1Char('\t')), line, courier, true);
    }
    writeParagraph(QString(), line, courier, true);
    writeClosingParagraph(endFont);
}

void BodyWriter::writeCell(const QString &text, int widthTwips, const ParagraphFormat &paragraph, const RunFormat &run)
{
    xml_.writeStartElement(name("tc"));
    xml_.writeStartElement(name("tcPr"));
    xml_.writeEmptyElement(name("tcW"));
    attribute("w", QString::number(widthTwips));
    attribute("type", QStringLiteral("dxa"));
    xml_.writeEndElement();
    writeParagraph(text, paragraph, run, false);
    xml_.writeEndElement();
}

void BodyWriter::writeTableGrid(const QList<int> &widths)
{
    xml_.writeStartElement(name("tblGrid"));
    for (int width : widths) {
        xml_.writeEmptyElement(name("gridCol"));
        attribute("w", QString::number(width));
    }
    xml_.writeEndElement();
}

void BodyWriter::writeTable(const TableDocument &table, const PageSetup &page, const FontAttributes &endFont)
{
    const ParagraphFormat line;
    const RunFormat courier;
    writeParagraph(QString(), line, courier, true);
    if (!table.title.empty())
        writeParagraph(printable(table.title), line, courier, true);
    for (const std::string &summaryLine : table.summary)
        writeParagraph(printable(summaryLine), line, courier, true);

    const int columns = table.columnCount();
    const int textWidth = page.widthTwips - page.leftMarginTwips - page.rightMarginTwips;
    QList<int> widths;
    for (int width : columnWidthsTwips(textWidth, columns))
        widths << width;

    // Column formats: Source at the left, df, Pairs and NP right-aligned, N-ratio on a decimal
    // tab, p centred, the interval at the left. The head of the N-ratio column stays at the left.
    auto cellFormat = [&](int column, bool head) {
        ParagraphFormat format;
        if (column >= 1 && column <= 3)
            format.alignment = QStringLiteral("right");
        else if (column == 4 && head)
            format.alignment = QStringLiteral("left");
        else if (column == 4)
            format.decimalTabTwips = std::clamp(widths[4] - kDecimalsTwips, kDecimalTabTwips / 3, kDecimalTabTwips);
        else if (column == 5)
            format.alignment = QStringLiteral("center");
        return format;
    };
    RunFormat cellRun;
    cellRun.sizeHalfPoints = kTableFontHalfPoints;

    startBlock("tbl");
    xml_.writeStartElement(name("tblPr"));
    xml_.writeEmptyElement(name("tblW"));
    attribute("w", QString::number(textWidth));
    attribute("type", QStringLiteral("dxa"));
    xml_.writeStartElement(name("tblBorders"));
    for (const char *edge : {"top", "left", "bottom", "right", "insideH", "insideV"}) {
        xml_.writeEmptyElement(name(edge));
        attribute("val", QStringLiteral("nil"));
    }
    xml_.writeEndElement();
    xml_.writeEmptyElement(name("tblLayout"));
    attribute("type", QStringLiteral("fixed"));
    // Cell margins of their own, so that the columns hold what they were made for whatever the
    // document's table style gives.
    xml_.writeStartElement(name("tblCellMar"));
    for (const char *side : {"left", "right"}) {
        xml_.writeEmptyElement(name(side));
        attribute("w", QString::number(kCellMarginTwips));
        attribute("type", QStringLiteral("dxa"));
    }
    xml_.writeEndElement();
    xml_.writeEndElement();
    writeTableGrid(widths);

    auto spacerRow = [&]() {
        xml_.writeStartElement(name("tr"));
        xml_.writeStartElement(name("trPr"));
        xml_.writeEmptyElement(name("trHeight"));
        attribute("val", QString::number(kSpacerRowTwips));
        attribute("hRule", QStringLiteral("exact"));
        xml_.writeEndElement();
        RunFormat small;
        small.sizeHalfPoints = kSpacerFontHalfPoints;
        for (int c = 0; c < columns; ++c)
            writeCell(QString(), widths[c], ParagraphFormat{}, small);
        xml_.writeEndElement();
    };

    xml_.writeStartElement(name("tr"));
    for (int c = 0; c < columns; ++c) {
        RunFormat head = cellRun;
        head.underlineWords = true;
        head.italic = c == 1;
        const std::string text = c < 6 ? NTable::kHeads[static_cast<size_t>(c)] : table.intervalHead;
        writeCell(printable(trimmedCell(text)), widths[c], cellFormat(c, true), head);
    }
    xml_.writeEndElement();
    spacerRow();
    // A crossed table's grid ends in an empty row; the document's table ends with its spacer.
    size_t rowCount = table.rows.size();
    while (rowCount > 0 && std::all_of(table.rows[rowCount - 1].begin(), table.rows[rowCount - 1].end(),
                                       [](const std::string &cell) { return trimmedCell(cell).empty(); }))
        --rowCount;
    for (size_t r = 0; r < rowCount; ++r) {
        const TableLine &row = table.rows[r];
        xml_.writeStartElement(name("tr"));
        for (int c = 0; c < columns; ++c) {
            // Numbers lose the blanks that align them in the grid; a source keeps the indent
            // that marks an error row.
            const std::string &cell = c < 6 ? row[static_cast<size_t>(c)] : table.intervals[r];
            const std::string text = c == 0 ? cell.substr(0, cell.find_last_not_of(' ') + 1) : trimmedCell(cell);
            writeCell(printable(text), widths[c], cellFormat(c, false), cellRun);
        }
        xml_.writeEndElement();
    }
    spacerRow();
    xml_.writeEndElement();

    for (const std::string &note : table.notes)
        writeParagraph(printable(note), line, courier, true);
    writeParagraph(QString(), line, courier, true);
    writeClosingParagraph(endFont);
}

void BodyWriter::writeSectionProperties(const PageSetup &page)
{
    startBlock("sectPr");
    xml_.writeEmptyElement(name("pgSz"));
    attribute("w", QString::number(page.widthTwips));
    attribute("h", QString::number(page.heightTwips));
    xml_.writeEmptyElement(name("pgMar"));
    attribute("top", QString::number(page.topMarginTwips));
    attribute("right", QString::number(page.rightMarginTwips));
    attribute("bottom", QString::number(page.bottomMarginTwips));
    attribute("left", QString::number(page.leftMarginTwips));
    attribute("header", QStringLiteral("720"));
    attribute("footer", QStringLiteral("720"));
    attribute("gutter", QStringLiteral("0"));
    xml_.writeEndElement();
}

// ---------------------------------------------------------------------------------------------
// Scanning

namespace {

// A measurement in twips: plain numbers are twips; "in", "cm", "mm", "pt" and "pc" are converted.
int twips(QStringView text, int fallback)
{
    text = text.trimmed();
    struct Unit {
        const char *suffix;
        double factor;
    };
    static const Unit kUnits[] = {{"in", 1440.0}, {"cm", 1440.0 / 2.54}, {"mm", 144.0 / 2.54},
                                  {"pt", 20.0},   {"pc", 240.0},         {"pi", 240.0}};
    double factor = 1.0;
    for (const Unit &unit : kUnits) {
        if (text.endsWith(QLatin1String(unit.suffix))) {
            factor = unit.factor;
            text.chop(2);
            break;
        }
    }
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? static_cast<int>(std::lround(value * factor)) : fallback;
}

struct ParagraphRead {
    DocumentParagraph paragraph;
    FontAttributes markFonts;
    FontAttributes lastRunFonts;

    FontAttributes endFonts() const
    {
        return !paragraph.runs.isEmpty() && !paragraph.runs.back().text.isEmpty() ? lastRunFonts : markFonts;
    }
};

class Scanner {
  public:
    explicit Scanner(QXmlStreamReader &xml) : xml_(xml) {}

    bool is(const char *local) const
    {
        return xml_.namespaceUri() == kWordprocessingNs && xml_.name() == QLatin1String(local);
    }
    bool inWordNamespace() const { return xml_.namespaceUri() == kWordprocessingNs; }
    QString value(const char *local) const
    {
        return xml_.attributes().value(kWordprocessingNs, QLatin1String(local)).toString();
    }
    bool onOff() const
    {
        const QString v = value("val");
        return v != QLatin1String("0") && v != QLatin1String("false") && v != QLatin1String("off");
    }

    void readRunProperties(DocumentRun &run, FontAttributes *fonts)
    {
        while (xml_.readNextStartElement()) {
            if (is("rFonts")) {
                run.font = value("ascii");
                if (run.font.isEmpty())
                    run.font = value("hAnsi");
                if (fonts) {
                    fonts->clear();
                    for (const QXmlStreamAttribute &a : xml_.attributes())
                        if (a.namespaceUri() == kWordprocessingNs)
                            fonts->append({a.name().toString(), a.value().toString()});
                }
            } else if (is("b")) {
                run.bold = onOff();
            } else if (is("i")) {
                run.italic = onOff();
            } else if (is("u")) {
                const QString kind = value("val");
                run.underline = kind == QLatin1String("none") ? QString()
                                : kind.isEmpty()              ? QStringLiteral("single")
                                                              : kind;
            }
            xml_.skipCurrentElement();
        }
    }

    void readRun(DocumentRun &run, FontAttributes *fonts)
    {
        while (xml_.readNextStartElement()) {
            if (is("rPr")) {
                readRunProperties(run, fonts);
            } else if (is("t")) {
                run.text += xml_.readElementText();
            } else if (is("tab")) {
                run.text += QLatin1Char('\t');
                xml_.skipCurrentElement();
            } else if (is("br") || is("cr")) {
                run.text += QLatin1Char('\n');
                xml_.skipCurrentElement();
            } else if (is("noBreakHyphen")) {
                run.text += QLatin1Char('-');
                xml_.skipCurrentElement();
            } else {
                xml_.skipCurrentElement();
            }
        }
    }

    void readParagraphProperties(ParagraphRead &read)
    {
        while (xml_.readNextStartElement()) {
            if (is("jc")) {
                read.paragraph.alignment = value("val");
                xml_.skipCurrentElement();
            } else if (is("tabs")) {
                while (xml_.readNextStartElement()) {
                    if (is("tab"))
                        read.paragraph.tabs.append({value("val"), twips(value("pos"), 0)});
                    xml_.skipCurrentElement();
                }
            } else if (is("rPr")) {
                DocumentRun mark;
                readRunProperties(mark, &read.markFonts);
                read.paragraph.markFont = mark.font;
            } else {
                xml_.skipCurrentElement();
            }
        }
    }

    // Runs may sit inside hyperlinks, insertions, fields and content controls; deleted text is
    // not part of the document's text.
    void readParagraphContent(ParagraphRead &read)
    {
        while (xml_.readNextStartElement()) {
            if (is("pPr")) {
                readParagraphProperties(read);
            } else if (is("r")) {
                DocumentRun run;
                FontAttributes fonts;
                readRun(run, &fonts);
                read.paragraph.runs.append(run);
                read.lastRunFonts = fonts;
            } else if (inWordNamespace() && !is("del") && !is("moveFrom") && !is("sdtPr") && !is("sdtEndPr")) {
                readParagraphContent(read);
            } else {
                xml_.skipCurrentElement();
            }
        }
    }

    ParagraphRead readParagraph()
    {
        ParagraphRead read;
        readParagraphContent(read);
        return read;
    }

    DocumentCell readCell()
    {
        DocumentCell cell;
        while (xml_.readNextStartElement()) {
            if (is("tcPr")) {
                while (xml_.readNextStartElement()) {
                    if (is("tcW"))
                        cell.widthTwips = twips(value("w"), 0);
                    xml_.skipCurrentElement();
                }
            } else if (is("p")) {
                cell.paragraphs.append(readParagraph().paragraph);
            } else {
                xml_.skipCurrentElement();
            }
        }
        return cell;
    }

    DocumentRow readRow()
    {
        DocumentRow row;
        while (xml_.readNextStartElement()) {
            if (is("trPr")) {
                while (xml_.readNextStartElement()) {
                    if (is("trHeight")) {
                        row.heightTwips = twips(value("val"), 0);
                        row.heightRule = value("hRule");
                    }
                    xml_.skipCurrentElement();
                }
            } else if (is("tc")) {
                row.cells.append(readCell());
            } else {
                xml_.skipCurrentElement();
            }
        }
        return row;
    }

    DocumentTable readTable()
    {
        DocumentTable table;
        while (xml_.readNextStartElement()) {
            if (is("tblPr")) {
                while (xml_.readNextStartElement()) {
                    if (is("tblLayout"))
                        table.layout = value("type");
                    xml_.skipCurrentElement();
                }
            } else if (is("tblGrid")) {
                while (xml_.readNextStartElement()) {
                    if (is("gridCol"))
                        table.columnWidthsTwips.append(twips(value("w"), 0));
                    xml_.skipCurrentElement();
                }
            } else if (is("tr")) {
                table.rows.append(readRow());
            } else {
                xml_.skipCurrentElement();
            }
        }
        return table;
    }

    void readSectionProperties(PageSetup &page)
    {
        while (xml_.readNextStartElement()) {
            if (is("pgSz")) {
                page.widthTwips = twips(value("w"), page.widthTwips);
                page.heightTwips = twips(value("h"), page.heightTwips);
            } else if (is("pgMar")) {
                const QString left = value("left").isEmpty() ? value("start") : value("left");
                const QString right = value("right").isEmpty() ? value("end") : value("right");
                page.leftMarginTwips = twips(left, page.leftMarginTwips);
                page.rightMarginTwips = twips(right, page.rightMarginTwips);
                page.topMarginTwips = twips(value("top"), page.topMarginTwips);
                page.bottomMarginTwips = twips(value("bottom"), page.bottomMarginTwips);
            }
            xml_.skipCurrentElement();
        }
    }

    // Paragraphs and tables, also those inside content controls and custom XML.
    void readBlock(QList<DocumentBlock> &blocks, FontAttributes &endFont)
    {
        if (is("p")) {
            const ParagraphRead read = readParagraph();
            DocumentBlock block;
            block.paragraph = read.paragraph;
            blocks.append(block);
            endFont = read.endFonts();
        } else if (is("tbl")) {
            DocumentBlock block;
            block.isTable = true;
            block.table = readTable();
            blocks.append(block);
        } else if (is("sdt") || is("sdtContent") || is("customXml")) {
            while (xml_.readNextStartElement())
                readBlock(blocks, endFont);
        } else {
            xml_.skipCurrentElement();
        }
    }

  private:
    QXmlStreamReader &xml_;
};

} // namespace

bool decodeXmlPart(const QByteArray &bytes, QString *text, qsizetype *bomBytes, QString *error)
{
    static const QByteArray kUtf8Bom("\xEF\xBB\xBF");
    const qsizetype bom = bytes.startsWith(kUtf8Bom) ? kUtf8Bom.size() : 0;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder(QByteArrayView(bytes).sliced(bom));
    if (decoder.hasError()) {
        if (error)
            *error = QStringLiteral("its main part is not stored in UTF-8");
        return false;
    }
    if (text)
        *text = decoded;
    if (bomBytes)
        *bomBytes = bom;
    return true;
}

BodyScan scanMainDocument(const QString &text)
{
    BodyScan scan;
    QXmlStreamReader xml(text);
    Scanner scanner(xml);

    auto prefixFor = [](const QXmlStreamNamespaceDeclarations &declarations, QString *prefix) {
        for (const QXmlStreamNamespaceDeclaration &d : declarations)
            if (d.namespaceUri() == kWordprocessingNs && !d.prefix().isEmpty()) {
                *prefix = d.prefix().toString();
                return true;
            }
        return false;
    };

    if (!xml.readNextStartElement()) {
        scan.error = xml.hasError() ? QStringLiteral("its main part is damaged (%1)").arg(xml.errorString())
                                    : QStringLiteral("its main part is empty");
        return scan;
    }
    if (xml.namespaceUri() == kStrictWordprocessingNs) {
        scan.error = QStringLiteral("it is saved in the Strict Open XML format");
        return scan;
    }
    if (!scanner.is("document")) {
        scan.error = QStringLiteral("its main part is not a Word document body");
        return scan;
    }
    QString declaredPrefix;
    bool hasDeclaredPrefix = prefixFor(xml.namespaceDeclarations(), &declaredPrefix);

    bool bodySeen = false;
    while (!bodySeen) {
        const qsizetype before = xml.characterOffset();
        if (!xml.readNextStartElement())
            break;
        if (!scanner.is("body")) {
            xml.skipCurrentElement();
            continue;
        }
        bodySeen = true;
        scan.bodyStart = before;
        scan.bodyStartEnd = xml.characterOffset();
        scan.prefix = xml.prefix().toString();
        if (prefixFor(xml.namespaceDeclarations(), &declaredPrefix))
            hasDeclaredPrefix = true;
        if (scan.prefix.isEmpty()) {
            scan.prefix = hasDeclaredPrefix ? declaredPrefix : QStringLiteral("w");
            scan.prefixDeclared = hasDeclaredPrefix;
        }

        qsizetype lastChildStart = -1;
        bool lastChildIsSection = false;
        for (;;) {
            const qsizetype tokenStart = xml.characterOffset();
            const QXmlStreamReader::TokenType token = xml.readNext();
            if (token == QXmlStreamReader::StartElement) {
                lastChildStart = tokenStart;
                lastChildIsSection = scanner.is("sectPr");
                if (lastChildIsSection) {
                    scan.image.page = PageSetup{};
                    scanner.readSectionProperties(scan.image.page);
                } else {
                    scanner.readBlock(scan.image.blocks, scan.endFont);
                }
            } else if (token == QXmlStreamReader::EndElement) {
                scan.bodyIsEmptyElement =
                    tokenStart == scan.bodyStartEnd && text.mid(scan.bodyStartEnd - 2, 2) == QLatin1String("/>");
                scan.insertOffset = lastChildIsSection ? lastChildStart : tokenStart;
                break;
            } else if (token == QXmlStreamReader::Invalid) {
                break;
            }
        }
    }
    // Read to the end, so that a document damaged after its body is refused too.
    while (!xml.atEnd())
        xml.readNext();
    if (xml.hasError()) {
        scan.error = QStringLiteral("its main part is damaged (%1)").arg(xml.errorString());
        scan.insertOffset = -1;
    } else if (!bodySeen || scan.insertOffset < 0) {
        scan.error = QStringLiteral("its main part has no document body");
    }
    return scan;
}

} // namespace kelsim
