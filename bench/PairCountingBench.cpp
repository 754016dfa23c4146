// The lattice counter on the designs the permutation engine is measured on: the two largest
// six-factor shapes ((4,4,4,4,4,15) and (2,2,2,2,2,511)) and a 500-score design (5x10x10), each
// with 2 to 1000 categories. For every case it times whole shuffled passes (shuffle, count, table
// numbers) on one and on two threads, and the shuffle alone, the floor no pass can go below.
//
//   build/bench/kelsim-bench                                   everything, with a summary
//   build/bench/kelsim-bench --benchmark_filter=4x4x4x4x4x15   one design
//   build/bench/kelsim-bench --benchmark_filter=plain          the plain pair-by-pair counter too

#include "AnalysisRun.h"
#include "LatticeCounter.h"
#include "Random.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace kelsim;

namespace {

struct BenchDesign {
    std::string shape;
    std::vector<int> levels;
    int categories;
    std::string name() const { return shape + "/" + std::to_string(categories) + "cat"; }
};

int64_t cellCount(const std::vector<int> &levels)
{
    int64_t n = 1;
    for (int l : levels)
        n *= l;
    return n;
}

const std::vector<BenchDesign> &designs()
{
    static const std::vector<BenchDesign> list = [] {
        const std::vector<std::pair<std::string, std::vector<int>>> shapes = {
            {"5x10x10", {5, 10, 10}},
            {"4x4x4x4x4x15", {4, 4, 4, 4, 4, 15}},
            {"2x2x2x2x2x511", {2, 2, 2, 2, 2, 511}},
        };
        std::vector<BenchDesign> result;
        for (const auto &[shape, levels] : shapes)
            for (int categories : {2, 5, 50, 200, 255, 256, 400, 1000})
                if (categories <= cellCount(levels))
                    result.push_back({shape, levels, categories});
        return result;
    }();
    return list;
}

// Every category about equally common, in a random arrangement.
std::vector<uint16_t> codesFor(const BenchDesign &d)
{
    std::vector<uint16_t> codes(static_cast<size_t>(cellCount(d.levels)));
    for (size_t i = 0; i < codes.size(); ++i)
        codes[i] = static_cast<uint16_t>(i % static_cast<size_t>(d.categories));
    Random(42).shuffle(codes.data(), codes.size());
    return codes;
}

std::string planOf(const BenchDesign &d)
{
    LatticeCounter counter(d.levels, d.categories);
    return counter.describePlan();
}

// One arrangement counted again and again: the counter alone, without the shuffle.
void countPass(benchmark::State &state, const BenchDesign &d, bool lattice)
{
    std::unique_ptr<PairCounter> counter =
        lattice ? makeLatticeCounter(d.levels, d.categories) : makeReferenceCounter(d.levels, d.categories);
    std::vector<uint16_t> codes = codesFor(d);
    std::vector<int64_t> matching(size_t{1} << d.levels.size());
    for (auto _ : state) {
        counter->countMatching(codes.data(), matching.data());
        benchmark::DoNotOptimize(matching.data());
    }
    if (lattice)
        state.SetLabel(planOf(d));
}

// Shuffled passes of the counter alone (shuffle and count), on one thread.
void shuffledPass(benchmark::State &state, const BenchDesign &d)
{
    LatticeCounter counter(d.levels, d.categories);
    const std::vector<uint16_t> codes = codesFor(d);
    std::vector<int64_t> matching(size_t{1} << d.levels.size());
    counter.startShuffles(codes.data());
    Random random(3);
    for (auto _ : state) {
        counter.shuffleAndCount(random, matching.data());
        benchmark::DoNotOptimize(matching.data());
    }
    state.SetLabel(counter.describePlan());
}

// The shuffle alone, on codes of four bytes as the counter shuffles them.
void shuffle(benchmark::State &state, const BenchDesign &d)
{
    std::vector<uint16_t> codes = codesFor(d);
    std::vector<uint32_t> words(codes.begin(), codes.end());
    Random random(7);
    for (auto _ : state) {
        random.shuffle(words.data(), words.size());
        benchmark::DoNotOptimize(words.data());
    }
}

// Whole passes are timed this many times each; the summary takes the lowest, as this machine's
// clock drifts from minute to minute.
constexpr int kPassRepetitions = 3;

int shufflesFor(const BenchDesign &d)
{
    return cellCount(d.levels) > 5000 ? 3000 : 60000;
}

// Whole shuffled passes through the run: shuffle, count, N-ratios, comparison with the observed.
void resamplePasses(benchmark::State &state, const BenchDesign &d, int threads)
{
    const int shuffles = shufflesFor(d);
    Design design;
    const char *names[] = {"Alpha", "Beta", "Gamma", "Delta", "Eta", "Theta"};
    for (size_t f = 0; f < d.levels.size(); ++f)
        design.factors.push_back(makeFactor(names[f], d.levels[f]));
    design.kind = DesignKind::IndependentGroups;
    design.specialFactor = static_cast<int>(d.levels.size());
    ScoreSet scores;
    for (uint16_t c : codesFor(d))
        scores.flat.push_back("c" + std::to_string(c));
    ContinueAlways yes;
    const ObservedPass observed = observePass(design, scores, yes);
    RunOptions options;
    options.iterations = shuffles + 1;
    options.seed = 1;
    options.threads = threads;
    for (auto _ : state)
        benchmark::DoNotOptimize(resample(observed, options).table.rows.data());
    state.counters["per_pass"] =
        benchmark::Counter(shuffles, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    if (threads == 1)
        state.SetLabel(planOf(d));
}

// Collects the time per iteration of every benchmark, and prints the comparisons at the end.
class SummaryReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run> &reports) override
    {
        ConsoleReporter::ReportRuns(reports);
        for (const Run &run : reports) {
            if (run.error_occurred || run.iterations == 0 || run.run_type != Run::RT_Iteration)
                continue;
            // Counting and shuffling run on one thread: processor time is the fairer figure on a
            // shared machine. Whole passes spread over threads are timed by the clock.
            double seconds = run.cpu_accumulated_time / static_cast<double>(run.iterations);
            auto perPass = run.counters.find("per_pass");
            if (perPass != run.counters.end())
                seconds = perPass->second.value;
            // Repeated runs: the lowest, what the code does when the machine lets it.
            auto known = times_.find(run.run_name.function_name);
            if (known == times_.end() || seconds < known->second)
                times_[run.run_name.function_name] = seconds;
            if (!run.report_label.empty())
                plans_[run.run_name.function_name] = run.report_label;
        }
    }

