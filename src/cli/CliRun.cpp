#include "CliRun.h"

#include "AnalysisRun.h"
#include "DataFileStore.h"
#include "Format.h"
#include "LatticeCounter.h"
#include "TableReport.h"
#include "Version.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <chrono>
#include <cstdio>
#include <ostream>

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

QJsonValue optionalNumber(bool present, double value)
{
    return present ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

std::string buildJson(const Design &design, const NTable &table)
{
    QJsonArray rows;
    for (const TableRow &row : table.rows) {
        QJsonObject object;
        object["source"] = QString::fromStdString(row.displayName());
        object["df"] = static_cast<qint64>(row.df);
        object["pairs"] = static_cast<qint64>(row.pairs);
        object["matches"] = static_cast<qint64>(row.matches);
        object["np"] = row.np;
        object["nRatio"] = optionalNumber(row.hasRatio, row.nRatio);
        object["p"] = optionalNumber(row.p.has_value(), row.p ? row.p->value : 0.0);
        object["pLow"] = optionalNumber(row.p.has_value(), row.p ? row.p->low : 0.0);
        object["pHigh"] = optionalNumber(row.p.has_value(), row.p ? row.p->high : 0.0);
        object["exceedCount"] = static_cast<qint64>(row.p ? row.p->exceedCount : 0);
        rows.append(object);
    }
    QJsonArray streams;
    for (const ShuffleStream &stream : table.streams) {
        QJsonObject object;
        QJsonArray sources;
        for (size_t r : stream.rows)
            sources.append(QString::fromStdString(table.rows[r].displayName()));
        object["sources"] = sources;
        object["moves"] = QString::fromStdString(stream.description);
        object["exact"] = stream.exact;
        object["arrangements"] = optionalNumber(stream.exact, static_cast<double>(stream.arrangements));
        object["iterations"] = stream.iterations;
        object["stoppedEarly"] = stream.stoppedEarly;
        streams.append(object);
    }
    QJsonObject root;
    root["problem"] = QString::fromStdString(design.problemLabel);
    root["totalPairs"] = static_cast<qint64>(table.totalPairs);
    root["iterations"] = table.iterations;
    root["iterationsRequested"] = table.requestedIterations;
    // A seed takes all 64 bits, more than a JSON number keeps exactly.
    root["seed"] = QString::number(table.seed);
    root["exact"] = table.exact();
    // One count of arrangements when every p was counted over the same ones.
    root["arrangements"] =
        optionalNumber(table.exact() && table.streams.size() == 1,
                       table.streams.empty() ? 0.0 : static_cast<double>(table.streams[0].arrangements));
    root["shuffle"] = table.shuffle == ShuffleMode::Restricted ? "restricted" : "whole";
    root["precision"] = optionalNumber(table.precision > 0.0, table.precision);
    root["streams"] = streams;
    root["version"] = kProgramVersion;
    root["facts"] = QString::fromStdString(factsLine(table));
    root["npDecimals"] = table.npDecimals;
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
    const Design &design = request.design;
    const QString path = QString::fromStdString(request.dataFile);
    const DataFileLoad load = loadDataFile(path);
    if (!load.ok()) {
        err << "kelsim-cli: " << dataFileProblemText(path, load).toStdString() << "\n";
        return kExitBadInput;
    }
    const std::vector<DataFileScore> &read = load.scores;
    const int64_t n = design.cellCount();
    if (static_cast<int64_t>(read.size()) != n) {
        err << "kelsim-cli: The number of scores in " << request.dataFile << " is"
            << strText(static_cast<int64_t>(read.size())) << ", while the design calls for" << strText(n)
            << " scores.\n";
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
    RunOptions options = request.run;
    const auto start = std::chrono::steady_clock::now();
    if (progressOnErr && options.iterations > 1)
        options.progress = [&](int64_t done, int64_t total) { showProgress(err, done, total, start); };
    const RunResult result = resample(observed, options);
    if (options.progress)
        err << "\n";

    switch (request.format) {
    case OutputFormat::Report:
        out << buildTableReport(design, result.table);
        break;
    case OutputFormat::Tsv:
        out << buildTsv(result.table);
        break;
    case OutputFormat::Json:
        out << buildJson(design, result.table);
        break;
    }
    out.flush();
    if (!request.distributionFile.empty()) {
        QSaveFile file(QString::fromStdString(request.distributionFile));
        const std::string csv = buildDistributionCsv(result.table);
        if (!file.open(QIODevice::WriteOnly) || file.write(csv.data(), static_cast<qint64>(csv.size())) < 0 ||
            !file.commit()) {
            err << "kelsim-cli: The distribution could not be written to " << request.distributionFile << ": "
                << file.errorString().toStdString() << "\n";
            return kExitBadInput;
        }
    }
    return kExitOk;
}

} // namespace kelsim
