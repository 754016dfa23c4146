#pragma once

#include <cstdint>

namespace kelsim {

// The confidence of the interval every Monte Carlo p-value carries.
constexpr double kIntervalConfidence = 0.99;

struct Interval {
    double low = 0.0;
    double high = 1.0;
};

// The Clopper–Pearson interval of a proportion seen as `successes` of `trials`: the exact
// binomial interval, never narrower than the confidence asks. 0 successes give a low end of 0,
// `trials` successes a high end of 1. trials > 0, 0 <= successes <= trials.
Interval clopperPearson(int64_t successes, int64_t trials, double confidence = kIntervalConfidence);

// The regularized incomplete beta function I_x(a, b), a, b > 0, 0 <= x <= 1.
double regularizedBeta(double x, double a, double b);

} // namespace kelsim
