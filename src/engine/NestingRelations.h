#pragma once

#include "Design.h"

#include <string>
#include <vector>

namespace kelsim {

// The relations a design admits, in the order the nesting list shows them: nothing is nested
// under the designated factor, and an independent-groups replicates factor takes part in none.
std::vector<NestingPair> admissibleNesting(const Design &design);

struct NestingCheck {
    bool accepted = false;
    std::vector<NestingPair> pairs; // given relations, then the implied ones, no duplicates
    std::string title;              // of the refusal message
    std::string message;
};

// Checks the selected relations (in selection order) and completes them with every relation the
// hierarchy implies, or says why they cannot stand.
NestingCheck completeNesting(const std::vector<NestingPair> &selected);

} // namespace kelsim
