#include "WordContent.h"
#include "WordSession.h"

#include <gtest/gtest.h>

using namespace kelsim;

TEST(WordContent, columnWidthsAreTheFirstThreeCharactersOfTheShareOfTheTextWidth)
{
    struct Case {
        double available;
        double fraction;
        const char *text;
        int twips;
    };
    const Case cases[] = {
        {6.5, .29, "1.8", 2592},
        {6.5, .15, ".97", 1397},
        {6.5, .19, "1.2", 1728},
        // A4 with one-inch margins
        {(11906 - 2880) / 1440.0, .29, "1.8", 2592},
        {(11906 - 2880) / 1440.0, .15, ".94", 1354},
        {(11906 - 2880) / 1440.0, .19, "1.1", 1584},
        // a landscape page wider than ten inches keeps the first three characters too
        {40.0, .29, "11.", 15840},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(columnWidthText(c.available, c.fraction), c.text) << c.available << " x " << c.fraction;
        EXPECT_EQ(columnWidthTwips(c.available, c.fraction), c.twips) << c.available << " x " << c.fraction;
    }
}

TEST(WordContent, dataRowsSpellOutTheLevelsWithTheFirstFactorChangingFastest)
{
    Design design;
    design.factors = {makeFactor("Gender", 2), makeFactor("Age", 3)};
    const DataDocument data = dataDocumentFor(design, {"a", "b", "c", "d", "e", "f"});
    ASSERT_EQ(data.rows.size(), 6u);
    EXPECT_EQ(data.rows[0], (std::vector<std::string>{"Gender", "1", "Age", "1", "a"}));
    EXPECT_EQ(data.rows[1], (std::vector<std::string>{"Gender", "2", "Age", "1", "b"}));
    EXPECT_EQ(data.rows[2], (std::vector<std::string>{"Gender", "1", "Age", "2", "c"}));
    EXPECT_EQ(data.rows[5], (std::vector<std::string>{"Gender", "2", "Age", "3", "f"}));
}

TEST(WordContent, dataRowsUseTheShownNamesAndTheLevelLabelsWhenInUse)
{
    Design design;
    design.factors = {makeFactor("Gender", 2), makeFactor("Treatment", 2)};
    design.levelLabels = {{"M", "F"}, {"T1", "T2"}};
    const std::vector<std::string> scores{"1", "2", "3", "4"};

    const DataDocument labelled = dataDocumentFor(design, scores, {"Gen", "Tre"}, true);
    EXPECT_EQ(labelled.rows[3], (std::vector<std::string>{"Gen", "F", "Tre", "T2", "4"}));

    const DataDocument plain = dataDocumentFor(design, scores, {}, false);
    EXPECT_EQ(plain.rows[3], (std::vector<std::string>{"Gender", "2", "Treatment", "2", "4"}));
}

TEST(WordContent, tableDocumentIsTheResultWindowsTable)
{
    Design design;
    design.factors = {makeFactor("Age", 2), makeFactor("Replicate", 4)};
    design.specialFactor = 2;
    design.problemLabel = "  Study 1 ";
    NTable table;
    table.iterations = 1;
    TableRow a;
    a.name = "A";
    a.df = 1;
    TableRow within;
    within.name = "  Within";
    within.role = RowRole::Within;
    table.rows = {a, within};
    const TableDocument document = tableDocumentFor(design, table);
    EXPECT_EQ(document.title, "Study 1");
    EXPECT_EQ(document.rows, displayCells(table));
    EXPECT_EQ(document.summary, summaryLines(design, table));
    EXPECT_EQ(document.columnCount(), 5);
}

TEST(WordContent, trimmedCellDropsAlignmentBlanksOnBothSides)
{
    EXPECT_EQ(trimmedCell(" 1. "), "1.");
    EXPECT_EQ(trimmedCell("  p"), "p");
    EXPECT_EQ(trimmedCell("   "), "");
    EXPECT_EQ(trimmedCell("AxB"), "AxB");
}

TEST(WordSession, menuCaptionsCarryTheWordVersion)
{
    EXPECT_EQ(printDataToNewCaption(), QStringLiteral("Print Data to &New Winword 12.0 Document"));
    EXPECT_EQ(appendDataToExistingCaption(), QStringLiteral("Append Data to &Existing Winword 12.0 Document"));
    EXPECT_EQ(printTableToNewCaption(), QStringLiteral("Print Table to &New Winword 12.0 Document"));
    EXPECT_EQ(appendTableToExistingCaption(), QStringLiteral("Append Table to &Existing Winword 12.0 Document"));
    EXPECT_TRUE(wordItemsVisible());
}

TEST(WordSession, gridCaptionsKeepTheirDesignWordsForVersionsThreeToFive)
{
    EXPECT_EQ(printDataToNewCaption(2), QStringLiteral("Print Data to &New Winword 2.0 Document"));
    EXPECT_EQ(printDataToNewCaption(4), QStringLiteral("Print Data to &New Winword Document"));
    EXPECT_EQ(appendDataToExistingCaption(5), QStringLiteral("Print Data to &Existing Winword Document"));
    EXPECT_EQ(appendDataToExistingCaption(8), QStringLiteral("Append Data to &Existing Winword 8.0 Document"));
    EXPECT_FALSE(wordItemsVisible(0));
}

TEST(WordSession, writtenDocumentIsRememberedWithItsFolder)
{
    WordSession session;
    session.documentWritten(QStringLiteral("/tmp/reports/study.docx"));
    EXPECT_EQ(session.documentPath, QStringLiteral("/tmp/reports/study.docx"));
    EXPECT_EQ(session.documentDir, QStringLiteral("/tmp/reports/"));
}
