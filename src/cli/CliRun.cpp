#include "CliRun.h"

#include "AnalysisRun.h"
#include "DataFileStore.h"
#include "Format.h"
#include "LatticeCounter.h"
#include "NestingRelations.h"
#include "TableReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <cstdio>
#include <ostream>
#include <unistd.h>

namespace kelsim {

namespace {

class CliQuestions : public RunQuestions {
public:
    CliQuestions(std::ostream &err, bool stop) : err_(err), stop_(stop) {}
    bool askYesNo(const std::string &title, const std::string &text) override
    {
        err_ << title << " " << text << (stop_ ? " (stopped: --stop-on-undefined)" : " (continuing)") << "\n";
        return !stop_;
    }

private:
    std::ostream &err_;
    bool stop_;
};

int findFactorByNameOrLetter(const Design &design, const std::string &given)
{
    for (int f = 1; f <= design.factorCount(); ++f)
        if (design.factors[static_cast<size_t>(f - 1)].name == given)
            return f;
    for (int f = 1; f <= design.factorCount(); ++f)
        if (design.factors[static_cast<size_t>(f - 1)].letter == given)
            return f;
    return 0;
}

// Applies the --nest relations; answers with an error line or an empty string.
std::string applyNesting(const CliRequest &request, Design &design)
{
    if (request.nestArguments.empty())
        return {};
    const std::vector<NestingPair> admissible = admissibleNesting(design);
    std::vector<NestingPair> selected;
    for (const std::string &argument : request.nestArguments) {
        const size_t sign = argument.find('<');
        if (sign == std::string::npos)
            return "--nest " + argument + ": expected X<Y (X nested under Y).";
        const int nested = findFactorByNameOrLetter(design, argument.substr(0, sign));
        const int under = findFactorByNameOrLetter(design, argument.substr(sign + 1));
        if (nested == 0 || under == 0)
            return "--nest " + argument + ": no such factor.";
        const NestingPair pair{design.letter(nested), design.letter(under)};
        bool allowed = false;
        for (const NestingPair &a : admissible)
            allowed = allowed || a == pair;
        if (!allowed)
            return "--nest " + argument + ": not an admissible relation (nothing can be nested under the " +
                   (design.kind == DesignKind::IndependentGroups ? "replicates" : "subjects") +
                   " factor, and the replicates factor takes part in none).";
        selected.push_back(pair);
    }
    const NestingCheck check = completeNesting(selected);
    if (!check.accepted)
        return check.title + " " + check.message;
    design.nested = true;
    design.nestingPairs = check.pairs;
    design.selectedNesting = selected;
    return {};
}

std::string normalizeForTerminal(std::string text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i == 0 || text[i - 1] != '\n')
                out += '\n';
            continue;
        }
        out += text[i];
    }
    return out;
}

QJsonValue optionalNumber(bool present, double value)
{
    return present ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

std::string buildJson(const Design &design, const RunResult &result)
{
    QJsonArray rows;
    for (size_t r = 0; r < result.table.rows.size(); ++r) {
        const TableRow &row = result.table.rows[r];
        QJsonObject object;
        object["source"] = QString::fromStdString(row.source());
        object["df"] = static_cast<qint64>(row.df);
        object["pairs"] = static_cast<qint64>(row.pairs);
        object["matches"] = static_cast<qint64>(row.matches);
        object["np"] = row.proportion;
        object["nRatio"] = optionalNumber(row.hasRatio, row.nRatio);
        const bool hasP = !row.text[5].empty();
        object["p"] = optionalNumber(hasP, hasP ? (1.0 + result.exceedCounts[r]) / result.iterations : 0.0);
        object["exceedCount"] = static_cast<qint64>(result.exceedCounts[r]);
        rows.append(object);
    }
    QJsonObject root;
    root["problem"] = QString::fromStdString(design.problemLabel);
    root["totalPairs"] = static_cast<qint64>(result.table.totalPairs);
    root["iterations"] = result.iterations;
    root["seed"] = QString::number(result.seed);
    root["npDecimals"] = result.table.npDecimals;
    root["rows"] = rows;
    return QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}

void showProgress(std::ostream &err, int64_t done, int64_t total, std::chrono::steady_clock::time_point start)
{
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char line[160];
    if (done > 0) {
        const double left = elapsed * static_cast<double>(total - done) / static_cast<double>(done);
        std::snprintf(line, sizeof line, "\r  %s of %s shuffles  %.1f s, about %.0f s left   ",
                      groupedNumber(done).c_str(), groupedNumber(total).c_str(), elapsed, left);
    } else {
        std::snprintf(line, sizeof line, "\r  0 of %s shuffles  %.1f s   ", groupedNumber(total).c_str(), elapsed);
    }
    err << line << std::flush;
}

} // namespace

int runCommandLine(const CliRequest &request, std::ostream &out, std::ostream &err, bool progressOnErr)
{
    Design design = request.design;
    if (const std::string problem = applyNesting(request, design); !problem.empty()) {
        err << "kelsim-cli: " << problem << "\n";
        return kExitBadInput;
    }

    const QString path = QString::fromStdString(request.dataFile);
    const DataFileLoad load = loadDataFile(path);
    if (!load.ok()) {
        err << "kelsim-cli: " << dataFileProblemText(path, load).toStdString() << "\n";
        return kExitBadInput;
    }
    const std::vector<DataFileScore> &read = load.scores;
    const int64_t n = design.cellCount();
    if (static_cast<int64_t>(read.size()) != n) {
        err << "kelsim-cli: The number of scores in " << request.dataFile << " is" << strText(static_cast<int64_t>(read.size()))
            << ", while the design calls for" << strText(n) << " scores.\n";
        return kExitBadInput;
    }
    ScoreSet scores;
    for (const DataFileScore &score : read)
        scores.flat.push_back(score.text);

    CliQuestions questions(err, request.stopOnUndefined);
    const ObservedPass observed = observePass(design, scores, questions);
    if (observed.status == RunStatus::Abandoned) {
        err << "kelsim-cli: The analysis was abandoned; no table was made.\n";
        return kExitAbandoned;
    }
    if (request.verbose)
        err << "kelsim-cli: counting plan: " << describeCountingPlan(design.levelCounts(), observed.codes) << "\n";
    RunOptions options;
    options.seed = request.seed;
    options.threads = request.threads;
    const auto start = std::chrono::steady_clock::now();
    if (progressOnErr && design.iterations > 1)
        options.progress = [&](int64_t done, int64_t total) { showProgress(err, done, total, start); };
    const RunResult result = resample(observed, options);
    if (options.progress)
        err << "\n";

    switch (request.format) {
    case OutputFormat::Report: {
        const std::string report = buildTableReport(reportInputFor(design, result.table));
        out << (isatty(STDOUT_FILENO) ? normalizeForTerminal(report) : report);
        break;
    }
    case OutputFormat::Tsv:
        out << buildTsv(result.table, design.iterations > 1);
        break;
    case OutputFormat::Json:
        out << buildJson(design, result);
        break;
    }
    out.flush();
    return kExitOk;
}

} // namespace kelsim
