#pragma once

#include "AnalysisRun.h"
#include "Design.h"

#include <string>
#include <vector>

namespace kelsim {

// The kelsim-cli arguments, after the program's name, that run the same analysis again: the data
// file, the factors, the designated factor, the nesting relations the user selected, the problem
// label and the run's options (iterations, seed, exact mode, precision, shuffle). Run with the same
// seed, they give the same table (`--format report` prints it as buildTableReport does) whatever
// the number of threads. options.seed must be set: reproducingOptions(table) gives the options of
// a finished table. Names the user gave rows and adjusted error df are not part of a run.
std::vector<std::string> commandLineArguments(const Design &design, const RunOptions &options,
                                              const std::string &dataFile);

// "kelsim-cli" and the arguments as one line for a POSIX shell, each argument that the shell would
// otherwise split or expand put between single quotes.
std::string commandLineText(const std::vector<std::string> &arguments);

} // namespace kelsim
