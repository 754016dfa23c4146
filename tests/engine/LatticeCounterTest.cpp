#include "LatticeCounter.h"
#include "AnalysisRun.h"
#include "NestingRelations.h"
#include "Random.h"
#include "TableReport.h"
#include "TestDesigns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <sstream>

using namespace kelsim;

namespace {

// Level counts of a random design of k factors with about `cells` cells: every factor has at
// least two levels, and some grow large (a factor of hundreds of levels is a real case).
std::vector<int> randomLevels(int k, int64_t cells, std::mt19937_64 &random)
{
    std::vector<int> levels(static_cast<size_t>(k), 2);
    int64_t n = int64_t{1} << k;
    for (int attempt = 0; attempt < 200; ++attempt) {
        const size_t f = random() % static_cast<size_t>(k);
        const int grown = levels[f] + 1 + static_cast<int>(random() % static_cast<uint64_t>(levels[f]));
        const int64_t next = n / levels[f] * grown;
        if (next > cells)
            continue;
        n = next;
        levels[f] = grown;
    }
    return levels;
}

int64_t cellCount(const std::vector<int> &levels)
{
    int64_t n = 1;
    for (int l : levels)
        n *= l;
    return n;
}

enum class Profile { Skewed, OneHoldsMost, EveryScoreDistinct };

// Codes of `categories` categories: skewed frequencies (the first far more common), or one
// category holding most scores and the others few, or (categories = n) every score different.
std::vector<uint16_t> profileCodes(int64_t n, int categories, Profile profile, std::mt19937_64 &random)
{
    std::vector<uint16_t> codes(static_cast<size_t>(n));
    for (size_t i = 0; i < codes.size(); ++i) {
        if (profile == Profile::EveryScoreDistinct)
            codes[i] = static_cast<uint16_t>(i);
        else if (profile == Profile::OneHoldsMost)
            codes[i] =
                static_cast<uint16_t>(random() % 5 != 0 ? 0 : 1 + random() % static_cast<uint64_t>(categories - 1));
        else
            codes[i] = 0;
    }
    std::shuffle(codes.begin(), codes.end(), random);
    return codes;
}

// Codes of `categories` categories with skewed frequencies (the first far more common).
std::vector<uint16_t> randomCodes(int64_t n, int categories, std::mt19937_64 &random)
{
    std::vector<double> weights;
    for (int c = 0; c < categories; ++c)
        weights.push_back(1.0 / std::pow(1.0 + c, 1.3));
    std::discrete_distribution<int> pick(weights.begin(), weights.end());
    std::vector<uint16_t> codes(static_cast<size_t>(n));
    for (uint16_t &c : codes)
        c = static_cast<uint16_t>(pick(random));
    return codes;
}

std::string describe(const std::vector<int> &levels, int categories, LatticeCounter &counter)
{
    std::ostringstream out;
    out << "levels";
    for (int l : levels)
        out << ' ' << l;
    out << ", " << categories << " categories; " << counter.describePlan();
    return out.str();
}

// Counts the given arrangement, and `shuffles` shuffled ones drawn by each counter's own shuffle
// from the same random stream, with the plain counter and the lattice counter, the latter with
// each set of kernels the processor can run. After the shuffles, an arrangement the counters did
// not draw goes through countMatching again.
void expectReferenceCounts(const std::vector<int> &levels, std::vector<uint16_t> codes, int categories, int shuffles,
                           uint64_t seed, LatticeOptions options = {})
{
    ReferencePairCounter reference(levels);
    std::vector<std::unique_ptr<LatticeCounter>> lattices;
    for (int vectorBytes : {16, 32, 0}) {
        LatticeOptions these = options;
        these.maxVectorBytes = vectorBytes;
        // The 32-byte kernels tally by keys whenever they can, the widest ones when it pays.
        if (vectorBytes == 32 && these.pairKeys < 0)
            these.pairKeys = 1;
        lattices.push_back(std::make_unique<LatticeCounter>(levels, categories, these));
    }
    const size_t sets = size_t{1} << levels.size();
    std::vector<int64_t> expected(sets, -1), counted(sets, -1);
    auto expectSame = [&](LatticeCounter &lattice, const char *what, int pass) {
        ASSERT_EQ(counted, expected) << describe(levels, categories, lattice) << ", " << what << " " << pass;
    };
    reference.countMatching(codes.data(), expected.data());
    for (const auto &lattice : lattices) {
        lattice->countMatching(codes.data(), counted.data());
        expectSame(*lattice, "given arrangement", 0);
    }
    reference.startShuffles(codes.data());
    for (const auto &lattice : lattices)
        lattice->startShuffles(codes.data());
    std::vector<Random> streams(lattices.size() + 1, Random(seed));
    std::vector<uint16_t> between(codes.rbegin(), codes.rend());
    for (int pass = 1; pass <= shuffles; ++pass) {
        reference.shuffleAndCount(streams.back(), expected.data());
        for (size_t l = 0; l < lattices.size(); ++l) {
            std::fill(counted.begin(), counted.end(), -1);
            lattices[l]->shuffleAndCount(streams[l], counted.data());
            expectSame(*lattices[l], "shuffle", pass);
        }
        // Another arrangement counted between two shuffles leaves the shuffles' own alone.
        if (pass == 1) {
            reference.countMatching(between.data(), expected.data());
            for (const auto &lattice : lattices) {
                lattice->countMatching(between.data(), counted.data());
                expectSame(*lattice, "arrangement between shuffles", pass);
            }
        }
    }
    if (shuffles == 0)
        return;
    Random(seed + 1).shuffle(codes.data(), codes.size());
    reference.countMatching(codes.data(), expected.data());
    for (const auto &lattice : lattices) {
        lattice->countMatching(codes.data(), counted.data());
        expectSame(*lattice, "arrangement after the shuffles", 0);
    }
}

} // namespace

