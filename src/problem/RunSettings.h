#pragma once

#include "AnalysisRun.h"

#include <cstdint>
#include <optional>

namespace kelsim {

// How the user wants the p-values estimated, in the Number of Iterations window. Not remembered
// between sessions: every start of the program begins with the defaults.
struct RunSettings {
    int iterations = kDefaultIterations;
    std::optional<uint64_t> fixedSeed; // empty: a fresh seed for every run
    double precision = 0.0;            // above 0: stop once every p is this precise
    ExactMode exact = ExactMode::Auto; // small designs get exact p-values
    ShuffleMode shuffle = ShuffleMode::Whole;

    // The engine's options for one run; a fresh seed is drawn here when none is fixed, so that
    // the run can tell which one it used.
    RunOptions options() const
    {
        RunOptions o;
        o.iterations = iterations;
        o.seed = fixedSeed ? *fixedSeed : freshSeed();
        o.precision = precision;
        o.exact = exact;
        o.shuffle = shuffle;
        return o;
    }
};

} // namespace kelsim
