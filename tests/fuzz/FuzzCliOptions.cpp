// Property: whatever the arguments, the command line either refuses them with a message or
// accepts a design the engine can run: 2 to 6 factors of at least 2 levels, at most 16352
// scores, a designated factor that exists and a positive number of iterations.
#include "CliOptions.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>

using namespace kelsim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "kelsim-cli";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    QStringList arguments = {"kelsim-cli"};
    QByteArray current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments << QString::fromUtf8(current);
            current.clear();
        } else {
            current.append(static_cast<char>(data[i]));
        }
    }
    arguments << QString::fromUtf8(current);
    const CliParse parse = parseCommandLine(arguments);
    if (!parse.request) {
        if (parse.error.empty())
            std::abort();
        return 0;
    }
    const CliRequest &request = *parse.request;
    if (request.help || request.version)
        return 0;
    const Design &design = request.design;
    if (design.factorCount() < 2 || design.factorCount() > 6 || design.cellCount() > 16352 ||
        design.specialFactor < 1 || design.specialFactor > design.factorCount() || request.run.iterations < 1)
        std::abort();
    for (const Factor &factor : design.factors)
        if (factor.levels < 2 || factor.letter.empty())
            std::abort();
    return 0;
}
