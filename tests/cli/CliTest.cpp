#include "CliOptions.h"
#include "CliRun.h"
#include "CommandLine.h"
#include "DataFileStore.h"
#include "DesignCheck.h"
#include "TableReport.h"
#include "Version.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sstream>

using namespace kelsim;

namespace {

struct Outcome {
    int exit = -1;
    std::string out, err;
};

Outcome runCli(QStringList arguments)
{
    arguments.prepend("kelsim-cli");
    Outcome outcome;
    const CliParse parse = parseCommandLine(arguments);
    if (!parse.request) {
        outcome.exit = kExitBadInput;
        outcome.err = parse.error;
        return outcome;
    }
    std::ostringstream out, err;
    outcome.exit = runCommandLine(*parse.request, out, err, false);
    outcome.out = out.str();
    outcome.err = err.str();
    return outcome;
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    return path;
}

const QString kTaste = QStringLiteral(KELSIM_EXAMPLES "/taste.dat");
const QStringList kTasteDesign = {"--factor", "Group:2", "--factor",   "Subject:5",
                                  "--factor", "Time:3",  "--repeated", "Subject"};

} // namespace

TEST(CommandLine, sameSeedGivesIdenticalOutputWithOneAndTwoThreads)
{
    const QStringList common =
        QStringList{kTaste} + kTasteDesign + QStringList{"--seed", "99", "--iterations", "20000"};
    for (const char *format : {"report", "tsv", "json"}) {
        const Outcome one = runCli(common + QStringList{"--threads", "1", "--format", format});
        const Outcome two = runCli(common + QStringList{"--threads", "2", "--format", format});
        ASSERT_EQ(one.exit, 0);
        EXPECT_EQ(one.out, two.out) << format;
    }
}

TEST(CommandLine, verboseTellsTheCountingPlanOnStandardErrorAndLeavesTheTableAlone)
{
    const QStringList common = QStringList{kTaste} + kTasteDesign + QStringList{"--seed", "3", "--iterations", "500"};
    const Outcome plain = runCli(common);
    const Outcome verbose = runCli(common + QStringList{"--verbose"});
    ASSERT_EQ(verbose.exit, 0) << verbose.err;
    EXPECT_EQ(verbose.out, plain.out);
    EXPECT_EQ(plain.err.find("counting plan"), std::string::npos);
    EXPECT_NE(verbose.err.find("kelsim-cli: counting plan: layout 5 3 2;"), std::string::npos) << verbose.err;
    EXPECT_NE(verbose.err.find(" us a pass"), std::string::npos) << verbose.err;
}

TEST(CommandLine, tsvHasEveryColumnAndNoPColumnWithOneIteration)
{
    const Outcome o = runCli(QStringList{kTaste} + kTasteDesign + QStringList{"--format", "tsv", "--iterations", "1"});
    ASSERT_EQ(o.exit, 0);
    std::istringstream lines(o.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "Source\tdf\tPairs\tNP\tN-ratio");
    int rows = 0;
    while (std::getline(lines, line)) {
        if (line.rfind("# ", 0) == 0)
            continue;
        ++rows;
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 4) << line;
    }
    EXPECT_EQ(rows, 7);
}

