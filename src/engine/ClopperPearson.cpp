#include "ClopperPearson.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace kelsim {

namespace {

constexpr double kLogSqrtTwoPi = 0.918938533204672741780329736406; // ½ log 2π

// lgamma(x) − ((x − ½) log x − x + ½ log 2π), the remainder of Stirling's series, for x >= 10.
double stirlingRemainder(double x)
{
    const double r = 1.0 / (x * x);
    return (1.0 / 12.0 - r * (1.0 / 360.0 - r * (1.0 / 1260.0 - r * (1.0 / 1680.0 - r / 1188.0)))) / x;
}

// log B(a, b). Differences of lgamma lose the digits that matter once a + b runs into the
// billions, so large arguments go through Stirling's series, where the big terms cancel in closed
// form.
double logBeta(double a, double b)
{
    const double p = std::min(a, b), q = std::max(a, b);
    const double share = p / (p + q);
    if (p >= 10.0) {
        const double remainder = stirlingRemainder(p) + stirlingRemainder(q) - stirlingRemainder(p + q);
        return -0.5 * std::log(q) + kLogSqrtTwoPi + remainder + (p - 0.5) * std::log(share) + q * std::log1p(-share);
    }
    if (q >= 10.0) {
        const double remainder = stirlingRemainder(q) - stirlingRemainder(p + q);
        return std::lgamma(p) + remainder + p - p * std::log(p + q) + (q - 0.5) * std::log1p(-share);
    }
    return std::lgamma(p) + std::lgamma(q) - std::lgamma(p + q);
}

// log of x^a (1 − x)^b / B(a, b), with xc = 1 − x given apart so that an x near 1 keeps its
// precision.
double logBetaFactor(double x, double xc, double a, double b)
{
    return a * std::log(x) + b * std::log(xc) - logBeta(a, b);
}

// The continued fraction of I_x(a, b), evaluated by the modified Lentz method; it converges fast
// for x below (a + 1) / (a + b + 2).
double betaFraction(double x, double a, double b)
{
    constexpr double kTiny = 1e-300;
    constexpr double kEpsilon = 1e-16;
    const double qab = a + b, qap = a + 1.0, qam = a - 1.0;
    auto guard = [](double v) { return std::fabs(v) < kTiny ? kTiny : v; };
    double c = 1.0;
    double d = 1.0 / guard(1.0 - qab * x / qap);
    double h = d;
    // Near the mean the fraction needs on the order of sqrt(min(a, b)) terms.
    const int most = 1000 + static_cast<int>(20.0 * std::sqrt(std::min(a, b)));
    for (int m = 1; m <= most; ++m) {
        const double m2 = 2.0 * m;
        double aa = m * (b - m) * x / ((qam + m2) * (a + m2));
        d = 1.0 / guard(1.0 + aa * d);
        c = guard(1.0 + aa / c);
        h *= d * c;
        aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
        d = 1.0 / guard(1.0 + aa * d);
        c = guard(1.0 + aa / c);
        const double step = d * c;
        h *= step;
        if (std::fabs(step - 1.0) < kEpsilon)
            break;
    }
    return h;
}

// I_x(a, b) with xc = 1 − x.
double incompleteBeta(double x, double xc, double a, double b)
{
    if (x <= 0.0)
        return 0.0;
    if (xc <= 0.0)
        return 1.0;
    const double front = std::exp(logBetaFactor(x, xc, a, b));
    if (x < (a + 1.0) / (a + b + 2.0))
        return front * betaFraction(x, a, b) / a;
    return 1.0 - front * betaFraction(xc, b, a) / b;
}

// The p in (0, 1) where a binomial tail probability, monotone in p, equals `target`. Newton steps
// on the log of the tail, kept inside a bracket that bisection narrows whenever a step would leave
// it. `slope` is the derivative of the tail.
double solveTail(const std::function<double(double)> &tailAt, const std::function<double(double)> &slopeAt,
                 bool increasing, double target, double start)
{
    double lo = 0.0, hi = 1.0;
    double p = start > 0.0 && start < 1.0 ? start : 0.5;
    const double logTarget = std::log(target);
    for (int i = 0; i < 300; ++i) {
        const double value = tailAt(p);
        if ((value < target) == increasing)
            lo = p;
        else
            hi = p;
        double next = -1.0;
        if (value > 0.0) {
            const double logSlope = slopeAt(p) / value;
            if (logSlope != 0.0 && std::isfinite(logSlope))
                next = p - (std::log(value) - logTarget) / logSlope;
        }
        if (!(next > lo && next < hi))
            next = 0.5 * (lo + hi);
        if (std::fabs(next - p) <= 1e-15 * p || next == lo || next == hi)
            return next;
        p = next;
    }
    return p;
}

} // namespace

double regularizedBeta(double x, double a, double b)
{
    return incompleteBeta(x, 1.0 - x, a, b);
}

Interval clopperPearson(int64_t successes, int64_t trials, double confidence)
{
    const double tail = (1.0 - confidence) / 2.0;
    const double x = static_cast<double>(successes);
    const double n = static_cast<double>(trials);
    const double seen = x / n;
    const double spread = 2.6 * std::sqrt(std::max(seen * (1.0 - seen), 1.0 / n) / n);
    // The derivative of P(X >= x | p) in p is the Beta(x, n − x + 1) density at p.
    auto density = [](double p, double a, double b) {
        return std::exp(logBetaFactor(p, 1.0 - p, a, b) - std::log(p) - std::log1p(-p));
    };
    Interval interval;
    if (successes > 0) {
        // P(X >= x | low) = tail
        interval.low = solveTail([&](double p) { return incompleteBeta(p, 1.0 - p, x, n - x + 1.0); },
                                 [&](double p) { return density(p, x, n - x + 1.0); }, true, tail,
                                 seen - spread > 0.0 ? seen - spread : seen / 2.0);
    }
    if (successes < trials) {
        // P(X <= x | high) = tail, the upper tail of the Beta(n − x, x + 1) at 1 − high
        interval.high = solveTail([&](double p) { return incompleteBeta(1.0 - p, p, n - x, x + 1.0); },
                                  [&](double p) { return -density(p, x + 1.0, n - x); }, false, tail,
                                  seen + spread < 1.0 ? seen + spread : (1.0 + seen) / 2.0);
    }
    return interval;
}

} // namespace kelsim