TEST(LatticeCounter, matchesTheReferenceOnRandomDesignsObservedAndShuffled)
{
    std::mt19937_64 random(2024);
    for (int trial = 0; trial < 120; ++trial) {
        const int k = 2 + trial % 5;
        const int64_t target =
            static_cast<int64_t>(std::exp(std::log(3000.0) * (0.4 + 0.6 * (random() % 1000) / 1000.0)));
        const std::vector<int> levels = randomLevels(k, std::max<int64_t>(target, int64_t{1} << k), random);
        const int64_t n = cellCount(levels);
        const int mostCategories = static_cast<int>(std::min<int64_t>(n, trial % 3 == 0   ? 2000
                                                                         : trial % 3 == 1 ? 300
                                                                                          : 8));
        const int categories = 1 + static_cast<int>(random() % static_cast<uint64_t>(mostCategories));
        expectReferenceCounts(levels, randomCodes(n, categories, random), categories, 2, trial);
    }
}

TEST(LatticeCounter, everyMethodAloneMatchesTheReference)
{
    // Tables alone, runs alone and pairs alone, on skewed categories, on one category holding most
    // scores, and on scores that are all different (up to 2000 categories).
    std::mt19937_64 random(77);
    int trial = 0;
    for (CountingMethod method : {CountingMethod::Tables, CountingMethod::Runs, CountingMethod::Pairs}) {
        for (Profile profile : {Profile::Skewed, Profile::OneHoldsMost, Profile::EveryScoreDistinct}) {
            for (int design = 0; design < 5; ++design, ++trial) {
                const int k = 2 + trial % 5;
                const int64_t largest = profile == Profile::EveryScoreDistinct ? 2000 : 1200;
                const std::vector<int> levels = randomLevels(k, 40 + static_cast<int64_t>(random() % largest), random);
                const int64_t n = cellCount(levels);
                const int categories =
                    profile == Profile::EveryScoreDistinct
                        ? static_cast<int>(n)
                        : 2 + static_cast<int>(random() % static_cast<uint64_t>(std::min<int64_t>(n - 1, 600)));
                const std::vector<uint16_t> codes = profile == Profile::Skewed
                                                        ? randomCodes(n, categories, random)
                                                        : profileCodes(n, categories, profile, random);
                LatticeOptions options;
                options.method = method;
                expectReferenceCounts(levels, codes, categories, 1, static_cast<uint64_t>(trial), options);
            }
        }
        // A factor of more than 256 levels: levels 256 apart must not look alike.
        LatticeOptions options;
        options.method = method;
        expectReferenceCounts({3, 300}, randomCodes(900, 40, random), 40, 1, 5, options);
        expectReferenceCounts({2, 520, 2}, randomCodes(2080, 400, random), 400, 1, 6, options);
    }
}

