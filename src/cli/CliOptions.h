#pragma once

#include "Design.h"

#include <QStringList>

#include <optional>
#include <string>

namespace kelsim {

enum class OutputFormat { Report, Tsv, Json };

struct CliRequest {
    std::string dataFile;
    Design design;
    std::vector<std::string> nestArguments; // "X<Y", by name or letter
    std::optional<uint64_t> seed;
    int threads = 0;
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

// Reads the command line into a design and the run's settings. Everything a user can get
// wrong gets one clear line.
CliParse parseCommandLine(const QStringList &arguments);

} // namespace kelsim
