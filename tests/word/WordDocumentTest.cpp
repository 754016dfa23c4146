#include "WordBody.h"
#include "WordDocumentReader.h"
#include "WordDocumentWriter.h"
#include "WordTestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <numeric>

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

TEST_F(WordDocumentTest, newTableDocumentHasTitleAndSummaryLinesThenTheTableThenItsFacts)
{
    ASSERT_FALSE(writeNewDocument(path("table.docx"), sampleTable(), letterPage()).failed());
    const WordDocumentImage image = readBack(path("table.docx"));
    const QStringList expected{"",           "Colour preference study",
                               "  Factors",  "  Gender 2",
                               "  Age    3", "   Pairs compared: 105",
                               "table",      sampleTable().notes[0].c_str(),
                               "",           ""};
    ASSERT_EQ(image.blocks.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        EXPECT_EQ(image.blocks[i].isTable ? QStringLiteral("table") : image.blocks[i].paragraph.text(), expected[i]);
    expectCourierThroughout(image, 0);
}

TEST_F(WordDocumentTest, tableHoldsTheCellsAndIntervalsBetweenSpacersEachColumnInItsFormat)
{
    ASSERT_FALSE(writeNewDocument(path("table.docx"), sampleTable(), letterPage()).failed());
    const DocumentTable table = onlyTable(readBack(path("table.docx")));
    ASSERT_EQ(table.rows.size(), 7);
    const QList<QStringList> expected{
        {"Source", "df", "Pairs", "NP", "N-ratio", "p", "99% interval"},
        {"", "", "", "", "", "", ""},
        {"G", "1", "36", ".250", "1.50", ".123", "[.1010, .1470]"},
        {"A", "2", "48", ".333", "12.25", "<.001", "[.0000, .0015]"},
        {"GxA", "2", "72", ".111", ".44", "1.", "[.9989, 1.0000]"},
        {"  Within", "12", "300", ".500", "", "", ""},
        {"", "", "", "", "", "", ""},
    };
    const QStringList alignments{"", "right", "right", "right", "", "center", ""};
    for (int r = 0; r < table.rows.size(); ++r) {
        const bool spacer = r == 1 || r == 6;
        EXPECT_EQ(table.rows[r].heightTwips, spacer ? 120 : 0) << "a six-point spacer, row " << r;
        QStringList cells;
        for (int c = 0; c < table.rows[r].cells.size(); ++c) {
            const DocumentParagraph paragraph = table.rows[r].cells[c].paragraphs.value(0);
            cells << paragraph.text();
            if (spacer)
                continue;
            // The head row underlined, "df" in italics; N-ratios on a decimal tab, their head at the left.
            EXPECT_EQ(paragraph.alignment, r == 0 && c == 4 ? QStringLiteral("left") : alignments[c]) << r << c;
            EXPECT_EQ(paragraph.tabs.size(), r > 0 && c == 4 ? 1 : 0) << r << c;
            for (const DocumentRun &run : paragraph.runs) {
                EXPECT_EQ(run.underline, r == 0 ? QStringLiteral("words") : QString()) << r << c;
                EXPECT_EQ(run.italic, r == 0 && c == 1) << r << c;
            }
        }
        EXPECT_EQ(cells, expected[r]) << "row " << r;
    }
    EXPECT_EQ(table.rows[2].cells[4].paragraphs.value(0).tabs.value(0).alignment, QStringLiteral("decimal"));
}

TEST_F(WordDocumentTest, tableIsAsWideAsTheTextAreaOfThePageItIsOn)
{
    TableDocument withoutP = sampleTable();
    withoutP.showP = false;
    TableDocument withoutIntervals = sampleTable();
    withoutIntervals.intervals.clear();
    ASSERT_FALSE(writeNewDocument(path("letter.docx"), sampleTable(), letterPage()).failed());
    ASSERT_FALSE(writeNewDocument(path("a4.docx"), withoutIntervals, a4Page()).failed());
    ASSERT_FALSE(writeNewDocument(path("plain.docx"), withoutP, letterPage()).failed());
    // Documents appended to keep their own pages: A4 with 1.25-inch margins, and LibreOffice's
    // A4 with margins of 0.79 and 0.39 inches.
    writeAll(path("word.docx"), wordLikePackage(wordLikeMainPart(QStringLiteral("<w:p/>"))));
    writeAll(path("office.docx"), readAll(fixturePath(QStringLiteral("libreoffice-earlier.docx"))));
    for (const char *name : {"word.docx", "office.docx"})
        ASSERT_FALSE(appendToDocument(path(name), sampleTable()).failed());
    const std::pair<const char *, int> cases[] = {
        {"letter.docx", 7}, {"a4.docx", 6}, {"plain.docx", 5}, {"word.docx", 7}, {"office.docx", 7}};
    for (const auto &[name, columns] : cases) {
        const WordDocumentImage image = readBack(path(name));
        const DocumentTable table = image.tables().back();
        EXPECT_EQ(table.columnWidthsTwips.size(), columns) << name;
        EXPECT_EQ(std::accumulate(table.columnWidthsTwips.begin(), table.columnWidthsTwips.end(), 0),
                  image.page.widthTwips - image.page.leftMarginTwips - image.page.rightMarginTwips)
            << name;
        EXPECT_EQ(table.layout, QStringLiteral("fixed"));
        for (const DocumentRow &row : table.rows) {
            QList<int> cellWidths;
            for (const DocumentCell &cell : row.cells)
                cellWidths << cell.widthTwips;
            EXPECT_EQ(cellWidths, table.columnWidthsTwips) << name;
        }
    }
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
    EXPECT_EQ(image.blocks.value(3).paragraph.text(), QString()) << "the new content starts on a line of its own";
    EXPECT_EQ(image.blocks.value(4).paragraph.text(), QStringLiteral("Colour preference study"));
}

TEST_F(WordDocumentTest, writtenContentEndsInTheFontInForceBefore)
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
    // A new document ends in its own font, not in Courier New.
    ASSERT_FALSE(writeNewDocument(path("table.docx"), sampleTable(), letterPage()).failed());
    EXPECT_EQ(readBack(path("table.docx")).blocks.back().paragraph.markFont, QString());
}

