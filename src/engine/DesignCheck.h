#pragma once

#include "Design.h"

#include <optional>
#include <string>
#include <vector>

namespace kelsim {

// What is wrong with a design, as the user is told it: the message's title, text and icon, and
// the factor (1-based) it concerns, 0 when it concerns none.
struct DesignProblem {
    enum class Icon { Critical, Exclamation };
    std::string title;
    std::string text;
    Icon icon = Icon::Critical;
    int factor = 0;
};

// The one set of design checks. The opening screen, the design windows and the command line all
// ask these, so that every front end accepts exactly the same designs.

// 2 to 6 factors.
std::optional<DesignProblem> checkFactorCount(int count);
// A factor name must begin with a letter A–Z (either case).
std::optional<DesignProblem> checkFactorName(int factor, const std::string &name);
// The first letters of the names, compared in upper case, must all differ.
std::optional<DesignProblem> checkUniqueLetters(const std::vector<std::string> &names);
// At least 2 levels a factor, and at most kMaxScores scores in all.
std::optional<DesignProblem> checkLevelCounts(const std::vector<int> &levels);
// The replicates or subjects factor is one of the design's factors.
std::optional<DesignProblem> checkDesignatedFactor(const Design &design);

// The nesting relations the user selected, checked against the design (each one admissible for
// its kind and designated factor), then completed with every relation they imply.
struct NestingResult {
    std::optional<DesignProblem> problem;
    std::vector<NestingPair> pairs; // the selected relations, then the implied ones
};
NestingResult checkNesting(const Design &design, const std::vector<NestingPair> &selected);

// The number of iterations a run is asked for, read from what the user typed (`parsed` false when
// it was no number at all).
std::optional<DesignProblem> checkIterations(bool parsed, double value);

// Everything above for a whole design, the nesting included: a nested design must hold the
// completion of its selected relations, and a crossed one none. Nothing when the design can run.
std::optional<DesignProblem> validateDesign(const Design &design);

} // namespace kelsim
