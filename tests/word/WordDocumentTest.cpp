#include "WordDocumentReader.h"
#include "WordDocumentWriter.h"
#include "WordTestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

using namespace kelsim;
using namespace kelsim::test;

namespace {

const QString kCourier = QStringLiteral("Courier New");

WordDocumentImage readBack(const QString &path)
{
    const WordDocumentRead read = readWordDocument(path);
    EXPECT_TRUE(read.ok()) << read.failure.description.toStdString();
    return read.image;
}

QStringList paragraphTexts(const WordDocumentImage &image)
{
    QStringList texts;
    for (const DocumentParagraph &paragraph : image.paragraphs())
        texts << paragraph.text();
    return texts;
}

// Every run of every paragraph and cell with text, and every paragraph mark but the closing one.
void expectCourierThroughout(const WordDocumentImage &image, int fromBlock)
{
    for (int b = fromBlock; b < image.blocks.size(); ++b) {
        const DocumentBlock &block = image.blocks[b];
        QList<DocumentParagraph> paragraphs;
        if (block.isTable) {
            for (const DocumentRow &row : block.table.rows)
                for (const DocumentCell &cell : row.cells)
                    paragraphs += cell.paragraphs;
        } else if (b + 1 < image.blocks.size()) {
            paragraphs << block.paragraph;
        }
        for (const DocumentParagraph &paragraph : paragraphs) {
            EXPECT_EQ(paragraph.markFont, kCourier) << "block " << b;
            for (const DocumentRun &run : paragraph.runs)
                EXPECT_EQ(run.font, kCourier) << "block " << b << ": " << run.text.toStdString();
        }
    }
}

DocumentTable onlyTable(const WordDocumentImage &image)
{
    const QList<DocumentTable> tables = image.tables();
    EXPECT_EQ(tables.size(), 1);
    return tables.value(0);
}

QString mainPartText(const QString &path)
{
    return QString::fromUtf8(packageEntries(readAll(path)).value(QStringLiteral("word/document.xml")));
}

class WordDocumentTest : public ::testing::Test {
  protected:
    QString path(const QString &name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(WordDocumentTest, newDataDocumentHoldsRawDataAndOneLinePerGridRowInCourierNew)
{
    ASSERT_FALSE(writeNewDocument(path("data.docx"), sampleData(), letterPage()).failed());
    const WordDocumentImage image = readBack(path("data.docx"));
    const QStringList expected{
        "",
        "   Raw Data",
        "Gender\t1\tAge\t1\ta",
        "Gender\t2\tAge\t1\tb",
        "Gender\t1\tAge\t2\tc",
        "Gender\t2\tAge\t2\ta",
        "Gender\t1\tAge\t3\tb",
        "Gender\t2\tAge\t3\tc",
        "",
        "",
    };
    EXPECT_EQ(paragraphTexts(image), expected);
    EXPECT_TRUE(image.tables().isEmpty());
    expectCourierThroughout(image, 0);
}

TEST_F(WordDocumentTest, newDocumentEndsInTheFontItStartedWith)
{
    ASSERT_FALSE(writeNewDocument(path("data.docx"), sampleData(), letterPage()).failed());
    ASSERT_FALSE(writeNewDocument(path("table.docx"), sampleTable(), letterPage()).failed());
    for (const QString &name : {QStringLiteral("data.docx"), QStringLiteral("table.docx")}) {
        const DocumentParagraph closing = readBack(path(name)).blocks.back().paragraph;
        EXPECT_TRUE(closing.runs.isEmpty());
        EXPECT_EQ(closing.markFont, QString()) << "the document's own font, not Courier New";
    }
}

TEST_F(WordDocumentTest, newTableDocumentHasTitleAndSummaryLinesThenTheTable)
{
    ASSERT_FALSE(writeNewDocument(path("table.docx"), sampleTable(), letterPage()).failed());
    const WordDocumentImage image = readBack(path("table.docx"));
    const QStringList expectedBefore{"",           "Colour preference study", "  Factors", "  Gender 2",
                                     "  Age    3", "   Pairs compared: 105"};
    ASSERT_GE(image.blocks.size(), expectedBefore.size() + 3);
    for (int i = 0; i < expectedBefore.size(); ++i) {
        ASSERT_FALSE(image.blocks[i].isTable);
        EXPECT_EQ(image.blocks[i].paragraph.text(), expectedBefore[i]);
    }
    EXPECT_TRUE(image.blocks[expectedBefore.size()].isTable);
    EXPECT_EQ(image.blocks.size(), expectedBefore.size() + 3) << "an empty line and the closing paragraph follow";
    expectCourierThroughout(image, 0);
}

TEST_F(WordDocumentTest, tableHasTheHeadASpacerTheRowsAndASpacer)
{
    ASSERT_FALSE(writeNewDocument(path("table.docx"), sampleTable(), letterPage()).failed());
    const DocumentTable table = onlyTable(readBack(path("table.docx")));
    ASSERT_EQ(table.rows.size(), 7);
    const QList<QStringList> expected{
        {"Source", "df", "Pairs", "NP", "N-ratio", "p"},
        {"", "", "", "", "", ""},
        {"G", "1", "36", ".250", "1.50", ".123"},
        {"A", "2", "48", ".333", "12.25", "<.001"},
        {"GxA", "2", "72", ".111", ".44", "1."},
        {"  Within", "12", "300", ".500", "", ""},
        {"", "", "", "", "", ""},
    };
    for (int r = 0; r < table.rows.size(); ++r) {
        QStringList cells;
        for (const DocumentCell &cell : table.rows[r].cells)
            cells << cell.text();
        EXPECT_EQ(cells, expected[r]) << "row " << r;
    }
    for (int r : {1, 6}) {
        EXPECT_EQ(table.rows[r].heightTwips, 120) << "a six-point spacer, row " << r;
        EXPECT_EQ(table.rows[r].heightRule, QStringLiteral("exact"));
    }
    for (int r : {0, 2, 3, 4, 5})
        EXPECT_EQ(table.rows[r].heightTwips, 0) << "row " << r;
}

TEST_F(WordDocumentTest, headRowIsUnderlinedWithTheSecondHeadInItalics)
{
    ASSERT_FALSE(writeNewDocument(path("table.docx"), sampleTable(), letterPage()).failed());
    const DocumentTable table = onlyTable(readBack(path("table.docx")));
    const DocumentRow head = table.rows.value(0);
    ASSERT_EQ(head.cells.size(), 6);
    for (int c = 0; c < 6; ++c) {
        const QList<DocumentRun> runs = head.cells[c].paragraphs.value(0).runs;
        ASSERT_EQ(runs.size(), 1) << "column " << c;
        EXPECT_EQ(runs[0].underline, QStringLiteral("words")) << "column " << c;
        EXPECT_EQ(runs[0].italic, c == 1) << "column " << c;
        EXPECT_FALSE(runs[0].bold);
    }
    for (int r = 1; r < table.rows.size(); ++r)
        for (const DocumentCell &cell : table.rows[r].cells)
            for (const DocumentRun &run : cell.paragraphs.value(0).runs) {
                EXPECT_TRUE(run.underline.isEmpty()) << "row " << r;
                EXPECT_FALSE(run.italic) << "row " << r;
            }
}

TEST_F(WordDocumentTest, columnsAreAlignedAsTheTableIsRead)
{
    ASSERT_FALSE(writeNewDocument(path("table.docx"), sampleTable(), letterPage()).failed());
    const DocumentTable table = onlyTable(readBack(path("table.docx")));
    const QStringList alignments{"", "right", "right", "right", "", "center"};
    for (int r : {2, 3, 4, 5}) {
        for (int c = 0; c < 6; ++c) {
            const DocumentParagraph paragraph = table.rows[r].cells[c].paragraphs.value(0);
            EXPECT_EQ(paragraph.alignment, alignments[c]) << "row " << r << " column " << c;
            if (c == 4) {
                ASSERT_EQ(paragraph.tabs.size(), 1) << "row " << r;
                EXPECT_EQ(paragraph.tabs[0].alignment, QStringLiteral("decimal"));
                EXPECT_EQ(paragraph.tabs[0].positionTwips, 720) << "half an inch";
            } else {
                EXPECT_TRUE(paragraph.tabs.isEmpty()) << "row " << r << " column " << c;
            }
        }
    }
    const DocumentParagraph ratioHead = table.rows[0].cells[4].paragraphs.value(0);
    EXPECT_EQ(ratioHead.alignment, QStringLiteral("left"));
    EXPECT_TRUE(ratioHead.tabs.isEmpty());
    EXPECT_EQ(table.rows[0].cells[5].paragraphs.value(0).alignment, QStringLiteral("center"));
    EXPECT_EQ(table.rows[0].cells[1].paragraphs.value(0).alignment, QStringLiteral("right"));
}

TEST_F(WordDocumentTest, columnWidthsAreSharesOfThePageLessItsMargins)
{
    ASSERT_FALSE(writeNewDocument(path("letter.docx"), sampleTable(), letterPage()).failed());
    ASSERT_FALSE(writeNewDocument(path("a4.docx"), sampleTable(), a4Page()).failed());
    const QList<int> letter{2592, 1397, 1728, 1728, 1397, 1397}; // 1.8, .97, 1.2, 1.2, .97, .97 inches
    const QList<int> a4{2592, 1354, 1584, 1584, 1354, 1354};     // 1.8, .94, 1.1, 1.1, .94, .94 inches
    for (const auto &[name, widths] :
         {std::pair{QStringLiteral("letter.docx"), letter}, std::pair{QStringLiteral("a4.docx"), a4}}) {
        const DocumentTable table = onlyTable(readBack(path(name)));
        EXPECT_EQ(table.columnWidthsTwips, widths) << name.toStdString();
        EXPECT_EQ(table.layout, QStringLiteral("fixed"));
        for (const DocumentRow &row : table.rows) {
            QList<int> cellWidths;
            for (const DocumentCell &cell : row.cells)
                cellWidths << cell.widthTwips;
            EXPECT_EQ(cellWidths, widths) << name.toStdString();
        }
    }
}

TEST_F(WordDocumentTest, tableWithoutPValuesHasFiveColumnsAndNoneCentred)
{
    TableDocument input = sampleTable();
    input.showP = false;
    ASSERT_FALSE(writeNewDocument(path("table.docx"), input, letterPage()).failed());
    const DocumentTable table = onlyTable(readBack(path("table.docx")));
    EXPECT_EQ(table.columnWidthsTwips, (QList<int>{2592, 1397, 1728, 1728, 1397}));
    for (const DocumentRow &row : table.rows) {
        ASSERT_EQ(row.cells.size(), 5);
        for (const DocumentCell &cell : row.cells)
            EXPECT_NE(cell.paragraphs.value(0).alignment, QStringLiteral("center"));
    }
    EXPECT_EQ(table.rows[0].cells[4].text(), QStringLiteral("N-ratio"));
    EXPECT_EQ(table.rows[2].cells[4].paragraphs.value(0).tabs.value(0).alignment, QStringLiteral("decimal"));
}

TEST_F(WordDocumentTest, noMarkerCharacterRemainsInTheDocument)
{
    ASSERT_FALSE(writeNewDocument(path("table.docx"), sampleTable(), letterPage()).failed());
    ASSERT_FALSE(appendToDocument(path("table.docx"), sampleTable()).failed());
    ASSERT_FALSE(appendToDocument(path("table.docx"), sampleData()).failed());
    EXPECT_FALSE(mainPartText(path("table.docx")).contains(QChar(0xFF)));
    EXPECT_FALSE(readBack(path("table.docx")).plainText().contains(QChar(0xFF)));
}

TEST_F(WordDocumentTest, controlCharactersTypedIntoALabelDoNotSpoilTheDocument)
{
    TableDocument input = sampleTable();
    input.title = "Study\x01 one\x1f";
    ASSERT_FALSE(writeNewDocument(path("table.docx"), input, letterPage()).failed());
    EXPECT_EQ(readBack(path("table.docx")).paragraphs().value(1).text(), QStringLiteral("Study one"));
}

TEST_F(WordDocumentTest, appendingKeepsEveryOtherPartAndEveryByteOfTheEarlierBody)
{
    const QString earlierBody = QStringLiteral(
        "<w:p w:rsidR=\"00A1\"><w:r><w:rPr><w:rFonts w:ascii=\"Arial\" w:hAnsi=\"Arial\"/></w:rPr>"
        "<w:t xml:space=\"preserve\">Gr\u00f6\u00dfe \u2713 \U0001F600 </w:t></w:r></w:p>"
        "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/></w:tblPr><w:tblGrid><w:gridCol w:w=\"4000\"/>"
        "</w:tblGrid><w:tr><w:tc><w:p><w:r><w:t>Cell</w:t></w:r></w:p></w:tc></w:tr></w:tbl>"
        "<w:p><w:r w14:paraId=\"1\"><w:rPr><w:rFonts w:ascii=\"Arial\" w:hAnsi=\"Arial\"/></w:rPr>"
        "<w:t>Closing words</w:t></w:r></w:p>");
    const QByteArray mainPart = wordLikeMainPart(earlierBody);
    const QByteArray package = wordLikePackage(mainPart);
    writeAll(path("earlier.docx"), package);

    ASSERT_FALSE(appendToDocument(path("earlier.docx"), sampleTable()).failed());

    const QMap<QString, QByteArray> before = packageEntries(package);
    const QMap<QString, QByteArray> after = packageEntries(readAll(path("earlier.docx")));
    EXPECT_EQ(before.keys(), after.keys());
    for (const QString &name : before.keys()) {
        if (name != QStringLiteral("word/document.xml")) {
            EXPECT_EQ(before[name], after[name]) << name.toStdString();
        }
    }

    const QByteArray newMain = after[QStringLiteral("word/document.xml")];
    const qsizetype sectionStart = mainPart.indexOf("<w:sectPr");
    EXPECT_TRUE(newMain.startsWith(mainPart.left(sectionStart))) << "everything before the new content";
    EXPECT_TRUE(newMain.endsWith(mainPart.mid(sectionStart))) << "the final section properties and after";
    EXPECT_GT(newMain.size(), mainPart.size());

    const WordDocumentImage image = readBack(path("earlier.docx"));
    ASSERT_GE(image.blocks.size(), 4);
    EXPECT_EQ(image.blocks[0].paragraph.text(), QStringLiteral("Gr\u00f6\u00dfe \u2713 \U0001F600 "));
    EXPECT_TRUE(image.blocks[1].isTable);
    EXPECT_EQ(image.blocks[2].paragraph.text(), QStringLiteral("Closing words"));
    EXPECT_EQ(image.blocks[3].paragraph.text(), QString()) << "the new content starts on a line of its own";
    EXPECT_EQ(image.blocks[4].paragraph.text(), QStringLiteral("Colour preference study"));
    EXPECT_EQ(image.tables().size(), 2);
}

TEST_F(WordDocumentTest, appendedTableFollowsTheDocumentsOwnPage)
{
    writeAll(path("earlier.docx"), wordLikePackage(wordLikeMainPart(QStringLiteral("<w:p/>"))));
    ASSERT_FALSE(appendToDocument(path("earlier.docx"), sampleTable()).failed());
    const WordDocumentImage image = readBack(path("earlier.docx"));
    EXPECT_EQ(image.page.widthTwips, 11906);
    EXPECT_EQ(image.page.leftMarginTwips, 1800);
    // 8.27 inches less 1.25-inch margins leaves 5.77: 1.6, .86, 1.0, 1.0, .86, .86 inches
    EXPECT_EQ(onlyTable(image).columnWidthsTwips, (QList<int>{2304, 1238, 1440, 1440, 1238, 1238}));
}

TEST_F(WordDocumentTest, appendedContentEndsInTheFontInForceBefore)
{
    struct Case {
        const char *body;
        const char *font;
    };
    const Case cases[] = {
        {"<w:p><w:r><w:rPr><w:rFonts w:ascii=\"Arial\" w:hAnsi=\"Arial\"/></w:rPr><w:t>Text</w:t></w:r></w:p>",
         "Arial"},
        {"<w:p><w:pPr><w:rPr><w:rFonts w:ascii=\"Georgia\" w:hAnsi=\"Georgia\"/></w:rPr></w:pPr></w:p>", "Georgia"},
        {"<w:p><w:r><w:t>Plain</w:t></w:r></w:p>", ""},
    };
    for (const Case &c : cases) {
        writeAll(path("earlier.docx"), wordLikePackage(wordLikeMainPart(QString::fromUtf8(c.body))));
        ASSERT_FALSE(appendToDocument(path("earlier.docx"), sampleData()).failed());
        const WordDocumentImage image = readBack(path("earlier.docx"));
        EXPECT_EQ(image.blocks.back().paragraph.markFont, QString::fromUtf8(c.font)) << c.body;
        expectCourierThroughout(image, 1);
    }
}

TEST_F(WordDocumentTest, appendingTwiceKeepsBothInTheOrderWritten)
{
    ASSERT_FALSE(writeNewDocument(path("report.docx"), sampleTable(), letterPage()).failed());
    ASSERT_FALSE(appendToDocument(path("report.docx"), sampleData()).failed());
    ASSERT_FALSE(appendToDocument(path("report.docx"), sampleTable()).failed());
    const WordDocumentImage image = readBack(path("report.docx"));
    EXPECT_EQ(image.tables().size(), 2);
    const QString text = image.plainText();
    const qsizetype firstTable = text.indexOf(QStringLiteral("Source\tdf"));
    const qsizetype data = text.indexOf(QStringLiteral("   Raw Data"));
    const qsizetype secondTable = text.indexOf(QStringLiteral("Source\tdf"), data);
    EXPECT_LT(firstTable, data);
    EXPECT_LT(data, secondTable);
}

TEST_F(WordDocumentTest, appendingToALibreOfficeDocumentKeepsItsContent)
{
    const QByteArray original = readAll(fixturePath(QStringLiteral("libreoffice-earlier.docx")));
    writeAll(path("earlier.docx"), original);
    const QString earlierText = readWordDocumentBytes(original).image.plainText();
    ASSERT_TRUE(earlierText.startsWith(QStringLiteral("Earlier findings")));

    ASSERT_FALSE(appendToDocument(path("earlier.docx"), sampleTable()).failed());
    const WordDocumentImage image = readBack(path("earlier.docx"));
    EXPECT_TRUE(image.plainText().startsWith(earlierText + QLatin1Char('\n')));
    // A4 with margins of 0.79 and 0.39 inches leaves 7.09 inches: 2.0, 1.0, 1.3, 1.3, 1.0, 1.0
    EXPECT_EQ(image.tables().back().columnWidthsTwips, (QList<int>{2880, 1440, 1872, 1872, 1440, 1440}));
    EXPECT_EQ(image.blocks.back().paragraph.markFont, QStringLiteral("Arial"));
}

TEST_F(WordDocumentTest, appendingHandlesTheLessCommonShapesOfABody)
{
    const QString ns = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
    struct Case {
        const char *what;
        QByteArray mainPart;
        QString earlierText;
    };
    const QList<Case> cases{
        {"another prefix",
         QStringLiteral("<?xml version=\"1.0\"?><ns0:document xmlns:ns0=\"%1\"><ns0:body><ns0:p><ns0:r>"
                        "<ns0:t>Before</ns0:t></ns0:r></ns0:p><ns0:sectPr/></ns0:body></ns0:document>")
             .arg(ns)
             .toUtf8(),
         QStringLiteral("Before")},
        {"no section properties",
         QStringLiteral("<w:document xmlns:w=\"%1\"><w:body><w:p><w:r><w:t>Before</w:t></w:r></w:p>"
                        "</w:body></w:document>")
             .arg(ns)
             .toUtf8(),
         QStringLiteral("Before")},
        {"an empty body element", QStringLiteral("<w:document xmlns:w=\"%1\"><w:body/></w:document>").arg(ns).toUtf8(),
         QString()},
        {"a byte-order mark",
         QByteArray("\xEF\xBB\xBF") +
             QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<w:document xmlns:w=\"%1\"><w:body><w:p><w:r>"
                            "<w:t>Before</w:t></w:r></w:p><w:sectPr/></w:body></w:document>")
                 .arg(ns)
                 .toUtf8(),
         QStringLiteral("Before")},
        {"only a default namespace",
         QStringLiteral("<document xmlns=\"%1\"><body><p><r><t>Before</t></r></p><sectPr/></body></document>")
             .arg(ns)
             .toUtf8(),
         QStringLiteral("Before")},
    };
    for (const Case &c : cases) {
        writeAll(path("shape.docx"), wordLikePackage(c.mainPart));
        const DocumentFailure failure = appendToDocument(path("shape.docx"), sampleTable());
        ASSERT_FALSE(failure.failed()) << c.what << ": " << failure.description.toStdString();
        const WordDocumentImage image = readBack(path("shape.docx"));
        EXPECT_EQ(image.tables().size(), 1) << c.what;
        if (!c.earlierText.isEmpty()) {
            EXPECT_EQ(image.blocks.value(0).paragraph.text(), c.earlierText) << c.what;
        }
        EXPECT_TRUE(image.plainText().contains(QStringLiteral("GxA\t2\t72\t.111\t.44\t1."))) << c.what;
        if (c.mainPart.startsWith("\xEF\xBB\xBF")) {
            EXPECT_TRUE(packageEntries(readAll(path("shape.docx")))
                            .value(QStringLiteral("word/document.xml"))
                            .startsWith("\xEF\xBB\xBF"));
        }
    }
}

namespace {

// Spoils the stored data of one entry of a zip package in the middle.
QByteArray damageEntry(QByteArray package, const QByteArray &name)
{
    qsizetype at = package.indexOf("PK\x03\x04");
    while (at >= 0) {
        const auto nameLength =
            static_cast<unsigned char>(package[at + 26]) | static_cast<unsigned char>(package[at + 27]) << 8;
        const auto extraLength =
            static_cast<unsigned char>(package[at + 28]) | static_cast<unsigned char>(package[at + 29]) << 8;
        const auto compressedSize =
            static_cast<unsigned char>(package[at + 18]) | static_cast<unsigned char>(package[at + 19]) << 8;
        if (package.mid(at + 30, nameLength) == name) {
            const qsizetype data = at + 30 + nameLength + extraLength;
            for (qsizetype i = data + compressedSize / 3; i < data + compressedSize / 3 + 16; ++i)
                package[i] = static_cast<char>(package[i] ^ 0x5A);
            return package;
        }
        at = package.indexOf("PK\x03\x04", at + 4);
    }
    ADD_FAILURE() << "no entry " << name.toStdString();
    return package;
}

} // namespace

TEST_F(WordDocumentTest, damagedAndForeignFilesAreRefusedAndLeftByteForByte)
{
    QByteArray document;
    {
        ASSERT_FALSE(writeNewDocument(path("source.docx"), sampleTable(), letterPage()).failed());
        document = readAll(path("source.docx"));
        QFile::remove(path("source.docx"));
    }
    const QByteArray mainPart = packageEntries(document).value(QStringLiteral("word/document.xml"));
    const QByteArray spreadsheetTypes =
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Override PartName=\"/xl/workbook.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/></Types>";
    const QByteArray spreadsheetRels =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
        "Target=\"xl/workbook.xml\"/></Relationships>";

    struct Case {
        const char *what;
        QByteArray bytes;
        DocumentFailure::Kind kind;
    };
    const QList<Case> cases{
        {"plain text", QByteArray("These are my notes, not a document.\n"), DocumentFailure::NotWordDocument},
        {"an empty file", QByteArray(), DocumentFailure::NotWordDocument},
        {"a truncated document", document.left(document.size() / 2), DocumentFailure::NotWordDocument},
        {"a damaged main part", damageEntry(document, "word/document.xml"), DocumentFailure::NotWordDocument},
        {"a damaged styles part", damageEntry(document, "word/styles.xml"), DocumentFailure::NotWordDocument},
        {"a Word 97-2003 document", QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(504, '\0'),
         DocumentFailure::LegacyWordDocument},
        {"a zip of other files", makePackage({{QStringLiteral("notes.txt"), QByteArray("hello")}}),
         DocumentFailure::NotWordDocument},
        {"a spreadsheet",
         makePackage({{QStringLiteral("[Content_Types].xml"), spreadsheetTypes},
                      {QStringLiteral("_rels/.rels"), spreadsheetRels},
                      {QStringLiteral("xl/workbook.xml"), QByteArray("<workbook/>")}}),
         DocumentFailure::NotWordDocument},
        {"a main part that is not well-formed", wordLikePackage(mainPart.left(mainPart.size() - 20)),
         DocumentFailure::NotWordDocument},
        {"a main part in another encoding", wordLikePackage(QByteArray("\xFF\xFE<\0w\0:\0", 8)),
         DocumentFailure::NotWordDocument},
        {"the Strict format",
         wordLikePackage("<w:document xmlns:w=\"http://purl.oclc.org/ooxml/wordprocessingml/main\"><w:body/>"
                         "</w:document>"),
         DocumentFailure::NotWordDocument},
    };
    for (const Case &c : cases) {
        QTemporaryDir folder;
        const QString target = folder.filePath(QStringLiteral("chosen.docx"));
        writeAll(target, c.bytes);
        const DocumentFailure failure = appendToDocument(target, sampleData());
        EXPECT_EQ(failure.kind, c.kind) << c.what << ": " << failure.description.toStdString();
        EXPECT_EQ(readAll(target), c.bytes) << c.what;
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"chosen.docx"}) << c.what;
        EXPECT_FALSE(readWordDocument(target).ok()) << c.what;
    }
}

