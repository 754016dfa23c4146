#include "PairCounting.h"

#include <algorithm>
#include <map>

namespace kelsim {

CategoryCodes encodeScores(const std::vector<std::string> &flat)
{
    CategoryCodes result;
    std::map<std::string, uint16_t> codeOf;
    result.codes.reserve(flat.size());
    for (const std::string &score : flat) {
        auto it = codeOf.find(score);
        if (it == codeOf.end()) {
            it = codeOf.emplace(score, static_cast<uint16_t>(result.categories.size())).first;
            result.categories.push_back(score);
        }
        result.codes.push_back(it->second);
    }
    return result;
}

std::vector<uint32_t> shuffleOrder(const std::vector<int> &levelCounts)
{
    const size_t k = levelCounts.size();
    std::vector<size_t> order(k), step(k);
    size_t cells = 1;
    for (size_t f = 0; f < k; ++f) {
        order[f] = f;
        step[f] = cells;
        cells *= static_cast<size_t>(levelCounts[f]);
    }
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return levelCounts[a] > levelCounts[b]; });
    std::vector<uint32_t> cellAt(cells);
    std::vector<int> at(k, 0);
    for (size_t p = 0; p < cells; ++p) {
        size_t cell = 0;
        for (size_t f = 0; f < k; ++f)
            cell += static_cast<size_t>(at[f]) * step[f];
        cellAt[p] = static_cast<uint32_t>(cell);
        for (size_t j = 0; j < k; ++j) {
            if (++at[order[j]] < levelCounts[order[j]])
                break;
            at[order[j]] = 0;
        }
    }
    return cellAt;
}

PairCounter::PairCounter(const std::vector<int> &levelCounts) : levels_(levelCounts)
{
    cells_ = 1;
    for (int l : levels_)
        cells_ *= static_cast<size_t>(l);
}

void PairCounter::startShuffles(const uint16_t *codes)
{
    if (cellAt_.empty()) {
        cellAt_ = shuffleOrder(levels_);
        shuffled_.resize(cells_);
        inCellOrder_.resize(cells_);
    }
    for (size_t p = 0; p < cells_; ++p)
        shuffled_[p] = codes[cellAt_[p]];
}

void PairCounter::shuffleAndCount(Random &random, int64_t *matching)
{
    random.shuffle(shuffled_.data(), cells_);
    for (size_t p = 0; p < cells_; ++p)
        inCellOrder_[cellAt_[p]] = shuffled_[p];
    countMatching(inCellOrder_.data(), matching);
}

ReferencePairCounter::ReferencePairCounter(const std::vector<int> &levelCounts) : PairCounter(levelCounts)
{
    const size_t k = levels_.size();
    coordinates_.resize(cells_ * k);
    std::vector<int> at(k, 0);
    for (size_t c = 0; c < cells_; ++c) {
        for (size_t f = 0; f < k; ++f)
            coordinates_[c * k + f] = static_cast<uint16_t>(at[f]);
        // Factor 1 cycles fastest.
        for (size_t f = 0; f < k; ++f) {
            if (++at[f] < levels_[f])
                break;
            at[f] = 0;
        }
    }
}

void ReferencePairCounter::countMatching(const uint16_t *codes, int64_t *matching)
{
    const size_t k = levels_.size();
    const size_t sources = size_t{1} << k;
    for (size_t m = 0; m < sources; ++m)
        matching[m] = 0;
    for (size_t i = 0; i < cells_; ++i) {
        for (size_t j = i + 1; j < cells_; ++j) {
            if (codes[i] != codes[j])
                continue;
            SourceMask mask = 0;
            for (size_t f = 0; f < k; ++f) {
                if (coordinates_[i * k + f] != coordinates_[j * k + f])
                    mask |= 1u << f;
            }
            ++matching[mask];
        }
    }
}

std::unique_ptr<PairCounter> makeReferenceCounter(const std::vector<int> &levelCounts, int)
{
    return std::make_unique<ReferencePairCounter>(levelCounts);
}

void finishTallies(const Design &design, const std::vector<int64_t> &matching, PairTallies &tallies)
{
    const int k = design.factorCount();
    const std::vector<int> levels = design.levelCounts();
    const size_t sources = size_t{1} << k;
    tallies.pairs.assign(sources, 0);
    tallies.matches.assign(sources, 0);
    tallies.proportion.assign(sources, 0.0);
    const int64_t n = design.cellCount();
    tallies.totalPairs = n * (n - 1) / 2;
    for (SourceMask m = 1; m < sources; ++m) {
        const int64_t pairs = sourcePairs(levels, m);
        const int64_t stored = sourceOrder(m) == 1 ? matching[m] : pairs - matching[m];
        tallies.pairs[m] = pairs;
        tallies.matches[m] = stored;
        tallies.proportion[m] = static_cast<double>(pairs - stored) / static_cast<double>(pairs);
    }
    if (design.kind == DesignKind::IndependentGroups && design.specialFactor >= 1 && design.specialFactor <= k) {
        int64_t pairs = 0;
        int64_t stored = 0;
        for (SourceMask m = 1; m < sources; ++m) {
            if (!sourceContains(m, design.specialFactor))
                continue;
            pairs += tallies.pairs[m];
            stored += tallies.matches[m];
        }
        tallies.pairs[0] = pairs;
        tallies.matches[0] = stored;
        tallies.errorProportion = static_cast<float>(static_cast<double>(pairs - stored) / static_cast<double>(pairs));
    }
}

PairTallies countTallies(const Design &design, const ScoreSet &scores)
{
    const CategoryCodes coded = encodeScores(scores.flat);
    ReferencePairCounter counter(design.levelCounts());
    std::vector<int64_t> matching(size_t{1} << design.factorCount(), 0);
    counter.countMatching(coded.codes.data(), matching.data());
    PairTallies tallies;
    finishTallies(design, matching, tallies);
    return tallies;
}

} // namespace kelsim