TEST(LatticeCounter, pairsWithinTheGroupsOfSomeFactorsMatchTheReference)
{
    // Any factors paired, with any way of counting the other sets, on every profile of categories
    // and on categories beyond what a byte can name.
    std::mt19937_64 random(515);
    const CountingMethod methods[] = {CountingMethod::Cheapest, CountingMethod::Tables, CountingMethod::Runs};
    const Profile profiles[] = {Profile::Skewed, Profile::OneHoldsMost, Profile::EveryScoreDistinct};
    for (int trial = 0; trial < 60; ++trial) {
        const int k = 2 + trial % 5;
        const Profile profile = profiles[trial % 3];
        const std::vector<int> levels = randomLevels(k, 60 + static_cast<int64_t>(random() % 1800), random);
        const int64_t n = cellCount(levels);
        const int categories =
            profile == Profile::EveryScoreDistinct
                ? static_cast<int>(n)
                : 3 + static_cast<int>(random() %
                                       static_cast<uint64_t>(std::min<int64_t>(n - 2, trial % 2 ? 250 : 700)));
        const std::vector<uint16_t> codes = profile == Profile::Skewed ? randomCodes(n, categories, random)
                                                                       : profileCodes(n, categories, profile, random);
        LatticeOptions options;
        options.method = methods[(trial / 3) % 3];
        options.pairedFactors = 1 + static_cast<int>(random() % ((uint64_t{1} << k) - 2));
        if (trial % 4 == 3)
            options.randomPlanSeed = 1 + static_cast<uint64_t>(trial);
        expectReferenceCounts(levels, codes, categories, 2, static_cast<uint64_t>(trial), options);
    }
    // A factor of more than 256 levels, paired and not.
    for (int paired : {1, 2}) {
        LatticeOptions options;
        options.pairedFactors = paired;
        expectReferenceCounts({3, 300}, randomCodes(900, 40, random), 40, 1, 5, options);
    }
}

TEST(LatticeCounter, countsArrangementsWhoseLargestCategoryOutgrowsTheTablesOfTheLast)
{
    // Small categories let the tables count in bytes even where a group holds 300 cells; an
    // arrangement where one category holds most cells needs wider counts.
    std::mt19937_64 random(4);
    const std::vector<int> levels = {2, 300, 2};
    ReferencePairCounter reference(levels);
    std::vector<int64_t> expected(8), counted(8);
    for (CountingMethod method : {CountingMethod::Cheapest, CountingMethod::Tables}) {
        LatticeOptions options;
        options.method = method;
        LatticeCounter counter(levels, 200, options);
        for (int trial = 0; trial < 4; ++trial) {
            std::vector<uint16_t> codes = profileCodes(1200, 200, Profile::OneHoldsMost, random);
            if (trial % 2 == 0) {
                for (size_t i = 0; i < codes.size(); ++i)
                    codes[i] = static_cast<uint16_t>(i % 200);
                std::shuffle(codes.begin(), codes.end(), random);
            }
            reference.countMatching(codes.data(), expected.data());
            counter.countMatching(codes.data(), counted.data());
            ASSERT_EQ(counted, expected) << trial << ": " << counter.describePlan();
        }
    }
}

TEST(LatticeCounter, countsArrangementsWhoseCategorySizesDifferFromTheLast)
{
    // One counter, arrangements of other category sizes one after the other: each may want
    // another plan.
    std::mt19937_64 random(12);
    const std::vector<int> levels = {3, 4, 2, 5};
    LatticeCounter counter(levels, 300);
    ReferencePairCounter reference(levels);
    std::vector<int64_t> expected(16), counted(16);
    for (int trial = 0; trial < 12; ++trial) {
        const int used = 2 + static_cast<int>(random() % 299);
        const std::vector<uint16_t> codes = trial % 3 == 0 ? randomCodes(120, used, random)
                                            : trial % 3 == 1
                                                ? profileCodes(120, used, Profile::OneHoldsMost, random)
                                                : profileCodes(120, 120, Profile::EveryScoreDistinct, random);
        reference.countMatching(codes.data(), expected.data());
        counter.countMatching(codes.data(), counted.data());
        ASSERT_EQ(counted, expected) << trial << ": " << counter.describePlan();
    }
}

TEST(LatticeCounter, matchesTheReferenceOnSixFactorDesignsOfSeveralThousandCells)
{
    std::mt19937_64 random(7);
    const std::vector<std::vector<int>> designs = {{2, 2, 2, 2, 2, 127}, {3, 3, 3, 3, 3, 16}, {2, 5, 2, 7, 3, 11}};
    for (const std::vector<int> &levels : designs)
        for (int categories : {2, 5, 50})
            expectReferenceCounts(levels, randomCodes(cellCount(levels), categories, random), categories, 1, 3);
}

