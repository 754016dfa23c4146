#include "CliOptions.h"

#include <QCommandLineParser>
#include <QLocale>

#include <cctype>

namespace kelsim {

namespace {

// A designated or nesting factor given by number, full name or letter.
int findFactor(const Design &design, const QString &given)
{
    bool isNumber = false;
    const int number = given.toInt(&isNumber);
    if (isNumber)
        return number >= 1 && number <= design.factorCount() ? number : 0;
    const std::string text = given.toStdString();
    for (int f = 1; f <= design.factorCount(); ++f)
        if (design.factors[static_cast<size_t>(f - 1)].name == text)
            return f;
    for (int f = 1; f <= design.factorCount(); ++f)
        if (design.factors[static_cast<size_t>(f - 1)].letter == text)
            return f;
    return 0;
}

CliParse failure(const std::string &message)
{
    CliParse parse;
    parse.error = message;
    return parse;
}

} // namespace

CliParse parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription("Analysis of variance on categorical scores: reads one score per line "
                                     "(Factor 1 fastest) and prints the N-table.");
    parser.addPositionalArgument("data-file", "The data file: one score per line, a trailing \"I\" marks a score.");
    const QCommandLineOption factorOption("factor", "A factor in factor order, as NAME:LEVELS (repeat).",
                                          "NAME:LEVELS");
    const QCommandLineOption independentOption("independent", "Independent groups; FACTOR (name or number) is "
                                               "the replicates factor.", "FACTOR");
    const QCommandLineOption repeatedOption("repeated", "Repeated measures; FACTOR (name or number) is the "
                                            "subjects factor.", "FACTOR");
    const QCommandLineOption nestOption("nest", "X nested under Y, by name or letter (repeat, in selection "
                                        "order).", "X<Y");
    const QCommandLineOption iterationsOption("iterations", "Resampling iterations (default 100000; 1 = no p).",
                                              "N", "100000");
    const QCommandLineOption seedOption("seed", "Seed of the shuffles, for a reproducible run.", "S");
    const QCommandLineOption threadsOption("threads", "Worker threads (default: all cores).", "N", "0");
    const QCommandLineOption problemOption("problem", "The problem label.", "LABEL");
    const QCommandLineOption formatOption("format", "Output: report, tsv or json (default report).", "FORMAT",
                                          "report");
    const QCommandLineOption stopOption("stop-on-undefined", "Stop when an N-ratio cannot be formed.");
    const QCommandLineOption verboseOption("verbose", "Print how the pairs are counted, and the predicted time "
                                           "per shuffle, to standard error.");
    parser.addOptions({factorOption, independentOption, repeatedOption, nestOption, iterationsOption,
                       seedOption, threadsOption, problemOption, formatOption, stopOption, verboseOption});
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();

    if (!parser.parse(arguments))
        return failure(parser.errorText().toStdString());

    CliRequest request;
    if (parser.isSet(helpOption)) {
        request.help = true;
        request.helpText = parser.helpText().toStdString();
        return {request, {}};
    }
    if (parser.isSet(versionOption)) {
        request.version = true;
        return {request, {}};
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return failure(positional.isEmpty() ? "No data file given." : "Give exactly one data file.");
    request.dataFile = positional.first().toStdString();

    Design &design = request.design;
    for (const QString &spec : parser.values(factorOption)) {
        const int colon = spec.lastIndexOf(':');
        bool ok = false;
        const int levels = colon > 0 ? spec.mid(colon + 1).toInt(&ok) : 0;
        if (colon <= 0 || !ok)
            return failure("--factor " + spec.toStdString() + ": expected NAME:LEVELS, for example Group:2.");
        if (levels < 2)
            return failure("  There must be at least 2 levels in a factor.  Please re-enter the design "
                           "specifications.");
        design.factors.push_back(makeFactor(spec.left(colon).toStdString(), levels));
    }
    if (design.factorCount() < kMinFactors)
        return failure("A design needs at least 2 factors; give each with --factor NAME:LEVELS.");
    if (design.factorCount() > kMaxFactors)
        return failure("Sorry, the program only accommodates 6 factors.");
    for (int i = 0; i < design.factorCount(); ++i) {
        for (int j = i + 1; j < design.factorCount(); ++j) {
            const Factor &a = design.factors[static_cast<size_t>(i)], &b = design.factors[static_cast<size_t>(j)];
            if (std::toupper(static_cast<unsigned char>(a.letter[0])) ==
                std::toupper(static_cast<unsigned char>(b.letter[0])))
                return failure("The program requires the first letter of all factor names to be unique.  Please "
                               "change the name of either " + a.name + " or " + b.name + ".");
        }
    }
    // Products beyond the limit are refused before they can overflow.
    int64_t n = 1;
    for (const Factor &f : design.factors)
        n = std::min<int64_t>(n * f.levels, int64_t{1} << 40);
    if (n > kMaxScores)
        return failure("You have specified " + std::to_string(n) +
                       " scores, but the maximum allowed by the program is 16352 scores.");

    if (parser.isSet(independentOption) == parser.isSet(repeatedOption))
        return failure("Designate one factor: --independent FACTOR (replicates) or --repeated FACTOR (subjects).");
    const bool independent = parser.isSet(independentOption);
    design.kind = independent ? DesignKind::IndependentGroups : DesignKind::RepeatedMeasures;
    const QString designated = parser.value(independent ? independentOption : repeatedOption);
    design.specialFactor = findFactor(design, designated);
    if (design.specialFactor == 0)
        return failure("There is no factor \"" + designated.toStdString() + "\" to designate.");

    for (const QString &nest : parser.values(nestOption))
        request.nestArguments.push_back(nest.toStdString());

    const QString iterationsText = parser.value(iterationsOption);
    bool ok = false;
    qlonglong iterations = iterationsText.toLongLong(&ok);
    if (!ok)
        iterations = QLocale(QLocale::English).toLongLong(iterationsText, &ok);
    if (!ok || iterations < 1 || iterations > std::numeric_limits<int32_t>::max())
        return failure("The number of iterations must be a positive integer.");
    design.iterations = static_cast<int>(iterations);

    if (parser.isSet(seedOption)) {
        const qulonglong seed = parser.value(seedOption).toULongLong(&ok);
        if (!ok)
            return failure("--seed takes a whole number from 0 to 18446744073709551615.");
        request.seed = seed;
    }
    const int threads = parser.value(threadsOption).toInt(&ok);
    if (!ok || threads < 0 || threads > 1024)
        return failure("--threads takes a whole number from 1 to 1024 (0: all cores).");
    request.threads = threads;
    design.problemLabel = parser.value(problemOption).toStdString();

    const QString format = parser.value(formatOption);
    if (format == "report")
        request.format = OutputFormat::Report;
    else if (format == "tsv")
        request.format = OutputFormat::Tsv;
    else if (format == "json")
        request.format = OutputFormat::Json;
    else
        return failure("--format takes report, tsv or json.");
    request.stopOnUndefined = parser.isSet(stopOption);
    request.verbose = parser.isSet(verboseOption);
    return {request, {}};
}

} // namespace kelsim
