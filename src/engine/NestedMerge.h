#pragma once

#include "TableRows.h"

namespace kelsim {

// Merges the rows of each nesting pool of a nested design into one pooled row and, for repeated
// measures, places every effect above the error row it is tested against. Returns the number of
// rows merged away.
int mergeNestedRows(const Design &design, NTable &table);

} // namespace kelsim
