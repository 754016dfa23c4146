#include "NestingRelations.h"

namespace kelsim {

namespace {

std::string letterText(char c)
{
    return std::string(1, c);
}

} // namespace

std::vector<NestingPair> admissibleNesting(const Design &design)
{
    std::vector<NestingPair> entries;
    const int k = design.factorCount();
    for (int i = 1; i <= k; ++i) {
        for (int j = 1; j <= k; ++j) {
            if (j == design.specialFactor || i == j)
                continue;
            if (i == design.specialFactor && design.kind == DesignKind::IndependentGroups)
                continue;
            entries.push_back({design.letter(i), design.letter(j)});
        }
    }
    return entries;
}

NestingCheck completeNesting(const std::vector<NestingPair> &selected)
{
    NestingCheck check;
    if (selected.empty()) {
        check.title = "Select factors involved in nesting!";
        check.message = "Please indicate selection(s) by clicking";
        return check;
    }
    for (size_t i = 0; i < selected.size(); ++i) {
        for (size_t j = 0; j < selected.size(); ++j) {
            if (i == j)
                continue;
            const NestingPair &a = selected[i], &b = selected[j];
            if (b.under == a.nested && a.under == b.nested) {
                check.title = "Nesting Error!";
                check.message = "You have designated " + letterText(a.nested) + " as nested under " +
                                letterText(a.under) + " and " + letterText(b.nested) + " as nested under " +
                                letterText(b.under) +
                                ". Nesting is a one-way relationship. Please correct the designation.";
                return check;
            }
        }
    }

    std::vector<NestingPair> pairs = selected;
    size_t previousAppended = 0;
    while (pairs.size() > 1) {
        const size_t n = pairs.size();
        std::vector<NestingPair> appended;
        for (size_t i = 0; i < n; ++i)
            for (size_t j = 0; j < n; ++j)
                if (i != j && pairs[j].nested == pairs[i].under)
                    appended.push_back({pairs[i].nested, pairs[j].under});
        // A pass that derives no more than the one before has found nothing new.
        if (appended.empty() || appended.size() <= previousAppended)
            break;
        previousAppended = appended.size();
        for (const NestingPair &candidate : appended) {
            bool duplicate = false;
            for (const NestingPair &kept : pairs)
                duplicate = duplicate || kept == candidate;
            if (!duplicate)
                pairs.push_back(candidate);
        }
        for (size_t i = 0; i < n; ++i) {
            for (size_t j = n; j < pairs.size(); ++j) {
                const NestingPair &given = pairs[i], &implied = pairs[j];
                if (implied.under == given.nested && given.under == implied.nested) {
                    check.title = "Nesting Error";
                    check.message = "The hierarchical structure in your choices implies that " +
                                    letterText(implied.nested) + " is nested under " + letterText(implied.under) +
                                    " ,but you have specified that " + letterText(given.nested) + " is nested under " +
                                    letterText(given.under) +
                                    ". This is a contradiction. Please correct the designation.";
                    return check;
                }
            }
        }
    }
    check.accepted = true;
    check.pairs = pairs;
    return check;
}

} // namespace kelsim
