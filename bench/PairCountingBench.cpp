// The counting engines side by side: the plain counter that compares every pair of cells and the
// lattice counter, per pass on the designs the permutation engine is measured on, then whole
// shuffled passes (shuffle, count, table numbers) on one and on two threads.
//
//   build/bench/kelsim-bench                          everything (the plain counter takes a few
//                                                     seconds a pass on the largest designs)
//   build/bench/kelsim-bench --benchmark_filter=lattice   the fast counter only

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
    std::string name;
    std::vector<int> levels;
    int categories;
};

const std::vector<BenchDesign> &designs()
{
    static const std::vector<BenchDesign> list = {
        {"5x10x10/5cat", {5, 10, 10}, 5},
        {"2x2x2x2x2x511/2cat", {2, 2, 2, 2, 2, 511}, 2},
        {"2x2x2x2x2x511/5cat", {2, 2, 2, 2, 2, 511}, 5},
        {"2x2x2x2x2x511/50cat", {2, 2, 2, 2, 2, 511}, 50},
        {"4x4x4x4x4x15/2cat", {4, 4, 4, 4, 4, 15}, 2},
        {"4x4x4x4x4x15/5cat", {4, 4, 4, 4, 4, 15}, 5},
        {"4x4x4x4x4x15/50cat", {4, 4, 4, 4, 4, 15}, 50},
    };
    return list;
}

int64_t cellCount(const std::vector<int> &levels)
{
    int64_t n = 1;
    for (int l : levels)
        n *= l;
    return n;
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

void countPass(benchmark::State &state, const BenchDesign &d, bool lattice)
{
    std::unique_ptr<PairCounter> counter = lattice ? makeLatticeCounter(d.levels, d.categories)
                                                   : makeReferenceCounter(d.levels, d.categories);
    std::vector<uint16_t> codes = codesFor(d);
    std::vector<int64_t> matching(size_t{1} << d.levels.size());
    for (auto _ : state) {
        counter->countMatching(codes.data(), matching.data());
        benchmark::DoNotOptimize(matching.data());
    }
    if (lattice)
        state.SetLabel(static_cast<LatticeCounter &>(*counter).describePlan());
}

void shuffle(benchmark::State &state, const BenchDesign &d)
{
    std::vector<uint16_t> codes = codesFor(d);
    Random random(7);
    for (auto _ : state) {
        random.shuffle(codes.data(), codes.size());
        benchmark::DoNotOptimize(codes.data());
    }
}

// Whole shuffled passes through the run: shuffle, count, N-ratios, comparison with the observed.
void resamplePasses(benchmark::State &state, const BenchDesign &d, int threads, int shuffles)
{
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
            // Counting runs on one thread: its processor time is the fairer figure on a shared
            // machine. Whole passes spread over threads are timed by the clock.
            double seconds = run.cpu_accumulated_time / static_cast<double>(run.iterations);
            auto perPass = run.counters.find("per_pass");
            if (perPass != run.counters.end())
                seconds = perPass->second.value;
            times_[run.run_name.function_name] = seconds;
        }
    }

    void printSummary() const
    {
        std::printf("\nCounting one pass (processor time): the plain counter, the lattice counter, the speed-up\n");
        std::printf("%-22s %14s %14s %12s\n", "design", "plain", "lattice", "speed-up");
        for (const BenchDesign &d : designs()) {
            const double plain = find("count/" + d.name + "/plain");
            const double fast = find("count/" + d.name + "/lattice");
            if (fast <= 0)
                continue;
            std::printf("%-22s %14s %14s %12s\n", d.name.c_str(), text(plain).c_str(), text(fast).c_str(),
                        plain > 0 ? std::to_string(static_cast<int64_t>(plain / fast + 0.5)).append("x").c_str() : "-");
        }
        std::printf("\nWhole shuffled passes (shuffle, count, table numbers; clock time), per pass and for 100,000\n");
        std::printf("%-22s %12s %12s %10s %10s %9s\n", "design", "1 thread", "2 threads", "100k (1)", "100k (2)",
                    "scaling");
        for (const BenchDesign &d : designs()) {
            const double one = find("passes/" + d.name + "/threads:1");
            const double two = find("passes/" + d.name + "/threads:2");
            if (one <= 0 || two <= 0)
                continue;
            std::printf("%-22s %12s %12s %9.2fs %9.2fs %8.2fx\n", d.name.c_str(), text(one).c_str(), text(two).c_str(),
                        one * 1e5, two * 1e5, one / two);
        }
    }

private:
    double find(const std::string &name) const
    {
        auto it = times_.find(name);
        return it == times_.end() ? -1.0 : it->second;
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
};

} // namespace

int main(int argc, char **argv)
{
    for (const BenchDesign &d : designs()) {
        const bool large = cellCount(d.levels) > 5000;
        benchmark::RegisterBenchmark(("count/" + d.name + "/plain").c_str(), countPass, d, false)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(large ? 1 : 200);
        benchmark::RegisterBenchmark(("count/" + d.name + "/lattice").c_str(), countPass, d, true)
            ->Unit(benchmark::kMicrosecond);
    }
    for (const BenchDesign &d : designs())
        if (d.categories == designs().front().categories || d.name.find("/2cat") != std::string::npos)
            benchmark::RegisterBenchmark(("shuffle/" + std::to_string(cellCount(d.levels)) + "cells").c_str(), shuffle, d)
                ->Unit(benchmark::kMicrosecond);
    for (const BenchDesign &d : designs()) {
        const int shuffles = cellCount(d.levels) > 5000 ? 4000 : 100000;
        for (int threads : {1, 2})
            benchmark::RegisterBenchmark(("passes/" + d.name + "/threads:" + std::to_string(threads)).c_str(),
                                         resamplePasses, d, threads, shuffles)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->Iterations(1);
    }
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printSummary();
    benchmark::Shutdown();
    return 0;
}
