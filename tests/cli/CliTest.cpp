#include "CliOptions.h"
#include "CliRun.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sstream>

using namespace kelsim;

namespace {

CliRequest requestFor(const QString &dataFile)
{
    const CliParse parse = parseCommandLine({"kelsim-cli", "--factor", "A:2", "--factor", "B:2", "--independent", "B",
                                             "--iterations", "1", "--format", "tsv", dataFile});
    EXPECT_TRUE(parse.request.has_value()) << parse.error;
    return parse.request.value_or(CliRequest());
}

} // namespace

TEST(CommandLine, readsDataFilesWithTheProgramsOwnReaderMarksAndQuotesIncluded)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("scores.dat");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("a\r\nbI\r\n\"a,b\"\r\nII\r\n");
    file.close();
    std::ostringstream out, err;
    EXPECT_EQ(runCommandLine(requestFor(path), out, err, false), kExitOk) << err.str();
    EXPECT_FALSE(out.str().empty());
}

TEST(CommandLine, badDataFilesAreRefusedWithTheirReason)
{
    QTemporaryDir dir;
    const QString empty = dir.filePath("empty.dat");
    QFile(empty).open(QIODevice::WriteOnly);
    struct Case {
        QString path;
        std::string reason;
    };
    for (const Case &c : {Case{empty, "is empty"}, Case{dir.path(), "not a data file"},
                          Case{dir.filePath("missing.dat"), "cannot be found"}}) {
        std::ostringstream out, err;
        EXPECT_EQ(runCommandLine(requestFor(c.path), out, err, false), kExitBadInput);
        EXPECT_NE(err.str().find(c.reason), std::string::npos) << err.str();
    }
}
