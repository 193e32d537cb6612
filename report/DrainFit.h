// Least-squares straight line through (time, charge) points and the mean of a series, each with
// a 95 % confidence interval, taking one point at a time so that no run has to be kept whole.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace tallyvolt::report {

// The two-sided 95 % quantile of Student's t with `degrees` degrees of freedom (> 0): the t for
// which P(|T| <= t) = 0.95. 12.706 for one degree, 1.960 in the limit.
double StudentT95(double degrees);

// P(T <= t) for Student's t with `degrees` degrees of freedom.
double StudentTCdf(double t, double degrees);

// The regularised incomplete beta function I_x(a, b), 0 <= x <= 1, a, b > 0.
double IncompleteBeta(double a, double b, double x);

struct Interval
{
    double value = 0; // the estimate
    double low = 0;   // its 95 % confidence interval
    double high = 0;

    bool Overlaps(const Interval& other) const { return low <= other.high && other.low <= high; }
};

// c = intercept + slope * t by least squares. Times are kept relative to the first point and
// the sums are centred (Welford's updates), so seconds since 1970 and a run of a million
// samples lose no digits to cancellation.
class LineFit
{
public:
    void Add(double t, double c);

    std::size_t Count() const { return m_n; }
    // Why there is no line: fewer than three points, one time only, or no change at all;
    // nullopt when there is one.
    std::optional<std::string> Problem() const;
    // The slope in units of c per unit of t, with its interval from Student's t on the
    // residuals (n - 2 degrees of freedom). Only without a Problem().
    Interval Slope() const;
    // The line's value at `t`.
    double At(double t) const;
    // The residuals' variance, sum of squares over n - 2.
    double ResidualVariance() const;

private:
    std::size_t m_n = 0;
    double m_t0 = 0;
    double m_meanT = 0, m_meanC = 0;
    double m_sTT = 0, m_sTC = 0, m_sCC = 0; // centred sums of squares and products
};

// The weighted mean of a series with its interval: Student's t on the spread of the values,
// with the effective number of values (sum w)^2 / sum w^2 (West's incremental updates).
class MeanFit
{
public:
    // A value of weight `weight`; one of weight 0 or less counts only where no other does.
    void Add(double x, double weight = 1.0);
    std::size_t Count() const { return m_n; }
    // None without a value; a single value has an unbounded interval (infinite bounds).
    std::optional<Interval> Mean() const;

private:
    std::size_t m_n = 0;
    double m_w = 0, m_w2 = 0;
    double m_mean = 0, m_sXX = 0;
    std::optional<double> m_weightless; // the first value of no weight
};

} // namespace tallyvolt::report
