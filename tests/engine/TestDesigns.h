#pragma once

#include "Design.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace kelsim::testing {

inline Design makeDesign(const std::vector<std::pair<std::string, int>> &factors,
                         DesignKind kind = DesignKind::IndependentGroups, int special = 0)
{
    Design design;
    for (const auto &[name, levels] : factors)
        design.factors.push_back(makeFactor(name, levels));
    design.kind = kind;
    design.specialFactor = special;
    return design;
}

inline ScoreSet makeScores(const std::vector<std::string> &flat)
{
    ScoreSet scores;
    scores.flat = flat;
    return scores;
}

// Scores drawn from `categories` texts with skewed frequencies.
inline ScoreSet randomScores(int64_t n, int categories, std::mt19937_64 &random)
{
    std::vector<double> weights;
    for (int c = 0; c < categories; ++c)
        weights.push_back(1.0 / (1.0 + c));
    std::discrete_distribution<int> pick(weights.begin(), weights.end());
    ScoreSet scores;
    for (int64_t i = 0; i < n; ++i)
        scores.flat.push_back("c" + std::to_string(pick(random)));
    return scores;
}

// A random crossed design of `k` factors with at most `maxCells` cells.
inline Design randomDesign(int k, int64_t maxCells, std::mt19937_64 &random)
{
    static const char *names[] = {"Alpha", "Beta", "Gamma", "Delta", "Eta", "Theta"};
    Design design;
    int64_t cells = 1;
    for (int f = 0; f < k; ++f) {
        // Leave room for two levels in every factor still to come.
        const int64_t room = maxCells / cells / (int64_t{1} << (k - f - 1));
        const int most = static_cast<int>(std::min<int64_t>(room, 6));
        const int levels = most <= 2 ? 2 : 2 + static_cast<int>(random() % static_cast<uint64_t>(most - 1));
        design.factors.push_back(makeFactor(names[f], levels));
        cells *= levels;
    }
    design.kind = random() % 2 ? DesignKind::IndependentGroups : DesignKind::RepeatedMeasures;
    design.specialFactor = 1 + static_cast<int>(random() % static_cast<uint64_t>(k));
    return design;
}

} // namespace kelsim::testing
