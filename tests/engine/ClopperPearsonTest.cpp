#include "ClopperPearson.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kelsim;

namespace {

// P(X >= x) or P(X <= x) for X ~ Binomial(n, p), summed term by term over the shorter side.
long double binomialTail(int64_t n, int64_t x, long double p, bool upper)
{
    auto term = [&](int64_t k) {
        return std::exp(std::lgamma(n + 1.0L) - std::lgamma(k + 1.0L) - std::lgamma(n - k + 1.0L) + k * std::log(p) +
                        (n - k) * std::log1p(-p));
    };
    const int64_t from = upper ? x : 0, to = upper ? n : x; // the terms asked for
    long double sum = 0;
    if (to - from <= n / 2) {
        for (int64_t k = from; k <= to; ++k)
            sum += term(k);
        return sum;
    }
    for (int64_t k = 0; k <= n; ++k)
        if (k < from || k > to)
            sum += term(k);
    return 1 - sum;
}

// The interval by its definition: bisection for the p at which each tail holds half the rest.
Interval referenceInterval(int64_t x, int64_t n, double confidence)
{
    const long double tail = (1 - confidence) / 2;
    auto solve = [&](bool upper) {
        long double lo = 0, hi = 1;
        for (int i = 0; i < 100; ++i) {
            const long double mid = (lo + hi) / 2;
            // P(X >= x) grows with p; P(X <= x) falls.
            const bool below = upper ? binomialTail(n, x, mid, true) < tail : binomialTail(n, x, mid, false) > tail;
            (below ? lo : hi) = mid;
        }
        return static_cast<double>((lo + hi) / 2);
    };
    return {x == 0 ? 0.0 : solve(true), x == n ? 1.0 : solve(false)};
}

} // namespace

TEST(ClopperPearson, matchesTheBinomialTailsToSixDigitsAndHoldsItsEdges)
{
    const struct {
        int64_t x, n;
        double confidence;
    } cases[] = {
        {0, 1, .99},    {1, 1, .99},        {0, 10, .99},    {10, 10, .99},     {1, 10, .99},
        {5, 10, .99},   {3, 5, .95},        {1, 1000, .99},  {999, 1000, .99},  {1000, 1000, .99},
        {7, 2000, .99}, {1000, 2000, .999}, {1, 5000, .999}, {4999, 5000, .99},
    };
    for (const auto &c : cases) {
        const Interval got = clopperPearson(c.x, c.n, c.confidence);
        const Interval want = referenceInterval(c.x, c.n, c.confidence);
        EXPECT_NEAR(got.low, want.low, 1e-7 * want.low) << c.x << " of " << c.n;
        EXPECT_NEAR(got.high, want.high, 1e-7 * want.high) << c.x << " of " << c.n;
        EXPECT_LE(got.low, static_cast<double>(c.x) / c.n);
        EXPECT_GE(got.high, static_cast<double>(c.x) / c.n);
    }
}

TEST(ClopperPearson, holdsItsDigitsAtManyMillionsOfIterations)
{
    // Too long to sum here: these ends were found by summing the binomial terms in 40-digit
    // arithmetic (Python's mpmath) and bisecting, as referenceInterval does.
    const struct {
        int64_t x, n;
        double low, high;
    } cases[] = {
        {1, 100000, 5.01254169791641e-8, 7.42989062139049e-5},
        {50000, 100000, .495922334242564, .504077665757436},
        {12345, 2000000, .00603076937345293, .00631658528849282},
        {1, 2147483647, 2.33414667931971e-12, 3.45992366439484e-9},
    };
    for (const auto &c : cases) {
        const Interval got = clopperPearson(c.x, c.n, .99);
        EXPECT_NEAR(got.low, c.low, 1e-7 * c.low) << c.x << " of " << c.n;
        EXPECT_NEAR(got.high, c.high, 1e-7 * c.high) << c.x << " of " << c.n;
    }
}
