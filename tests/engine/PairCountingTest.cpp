#include "PairCounting.h"
#include "TestDesigns.h"

#include <gtest/gtest.h>

using namespace kelsim;
using namespace kelsim::testing;

TEST(PairCounting, scoresMatchOnlyWhenTheirTextsAreIdentical)
{
    const Design design = makeDesign({{"A", 2}, {"B", 2}});
    const SourceMask a = 1; // pairs across A: cells 1-2 and 3-4
    EXPECT_EQ(countTallies(design, makeScores({"a", "A", "x", "x "})).matches[a], 0);
    EXPECT_EQ(countTallies(design, makeScores({"1", "01", "x", "x"})).matches[a], 1);
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
