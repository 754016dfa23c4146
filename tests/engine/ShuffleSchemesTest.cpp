#include "ShuffleSchemes.h"
#include "NestingRelations.h"
#include "TableRows.h"
#include "TestDesigns.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace kelsim;
using namespace kelsim::testing;

namespace {

// The schemes of every tested row of a nested repeated-measures design: subjects moved whole,
// and scores within subjects.
std::vector<ShuffleScheme> nestedSchemes(Design &design)
{
    design = makeDesign({{"G", 2}, {"S", 3}, {"W", 2}}, DesignKind::RepeatedMeasures, 2);
    design.nested = true;
    design.selectedNesting = {{'S', 'G'}};
    design.nestingPairs = completeNesting(design.selectedNesting).pairs;
    const NTable layout = layoutTable(design);
    std::vector<size_t> tested;
    for (size_t r = 0; r < layout.rows.size(); ++r)
        if (layout.rows[r].errorRow >= 0)
            tested.push_back(r);
    return planShuffles(design, layout, tested, ShuffleMode::Restricted);
}

std::vector<uint16_t> arranged(const Arrangements &arrangements, size_t cells)
{
    std::vector<uint16_t> codes(cells);
    arrangements.write(codes.data());
    return codes;
}

} // namespace

TEST(ShuffleSchemes, multinomialsAreExactUpToTheirLimit)
{
    const struct {
        std::vector<int64_t> counts;
        uint64_t limit, expected;
    } cases[] = {
        {{}, 10, 1},
        {{7}, 10, 1},
        {{1, 1, 1}, 10, 6},
        {{2, 2}, 10, 6},
        {{5, 5, 4}, 1000000, 252252},
        {{5, 5, 4}, 252252, 252252},
        {{5, 5, 4}, 252251, 252252},
        {{10, 10}, 1000, 1001},
        {{8176, 8176}, 5000000, 5000001},
        {{30, 30}, uint64_t{1} << 62, 118264581564861424ull},
    };
    for (const auto &c : cases)
        EXPECT_EQ(multinomial(c.counts, c.limit), c.expected) << c.counts.size();
}

TEST(ShuffleSchemes, enumerationVisitsEveryDistinctArrangementOnceAndSeeksByRank)
{
    Design design;
    const std::vector<uint16_t> codes = {0, 1, 0, 2, 1, 0, 2, 2, 1, 0, 0, 1};
    for (const ShuffleScheme &scheme : nestedSchemes(design)) {
        Arrangements walk(scheme, codes);
        const uint64_t count = walk.count(1000000);
        walk.seek(0);
        std::vector<std::vector<uint16_t>> visited;
        do
            visited.push_back(arranged(walk, codes.size()));
        while (walk.advance());
        EXPECT_EQ(visited.size(), count) << scheme.description;
        EXPECT_EQ(std::set<std::vector<uint16_t>>(visited.begin(), visited.end()).size(), count);
        EXPECT_NE(std::find(visited.begin(), visited.end(), codes), visited.end());
        for (uint64_t rank : {uint64_t{0}, uint64_t{1}, count / 3, count - 1}) {
            Arrangements seeker(scheme, codes);
            seeker.seek(rank);
            EXPECT_EQ(arranged(seeker, codes.size()), visited[rank]) << scheme.description << " " << rank;
        }
    }
}

TEST(ShuffleSchemes, drawsReachEveryArrangementEquallyOften)
{
    Design design;
    const std::vector<uint16_t> codes = {0, 1, 0, 2, 1, 0, 2, 2, 1, 0, 0, 1};
    Random random(5);
    for (const ShuffleScheme &scheme : nestedSchemes(design)) {
        Arrangements drawn(scheme, codes);
        const uint64_t count = drawn.count(1000);
        ASSERT_LE(count, 1000u);
        std::map<std::vector<uint16_t>, int> seen;
        const int perArrangement = 400;
        for (uint64_t d = 0; d < count * perArrangement; ++d) {
            drawn.draw(random);
            ++seen[arranged(drawn, codes.size())];
        }
        EXPECT_EQ(seen.size(), count) << scheme.description;
        for (const auto &[arrangement, times] : seen)
            EXPECT_NEAR(times, perArrangement, 5 * std::sqrt(perArrangement)) << scheme.description;
    }
}

