#include "DesignCheck.h"

#include "Format.h"
#include "NestingRelations.h"

#include <algorithm>
#include <cctype>

namespace kelsim {

namespace {

DesignProblem problem(const std::string &title, const std::string &text, DesignProblem::Icon icon, int factor = 0)
{
    return DesignProblem{title, text, icon, factor};
}

char upperInitial(const std::string &name)
{
    return name.empty() ? '\0' : static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
}

} // namespace

std::optional<DesignProblem> checkFactorCount(int count)
{
    if (count > kMaxFactors)
        return problem("Program Limitation", "Sorry, the program only accommodates 6 factors.",
                       DesignProblem::Icon::Exclamation);
    if (count < kMinFactors)
        return problem("Error", "A design needs at least 2 factors.", DesignProblem::Icon::Exclamation);
    return std::nullopt;
}

std::optional<DesignProblem> checkFactorName(int factor, const std::string &name)
{
    if (name.empty())
        return problem("Error", "Please enter a name for Factor" + strText(static_cast<int64_t>(factor)),
                       DesignProblem::Icon::Exclamation, factor);
    const char initial = upperInitial(name);
    if (initial < 'A' || initial > 'Z')
        return problem("Change required!", "The first character of the factor name must be a letter",
                       DesignProblem::Icon::Critical, factor);
    return std::nullopt;
}

std::optional<DesignProblem> checkUniqueLetters(const std::vector<std::string> &names)
{
    for (size_t i = 0; i < names.size(); ++i)
        for (size_t j = i + 1; j < names.size(); ++j)
            if (upperInitial(names[i]) == upperInitial(names[j]))
                return problem("Change required!",
                               "The program requires the first letter of all factor names to be unique.  Please "
                               "change the name of either " +
                                   names[i] + " or " + names[j] + ".",
                               DesignProblem::Icon::Critical, static_cast<int>(i) + 1);
    return std::nullopt;
}

std::optional<DesignProblem> checkLevelCounts(const std::vector<int> &levels)
{
    for (size_t f = 0; f < levels.size(); ++f)
        if (levels[f] < 2)
            return problem("Error",
                           "You have specified that factor" + strText(static_cast<int64_t>(f + 1)) + " has only" +
                               strText(static_cast<int64_t>(levels[f])) +
                               " levels.  There must be at least 2 levels in a factor.  Please re-enter the design "
                               "specifications.",
                           DesignProblem::Icon::Exclamation, static_cast<int>(f) + 1);
    // In floating point, so that no product of level counts can overflow.
    double scores = 1.0;
    for (const int l : levels)
        scores *= l;
    if (scores > kMaxScores) {
        const std::string shown = scores < 9e15 ? strText(static_cast<int64_t>(scores)) : strText(scores);
        return problem("Program Limitation!",
                       "You have specified" + shown +
                           " scores, but the maximum allowed by the program is 16352 scores.",
                       DesignProblem::Icon::Critical);
    }
    return std::nullopt;
}

std::optional<DesignProblem> checkDesignatedFactor(const Design &design)
{
    if (design.specialFactor >= 1 && design.specialFactor <= design.factorCount())
        return std::nullopt;
    return problem("Error",
                   design.kind == DesignKind::IndependentGroups ? "Please designate the replicates factor."
                                                                : "Please designate the subjects factor.",
                   DesignProblem::Icon::Exclamation);
}

NestingResult checkNesting(const Design &design, const std::vector<NestingPair> &selected)
{
    NestingResult result;
    const std::vector<NestingPair> admissible = admissibleNesting(design);
    for (const NestingPair &pair : selected) {
        if (std::find(admissible.begin(), admissible.end(), pair) != admissible.end())
            continue;
        const bool independent = design.kind == DesignKind::IndependentGroups;
        result.problem = problem("Nesting Error!",
                                 std::string(1, pair.nested) + " nested under " + std::string(1, pair.under) +
                                     " is not a relation this design admits: nothing can be nested under the " +
                                     (independent ? "replicates factor, and the replicates factor takes part in no "
                                                    "relation."
                                                  : "subjects factor."),
                                 DesignProblem::Icon::Critical);
        return result;
    }
    const NestingCheck check = completeNesting(selected);
    if (!check.accepted) {
        result.problem = problem(check.title, check.message, DesignProblem::Icon::Critical);
        return result;
    }
    result.pairs = check.pairs;
    return result;
}

std::optional<DesignProblem> checkIterations(bool parsed, double value)
{
    const std::string rule = "The number of iterations must be a positive integer.";
    if (!parsed || !(value >= 1.0))
        return problem("Kelsim", rule, DesignProblem::Icon::Exclamation);
    if (value > kMaxIterations)
        return problem("Kelsim",
                       rule + "  The largest number the program takes is " + groupedNumber(kMaxIterations) + ".",
                       DesignProblem::Icon::Exclamation);
    return std::nullopt;
}

std::optional<DesignProblem> validateDesign(const Design &design)
{
    if (auto p = checkFactorCount(design.factorCount()))
        return p;
    std::vector<std::string> names;
    for (int f = 1; f <= design.factorCount(); ++f) {
        const Factor &factor = design.factors[static_cast<size_t>(f - 1)];
        if (auto p = checkFactorName(f, factor.name))
            return p;
        names.push_back(factor.name);
    }
    if (auto p = checkUniqueLetters(names))
        return p;
    if (auto p = checkLevelCounts(design.levelCounts()))
        return p;
    if (auto p = checkDesignatedFactor(design))
        return p;
    if (!design.nested) {
        if (design.nestingPairs.empty())
            return std::nullopt;
        return problem("Nesting Error!", "A fully crossed design holds no nesting relations.",
                       DesignProblem::Icon::Critical);
    }
    const NestingResult nesting = checkNesting(design, design.selectedNesting);
    if (nesting.problem)
        return nesting.problem;
    if (nesting.pairs != design.nestingPairs)
        return problem("Nesting Error!",
                       "The nesting relations no longer fit the design.  Please select them again with "
                       "\"Nesting...\".",
                       DesignProblem::Icon::Critical);
    return std::nullopt;
}

} // namespace kelsim
