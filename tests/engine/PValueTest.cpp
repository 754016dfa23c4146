#include "AnalysisRun.h"
#include "ClopperPearson.h"
#include "NestingRelations.h"
#include "TableReport.h"
#include "TestDesigns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>

using namespace kelsim;
using namespace kelsim::testing;

namespace {

RunResult run(const Design &design, const ScoreSet &scores, RunOptions options)
{
    ContinueAlways yes;
    return runAnalysis(design, scores, yes, options);
}

RunOptions options(int iterations, uint64_t seed, ExactMode exact = ExactMode::Auto,
                   ShuffleMode shuffle = ShuffleMode::Whole, int threads = 2)
{
    RunOptions o;
    o.iterations = iterations;
    o.seed = seed;
    o.exact = exact;
    o.shuffle = shuffle;
    o.threads = threads;
    return o;
}

Design withNesting(Design design, const std::vector<NestingPair> &selected)
{
    design.nested = true;
    design.nestingPairs = completeNesting(selected).pairs;
    design.selectedNesting = selected;
    return design;
}

// A set of permutations written out by hand: each group lists its slots, each slot its cells; an
// ordering sends the content of one slot of a group, cell by cell, to another slot of the group.
using Slots = std::vector<std::vector<int>>;
using Groups = std::vector<Slots>;

Groups wholeTable(int64_t cells)
{
    Slots slots;
    for (int c = 0; c < cells; ++c)
        slots.push_back({c});
    return {slots};
}

struct Count {
    std::vector<int64_t> reached; // per row
    int64_t orderings = 0;
};

// Visits every ordering of every group's slots (not only the distinct arrangements) and counts,
// per row, the orderings whose N-ratio reaches the observed one.
Count countOrderings(const Design &design, const ScoreSet &scores, const Groups &groups)
{
    ContinueAlways yes;
    const ObservedPass observed = observePass(design, scores, yes);
    const size_t rows = observed.table.rows.size();
    ReferencePairCounter counter(design.levelCounts());
    std::vector<int64_t> matching(size_t{1} << design.factorCount());
    std::vector<double> proportion(rows), ratio(rows);
    std::unique_ptr<bool[]> defined(new bool[rows]);
    std::vector<std::vector<int>> orders;
    for (const Slots &slots : groups) {
        orders.emplace_back(slots.size());
        std::iota(orders.back().begin(), orders.back().end(), 0);
    }
    std::vector<uint16_t> codes = observed.codes.codes;
    Count count;
    count.reached.assign(rows, 0);
    for (bool more = true; more;) {
        for (size_t g = 0; g < groups.size(); ++g)
            for (size_t s = 0; s < groups[g].size(); ++s)
                for (size_t j = 0; j < groups[g][s].size(); ++j)
                    codes[static_cast<size_t>(groups[g][s][j])] =
                        observed.codes.codes[static_cast<size_t>(groups[g][static_cast<size_t>(orders[g][s])][j])];
        counter.countMatching(codes.data(), matching.data());
        observed.evaluator.evaluate(matching.data(), proportion.data(), ratio.data(), defined.get());
        ++count.orderings;
        for (size_t r = 0; r < rows; ++r)
            if (observed.observedRatio[r] > 0 && defined[r] && ratio[r] >= observed.observedRatio[r] * (1 - 1e-12))
                ++count.reached[r];
        more = false;
        for (size_t g = groups.size(); g-- > 0 && !more;)
            more = std::next_permutation(orders[g].begin(), orders[g].end());
    }
    return count;
}

// The p of a row equals reached / orderings, compared as fractions.
void expectExactP(const PValue &p, int64_t reached, int64_t orderings, const std::string &row)
{
    EXPECT_TRUE(p.exact) << row;
    EXPECT_EQ((p.exceedCount + 1) * orderings, reached * p.arrangements) << row;
    EXPECT_EQ(p.low, p.value);
    EXPECT_EQ(p.high, p.value);
}

int64_t cell(const Design &design, const std::vector<int> &levels)
{
    return cellPosition(design.levelCounts(), levels);
}

} // namespace

