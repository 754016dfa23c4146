#include "PairCounting.h"
#include "TestDesigns.h"

#include <gtest/gtest.h>

using namespace kelsim;
using namespace kelsim::testing;

namespace {
constexpr SourceMask A = 1, B = 2, AB = 3;
}

TEST(PairCounting, twoByTwoDiagonalDesignStoresMismatchesForTheInteraction)
{
    // cells (1,1)=a (2,1)=b (1,2)=b (2,2)=a in cell order
    const Design design = makeDesign({{"A", 2}, {"B", 2}});
    const PairTallies t = countTallies(design, makeScores({"a", "b", "b", "a"}));
    EXPECT_EQ(t.totalPairs, 6);
    EXPECT_EQ(t.pairs[A], 2);
    EXPECT_EQ(t.matches[A], 0);
    EXPECT_EQ(t.pairs[B], 2);
    EXPECT_EQ(t.matches[B], 0);
    EXPECT_EQ(t.pairs[AB], 2);
    EXPECT_EQ(t.matches[AB], 0);
    EXPECT_DOUBLE_EQ(t.proportion[A], 1.0);
    EXPECT_DOUBLE_EQ(t.proportion[B], 1.0);
    EXPECT_DOUBLE_EQ(t.proportion[AB], 1.0);
}

TEST(PairCounting, identicalScoresGiveMainEffectsZeroAndInteractionsOne)
{
    const Design design = makeDesign({{"A", 2}, {"B", 3}, {"C", 2}});
    const PairTallies same = countTallies(design, makeScores(std::vector<std::string>(12, "x")));
    std::vector<std::string> distinct;
    for (int i = 0; i < 12; ++i)
        distinct.push_back(std::to_string(i));
    const PairTallies different = countTallies(design, makeScores(distinct));
    for (SourceMask m = 1; m < 8; ++m) {
        const bool main = sourceOrder(m) == 1;
        EXPECT_DOUBLE_EQ(same.proportion[m], main ? 0.0 : 1.0) << m;
        EXPECT_DOUBLE_EQ(different.proportion[m], main ? 1.0 : 0.0) << m;
    }
}

TEST(PairCounting, pairCountsFollowTheClosedForm)
{
    const std::vector<int> levels = {3, 4};
    EXPECT_EQ(sourcePairs(levels, A), 12);
    EXPECT_EQ(sourcePairs(levels, B), 18);
    EXPECT_EQ(sourcePairs(levels, AB), 36);
    EXPECT_EQ(cellPosition(levels, {2, 3}), 7); // flat position 8, counted from 1
}

TEST(PairCounting, scoresMatchOnlyWhenTheirTextsAreIdentical)
{
    const Design design = makeDesign({{"A", 2}, {"B", 2}});
    const PairTallies t = countTallies(design, makeScores({"a", "A", "x", "x "}));
    EXPECT_EQ(t.matches[A], 0);
    const PairTallies u = countTallies(design, makeScores({"1", "01", "x", "x"}));
    EXPECT_EQ(u.matches[A], 1);
}

TEST(PairCounting, independentGroupsErrorPoolSumsTheSourcesWithTheReplicatesFactor)
{
    const Design design = makeDesign({{"A", 2}, {"B", 3}}, DesignKind::IndependentGroups, 2);
    const PairTallies t = countTallies(design, makeScores({"a", "b", "a", "a", "b", "b"}));
    EXPECT_EQ(t.pairs[0], t.pairs[B] + t.pairs[AB]);
    EXPECT_EQ(t.matches[0], t.matches[B] + t.matches[AB]);
    EXPECT_FLOAT_EQ(t.errorProportion, static_cast<float>(static_cast<double>(t.pairs[0] - t.matches[0]) / t.pairs[0]));
}

TEST(PairCounting, randomCrossedDesignsAccountForEveryPair)
{
    std::mt19937_64 random(11);
    for (int trial = 0; trial < 60; ++trial) {
        const int k = 2 + trial % 5;
        Design design = randomDesign(k, 400, random);
        design.kind = DesignKind::IndependentGroups;
        const ScoreSet scores = randomScores(design.cellCount(), 1 + static_cast<int>(random() % 6), random);
        const PairTallies t = countTallies(design, scores);
        const int64_t n = design.cellCount();
        int64_t pairs = 0, matching = 0, poolPairs = 0, poolMatches = 0;
        for (SourceMask m = 1; m < (1u << k); ++m) {
            pairs += t.pairs[m];
            matching += sourceOrder(m) == 1 ? t.matches[m] : t.pairs[m] - t.matches[m];
            if (sourceContains(m, design.specialFactor)) {
                poolPairs += t.pairs[m];
                poolMatches += t.matches[m];
            }
        }
        EXPECT_EQ(pairs, n * (n - 1) / 2);
        EXPECT_EQ(t.totalPairs, n * (n - 1) / 2);
        EXPECT_EQ(t.pairs[0], poolPairs);
        EXPECT_EQ(t.matches[0], poolMatches);
        // Matching pairs over all sources are all pairs of equal scores.
        std::map<std::string, int64_t> counts;
        for (const std::string &s : scores.flat)
            ++counts[s];
        int64_t equalPairs = 0;
        for (const auto &[score, c] : counts)
            equalPairs += c * (c - 1) / 2;
        EXPECT_EQ(matching, equalPairs);
    }
}

TEST(PairCounting, sourcesComeInTableOrder)
{
    std::vector<int> codes;
    for (SourceMask m : sourcesInOrder(4))
        codes.push_back(sourceCode(m));
    EXPECT_EQ(codes, (std::vector<int>{1, 2, 3, 4, 12, 13, 14, 23, 24, 34, 123, 124, 134, 234, 1234}));
    EXPECT_EQ(sourcesInOrder(6).size(), 63u);
    EXPECT_EQ(sourceCode(63), 123456);
}

TEST(PairCounting, aShuffleRearrangesTheCodesListedWithTheFactorsOfMostLevelsChangingFastest)
{
    // Cell = a + 2b for A of 2 and B of 3 levels: B, with more levels, changes fastest in the list.
    EXPECT_EQ(shuffleOrder({2, 3}), (std::vector<uint32_t>{0, 2, 4, 1, 3, 5}));
    // Equal level counts: the earlier factor changes faster, as in cell order.
    EXPECT_EQ(shuffleOrder({2, 2}), (std::vector<uint32_t>{0, 1, 2, 3}));

    const std::vector<int> levels = {2, 3, 4};
    std::vector<uint16_t> codes(24);
    for (size_t i = 0; i < codes.size(); ++i)
        codes[i] = static_cast<uint16_t>(i % 5);
    ReferencePairCounter counter(levels);
    counter.startShuffles(codes.data());
    const std::vector<uint32_t> cellAt = shuffleOrder(levels);
    std::vector<uint16_t> listed(codes.size()), arrangement(codes.size());
    for (size_t p = 0; p < listed.size(); ++p)
        listed[p] = codes[cellAt[p]];
    Random stream(17), copy(17);
    std::vector<int64_t> shuffled(8), expected(8);
    for (int pass = 0; pass < 3; ++pass) {
        counter.shuffleAndCount(stream, shuffled.data());
        copy.shuffle(listed.data(), listed.size());
        for (size_t p = 0; p < listed.size(); ++p)
            arrangement[cellAt[p]] = listed[p];
        counter.countMatching(arrangement.data(), expected.data());
        EXPECT_EQ(shuffled, expected) << pass;
    }
}