TEST_F(WordDocumentTest, appendingToALibreOfficeDocumentKeepsItsContentAndAddsInTheOrderWritten)
{
    const QByteArray original = readAll(fixturePath(QStringLiteral("libreoffice-earlier.docx")));
    writeAll(path("earlier.docx"), original);
    const QString earlierText = readWordDocumentBytes(original).image.plainText();
    ASSERT_TRUE(earlierText.startsWith(QStringLiteral("Earlier findings")));

    ASSERT_FALSE(appendToDocument(path("earlier.docx"), sampleTable()).failed());
    ASSERT_FALSE(appendToDocument(path("earlier.docx"), sampleData()).failed());
    ASSERT_FALSE(appendToDocument(path("earlier.docx"), sampleTable()).failed());
    const WordDocumentImage image = readBack(path("earlier.docx"));
    const QString text = image.plainText();
    EXPECT_TRUE(text.startsWith(earlierText + QLatin1Char('\n')));
    EXPECT_EQ(image.blocks.back().paragraph.markFont, QStringLiteral("Arial"));
    // Each addition after the one before (the earlier document has a table of its own).
    EXPECT_EQ(image.tables().size(), 3);
    const qsizetype data = text.indexOf(QStringLiteral("   Raw Data"));
    EXPECT_LT(text.indexOf(QStringLiteral("Source\tdf")), data);
    EXPECT_GT(text.indexOf(QStringLiteral("Source\tdf"), data), data);
}