TEST(PValues, exactPEqualsACountOverEveryOrderingOfTheScores)
{
    std::mt19937_64 random(17);
    const std::vector<std::vector<std::pair<std::string, int>>> shapes = {
        {{"A", 2}, {"B", 2}}, {{"A", 3}, {"B", 2}},           {{"A", 2}, {"B", 4}},
        {{"A", 3}, {"B", 3}}, {{"A", 2}, {"B", 2}, {"C", 2}}, {{"A", 4}, {"B", 2}},
    };
    int compared = 0;
    for (size_t trial = 0; trial < 2 * shapes.size(); ++trial) {
        const auto &shape = shapes[trial % shapes.size()];
        const DesignKind kind = trial % 2 ? DesignKind::RepeatedMeasures : DesignKind::IndependentGroups;
        const Design design = makeDesign(shape, kind, 1 + static_cast<int>(random() % shape.size()));
        const ScoreSet scores = randomScores(design.cellCount(), 2 + static_cast<int>(trial % 2), random);
        const RunResult result = run(design, scores, options(kMaxIterations, 5));
        const Count count = countOrderings(design, scores, wholeTable(design.cellCount()));
        EXPECT_TRUE(result.table.exact());
        for (size_t r = 0; r < result.table.rows.size(); ++r) {
            const TableRow &row = result.table.rows[r];
            if (!row.p)
                continue;
            ++compared;
            expectExactP(*row.p, count.reached[r], count.orderings, row.name);
        }
    }
    EXPECT_GT(compared, 12);
}

TEST(PValues, restrictedPEqualsACountOverTheRestrictedOrderings)
{
    // Each design with, per tested row, the slots that its null hypothesis lets trade places.
    struct Case {
        Design design;
        std::map<std::string, Groups> orderings;
        bool everyRow = true; // else only the rows listed, the others having too many orderings
    };
    std::vector<Case> cases;
    {
        // Crossed repeated measures: every row shuffles within each subject's own four cells.
        const Design design = makeDesign({{"A", 2}, {"B", 2}, {"S", 2}}, DesignKind::RepeatedMeasures, 3);
        Groups withinSubjects;
        for (int s = 1; s <= 2; ++s) {
            Slots slots;
            for (int b = 1; b <= 2; ++b)
                for (int a = 1; a <= 2; ++a)
                    slots.push_back({static_cast<int>(cell(design, {a, b, s}))});
            withinSubjects.push_back(slots);
        }
        cases.push_back({design, {{"A", withinSubjects}, {"B", withinSubjects}, {"AxB", withinSubjects}}});
    }
    {
        // Subjects nested under groups: G moves each subject's pair of scores whole; W and GxW
        // shuffle within each subject.
        const Design design =
            withNesting(makeDesign({{"G", 2}, {"S", 2}, {"W", 2}}, DesignKind::RepeatedMeasures, 2), {{'S', 'G'}});
        Slots subjects;
        Groups withinSubjects;
        for (int s = 1; s <= 2; ++s) {
            for (int g = 1; g <= 2; ++g) {
                const int first = static_cast<int>(cell(design, {g, s, 1})),
                          second = static_cast<int>(cell(design, {g, s, 2}));
                subjects.push_back({first, second});
                withinSubjects.push_back({{first}, {second}});
            }
        }
        cases.push_back({design, {{"G", {subjects}}, {"W", withinSubjects}, {"GxW", withinSubjects}}});
    }
    {
        // Independent groups, A nested under B: B moves the A units whole; "A +" shuffles within
        // each level of B.
        const Design design =
            withNesting(makeDesign({{"A", 2}, {"B", 2}, {"R", 2}}, DesignKind::IndependentGroups, 3), {{'A', 'B'}});
        Slots units;
        Groups withinB;
        for (int b = 1; b <= 2; ++b) {
            Slots level;
            for (int a = 1; a <= 2; ++a) {
                units.push_back({static_cast<int>(cell(design, {a, b, 1})), static_cast<int>(cell(design, {a, b, 2}))});
                for (int r = 1; r <= 2; ++r)
                    level.push_back({static_cast<int>(cell(design, {a, b, r}))});
            }
            withinB.push_back(level);
        }
        cases.push_back({design, {{"B", {units}}, {"A +", withinB}}});
    }
    {
        // Repeated measures, A nested under B, both within subjects: B moves the A units (a pair of
        // cells over C) whole within each subject.
        const Design design = withNesting(
            makeDesign({{"A", 2}, {"B", 2}, {"C", 2}, {"S", 2}}, DesignKind::RepeatedMeasures, 4), {{'A', 'B'}});
        Groups unitsWithinSubjects;
        for (int s = 1; s <= 2; ++s) {
            Slots units;
            for (int b = 1; b <= 2; ++b)
                for (int a = 1; a <= 2; ++a)
                    units.push_back(
                        {static_cast<int>(cell(design, {a, b, 1, s})), static_cast<int>(cell(design, {a, b, 2, s}))});
            unitsWithinSubjects.push_back(units);
        }
        cases.push_back({design, {{"B", unitsWithinSubjects}}, false});
    }
    std::mt19937_64 random(4);
    int compared = 0;
    for (const Case &c : cases) {
        const int before = compared;
        for (int trial = 0; trial < 4; ++trial) {
            const ScoreSet scores = randomScores(c.design.cellCount(), 2 + trial % 2, random);
            const RunResult result =
                run(c.design, scores, options(100000, 1, ExactMode::Auto, ShuffleMode::Restricted));
            for (size_t r = 0; r < result.table.rows.size(); ++r) {
                const TableRow &row = result.table.rows[r];
                if (!row.p || (!c.everyRow && !c.orderings.count(row.name)))
                    continue;
                ASSERT_EQ(c.orderings.count(row.name), 1u) << row.name;
                const Count count = countOrderings(c.design, scores, c.orderings.at(row.name));
                expectExactP(*row.p, count.reached[r], count.orderings, row.name);
                ++compared;
            }
        }
        EXPECT_GE(compared - before, 4);
    }
    EXPECT_GT(compared, 24);
}

