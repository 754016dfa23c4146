#pragma once

#include "CliOptions.h"

#include <iosfwd>

namespace kelsim {

enum CliExit { kExitOk = 0, kExitBadInput = 1, kExitAbandoned = 2 };

// Reads the data file, checks the design, runs the analysis and writes the table.
int runCommandLine(const CliRequest &request, std::ostream &out, std::ostream &err, bool progressOnErr);

} // namespace kelsim