TEST_F(WordDocumentTest, appendingHandlesTheLessCommonShapesOfABody)
{
    const char *const shapes[] = {
        // another prefix; no section properties; an empty body element; a byte-order mark; only a
        // default namespace
        "<ns0:document xmlns:ns0=\"%1\"><ns0:body><ns0:p><ns0:r><ns0:t>Before</ns0:t></ns0:r></ns0:p><ns0:sectPr/>"
        "</ns0:body></ns0:document>",
        "<w:document xmlns:w=\"%1\"><w:body><w:p><w:r><w:t>Before</w:t></w:r></w:p></w:body></w:document>",
        "<w:document xmlns:w=\"%1\"><w:body/></w:document>",
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<w:document xmlns:w=\"%1\"><w:body><w:p><w:r>"
        "<w:t>Before</w:t></w:r></w:p><w:sectPr/></w:body></w:document>",
        "<document xmlns=\"%1\"><body><p><r><t>Before</t></r></p><sectPr/></body></document>",
    };
    for (const char *shape : shapes) {
        const QByteArray mainPart = QString::fromUtf8(shape).arg(kWordprocessingNs).toUtf8();
        writeAll(path("shape.docx"), wordLikePackage(mainPart));
        const DocumentFailure failure = appendToDocument(path("shape.docx"), sampleTable());
        ASSERT_FALSE(failure.failed()) << shape << ": " << failure.description.toStdString();
        const WordDocumentImage image = readBack(path("shape.docx"));
        EXPECT_EQ(image.tables().size(), 1) << shape;
        EXPECT_EQ(image.blocks.value(0).paragraph.text(), mainPart.contains("Before") ? "Before" : "") << shape;
        EXPECT_TRUE(image.plainText().contains(QStringLiteral("GxA\t2\t72\t.111\t.44\t1."))) << shape;
        EXPECT_EQ(packageEntries(readAll(path("shape.docx"))).value("word/document.xml").startsWith("\xEF\xBB\xBF"),
                  mainPart.startsWith("\xEF\xBB\xBF"));
    }
}

TEST_F(WordDocumentTest, damagedAndForeignFilesAreRefusedAndLeftByteForByte)
{
    QByteArray document;
    {
        ASSERT_FALSE(writeNewDocument(path("source.docx"), sampleTable(), letterPage()).failed());
        document = readAll(path("source.docx"));
        QFile::remove(path("source.docx"));
    }
    const QByteArray mainPart = packageEntries(document).value(QStringLiteral("word/document.xml"));
    struct Case {
        const char *what;
        QByteArray bytes;
        DocumentFailure::Kind kind;
    };
    const QList<Case> cases{
        {"plain text", QByteArray("These are my notes, not a document.\n"), DocumentFailure::NotWordDocument},
        {"a truncated document", document.left(document.size() / 2), DocumentFailure::NotWordDocument},
        {"a Word 97-2003 document", QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(504, '\0'),
         DocumentFailure::LegacyWordDocument},
        {"a zip of other files", makePackage({{QStringLiteral("notes.txt"), QByteArray("hello")}}),
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

TEST_F(WordDocumentTest, savingReplacesTheFileWholeAndNeverMakesAFolder)
{
    writeAll(path("report.docx"), QByteArray("old content"));
    ASSERT_FALSE(saveDocumentBytes(path("report.docx"), QByteArray("new content")).failed());
    EXPECT_EQ(readAll(path("report.docx")), QByteArray("new content"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"report.docx"});
    EXPECT_EQ(saveDocumentBytes(path("missing/report.docx"), QByteArray("x")).kind, DocumentFailure::NotFound);
    EXPECT_FALSE(QFileInfo::exists(path("missing")));
    // Folders are made only when asked for, those above them too.
    EXPECT_FALSE(makeDirectory(path("a/b/c")).failed());
    EXPECT_TRUE(QFileInfo(path("a/b/c")).isDir());
    EXPECT_TRUE(makeDirectory(path("report.docx/d")).failed());
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
        {QFileDevice::WriteError, message(EDQUOT), DocumentFailure::DiskFull},
        {QFileDevice::OpenError, message(EACCES), DocumentFailure::PermissionDenied},
        {QFileDevice::PermissionsError, QStringLiteral("Permission denied"), DocumentFailure::PermissionDenied},
        {QFileDevice::OpenError, message(EIO), DocumentFailure::DeviceNotReady},
        {QFileDevice::OpenError, message(ENOENT), DocumentFailure::NotFound},
        {QFileDevice::RenameError, QStringLiteral("Cannot rename"), DocumentFailure::Other},
    };
    for (const Case &c : cases) {
        const DocumentFailure failure = failureForFileError(c.error, c.description);
        EXPECT_EQ(failure.kind, c.kind) << c.description.toStdString();
        EXPECT_EQ(failure.description, c.description);
    }
    EXPECT_FALSE(failureForFileError(QFileDevice::NoError, QString()).failed());
}
