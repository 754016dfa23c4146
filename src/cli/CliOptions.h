#pragma once

#include "AnalysisRun.h"
#include "Design.h"
#include "NTable.h"

#include <QStringList>

#include <optional>
#include <string>

namespace kelsim {

enum class OutputFormat { Report, Tsv, Json };

struct CliRequest {
    std::string dataFile;
    Design design;                // checked: a design the engine can run
    RunOptions run;               // iterations, seed, threads, exact mode, precision and shuffle scheme
    std::string distributionFile; // empty: no distribution is written
    OutputFormat format = OutputFormat::Report;
    bool stopOnUndefined = false;
    bool verbose = false;
    bool help = false;
    bool version = false;
    std::string helpText;
};

struct CliParse {
    std::optional<CliRequest> request;
    std::string error; // one line, when request is empty
};

// Reads the command line into a design and the run's settings. The design passes the same checks
// as in the desktop program; everything a user can get wrong gets one clear line.
CliParse parseCommandLine(const QStringList &arguments);

} // namespace kelsim
