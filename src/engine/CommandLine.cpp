#include "CommandLine.h"

#include <charconv>

namespace kelsim {

namespace {

// The shortest text that reads back as the same double, whatever the locale.
std::string exactNumber(double value)
{
    char buffer[64];
    const std::to_chars_result end = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, end.ptr);
}

bool shellSafe(const std::string &argument)
{
    if (argument.empty())
        return false;
    for (const char c : argument) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           std::string("_@%+=:,./-").find(c) != std::string::npos;
        if (!plain)
            return false;
    }
    return true;
}

} // namespace

std::vector<std::string> commandLineArguments(const Design &design, const RunOptions &options,
                                              const std::string &dataFile)
{
    std::vector<std::string> arguments = {dataFile};
    for (const Factor &factor : design.factors) {
        arguments.push_back("--factor");
        arguments.push_back(factor.name + ":" + std::to_string(factor.levels));
    }
    arguments.push_back(design.kind == DesignKind::IndependentGroups ? "--independent" : "--repeated");
    arguments.push_back(std::to_string(design.specialFactor));
    if (design.nested) {
        // The reports list the relations as selected; the command line completes them again.
        for (const NestingPair &pair : design.selectedNesting.empty() ? design.nestingPairs : design.selectedNesting) {
            arguments.push_back("--nest");
            arguments.push_back(std::string(1, pair.nested) + "<" + std::string(1, pair.under));
        }
    }
    if (!design.problemLabel.empty()) {
        arguments.push_back("--problem");
        arguments.push_back(design.problemLabel);
    }
    arguments.push_back("--iterations");
    arguments.push_back(std::to_string(options.iterations));
    arguments.push_back("--seed");
    arguments.push_back(std::to_string(options.seed.value_or(0)));
    if (options.exact == ExactMode::Never) {
        arguments.push_back("--exact");
        arguments.push_back("never");
    }
    if (options.precision > 0.0) {
        arguments.push_back("--precision");
        arguments.push_back(exactNumber(options.precision));
    }
    if (options.shuffle == ShuffleMode::Restricted) {
        arguments.push_back("--shuffle");
        arguments.push_back("restricted");
    }
    return arguments;
}

std::string commandLineText(const std::vector<std::string> &arguments)
{
    std::string line = "kelsim-cli";
    for (const std::string &argument : arguments) {
        line += ' ';
        if (shellSafe(argument)) {
            line += argument;
            continue;
        }
        line += '\'';
        for (const char c : argument)
            line += c == '\'' ? std::string("'\\''") : std::string(1, c);
        line += '\'';
    }
    return line;
}

} // namespace kelsim