TEST(ShuffleSchemes, restrictedSchemesCoverEveryCellAndMoveSubjectsWholeOrNotAtAll)
{
    std::mt19937_64 random(23);
    int nested = 0, withinSubjects = 0;
    for (int trial = 0; trial < 120; ++trial) {
        Design design = randomDesign(3 + trial % 4, 600, random);
        std::vector<NestingPair> selected;
        for (const NestingPair &pair : admissibleNesting(design))
            if (random() % 3 == 0)
                selected.push_back(pair);
        const NestingCheck check = completeNesting(selected);
        if (check.accepted && !selected.empty()) {
            design.nested = true;
            design.nestingPairs = check.pairs;
            design.selectedNesting = selected;
            ++nested;
        }
        const NTable layout = layoutTable(design);
        std::vector<size_t> tested;
        for (size_t r = 0; r < layout.rows.size(); ++r)
            if (layout.rows[r].errorRow >= 0)
                tested.push_back(r);
        const std::vector<ShuffleScheme> schemes = planShuffles(design, layout, tested, ShuffleMode::Restricted);
        size_t rows = 0;
        // A subject: the subjects factor's level and the levels of the factors it is nested under.
        std::vector<int> levels = design.levelCounts();
        auto subjectOf = [&](int64_t cell) {
            std::string key;
            for (int f = 1; f <= design.factorCount(); ++f) {
                const int64_t level = cell % levels[static_cast<size_t>(f - 1)];
                cell /= levels[static_cast<size_t>(f - 1)];
                const bool over =
                    std::find(design.nestingPairs.begin(), design.nestingPairs.end(),
                              NestingPair{design.specialLetter(), design.letter(f)}) != design.nestingPairs.end();
                if (f == design.specialFactor || (design.nested && over))
                    key += std::to_string(level) + ".";
            }
            return key;
        };
        for (const ShuffleScheme &scheme : schemes) {
            rows += scheme.rows.size();
            std::vector<int32_t> cells = scheme.slotCells;
            std::sort(cells.begin(), cells.end());
            for (size_t c = 0; c < cells.size(); ++c)
                ASSERT_EQ(cells[c], static_cast<int32_t>(c)) << scheme.description;
            if (design.kind != DesignKind::RepeatedMeasures)
                continue;
            if (scheme.description.find("within subjects") == std::string::npos) {
                // Between-subject rows move whole subjects, never parts of one.
                ASSERT_NE(scheme.description.find("moved whole"), std::string::npos) << scheme.description;
                std::map<std::string, size_t> slotOf;
                for (size_t i = 0; i < scheme.slotCells.size(); ++i) {
                    const size_t slot = i / static_cast<size_t>(scheme.slotSize);
                    EXPECT_EQ(slotOf.emplace(subjectOf(scheme.slotCells[i]), slot).first->second, slot);
                }
                continue;
            }
            ++withinSubjects;
            for (size_t g = 0; g < scheme.groupCount(); ++g) {
                const size_t first = static_cast<size_t>(scheme.groupStarts[g] * scheme.slotSize);
                const size_t end = static_cast<size_t>(scheme.groupStarts[g + 1] * scheme.slotSize);
                for (size_t i = first; i < end; ++i)
                    EXPECT_EQ(subjectOf(scheme.slotCells[i]), subjectOf(scheme.slotCells[first])) << scheme.description;
            }
        }
        EXPECT_EQ(rows, tested.size());
    }
    EXPECT_GT(nested, 20);
    EXPECT_GT(withinSubjects, 20);
}