TEST_F(WordDocumentTest, readerFollowsRunsIntoLinksAndInsertionsButNotDeletions)
{
    const QString body = QStringLiteral(
        "<w:p><w:hyperlink r:id=\"rId9\"><w:r><w:t>linked </w:t></w:r></w:hyperlink>"
        "<w:ins w:id=\"1\" w:author=\"A\"><w:r><w:rPr><w:b/><w:u w:val=\"single\"/></w:rPr><w:t>added</w:t></w:r>"
        "</w:ins><w:del w:id=\"2\" w:author=\"A\"><w:r><w:delText>removed</w:delText></w:r></w:del>"
        "<w:r><w:rPr><w:b w:val=\"0\"/></w:rPr><w:tab/><w:t>end</w:t></w:r></w:p>");
    const WordDocumentRead read = readWordDocumentBytes(wordLikePackage(wordLikeMainPart(body)));
    ASSERT_TRUE(read.ok());
    const DocumentParagraph paragraph = read.image.paragraphs().value(0);
    EXPECT_EQ(paragraph.text(), QStringLiteral("linked added\tend"));
    ASSERT_EQ(paragraph.runs.size(), 3);
    EXPECT_TRUE(paragraph.runs[1].bold);
    EXPECT_EQ(paragraph.runs[1].underline, QStringLiteral("single"));
    EXPECT_FALSE(paragraph.runs[2].bold);
}