TEST(CommandLine, badInputGetsOneClearLineAndAFailingExit)
{
    QTemporaryDir dir;
    // Blank lines after the last score are no scores.
    const QString short_ = writeFile(dir, "short.dat", "a\r\nb\r\n\r\n\r\n");
    const QString unclosed = writeFile(dir, "unclosed.dat", "a\r\n\"b\r\nc\r\nd\r\n");
    const QString twelve = writeFile(dir, "twelve.dat", QByteArray("a\r\n").repeated(12));
    struct Case {
        QStringList arguments;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{short_, "--factor", "A:2", "--factor", "B:2", "--independent", "B"},
         "The number of scores in " + short_.toStdString() + " is 2, while the design calls for 4 scores."},
        {{unclosed, "--factor", "A:2", "--factor", "B:2", "--independent", "B"},
         "the double quote that opens line 2 is never closed."},
        {{dir.filePath("missing.dat"), "--factor", "A:2", "--factor", "B:2", "--independent", "B"}, "cannot be found"},
        {{dir.path(), "--factor", "A:2", "--factor", "B:2", "--independent", "B"}, "is a folder"},
        {{twelve, "--factor", "A:12", "--independent", "A"}, "at least 2 factors"},
        // The design checks are the engine's (DesignCheckTest): here only that each is made.
        {{twelve, "--factor", "A:200", "--factor", "B:100", "--independent", "A"}, "20000 scores, but the maximum"},
        {{twelve, "--factor", "A:3", "--factor", "B:4", "--independent", "Z"}, "There is no factor \"Z\""},
        {{twelve, "--factor", "A:3", "--factor", "B:4", "--repeated", "3"}, "There is no factor \"3\""},
        {{twelve, "--factor", "A:3", "--factor", "B:4"}, "Designate one factor"},
        {{twelve, "--factor", "A:3", "--factor", "B:4", "--independent", "A", "--iterations", "lots"},
         "The number of iterations must be a positive integer."},
        {{twelve, "--factor", "A:3", "--factor", "B:4", "--independent", "A", "--iterations", "99999999999"},
         "The number of iterations must be a positive integer.  The largest number the program takes is "
         "2,147,483,647."},
        {{twelve, "--factor", "1st:3", "--factor", "B:4", "--independent", "B"},
         "The first character of the factor name must be a letter"},
        {{twelve, "--factor", "A", "--factor", "B:4", "--independent", "A"}, "expected NAME:LEVELS"},
        {{twelve, "--factor", "A:3", "--factor", "B:4", "--independent", "A", "--format", "xml"}, "--format"},
        {{twelve, "--factor", "A:3", "--factor", "B:4", "--independent", "A", "--bogus"}, "bogus"},
        {{twelve, "--factor", "A:3", "--factor", "B:4", "--independent", "A", "--exact", "always"},
         "--exact takes auto or never."},
        {{twelve, "--factor", "A:3", "--factor", "B:4", "--independent", "A", "--shuffle", "within"},
         "--shuffle takes whole or restricted."},
        {{twelve, "--factor", "A:3", "--factor", "B:4", "--independent", "A", "--precision", "0"},
         "--precision takes a number between 0 and 1"},
    };
    for (const Case &c : cases) {
        const Outcome o = runCli(c.arguments);
        EXPECT_NE(o.exit, 0) << c.message;
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
        EXPECT_TRUE(o.out.empty());
    }
}

TEST(CommandLine, undefinedRatioGoesOnUnlessAskedToStop)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "diagonal.dat", "a\r\nb\r\nc\r\nd\r\n");
    const QStringList design = {path, "--factor", "A:2", "--factor", "S:2", "--repeated", "S", "--iterations", "10"};
    const Outcome goOn = runCli(design);
    EXPECT_EQ(goOn.exit, 0);
    EXPECT_NE(goOn.err.find("Undefined N-ratio! The Mean Square for the denominator"), std::string::npos) << goOn.err;
    const Outcome stop = runCli(design + QStringList{"--stop-on-undefined"});
    EXPECT_EQ(stop.exit, kExitAbandoned);
    EXPECT_TRUE(stop.out.empty());
}

// The program itself answering; its tables are run by theEnginesCommandLineReproducesATableByteForByte.
TEST(CommandLine, theProgramItselfNamesItselfAndFailsWithAnExitCode)
{
    QProcess bad;
    bad.start(KELSIM_CLI, {"nothing.dat"});
    ASSERT_TRUE(bad.waitForFinished(60000));
    EXPECT_EQ(bad.exitCode(), 1);
    EXPECT_TRUE(bad.readAllStandardError().startsWith("kelsim-cli: "));
    QProcess version;
    version.start(KELSIM_CLI, {"--version"});
    ASSERT_TRUE(version.waitForFinished(60000));
    EXPECT_EQ(version.readAllStandardOutput().toStdString(), std::string("kelsim-cli ") + kProgramVersion + "\n");
}

