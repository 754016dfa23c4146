#include "CliOptions.h"

#include "DesignCheck.h"

#include <QCommandLineParser>
#include <QLocale>

#include <cctype>
#include <cmath>
#include <initializer_list>
#include <utility>

namespace kelsim {

namespace {

// A designated factor given by number, full name or letter; a nesting factor by name or letter.
int findFactor(const Design &design, const QString &given, bool numberAllowed)
{
    bool isNumber = false;
    const int number = given.toInt(&isNumber);
    if (isNumber && numberAllowed)
        return number >= 1 && number <= design.factorCount() ? number : 0;
    // Names are held with a capital first character, as the factors were made.
    std::string text = given.toStdString();
    if (!text.empty())
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    for (int f = 1; f <= design.factorCount(); ++f)
        if (design.factors[static_cast<size_t>(f - 1)].name == text)
            return f;
    for (int f = 1; f <= design.factorCount(); ++f)
        if (design.factors[static_cast<size_t>(f - 1)].letter == text)
            return f;
    return 0;
}

// Sets `chosen` to the value of the word given; false when the word is none of them.
template <typename T>
bool choose(const QString &given, std::initializer_list<std::pair<const char *, T>> words, T &chosen)
{
    for (const auto &[word, value] : words)
        if (given == QLatin1String(word)) {
            chosen = value;
            return true;
        }
    return false;
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
    const QCommandLineOption independentOption("independent",
                                               "Independent groups; FACTOR (name or number) is "
                                               "the replicates factor.",
                                               "FACTOR");
    const QCommandLineOption repeatedOption("repeated",
                                            "Repeated measures; FACTOR (name or number) is the "
                                            "subjects factor.",
                                            "FACTOR");
    const QCommandLineOption nestOption("nest",
                                        "X nested under Y, by name or letter (repeat, in selection "
                                        "order).",
                                        "X<Y");
    const QCommandLineOption iterationsOption("iterations", "Resampling iterations (default 100000; 1 = no p).", "N",
                                              "100000");
    const QCommandLineOption seedOption("seed", "Seed of the shuffles, for a reproducible run.", "S");
    const QCommandLineOption threadsOption("threads", "Worker threads (default: all cores).", "N", "0");
    const QCommandLineOption problemOption("problem", "The problem label.", "LABEL");
    const QCommandLineOption formatOption("format", "Output: report, tsv or json (default report).", "FORMAT",
                                          "report");
    const QCommandLineOption stopOption("stop-on-undefined", "Stop when an N-ratio cannot be formed.");
    const QCommandLineOption exactOption("exact",
                                         "auto: count every distinct arrangement once when there are no "
                                         "more than the iterations; never: always random shuffles (default auto).",
                                         "MODE", "auto");
    const QCommandLineOption precisionOption("precision",
                                             "Stop once every p's 99% interval is narrower than W or "
                                             "lies wholly on one side of .05 and of .01.",
                                             "W");
    const QCommandLineOption shuffleOption("shuffle",
                                           "whole: every score over every cell; restricted: only the "
                                           "units the design makes exchangeable for each row (default whole).",
                                           "SCHEME", "whole");
    const QCommandLineOption distributionOption("distribution",
                                                "Write each tested row's permutation "
                                                "distribution to FILE as comma-separated values.",
                                                "FILE");
    const QCommandLineOption verboseOption("verbose", "Print how the pairs are counted, and the predicted time "
                                                      "per shuffle, to standard error.");
    parser.addOptions({factorOption, independentOption, repeatedOption, nestOption, iterationsOption, seedOption,
                       threadsOption, problemOption, formatOption, stopOption, exactOption, precisionOption,
                       shuffleOption, distributionOption, verboseOption});
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
    std::vector<int> levels;
    for (const QString &spec : parser.values(factorOption)) {
        const int colon = spec.lastIndexOf(':');
        bool ok = false;
        const int count = colon > 0 ? spec.mid(colon + 1).toInt(&ok) : 0;
        if (colon <= 0 || !ok)
            return failure("--factor " + spec.toStdString() + ": expected NAME:LEVELS, for example Group:2.");
        design.factors.push_back(makeFactor(spec.left(colon).toStdString(), count));
        levels.push_back(count);
    }
    if (const auto problem = checkFactorCount(design.factorCount()))
        return failure(problem->text +
                       (design.factorCount() < kMinFactors ? " Give each with --factor NAME:LEVELS." : ""));
    std::vector<std::string> names;
    for (int f = 1; f <= design.factorCount(); ++f) {
        names.push_back(design.factors[static_cast<size_t>(f - 1)].name);
        if (const auto problem = checkFactorName(f, names.back()))
            return failure(problem->text + ".");
    }
    if (const auto problem = checkUniqueLetters(names))
        return failure(problem->text);
    if (const auto problem = checkLevelCounts(levels))
        return failure(problem->text);

    if (parser.isSet(independentOption) == parser.isSet(repeatedOption))
        return failure("Designate one factor: --independent FACTOR (replicates) or --repeated FACTOR (subjects).");
    const bool independent = parser.isSet(independentOption);
    design.kind = independent ? DesignKind::IndependentGroups : DesignKind::RepeatedMeasures;
    const QString designated = parser.value(independent ? independentOption : repeatedOption);
    design.specialFactor = findFactor(design, designated, true);
    if (design.specialFactor == 0)
        return failure("There is no factor \"" + designated.toStdString() + "\" to designate.");

    std::vector<NestingPair> selected;
    for (const QString &nest : parser.values(nestOption)) {
        const int sign = nest.indexOf('<');
        if (sign < 0)
            return failure("--nest " + nest.toStdString() + ": expected X<Y (X nested under Y).");
        const int nested = findFactor(design, nest.left(sign), false);
        const int under = findFactor(design, nest.mid(sign + 1), false);
        if (nested == 0 || under == 0)
            return failure("--nest " + nest.toStdString() + ": no such factor.");
        selected.push_back({design.letter(nested), design.letter(under)});
    }
    if (!selected.empty()) {
        const NestingResult nesting = checkNesting(design, selected);
        if (nesting.problem)
            return failure(nesting.problem->title + " " + nesting.problem->text);
        design.nested = true;
        design.nestingPairs = nesting.pairs;
        design.selectedNesting = selected;
    }
    if (const auto problem = validateDesign(design))
        return failure(problem->text);

    const QString iterationsText = parser.value(iterationsOption);
    bool ok = false;
    double iterations = iterationsText.toDouble(&ok);
    if (!ok)
        iterations = QLocale(QLocale::English).toDouble(iterationsText, &ok);
    if (ok && iterations != std::floor(iterations))
        ok = false;
    if (const auto problem = checkIterations(ok, iterations))
        return failure(problem->text);
    request.run.iterations = static_cast<int>(iterations);

    if (parser.isSet(seedOption)) {
        const qulonglong seed = parser.value(seedOption).toULongLong(&ok);
        if (!ok)
            return failure("--seed takes a whole number from 0 to 18446744073709551615.");
        request.run.seed = seed;
    }
    const int threads = parser.value(threadsOption).toInt(&ok);
    if (!ok || threads < 0 || threads > 1024)
        return failure("--threads takes a whole number from 1 to 1024 (0: all cores).");
    request.run.threads = threads;
    design.problemLabel = parser.value(problemOption).toStdString();

    if (!choose(parser.value(formatOption),
                {{"report", OutputFormat::Report}, {"tsv", OutputFormat::Tsv}, {"json", OutputFormat::Json}},
                request.format))
        return failure("--format takes report, tsv or json.");
    request.stopOnUndefined = parser.isSet(stopOption);

    if (!choose(parser.value(exactOption), {{"auto", ExactMode::Auto}, {"never", ExactMode::Never}}, request.run.exact))
        return failure("--exact takes auto or never.");
    if (parser.isSet(precisionOption)) {
        request.run.precision = parser.value(precisionOption).toDouble(&ok);
        if (!ok || !(request.run.precision > 0.0 && request.run.precision < 1.0))
            return failure("--precision takes a number between 0 and 1, such as .01.");
    }
    if (!choose(parser.value(shuffleOption), {{"whole", ShuffleMode::Whole}, {"restricted", ShuffleMode::Restricted}},
                request.run.shuffle))
        return failure("--shuffle takes whole or restricted.");
    request.distributionFile = parser.value(distributionOption).toStdString();
    if (parser.isSet(distributionOption) && request.distributionFile.empty())
        return failure("--distribution takes the name of the file to write.");
    request.verbose = parser.isSet(verboseOption);
    return {request, {}};
}

} // namespace kelsim