TEST_F(WordDocumentTest, savingReplacesTheFileWholeAndLeavesNoTemporaryFile)
{
    writeAll(path("report.docx"), QByteArray("old content"));
    ASSERT_FALSE(saveDocumentBytes(path("report.docx"), QByteArray("new content")).failed());
    EXPECT_EQ(readAll(path("report.docx")), QByteArray("new content"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"report.docx"});
}

TEST_F(WordDocumentTest, savingIntoAMissingFolderFailsWithoutMakingIt)
{
    const DocumentFailure failure = saveDocumentBytes(path("missing/report.docx"), QByteArray("x"));
    EXPECT_EQ(failure.kind, DocumentFailure::NotFound);
    EXPECT_FALSE(QFileInfo::exists(path("missing")));
}

TEST_F(WordDocumentTest, makingAFolderMakesTheFoldersAboveIt)
{
    EXPECT_FALSE(makeDirectory(path("a/b/c")).failed());
    EXPECT_TRUE(QFileInfo(path("a/b/c")).isDir());
    writeAll(path("file"), QByteArray("x"));
    EXPECT_TRUE(makeDirectory(path("file/d")).failed());
}

TEST(WordPackage, fileErrorsMapOntoTheConditionsTheUserIsToldAbout)
{
    const auto message = [](int error) { return QString::fromLocal8Bit(std::strerror(error)); };
    struct Case {
        QFileDevice::FileError error;
        QString description;
        DocumentFailure::Kind kind;
    };
    const QList<Case> cases{
        {QFileDevice::ResourceError, message(ENOSPC), DocumentFailure::DiskFull},
        {QFileDevice::WriteError, message(ENOSPC), DocumentFailure::DiskFull},
        {QFileDevice::WriteError, message(EDQUOT), DocumentFailure::DiskFull},
        {QFileDevice::OpenError, message(EACCES), DocumentFailure::PermissionDenied},
        {QFileDevice::OpenError, message(EROFS), DocumentFailure::PermissionDenied},
        {QFileDevice::PermissionsError, QStringLiteral("Permission denied"), DocumentFailure::PermissionDenied},
        {QFileDevice::OpenError, message(EIO), DocumentFailure::DeviceNotReady},
        {QFileDevice::OpenError, message(ENOENT), DocumentFailure::NotFound},
        {QFileDevice::ResourceError, message(EMFILE), DocumentFailure::Other},
        {QFileDevice::RenameError, QStringLiteral("Cannot rename"), DocumentFailure::Other},
    };
    for (const Case &c : cases) {
        const DocumentFailure failure = failureForFileError(c.error, c.description);
        EXPECT_EQ(failure.kind, c.kind) << c.description.toStdString();
        EXPECT_EQ(failure.description, c.description);
    }
    EXPECT_FALSE(failureForFileError(QFileDevice::NoError, QString()).failed());
}
