#include "CliOptions.h"
#include "CliRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <sstream>

using namespace kelsim;

// Whole tables pinned at a fixed seed: the bundled examples and a dozen designs of both kinds,
// crossed and nested. Set KELSIM_UPDATE_GOLDEN=1 to write the expected files anew after a change
// that is meant to alter them, and read the difference before committing it.

namespace {

const QString kGolden = QStringLiteral(KELSIM_TEST_DATA_DIR "/golden");
const QString kExamples = QStringLiteral(KELSIM_EXAMPLES);

struct GoldenCase {
    QString name;
    QStringList arguments;
    bool bundled = false;
};

std::vector<GoldenCase> goldenCases()
{
    QFile manifest(kGolden + "/cases.txt");
    EXPECT_TRUE(manifest.open(QIODevice::ReadOnly | QIODevice::Text));
    std::vector<GoldenCase> cases;
    for (const QString &line : QString::fromUtf8(manifest.readAll()).split('\n')) {
        if (line.trimmed().isEmpty() || line.startsWith('#'))
            continue;
        GoldenCase c;
        c.name = line.section('\t', 0, 0);
        c.arguments = QProcess::splitCommand(line.section('\t', 1));
        const QString data = c.arguments.takeFirst();
        c.bundled = QFileInfo::exists(kExamples + "/" + data);
        c.arguments.prepend(c.bundled ? kExamples + "/" + data : kGolden + "/" + data);
        cases.push_back(c);
    }
    return cases;
}

std::string run(QStringList arguments)
{
    arguments.prepend("kelsim-cli");
    const CliParse parse = parseCommandLine(arguments);
    EXPECT_TRUE(parse.request) << parse.error;
    if (!parse.request)
        return {};
    std::ostringstream out, err;
    EXPECT_EQ(runCommandLine(*parse.request, out, err, false), kExitOk) << err.str();
    return out.str();
}

void compareWithFile(const std::string &actual, const QString &path)
{
    if (qEnvironmentVariableIsSet("KELSIM_UPDATE_GOLDEN")) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(actual));
        return;
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    EXPECT_EQ(actual, file.readAll().toStdString()) << path.toStdString();
}

} // namespace

TEST(GoldenTables, everyPinnedTableIsReproducedExactly)
{
    const std::vector<GoldenCase> cases = goldenCases();
    ASSERT_GE(cases.size(), 14u);
    for (const GoldenCase &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        compareWithFile(run(c.arguments), kGolden + "/" + c.name + ".report");
        // The report rounds; the JSON of the bundled examples holds every number in full.
        if (c.bundled)
            compareWithFile(run(c.arguments + QStringList{"--format", "json"}), kGolden + "/" + c.name + ".json");
    }
}