TEST(CommandLine, nestingIsCheckedAsTheNestingListChecksIt)
{
    QTemporaryDir dir;
    const QString data = writeFile(dir, "d.dat", QByteArray("a\r\nb\r\n").repeated(8));
    const QStringList design = {data,  "--factor", "A:2", "--factor",   "B:2", "--factor",
                                "C:2", "--factor", "S:2", "--repeated", "S"};
    struct Case {
        QStringList nests;
        std::string message;
    };
    const std::vector<Case> cases = {
        // The relations are checked by the engine's nesting checks (NestingTest).
        {{"--nest", "A<B", "--nest", "B<A"}, "Nesting Error! You have designated A as nested under B and B as"},
        {{"--nest", "A<B", "--nest", "B<C", "--nest", "C<A"}, "Nesting Error The hierarchical structure"},
        {{"--nest", "A<S"}, "A nested under S is not a relation this design admits"},
        {{"--nest", "A<Q"}, "no such factor"},
        {{"--nest", "AB"}, "expected X<Y"},
    };
    for (const Case &c : cases) {
        const Outcome o = runCli(design + c.nests);
        EXPECT_EQ(o.exit, kExitBadInput);
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
    }
    EXPECT_EQ(runCli(design + QStringList{"--nest", "A<B", "--nest", "S<C", "--iterations", "10"}).exit, 0);
}

TEST(CommandLine, readsDataFilesWithTheProgramsOwnReader)
{
    QTemporaryDir dir;
    // A score with a comma is written between quotes; a score ending in "I" gets one more.
    const QString quoted = writeFile(dir, "quoted.dat", "a\r\nbI\r\n\"a,b\"\r\nII\r\n");
    const QString plain = writeFile(dir, "plain.dat", "a\r\nb\r\nx\r\ny\r\n");
    const QStringList design = {"--factor", "A:2", "--factor", "B:2", "--independent", "B",
                                "--format", "tsv", "--seed",   "1",   "--iterations",  "1"};
    const Outcome o = runCli(QStringList{quoted} + design);
    ASSERT_EQ(o.exit, 0) << o.err;
    EXPECT_EQ(o.out, runCli(QStringList{plain} + design).out);
}

namespace {

Design exampleDesign(const std::vector<std::pair<std::string, int>> &factors, DesignKind kind, int designated,
                     const std::vector<NestingPair> &selected = {})
{
    Design design;
    for (const auto &[name, levels] : factors)
        design.factors.push_back(makeFactor(name, levels));
    design.kind = kind;
    design.specialFactor = designated;
    if (!selected.empty()) {
        design.nested = true;
        design.nestingPairs = checkNesting(design, selected).pairs;
        design.selectedNesting = selected;
    }
    return design;
}

} // namespace

TEST(CommandLine, theEnginesCommandLineReproducesATableByteForByte)
{
    QTemporaryDir dir;
    // A problem label and a data file name that a shell would split.
    const QString copied = dir.filePath("taste copy's.dat");
    ASSERT_TRUE(QFile::copy(kTaste, copied));
    struct Case {
        QString path;
        Design design;
        RunOptions options;
    };
    std::vector<Case> cases;
    cases.push_back(
        {kTaste, exampleDesign({{"Group", 2}, {"Subject", 5}, {"Time", 3}}, DesignKind::RepeatedMeasures, 2), {}});
    cases.push_back(
        {QStringLiteral(KELSIM_EXAMPLES "/therapy.dat"),
         exampleDesign({{"Group", 2}, {"Patient", 4}, {"Week", 3}}, DesignKind::RepeatedMeasures, 2, {{'P', 'G'}}),
         {}});
    cases.back().options.shuffle = ShuffleMode::Restricted;
    cases.back().options.precision = .02;
    cases.push_back(
        {copied, exampleDesign({{"Time", 3}, {"Group", 2}, {"Subject", 5}}, DesignKind::IndependentGroups, 3), {}});
    cases.back().design.problemLabel = "Taste 'n' test";
    cases.back().options.exact = ExactMode::Never;
    cases.back().options.iterations = 30000;

    for (Case &c : cases) {
        const DataFileLoad load = loadDataFile(c.path);
        ASSERT_TRUE(load.ok());
        ScoreSet scores;
        for (const DataFileScore &score : load.scores)
            scores.flat.push_back(score.text);
        ContinueAlways yes;
        const RunResult result = runAnalysis(c.design, scores, yes, c.options); // a seed of its own
        const std::vector<std::string> arguments =
            commandLineArguments(c.design, reproducingOptions(result.table), c.path.toStdString());
        QStringList list;
        for (const std::string &argument : arguments)
            list << QString::fromStdString(argument);
        QProcess process;
        process.start(KELSIM_CLI, list);
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        EXPECT_EQ(process.readAllStandardOutput().toStdString(), buildTableReport(c.design, result.table))
            << commandLineText(arguments);
    }
}

