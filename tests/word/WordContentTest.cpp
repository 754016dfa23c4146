#include "WordContent.h"
#include "WordSession.h"

#include <gtest/gtest.h>

using namespace kelsim;

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

TEST(WordContent, tableDocumentCarriesEachPsIntervalAndTheFactsUnderTheTable)
{
    Design design;
    design.factors = {makeFactor("Age", 2), makeFactor("Replicate", 4)};
    design.specialFactor = 2;
    design.problemLabel = "  Study 1 ";
    NTable table;
    table.iterations = table.requestedIterations = 1000;
    TableRow a;
    a.name = "A";
    a.hasRatio = true;
    a.nRatio = 2.0;
    a.p = PValue{9, 1000, .01, false, .004, .02, {}};
    TableRow within;
    within.name = "  Within";
    within.role = RowRole::Within;
    table.rows = {a, within};
    table.streams = {ShuffleStream{"whole table", {0}, false, 0, 1000, false}};
    TableDocument document = tableDocumentFor(design, table);
    EXPECT_EQ(document.title, "Study 1");
    EXPECT_EQ(document.columnCount(), 7);
    EXPECT_EQ(document.intervalHead, "99% interval");
    EXPECT_EQ(document.intervals, (std::vector<std::string>{"[.0040, .0200]", ""}));
    EXPECT_EQ(document.summary.back(), "   Number of resampling iterations:  1,000");
    EXPECT_EQ(document.notes, footLines(table));

    // An exact p says so where the interval would stand.
    table.rows[0].p->exact = table.streams[0].exact = true;
    EXPECT_EQ(tableDocumentFor(design, table).intervals[0], "exact");
}