TEST(LatticeCounter, matchesTheReferenceOnTheLargestDesigns)
{
    std::mt19937_64 random(11);
    expectReferenceCounts({2, 2, 2, 2, 2, 511}, randomCodes(16352, 2, random), 2, 0, 1);
    expectReferenceCounts({4, 4, 4, 4, 4, 15}, randomCodes(15360, 50, random), 50, 0, 1);
    // Many categories and one factor of many levels: the model pairs within that factor's groups.
    std::vector<uint16_t> spread(15360);
    for (size_t i = 0; i < spread.size(); ++i)
        spread[i] = static_cast<uint16_t>(i % 200);
    std::shuffle(spread.begin(), spread.end(), random);
    LatticeCounter paired({4, 4, 4, 4, 4, 15}, 200);
    paired.startShuffles(spread.data());
    EXPECT_NE(paired.describePlan().find("pair by pair within"), std::string::npos) << paired.describePlan();
    expectReferenceCounts({4, 4, 4, 4, 4, 15}, spread, 200, 1, 2);
    std::vector<uint16_t> many(15360);
    for (size_t i = 0; i < many.size(); ++i)
        many[i] = static_cast<uint16_t>(i % 1000);
    expectReferenceCounts({4, 4, 4, 4, 4, 15}, many, 1000, 0, 1);
}

TEST(LatticeCounter, everyWayOfCountingASetGivesTheSameCounts)
{
    // Random plans mix runs, tensors counted from the cells and tensors summed from others.
    std::mt19937_64 random(99);
    for (int trial = 0; trial < 150; ++trial) {
        const int k = 2 + trial % 5;
        const std::vector<int> levels = randomLevels(k, 64 + static_cast<int64_t>(random() % 700), random);
        const int categories = 2 + static_cast<int>(random() % (trial % 2 ? 3 : 40));
        LatticeOptions options;
        options.randomPlanSeed = 1 + static_cast<uint64_t>(trial);
        expectReferenceCounts(levels, randomCodes(cellCount(levels), categories, random), categories, 1, trial,
                              options);
    }
}

TEST(LatticeCounter, tensorsWithMoreThan255CellsPerGroupUseWiderCounts)
{
    std::mt19937_64 random(5);
    for (int categories : {2, 3, 9}) {
        expectReferenceCounts({2, 600}, randomCodes(1200, categories, random), categories, 2, 1);
        expectReferenceCounts({300, 2, 3}, randomCodes(1800, categories, random), categories, 2, 2);
        LatticeOptions options;
        options.randomPlanSeed = 17;
        expectReferenceCounts({2, 2, 400}, randomCodes(1600, categories, random), categories, 2, 3, options);
    }
}

TEST(LatticeCounter, tableEntriesAtTheEdgesOfTheirWidthsMatchTheReference)
{
    // Groups of 127 and 128 cells (the squares of entries below 128 are taken two at a time) and
    // of 255 and 256 (wider counts), where one category fills whole groups.
    std::mt19937_64 random(11);
    for (int groupSize : {127, 128, 255, 256}) {
        for (int categories : {2, 3, 40}) {
            const std::vector<int> levels = {groupSize, 3, 2};
            const int64_t n = cellCount(levels);
            std::vector<uint16_t> codes(static_cast<size_t>(n), 1);
            for (int other = 0; other < 3; ++other)
                codes[random() % codes.size()] = static_cast<uint16_t>(random() % static_cast<uint64_t>(categories));
            for (uint64_t plan : {uint64_t{0}, static_cast<uint64_t>(groupSize)}) {
                LatticeOptions options;
                options.method = CountingMethod::Tables;
                options.randomPlanSeed = plan;
                expectReferenceCounts(levels, codes, categories, 2, static_cast<uint64_t>(groupSize), options);
            }
        }
    }
}

TEST(LatticeCounter, largeSummedTablesMatchTheReference)
{
    // Tables of 1280 groups and 256 channels (320 KiB) and more, summed from larger ones: their
    // squares are taken while they are summed, in more vectors than one set of 32-bit sums may
    // take before it is added up.
    std::mt19937_64 random(21);
    const std::vector<int> levels = {2, 2, 40, 32};
    for (uint64_t plan = 0; plan < 12; ++plan) {
        LatticeOptions options;
        options.method = CountingMethod::Tables;
        options.randomPlanSeed = plan;
        expectReferenceCounts(levels, randomCodes(cellCount(levels), 256, random), 256, 1, plan, options);
    }
}