TEST(PValues, monteCarloPLiesWithinItsOwnIntervalOfTheExactP)
{
    // 100 designs of 10 to 14 scores, 200,000 shuffles each: the exact p must lie in the 99.9 %
    // interval of the estimate for every row of at least 99 designs.
    std::mt19937_64 random(2024);
    const std::vector<std::vector<std::pair<std::string, int>>> shapes = {
        {{"A", 2}, {"B", 5}},           {{"A", 3}, {"B", 4}}, {{"A", 2}, {"B", 7}},
        {{"A", 2}, {"B", 2}, {"C", 3}}, {{"A", 2}, {"B", 6}},
    };
    int covered = 0, rows = 0;
    for (int trial = 0; trial < 100; ++trial) {
        const auto &shape = shapes[static_cast<size_t>(trial) % shapes.size()];
        const Design design =
            makeDesign(shape, trial % 2 ? DesignKind::RepeatedMeasures : DesignKind::IndependentGroups,
                       1 + static_cast<int>(random() % shape.size()));
        const ScoreSet scores = randomScores(design.cellCount(), 2 + trial % 2, random);
        const RunResult estimate =
            run(design, scores, options(200000, 1000 + static_cast<uint64_t>(trial), ExactMode::Never));
        const RunResult exact = run(design, scores, options(kMaxIterations, 1));
        ASSERT_TRUE(exact.table.exact());
        ASSERT_FALSE(estimate.table.exact());
        bool inside = true;
        for (size_t r = 0; r < estimate.table.rows.size(); ++r) {
            const std::optional<PValue> &p = estimate.table.rows[r].p;
            if (!p)
                continue;
            ++rows;
            EXPECT_EQ(p->arrangements, 200000);
            const Interval interval = clopperPearson(p->exceedCount + 1, p->arrangements, .999);
            const double truth = exact.table.rows[r].p->value;
            inside = inside && interval.low <= truth && truth <= interval.high;
        }
        covered += inside;
    }
    EXPECT_GE(covered, 99);
    EXPECT_GT(rows, 100);
}

