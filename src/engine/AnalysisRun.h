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
    std::optional<uint64_t> seed;      // fresh from the system when empty
    int threads = 0;                   // 0: all cores
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

// Makes iterations − 1 shuffled passes over the observed pass's scores and gives every row with
// a positive N-ratio its p-value.
// Safe to call on a worker thread; the table of the result is the observed one.
RunResult resample(const ObservedPass &observed, const RunOptions &options);

// Both steps in one.
RunResult runAnalysis(const Design &design, const ScoreSet &scores, RunQuestions &questions,
                      const RunOptions &options = {});

// The counter a run uses when the options name none.
std::unique_ptr<PairCounter> makeDefaultCounter(const std::vector<int> &levelCounts, int categoryCount);

// A fresh seed from the system.
uint64_t freshSeed();

// Shuffled passes are drawn in blocks of this many, each from its own random stream.
constexpr int64_t kShufflesPerBlock = 512;

} // namespace kelsim
