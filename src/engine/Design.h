#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelsim {

constexpr int kMinFactors = 2;
constexpr int kMaxFactors = 6;
constexpr int kMaxScores = 16352;
constexpr int kDefaultIterations = 100000;
constexpr int kMaxIterations = 2147483647;

enum class DesignKind { IndependentGroups = 1, RepeatedMeasures = 2 };

struct Factor {
    std::string name;   // full name as typed
    std::string letter; // first character of the name; source names are built from letters
    int levels = 2;
    int df() const { return levels - 1; }
};

// One nesting relation: the factor with letter `nested` is nested under the factor with letter `under`.
struct NestingPair {
    char nested = 0;
    char under = 0;
    bool operator==(const NestingPair &o) const { return nested == o.nested && under == o.under; }
};

struct Design {
    std::vector<Factor> factors;
    DesignKind kind = DesignKind::IndependentGroups;
    int specialFactor = 0; // 1-based replicates/subjects factor; 0 while none is designated
    bool nested = false;
    std::vector<NestingPair> nestingPairs;             // completed relations, in the order the checks left them
    std::vector<NestingPair> selectedNesting;          // the relations the user chose, for the reports
    std::vector<std::vector<std::string>> levelLabels; // [factor][level], may be empty
    std::string problemLabel;

    int factorCount() const { return static_cast<int>(factors.size()); }
    int64_t cellCount() const;
    int maxLevels() const;
    std::vector<int> levelCounts() const;
    char letter(int factor) const; // 1-based
    char specialLetter() const;    // 0 when none designated
};

// Makes a factor with its first character in upper case and its letter taken from it.
Factor makeFactor(const std::string &name, int levels);

// 0-based position in cell order (Factor 1 cycles fastest) of a combination of 1-based levels.
int64_t cellPosition(const std::vector<int> &levelCounts, const std::vector<int> &levels);

// The scores in cell order, one text per cell. Two scores match when their texts are identical.
struct ScoreSet {
    std::vector<std::string> flat;
    int64_t count() const { return static_cast<int64_t>(flat.size()); }
};

// Sources are non-empty sets of factors, held as bit masks (bit f-1 for factor f).
using SourceMask = uint32_t;

int sourceOrder(SourceMask mask);
bool sourceContains(SourceMask mask, int factor);
// The decimal source code: the factor numbers as digits in ascending order (AxC is 13).
int sourceCode(SourceMask mask);
// Factor letters in factor order joined by "x" (AxB).
std::string sourceName(const Design &design, SourceMask mask);
// Every source of a k-factor design in table order: main effects, then two-way interactions
// in ascending code order, then three-way, and so on.
std::vector<SourceMask> sourcesInOrder(int factorCount);
// pairs of cells that differ in every factor of the source and agree on the others.
int64_t sourcePairs(const std::vector<int> &levelCounts, SourceMask mask);
// product of the df of the source's factors
int64_t sourceDf(const std::vector<int> &levelCounts, SourceMask mask);

} // namespace kelsim