TEST(PValues, aRunStopsAtItsPrecisionAtTheSamePointForAnyThreads)
{
    // A's p lies near .05 with these scores, so its interval must narrow below the precision, which
    // takes more than one check.
    std::mt19937_64 random(12);
    const Design design = makeDesign({{"A", 4}, {"B", 3}, {"C", 3}}, DesignKind::IndependentGroups, 3);
    const ScoreSet scores = randomScores(design.cellCount(), 3, random);
    const double precision = .005;
    RunOptions one = options(2000000, 77, ExactMode::Auto, ShuffleMode::Whole, 1);
    one.precision = precision;
    RunOptions two = one;
    two.threads = 2;
    const RunResult a = run(design, scores, one), b = run(design, scores, two);
    EXPECT_EQ(buildTsv(a.table), buildTsv(b.table));
    EXPECT_EQ(a.table.iterations, b.table.iterations);
    EXPECT_TRUE(a.table.stoppedEarly());
    EXPECT_GT(a.table.iterations, 8 * kShufflesPerBlock + 1);
    EXPECT_LT(a.table.iterations, 2000000);
    EXPECT_EQ((a.table.iterations - 1) % kShufflesPerBlock, 0);
    const PValue &near = *a.table.rows[0].p;
    EXPECT_LT(near.low, .05);
    EXPECT_GT(near.high, .05);
    EXPECT_LT(near.high - near.low, precision);
    for (const TableRow &row : a.table.rows) {
        if (!row.p)
            continue;
        EXPECT_TRUE(meetsPrecision(row.p->low, row.p->high, precision)) << row.name;
        EXPECT_EQ(row.p->arrangements, a.table.iterations);
        EXPECT_EQ(row.p->distribution.total(), a.table.iterations - 1);
    }
}

