#include "ShuffleSchemes.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <tuple>
#include <utility>

namespace kelsim {

namespace {

// Factors as bit masks, bit f − 1 for factor f, like sources.
using FactorSet = SourceMask;

FactorSet bit(int factorIndex)
{
    return FactorSet{1} << factorIndex;
}

// For every factor (0-based), the factors it is nested under, the implied relations included.
std::vector<FactorSet> nestedUnder(const Design &design)
{
    std::vector<FactorSet> above(static_cast<size_t>(design.factorCount()), 0);
    auto indexOf = [&](char letter) {
        for (int f = 1; f <= design.factorCount(); ++f)
            if (design.letter(f) == letter)
                return f - 1;
        return -1;
    };
    if (!design.nested)
        return above;
    for (const NestingPair &pair : design.nestingPairs) {
        const int nested = indexOf(pair.nested), under = indexOf(pair.under);
        if (nested >= 0 && under >= 0)
            above[static_cast<size_t>(nested)] |= bit(under);
    }
    return above;
}

// The scheme that moves whole units (the level combinations of the factors in `units`; single
// cells when it is empty) within each level combination of the factors in `strata`, which must
// lie within `units` unless that is empty.
ShuffleScheme buildScheme(const Design &design, FactorSet strata, FactorSet units)
{
    const std::vector<int> levels = design.levelCounts();
    const int64_t cells = design.cellCount();
    // Index of a cell's level combination over a set of factors.
    auto key = [&](int64_t cell, FactorSet set) {
        int64_t index = 0, scale = 1;
        for (size_t f = 0; f < levels.size(); ++f) {
            const int64_t level = cell % levels[f];
            cell /= levels[f];
            if (set & bit(static_cast<int>(f))) {
                index += level * scale;
                scale *= levels[f];
            }
        }
        return index;
    };
    std::vector<std::tuple<int64_t, int64_t, int32_t>> order;
    order.reserve(static_cast<size_t>(cells));
    for (int64_t cell = 0; cell < cells; ++cell)
        order.emplace_back(key(cell, strata), units ? key(cell, units) : cell, static_cast<int32_t>(cell));
    std::sort(order.begin(), order.end());

    ShuffleScheme scheme;
    scheme.slotSize = 1;
    for (size_t f = 0; f < levels.size(); ++f)
        if (units && !(units & bit(static_cast<int>(f))))
            scheme.slotSize *= levels[f];
    for (size_t i = 0; i < order.size(); ++i) {
        if (i == 0 || std::get<0>(order[i]) != std::get<0>(order[i - 1]))
            scheme.groupStarts.push_back(static_cast<int32_t>(i / static_cast<size_t>(scheme.slotSize)));
        scheme.slotCells.push_back(std::get<2>(order[i]));
    }
    scheme.groupStarts.push_back(static_cast<int32_t>(scheme.slotCount()));
    return scheme;
}

std::string levelsOf(const Design &design, FactorSet set)
{
    return "each level of " + sourceName(design, set);
}

} // namespace

std::vector<ShuffleScheme> planShuffles(const Design &design, const NTable &table,
                                        const std::vector<size_t> &testedRows, ShuffleMode mode)
{
    std::vector<ShuffleScheme> schemes;
    if (testedRows.empty())
        return schemes;
    if (mode == ShuffleMode::Whole) {
        schemes.push_back(buildScheme(design, 0, 0));
        schemes.back().description = "whole table";
        schemes.back().rows = testedRows;
        return schemes;
    }

    const int k = design.factorCount();
    const std::vector<FactorSet> above = nestedUnder(design);
    const bool repeated =
        design.kind == DesignKind::RepeatedMeasures && design.specialFactor >= 1 && design.specialFactor <= k;
    const int subjectsIndex = repeated ? design.specialFactor - 1 : -1;
    const FactorSet subjects = repeated ? bit(subjectsIndex) : 0;
    const FactorSet between = repeated ? above[static_cast<size_t>(subjectsIndex)] : 0;
    const FactorSet subject = subjects | between; // the factors whose levels make one subject

    std::vector<std::pair<FactorSet, FactorSet>> keys; // (strata, units) of each scheme
    for (size_t r : testedRows) {
        FactorSet row = 0;
        for (SourceMask source : table.rows[r].sources)
            row |= source;
        row &= ~subjects;
        const bool betweenRow = repeated && (row & ~between) == 0;
        // Scores never leave their subject unless the row is a between-subject one.
        const FactorSet base = repeated && !betweenRow ? subject : 0;
        FactorSet outer = 0; // the row's factors that its other factors are nested under
        for (int f = 0; f < k; ++f)
            if (row & bit(f))
                outer |= above[static_cast<size_t>(f)] & row;
        // The nearest nested unit below the row: a factor nested under all of the row's factors,
        // and under as few others as possible.
        int unit = -1;
        for (int n = 0; n < k; ++n) {
            if ((row | base) & bit(n))
                continue;
            if (betweenRow && !(subject & bit(n)))
                continue;
            const FactorSet over = above[static_cast<size_t>(n)];
            if ((over & row) != row)
                continue;
            if (unit < 0 || sourceOrder(over) < sourceOrder(above[static_cast<size_t>(unit)]))
                unit = n;
        }
        const FactorSet strata = base | outer;
        const FactorSet units = unit >= 0 ? bit(unit) | above[static_cast<size_t>(unit)] | base : 0;
        const std::pair<FactorSet, FactorSet> wanted(strata, units);
        const auto found = std::find(keys.begin(), keys.end(), wanted);
        if (found != keys.end()) {
            schemes[static_cast<size_t>(found - keys.begin())].rows.push_back(r);
            continue;
        }
        keys.push_back(wanted);
        ShuffleScheme scheme = buildScheme(design, strata, units);
        std::string where;
        if (repeated && strata == subject)
            where = "within subjects";
        else if (repeated && subject && (strata & subject) == subject)
            where = "within subjects and " + levelsOf(design, strata & ~subject);
        else if (strata)
            where = "within " + levelsOf(design, strata);
        if (unit < 0) {
            scheme.description = strata ? where : "whole table";
        } else {
            scheme.description =
                (unit == subjectsIndex ? std::string("subjects") : std::string(1, design.letter(unit + 1)) + " units") +
                " moved whole" + (where.empty() ? "" : " " + where);
        }
        scheme.rows.push_back(r);
        schemes.push_back(std::move(scheme));
    }
    return schemes;
}

uint64_t multinomial(const std::vector<int64_t> &counts, uint64_t limit)
{
    // One item at a time: with n items so far, i of them of the current kind, the count of
    // arrangements grows by n / i, and stays a whole number at every step.
    uint64_t result = 1, n = 0;
    for (int64_t count : counts) {
        for (uint64_t i = 1; i <= static_cast<uint64_t>(count); ++i) {
            ++n;
            const uint64_t common = std::gcd(result, i);
            const uint64_t factor = n / (i / common);
            result /= common;
            if (result > limit / factor)
                return limit + 1;
            result *= factor;
        }
    }
    return result;
}

Arrangements::Arrangements(const ShuffleScheme &scheme, const std::vector<uint16_t> &codes) : scheme_(&scheme)
{
    const size_t size = static_cast<size_t>(scheme.slotSize);
    std::map<std::vector<uint16_t>, int32_t> kindOf;
    std::vector<uint16_t> content(size);
    kinds_.reserve(scheme.slotCount());
    for (size_t s = 0; s < scheme.slotCount(); ++s) {
        for (size_t j = 0; j < size; ++j)
            content[j] = codes[static_cast<size_t>(scheme.slotCells[s * size + j])];
        const auto found = kindOf.emplace(content, static_cast<int32_t>(kindOf.size()));
        if (found.second)
            contents_.insert(contents_.end(), content.begin(), content.end());
        kinds_.push_back(found.first->second);
    }
}

namespace {

// How often each kind occurs in one group, the kinds in ascending order.
std::vector<std::pair<int32_t, int64_t>> kindCounts(const int32_t *begin, const int32_t *end)
{
    std::map<int32_t, int64_t> counts;
    for (const int32_t *k = begin; k != end; ++k)
        ++counts[*k];
    return {counts.begin(), counts.end()};
}

uint64_t groupArrangements(const std::vector<std::pair<int32_t, int64_t>> &counts, uint64_t limit)
{
    std::vector<int64_t> plain;
    for (const auto &[kind, count] : counts)
        plain.push_back(count);
    return multinomial(plain, limit);
}

} // namespace

uint64_t Arrangements::count(uint64_t limit) const
{
    uint64_t total = 1;
    const std::vector<int32_t> &starts = scheme_->groupStarts;
    for (size_t g = 0; g + 1 < starts.size(); ++g) {
        const uint64_t group =
            groupArrangements(kindCounts(kinds_.data() + starts[g], kinds_.data() + starts[g + 1]), limit);
        if (group > limit || total > limit / group)
            return limit + 1;
        total *= group;
    }
    return total;
}

void Arrangements::seek(uint64_t rank)
{
    // The last group varies fastest, as advance() steps.
    const std::vector<int32_t> &starts = scheme_->groupStarts;
    constexpr uint64_t kNoLimit = uint64_t{1} << 62;
    for (size_t g = starts.size() - 1; g-- > 0;) {
        int32_t *begin = kinds_.data() + starts[g];
        const int64_t length = starts[g + 1] - starts[g];
        std::vector<std::pair<int32_t, int64_t>> counts = kindCounts(begin, begin + length);
        uint64_t remaining = groupArrangements(counts, kNoLimit);
        uint64_t digit = rank % remaining;
        rank /= remaining;
        // Position by position, the kinds in ascending order: a kind placed first leaves
        // remaining · count / (slots left) arrangements of the rest.
        for (int64_t position = 0; position < length; ++position) {
            for (auto &[kind, count] : counts) {
                if (count == 0)
                    continue;
                const uint64_t share =
                    remaining * static_cast<uint64_t>(count) / static_cast<uint64_t>(length - position);
                if (digit < share) {
                    begin[position] = kind;
                    --count;
                    remaining = share;
                    break;
                }
                digit -= share;
            }
        }
    }
}

bool Arrangements::advance()
{
    const std::vector<int32_t> &starts = scheme_->groupStarts;
    for (size_t g = starts.size() - 1; g-- > 0;)
        if (std::next_permutation(kinds_.begin() + starts[g], kinds_.begin() + starts[g + 1]))
            return true;
    return false;
}

void Arrangements::draw(Random &random)
{
    const std::vector<int32_t> &starts = scheme_->groupStarts;
    for (size_t g = 0; g + 1 < starts.size(); ++g)
        random.shuffle(kinds_.data() + starts[g], static_cast<size_t>(starts[g + 1] - starts[g]));
}

void Arrangements::write(uint16_t *codes) const
{
    const size_t size = static_cast<size_t>(scheme_->slotSize);
    const int32_t *cells = scheme_->slotCells.data();
    for (size_t s = 0; s < kinds_.size(); ++s) {
        const uint16_t *content = contents_.data() + static_cast<size_t>(kinds_[s]) * size;
        for (size_t j = 0; j < size; ++j)
            codes[cells[s * size + j]] = content[j];
    }
}

} // namespace kelsim