    void printSummary() const
    {
        std::printf("\nWhole shuffled passes (clock time, the lowest of %d runs): per pass on 1 thread, the same per\n"
                    "score beside the shuffle alone (the floor), per pass on 2 threads, and 100,000 passes on 2\n"
                    "threads\n",
                    kPassRepetitions);
        std::printf("%-24s %11s %9s %9s %11s %9s  %s\n", "design", "1 thread", "ns/score", "floor", "2 threads",
                    "100k (2)", "plan");
        for (const BenchDesign &d : designs()) {
            const std::string name = d.name();
            const double one = find("passes/" + name + "/threads:1");
            const double two = find("passes/" + name + "/threads:2");
            if (one <= 0 && two <= 0)
                continue;
            const double cells = static_cast<double>(cellCount(d.levels));
            const double floor = find("shuffle/" + d.shape);
            auto plan = plans_.find("passes/" + name + "/threads:1");
            std::printf("%-24s %11s %9s %9s %11s %9s  %s\n", name.c_str(), text(one).c_str(),
                        number(one * 1e9 / cells, one > 0).c_str(), number(floor * 1e9 / cells, floor > 0).c_str(),
                        text(two).c_str(), number(two * 1e5, two > 0, "s").c_str(),
                        plan == plans_.end() ? "" : plan->second.c_str());
        }
        bool header = false;
        for (const BenchDesign &d : designs()) {
            const double plain = find("count/" + d.name() + "/plain");
            const double fast = find("count/" + d.name() + "/lattice");
            if (plain <= 0 || fast <= 0)
                continue;
            if (!header)
                std::printf("\nCounting one arrangement (processor time): the plain counter, the lattice counter\n");
            header = true;
            std::printf("%-24s %14s %14s %8.0fx\n", d.name().c_str(), text(plain).c_str(), text(fast).c_str(),
                        plain / fast);
        }
    }

  private:
    double find(const std::string &name) const
    {
        auto it = times_.find(name);
        return it == times_.end() ? -1.0 : it->second;
    }

    static std::string number(double value, bool known, const char *unit = "")
    {
        if (!known)
            return "-";
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.2f%s", value, unit);
        return buffer;
    }

    static std::string text(double seconds)
    {
        if (seconds <= 0)
            return "-";
        char buffer[32];
        if (seconds >= 1e-3)
            std::snprintf(buffer, sizeof buffer, "%.3f ms", seconds * 1e3);
        else
            std::snprintf(buffer, sizeof buffer, "%.2f us", seconds * 1e6);
        return buffer;
    }

    std::map<std::string, double> times_;
    std::map<std::string, std::string> plans_;
};

} // namespace

int main(int argc, char **argv)
{
    std::map<std::string, const BenchDesign *> shapes;
    for (const BenchDesign &d : designs())
        shapes.emplace(d.shape, &d);
    for (const auto &[shape, d] : shapes)
        benchmark::RegisterBenchmark(("shuffle/" + shape).c_str(), shuffle, *d)->Unit(benchmark::kMicrosecond);
    for (const BenchDesign &d : designs())
        for (int threads : {1, 2})
            benchmark::RegisterBenchmark(("passes/" + d.name() + "/threads:" + std::to_string(threads)).c_str(),
                                         resamplePasses, d, threads)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->Iterations(1)
                ->Repetitions(kPassRepetitions);
    for (const BenchDesign &d : designs())
        benchmark::RegisterBenchmark(("pass/" + d.name()).c_str(), shuffledPass, d)->Unit(benchmark::kMicrosecond);
    for (const BenchDesign &d : designs()) {
        benchmark::RegisterBenchmark(("count/" + d.name() + "/lattice").c_str(), countPass, d, true)
            ->Unit(benchmark::kMicrosecond);
        // The plain counter takes seconds a pass on the large designs: only on request.
        benchmark::RegisterBenchmark(("count/" + d.name() + "/plain").c_str(), countPass, d, false)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(cellCount(d.levels) > 5000 ? 1 : 100);
    }
    std::vector<char *> arguments(argv, argv + argc);
    std::string defaultFilter = "--benchmark_filter=^(shuffle|pass|count/.*/lattice)";
    bool filtered = false;
    for (int i = 1; i < argc; ++i)
        filtered = filtered || std::string(argv[i]).rfind("--benchmark_filter", 0) == 0;
    if (!filtered)
        arguments.push_back(defaultFilter.data());
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printSummary();
    benchmark::Shutdown();
    return 0;
}