TEST(PValues, anIntervalIsSettledWhenNarrowOrClearOfBothLevels)
{
    const struct {
        double low, high, precision;
        bool settled;
    } cases[] = {
        {.30, .50, .01, true},                                   // above both levels
        {.001, .009, .001, true},                                // below both
        {.02, .04, .001, true},                                  // between them
        {.0095, .0105, .001, false}, {.0095, .0104, .001, true}, // across .01: only when narrow
        {.04, .06, .01, false},      {.045, .0549, .01, true},   {.005, .02, .1, true}, {.5, .5, 0.0, true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(meetsPrecision(c.low, c.high, c.precision), c.settled) << c.low << " " << c.high;
}

TEST(PValues, theDistributionCountsEveryArrangementInItsBins)
{
    const Design design = makeDesign({{"A", 3}, {"B", 3}}, DesignKind::IndependentGroups, 2);
    const ScoreSet scores = makeScores({"a", "b", "a", "c", "b", "a", "a", "c", "b"});
    const RunResult result = run(design, scores, options(100000, 3));
    ASSERT_TRUE(result.table.exact());
    const TableRow &row = result.table.rows[0];
    ASSERT_TRUE(row.p);
    const RatioHistogram &histogram = row.p->distribution;

    // Every distinct arrangement once, binned here.
    ContinueAlways yes;
    const ObservedPass observed = observePass(design, scores, yes);
    std::vector<uint16_t> codes = observed.codes.codes;
    std::sort(codes.begin(), codes.end());
    ReferencePairCounter counter(design.levelCounts());
    std::vector<int64_t> matching(4), counts(kHistogramBins, 0);
    std::vector<double> proportion(2), ratio(2);
    bool defined[2];
    const double width = 2 * std::max(row.nRatio, 1.0) / kHistogramBins;
    int64_t above = 0, undefined = 0;
    double largest = 0;
    do {
        counter.countMatching(codes.data(), matching.data());
        observed.evaluator.evaluate(matching.data(), proportion.data(), ratio.data(), defined);
        if (!defined[0]) {
            ++undefined;
            continue;
        }
        largest = std::max(largest, ratio[0]);
        const auto bin = static_cast<size_t>(ratio[0] / width);
        bin < counts.size() ? ++counts[bin] : ++above;
    } while (std::next_permutation(codes.begin(), codes.end()));
    EXPECT_DOUBLE_EQ(histogram.binWidth, width);
    EXPECT_EQ(histogram.counts, counts);
    EXPECT_EQ(histogram.above, above);
    EXPECT_EQ(histogram.undefined, undefined);
    EXPECT_EQ(histogram.largest, largest);
    EXPECT_EQ(histogram.total(), row.p->arrangements);

    const RunResult estimate = run(design, scores, options(3000, 3, ExactMode::Never));
    EXPECT_EQ(estimate.table.rows[0].p->distribution.total(), 2999);
}

TEST(PValues, exactWhenTheArrangementsFitTheIterationsOnly)
{
    // 9 scores, three of each of three kinds: 9! / (3! 3! 3!) = 1680 distinct arrangements.
    const Design design = makeDesign({{"A", 3}, {"B", 3}}, DesignKind::IndependentGroups, 2);
    const ScoreSet scores = makeScores({"a", "b", "c", "b", "c", "a", "c", "a", "b"});
    const struct {
        int iterations;
        ExactMode mode;
        bool exact;
    } cases[] = {{1680, ExactMode::Auto, true}, {1679, ExactMode::Auto, false}, {100000, ExactMode::Never, false}};
    for (const auto &c : cases) {
        const RunResult result = run(design, scores, options(c.iterations, 9, c.mode));
        ASSERT_EQ(result.table.streams.size(), 1u);
        const ShuffleStream &stream = result.table.streams[0];
        EXPECT_EQ(stream.exact, c.exact) << c.iterations;
        EXPECT_EQ(result.table.iterations, c.exact ? 1680 : c.iterations);
        EXPECT_EQ(stream.arrangements, c.exact ? 1680 : 0);
        EXPECT_EQ(result.table.rows[0].p->exact, c.exact);
    }
}

TEST(PValues, restrictedRowsShareAStreamPerUnitAndSayWhatMoves)
{
    const struct {
        Design design;
        std::vector<std::string> descriptions;
    } cases[] = {
        {makeDesign({{"A", 3}, {"B", 4}}, DesignKind::IndependentGroups, 2), {"whole table"}},
        {makeDesign({{"G", 2}, {"S", 5}, {"T", 3}}, DesignKind::RepeatedMeasures, 2), {"within subjects"}},
        {withNesting(makeDesign({{"G", 2}, {"P", 4}, {"W", 3}}, DesignKind::RepeatedMeasures, 2), {{'P', 'G'}}),
         {"subjects moved whole", "within subjects"}},
        {withNesting(makeDesign({{"A", 2}, {"B", 3}, {"R", 2}}, DesignKind::IndependentGroups, 3), {{'A', 'B'}}),
         {"within each level of B", "A units moved whole"}},
        {withNesting(makeDesign({{"A", 2}, {"B", 2}, {"C", 2}, {"S", 3}}, DesignKind::RepeatedMeasures, 4),
                     {{'A', 'B'}}),
         {"within subjects and each level of B", "A units moved whole within subjects", "within subjects"}},
    };
    std::mt19937_64 random(1);
    for (const auto &c : cases) {
        const ScoreSet scores = randomScores(c.design.cellCount(), 4, random);
        const RunResult result = run(c.design, scores, options(2000, 1, ExactMode::Auto, ShuffleMode::Restricted));
        std::vector<std::string> descriptions;
        size_t rows = 0;
        for (const ShuffleStream &stream : result.table.streams) {
            descriptions.push_back(stream.description);
            rows += stream.rows.size();
            for (size_t r : stream.rows)
                EXPECT_TRUE(result.table.rows[r].p);
        }
        EXPECT_EQ(descriptions, c.descriptions);
        EXPECT_EQ(rows, static_cast<size_t>(std::count_if(result.table.rows.begin(), result.table.rows.end(),
                                                          [](const TableRow &row) { return row.p.has_value(); })));
    }
}
