#include "Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

using namespace kelsim;

TEST(Random, shufflesMakeEveryArrangementEquallyOften)
{
    // Odd and even lengths: draws come in pairs from one output, with one left over.
    for (int n : {2, 3, 4, 5}) {
        std::map<std::vector<int>, int> seen;
        Random random(static_cast<uint64_t>(n));
        int permutations = 1;
        for (int i = 2; i <= n; ++i)
            permutations *= i;
        const int draws = 2000 * permutations;
        for (int d = 0; d < draws; ++d) {
            std::vector<int> items(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i)
                items[static_cast<size_t>(i)] = i;
            random.shuffle(items.data(), items.size());
            ++seen[items];
        }
        ASSERT_EQ(static_cast<int>(seen.size()), permutations) << n;
        const double expected = 2000.0, spread = std::sqrt(expected);
        for (const auto &[arrangement, count] : seen)
            EXPECT_NEAR(count, expected, 5 * spread) << n;
    }
}

TEST(Random, boundedDrawsStayInRangeAndCoverIt)
{
    Random random(3);
    for (uint32_t bound : {1u, 2u, 3u, 7u, 1000u, 16352u}) {
        std::vector<int> hits(bound, 0);
        for (uint32_t i = 0; i < bound * 50; ++i) {
            const uint32_t v = random.below(bound);
            ASSERT_LT(v, bound);
            ++hits[v];
        }
        EXPECT_EQ(std::count(hits.begin(), hits.end(), 0), 0) << bound;
    }
}

TEST(Random, theSameSeedGivesTheSameShuffle)
{
    std::vector<int> a(1000), b(1000);
    for (int i = 0; i < 1000; ++i)
        a[static_cast<size_t>(i)] = b[static_cast<size_t>(i)] = i;
    Random(blockSeed(9, 4)).shuffle(a.data(), a.size());
    Random(blockSeed(9, 4)).shuffle(b.data(), b.size());
    EXPECT_EQ(a, b);
    Random(blockSeed(9, 5)).shuffle(b.data(), b.size());
    EXPECT_NE(a, b);
}