TEST(CommandLine, jsonStatesHowEachPWasFound)
{
    QTemporaryDir dir;
    // Six scores, three kinds twice: 6! / (2! 2! 2!) = 90 distinct arrangements.
    const QString small = writeFile(dir, "small.dat", "a\r\nb\r\nc\r\nb\r\na\r\nc\r\n");
    const QStringList design = {small, "--factor", "A:3",  "--factor", "B:2", "--independent",
                                "B",   "--format", "json", "--seed",   "11"};
    struct Case {
        QStringList options;
        bool exact;
        QJsonValue arrangements;
        QString shuffle;
        int iterations;
    };
    const std::vector<Case> cases = {
        {{}, true, 90, "whole", 90},
        {{"--exact", "never", "--iterations", "5000"}, false, QJsonValue::Null, "whole", 5000},
        {{"--iterations", "89"}, false, QJsonValue::Null, "whole", 89},
        {{"--shuffle", "restricted"}, true, 90, "restricted", 90},
    };
    for (const Case &c : cases) {
        const Outcome o = runCli(design + c.options);
        ASSERT_EQ(o.exit, 0) << o.err;
        const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(o.out)).object();
        EXPECT_EQ(root["exact"].toBool(), c.exact) << c.options.join(' ').toStdString();
        EXPECT_EQ(root["arrangements"], c.arrangements);
        EXPECT_EQ(root["shuffle"].toString(), c.shuffle);
        EXPECT_EQ(root["iterations"].toInt(), c.iterations);
        EXPECT_EQ(root["seed"].toString(), "11");
        EXPECT_EQ(root["version"].toString(), kProgramVersion);
        const QJsonObject effect = root["rows"].toArray()[0].toObject();
        ASSERT_TRUE(effect["p"].isDouble());
        if (c.exact) {
            EXPECT_EQ(effect["pLow"].toDouble(), effect["p"].toDouble());
        } else {
            EXPECT_LT(effect["pLow"].toDouble(), effect["p"].toDouble());
            EXPECT_GT(effect["pHigh"].toDouble(), effect["p"].toDouble());
        }
        EXPECT_TRUE(root["rows"].toArray()[1].toObject()["pLow"].isNull());
    }
}

TEST(CommandLine, theDistributionIsWrittenBesideTheTable)
{
    QTemporaryDir dir;
    const QString csv = dir.filePath("distribution.csv");
    const Outcome o = runCli(QStringList{kTaste} + kTasteDesign +
                             QStringList{"--seed", "7", "--iterations", "3000", "--distribution", csv});
    ASSERT_EQ(o.exit, 0) << o.err;
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    EXPECT_EQ(lines[0], "source,observed,from,to,count");
    // G, T and GxT: a line per bin and one for the N-ratios above them; 2,999 shuffles each.
    int64_t counted = 0;
    int rows = 0;
    for (int i = 1; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        ++rows;
        counted += lines[i].split(',').last().toLongLong();
    }
    EXPECT_EQ(rows, 3 * (kHistogramBins + 1));
    EXPECT_EQ(counted, 3 * 2999);

    const Outcome unwritable =
        runCli(QStringList{kTaste} + kTasteDesign +
               QStringList{"--iterations", "10", "--distribution", dir.filePath("no/such/dir.csv")});
    EXPECT_EQ(unwritable.exit, kExitBadInput);
    EXPECT_NE(unwritable.err.find("The distribution could not be written to"), std::string::npos) << unwritable.err;
}
