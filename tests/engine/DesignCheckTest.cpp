#include "DesignCheck.h"
#include "NestingRelations.h"
#include "TestDesigns.h"

#include <gtest/gtest.h>

using namespace kelsim;
using namespace kelsim::testing;

TEST(DesignCheck, factorsNamesAndLevelsAreCheckedWithTheUsersMessages)
{
    EXPECT_FALSE(checkFactorCount(2));
    EXPECT_FALSE(checkFactorCount(6));
    EXPECT_EQ(checkFactorCount(7)->text, "Sorry, the program only accommodates 6 factors.");
    EXPECT_TRUE(checkFactorCount(1));
    EXPECT_EQ(checkFactorName(2, "")->text, "Please enter a name for Factor 2");
    EXPECT_EQ(checkFactorName(1, "\"Quoted")->text, "The first character of the factor name must be a letter");
    EXPECT_FALSE(checkFactorName(1, "age"));
    EXPECT_EQ(checkUniqueLetters({"Age", "Brand", "appetite"})->text,
              "The program requires the first letter of all factor names to be unique.  Please change the name of "
              "either Age or appetite.");
    EXPECT_EQ(checkLevelCounts({3, 1, 4})->text, "You have specified that factor 2 has only 1 levels.  There must be "
                                                 "at least 2 levels in a factor.  Please re-enter the design "
                                                 "specifications.");
    EXPECT_FALSE(checkLevelCounts({2, 8176}));
    EXPECT_EQ(checkLevelCounts({2, 2, 4096})->text,
              "You have specified 16384 scores, but the maximum allowed by the program is 16352 scores.");
    // Products far beyond any integer are still refused, not wrapped round.
    EXPECT_TRUE(checkLevelCounts({2000000000, 2000000000, 2000000000, 2000000000, 2000000000, 2000000000}));
}

TEST(DesignCheck, nestingMustBeAdmissibleAndStillFitTheDesign)
{
    Design design = makeDesign({{"A", 2}, {"B", 2}, {"C", 2}}, DesignKind::RepeatedMeasures, 3);
    EXPECT_TRUE(checkNesting(design, {{'A', 'C'}}).problem) << "nothing is nested under the subjects";
    const NestingResult accepted = checkNesting(design, {{'C', 'B'}, {'B', 'A'}});
    ASSERT_FALSE(accepted.problem);
    EXPECT_EQ(accepted.pairs, (std::vector<NestingPair>{{'C', 'B'}, {'B', 'A'}, {'C', 'A'}}));

    design.nested = true;
    design.selectedNesting = {{'C', 'B'}, {'B', 'A'}};
    design.nestingPairs = accepted.pairs;
    EXPECT_FALSE(validateDesign(design));
    // The same relations after the user designated another factor, or switched kind, no longer fit.
    Design moved = design;
    moved.specialFactor = 2;
    EXPECT_TRUE(validateDesign(moved));
    Design switched = design;
    switched.kind = DesignKind::IndependentGroups;
    EXPECT_TRUE(validateDesign(switched));
    Design stale = design;
    stale.nestingPairs.pop_back();
    EXPECT_TRUE(validateDesign(stale));
    Design undesignated = design;
    undesignated.specialFactor = 0;
    EXPECT_TRUE(validateDesign(undesignated));
}
