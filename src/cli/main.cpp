#include "CliOptions.h"
#include "CliRun.h"
#include "KelsimVersion.h"

#include <QCoreApplication>

#include <iostream>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("kelsim-cli");
    QCoreApplication::setApplicationVersion(KELSIM_VERSION);
    try {
        const kelsim::CliParse parse = kelsim::parseCommandLine(QCoreApplication::arguments());
        if (!parse.request) {
            std::cerr << "kelsim-cli: " << parse.error << "\n";
            return kelsim::kExitBadInput;
        }
        if (parse.request->help) {
            std::cout << parse.request->helpText;
            return kelsim::kExitOk;
        }
        if (parse.request->version) {
            std::cout << "kelsim-cli " KELSIM_VERSION "\n";
            return kelsim::kExitOk;
        }
        return kelsim::runCommandLine(*parse.request, std::cout, std::cerr, isatty(STDERR_FILENO));
    } catch (const std::exception &e) {
        std::cerr << "kelsim-cli: " << e.what() << "\n";
        return kelsim::kExitBadInput;
    }
}
