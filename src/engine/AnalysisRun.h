#pragma once

#include "Design.h"
#include "PairCounting.h"
#include "TableRows.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kelsim {

enum class RunStatus {
    Completed,
    Abandoned, // the user answered No to "Undefined N-ratio!"
    Cancelled, // the cancel flag was raised during the shuffled passes
};

struct RunOptions {
    int iterations = kDefaultIterations; // the observed arrangement and iterations − 1 shuffles
    std::optional<uint64_t> seed;        // fresh from the system when empty
    int threads = 0;                     // 0: all cores; the result is the same for any number
    // Auto: a scheme with no more distinct arrangements than the iterations (and at most
    // kMaxExactArrangements) counts each of them once and gives exact p-values.
    ExactMode exact = ExactMode::Auto;
    // Above 0: a Monte Carlo stream stops early once every row it tests has a 99 % interval
    // narrower than this, or lying wholly on one side of .05 and of .01 (meetsPrecision). The
    // check is made after whole blocks, in block order, so the stopping point depends on the seed
    // alone.
    double precision = 0.0;
    ShuffleMode shuffle = ShuffleMode::Whole;    // see planShuffles in ShuffleSchemes.h
    PairCounterFactory counterFactory = nullptr; // null: the fastest counter available
    // Called with the shuffled passes done so far and their total, at most every 50 ms, from the
    // thread that called resample().
    std::function<void(int64_t done, int64_t total)> progress;
    const std::atomic<bool> *cancel = nullptr;
};

// The observed pass: the table laid out, every row written, the questions asked.
struct ObservedPass {
    RunStatus status = RunStatus::Completed;
    Design design;
    CategoryCodes codes;
    NTable table;
    PassEvaluator evaluator;
    std::vector<double> observedRatio; // per row; 0 where no positive N-ratio was formed
};

struct RunResult {
    RunStatus status = RunStatus::Completed;
    NTable table; // with the iterations, the seed and the p-values of the run
};

// Makes the observed pass. Runs on the caller's thread so that questions can be shown.
ObservedPass observePass(const Design &design, const ScoreSet &scores, RunQuestions &questions);

// Gives every row with a positive N-ratio its p-value (PValue in NTable.h): for each shuffle
// scheme, either every distinct arrangement once (exact) or iterations − 1 random ones, fewer when
// the precision is met; records the run's facts in the table.
// Safe to call on a worker thread; the table of the result is the observed one.
RunResult resample(const ObservedPass &observed, const RunOptions &options);

// Both steps in one.
RunResult runAnalysis(const Design &design, const ScoreSet &scores, RunQuestions &questions,
                      const RunOptions &options = {});

// The counter a run uses when the options name none.
std::unique_ptr<PairCounter> makeDefaultCounter(const std::vector<int> &levelCounts, int categoryCount);

// A fresh seed from the system.
uint64_t freshSeed();

// Shuffled passes are drawn in blocks of this many, each from its own random stream; exact
// enumeration is split into blocks of as many arrangements.
constexpr int64_t kShufflesPerBlock = 512;

// Whether a row's interval is settled for a run that stops at `precision`: narrower than it, or
// wholly on one side of .05 and wholly on one side of .01.
bool meetsPrecision(double low, double high, double precision);

// The options that make a table again: its iterations, seed, exact mode, precision and shuffle.
RunOptions reproducingOptions(const NTable &table);

} // namespace kelsim