TEST(LatticeCounter, categoriesBeyondTheChannelsAreCountedAmongTheirOwnCells)
{
    std::mt19937_64 random(31);
    for (int trial = 0; trial < 40; ++trial) {
        const int k = 2 + trial % 5;
        const std::vector<int> levels = randomLevels(k, 100 + static_cast<int64_t>(random() % 1500), random);
        const int categories = 2 + static_cast<int>(random() % 60);
        LatticeOptions options;
        options.maxChannels = 1 + static_cast<int>(random() % 4);
        if (trial % 3 == 0)
            options.randomPlanSeed = 1 + static_cast<uint64_t>(trial);
        expectReferenceCounts(levels, randomCodes(cellCount(levels), categories, random), categories, 2, trial,
                              options);
    }
    // More categories than a byte can name.
    expectReferenceCounts({4, 8, 3, 5}, randomCodes(480, 400, random), 400, 2, 1);
    std::vector<uint16_t> distinct(2048);
    for (size_t i = 0; i < distinct.size(); ++i)
        distinct[i] = static_cast<uint16_t>(i);
    expectReferenceCounts({2, 4, 256}, distinct, 2048, 1, 2);
}

TEST(LatticeCounter, oneCategoryMatchesEveryPair)
{
    const std::vector<int> levels = {3, 2, 5};
    LatticeCounter counter(levels, 1);
    const std::vector<uint16_t> codes(30, 0);
    std::vector<int64_t> matching(8, -1);
    counter.countMatching(codes.data(), matching.data());
    EXPECT_EQ(matching[0], 0);
    for (SourceMask m = 1; m < 8; ++m)
        EXPECT_EQ(matching[m], sourcePairs(levels, m)) << m;
}

TEST(LatticeCounter, refusesDesignsBeyondItsLimits)
{
    EXPECT_THROW(LatticeCounter({2, 2, 2, 2, 2, 2, 2}, 3), std::length_error);
    EXPECT_THROW(LatticeCounter({256, 257}, 3), std::length_error);
    EXPECT_NO_THROW(LatticeCounter({255, 257}, 3));
}

TEST(LatticeCounter, wholeRunsMatchThePlainCounterShuffleForShuffle)
{
    // Crossed and nested designs of both kinds; the plain counter on one thread, the lattice
    // counter on two, the same seed.
    std::mt19937_64 random(404);
    int nestedRuns = 0;
    for (int trial = 0; trial < 16; ++trial) {
        const int k = 2 + trial % 5;
        Design design = kelsim::testing::randomDesign(k, 400, random);
        if (trial % 2 == 1) {
            const std::vector<NestingPair> admissible = admissibleNesting(design);
            if (!admissible.empty()) {
                const std::vector<NestingPair> selected = {admissible[random() % admissible.size()]};
                const NestingCheck check = completeNesting(selected);
                if (check.accepted) {
                    design.nested = true;
                    design.nestingPairs = check.pairs;
                    design.selectedNesting = selected;
                    ++nestedRuns;
                }
            }
        }
        const int categories = 1 + static_cast<int>(random() % static_cast<uint64_t>(trial % 4 == 3 ? 400 : 30));
        const ScoreSet scores = kelsim::testing::randomScores(design.cellCount(), categories, random);
        ContinueAlways yes;
        RunOptions plain;
        plain.iterations = 400;
        plain.seed = 1000 + static_cast<uint64_t>(trial);
        plain.threads = 1;
        plain.counterFactory = &makeReferenceCounter;
        RunOptions lattice = plain;
        lattice.threads = 2;
        lattice.counterFactory = &makeLatticeCounter;
        const RunResult a = runAnalysis(design, scores, yes, plain);
        const RunResult b = runAnalysis(design, scores, yes, lattice);
        ASSERT_EQ(a.status, RunStatus::Completed);
        EXPECT_EQ(buildTsv(a.table), buildTsv(b.table)) << trial;
        for (size_t r = 0; r < a.table.rows.size(); ++r)
            EXPECT_EQ(a.table.rows[r].p.has_value() ? a.table.rows[r].p->exceedCount : -1,
                      b.table.rows[r].p.has_value() ? b.table.rows[r].p->exceedCount : -1)
                << trial;
    }
    EXPECT_GE(nestedRuns, 3);
}
