#pragma once

#include "Design.h"

#include <string>
#include <vector>

namespace kelsim {

// The pools of a nested design, in their fixed order: one per factor, then one per product of
// nested sources. Each pool lists the source names whose rows merge into one pooled row; a pool
// that repeats an earlier one is kept, emptied, so that later pools keep their numbers.
using NestingPools = std::vector<std::vector<std::string>>;

NestingPools enumeratePools(const Design &design);

// A name's factors with every factor that occurs twice cancelled, in factor order ("AxBxBxC"
// gives "AxC").
std::string cancelDoubledFactors(const Design &design, const std::string &name);

} // namespace kelsim
