// Least squares, means, and the Student's t quantiles of their intervals.
#include "report/DrainFit.h"

#include <cmath>
#include <limits>

namespace tallyvolt::report {

namespace {

// The continued fraction of the incomplete beta function, by Lentz's method; it converges
// quickly for x < (a + 1) / (a + b + 2).
double BetaFraction(double a, double b, double x)
{
    constexpr double kTiny = 1e-300;
    constexpr double kEpsilon = 1e-15;
    double c = 1.0;
    double d = 1.0 - (a + b) * x / (a + 1.0);
    d = 1.0 / (std::fabs(d) < kTiny ? kTiny : d);
    double h = d;
    for (int m = 1; m <= 1000; ++m) {
        const double m2 = 2.0 * m;
        // The even step, then the odd one.
        double numerator = m * (b - m) * x / ((a + m2 - 1.0) * (a + m2));
        d = 1.0 + numerator * d;
        c = 1.0 + numerator / c;
        d = 1.0 / (std::fabs(d) < kTiny ? kTiny : d);
        c = std::fabs(c) < kTiny ? kTiny : c;
        h *= d * c;
        numerator = -(a + m) * (a + b + m) * x / ((a + m2) * (a + m2 + 1.0));
        d = 1.0 + numerator * d;
        c = 1.0 + numerator / c;
        d = 1.0 / (std::fabs(d) < kTiny ? kTiny : d);
        c = std::fabs(c) < kTiny ? kTiny : c;
        const double step = d * c;
        h *= step;
        if (std::fabs(step - 1.0) < kEpsilon)
            break;
    }
    return h;
}

} // namespace

double IncompleteBeta(double a, double b, double x)
{
    if (x <= 0.0)
        return 0.0;
    if (x >= 1.0)
        return 1.0;
    const double front = std::exp(std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) +
                                  a * std::log(x) + b * std::log1p(-x));
    // The fraction converges on one side of the mean; the other side by symmetry.
    if (x < (a + 1.0) / (a + b + 2.0))
        return front * BetaFraction(a, b, x) / a;
    return 1.0 - front * BetaFraction(b, a, 1.0 - x) / b;
}

double StudentTCdf(double t, double degrees)
{
    const double tail = 0.5 * IncompleteBeta(degrees / 2.0, 0.5, degrees / (degrees + t * t));
    return t >= 0 ? 1.0 - tail : tail;
}

double StudentT95(double degrees)
{
    // The CDF rises with t: bisect for P(T <= t) = 0.975 between 0 and a t beyond any quantile
    // that a run has (one degree of freedom gives 12.7).
    double low = 0.0, high = 1000.0;
    for (int i = 0; i < 200 && high - low > 1e-12; ++i) {
        const double mid = 0.5 * (low + high);
        (StudentTCdf(mid, degrees) < 0.975 ? low : high) = mid;
    }
    return 0.5 * (low + high);
}

void LineFit::Add(double t, double c)
{
    if (m_n == 0)
        m_t0 = t;
    t -= m_t0;
    ++m_n;
    const double n = static_cast<double>(m_n);
    const double dt = t - m_meanT;
    const double dc = c - m_meanC;
    m_meanT += dt / n;
    m_meanC += dc / n;
    m_sTT += dt * (t - m_meanT);
    m_sCC += dc * (c - m_meanC);
    m_sTC += dt * (c - m_meanC);
}

std::optional<std::string> LineFit::Problem() const
{
    if (m_n < 3)
        return "fewer than three known charges";
    if (m_sTT <= 0.0)
        return "all known charges at one time";
    if (m_sCC <= 0.0)
        return "no change in the charge";
    return std::nullopt;
}

double LineFit::ResidualVariance() const
{
    if (m_n < 3 || m_sTT <= 0.0)
        return 0.0;
    // The explained part never exceeds the whole but for rounding.
    const double residual = m_sCC - m_sTC * m_sTC / m_sTT;
    return (residual > 0.0 ? residual : 0.0) / static_cast<double>(m_n - 2);
}

Interval LineFit::Slope() const
{
    const double slope = m_sTT > 0.0 ? m_sTC / m_sTT : 0.0;
    const double error = m_n > 2 && m_sTT > 0.0 ? std::sqrt(ResidualVariance() / m_sTT) : 0.0;
    const double half = m_n > 2 ? StudentT95(static_cast<double>(m_n - 2)) * error : 0.0;
    return {slope, slope - half, slope + half};
}

double LineFit::At(double t) const
{
    const double slope = m_sTT > 0.0 ? m_sTC / m_sTT : 0.0;
    return m_meanC + slope * (t - m_t0 - m_meanT);
}

void MeanFit::Add(double x, double weight)
{
    if (weight <= 0.0) {
        if (!m_weightless)
            m_weightless = x;
        return;
    }
    ++m_n;
    m_w += weight;
    m_w2 += weight * weight;
    const double d = x - m_mean;
    m_mean += d * weight / m_w;
    m_sXX += weight * d * (x - m_mean);
}

std::optional<Interval> MeanFit::Mean() const
{
    // One value tells nothing of the spread: its interval is unbounded.
    constexpr double kAll = std::numeric_limits<double>::infinity();
    if (m_n == 0)
        return m_weightless ? std::optional<Interval>({*m_weightless, -kAll, kAll}) : std::nullopt;
    if (m_n == 1)
        return Interval{m_mean, -kAll, kAll};
    // Reliability weights: the unbiased variance divides by W - W2 / W (n - 1 when all are 1).
    const double variance = m_sXX / (m_w - m_w2 / m_w);
    const double error = std::sqrt(variance * m_w2) / m_w;
    const double half = StudentT95(m_w * m_w / m_w2 - 1.0) * error;
    return Interval{m_mean, m_mean - half, m_mean + half};
}

} // namespace tallyvolt::report
