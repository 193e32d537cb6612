// The least-squares fit, the mean and Student's t: against values worked by hand, published
// quantiles, and a long generated run at present-day times.
#include "report/DrainFit.h"

#include "fakes/GaussianNoise.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tallyvolt::report {
namespace {

using test::GaussianNoise;

TEST(StudentT, QuantilesAndTheBetaFunctionMatchPublishedValues)
{
    // Two-sided 95 % points of the tables (e.g. NIST/SEMATECH e-Handbook, 1.3.6.7.2).
    const std::pair<double, double> table[] = {{1, 12.706},  {2, 4.303},  {3, 3.182},
                                               {5, 2.571},   {10, 2.228}, {30, 2.042},
                                               {100, 1.984}, {1e6, 1.960}};
    for (const auto& [degrees, t] : table)
        EXPECT_NEAR(StudentT95(degrees), t, 0.0005) << degrees;
    EXPECT_NEAR(StudentTCdf(0.0, 7), 0.5, 1e-12);
    EXPECT_NEAR(StudentTCdf(-2.228, 10) + StudentTCdf(2.228, 10), 1.0, 1e-12);
    EXPECT_NEAR(StudentTCdf(1.0, 1), 0.75, 1e-12); // Cauchy: 1/2 + atan(1)/pi

    EXPECT_NEAR(IncompleteBeta(1, 1, 0.3), 0.3, 1e-12);
    EXPECT_NEAR(IncompleteBeta(2.5, 2.5, 0.5), 0.5, 1e-12);
    EXPECT_NEAR(IncompleteBeta(3, 1, 0.7), 0.343, 1e-12); // x^a
    EXPECT_NEAR(IncompleteBeta(1, 4, 0.2), 1 - std::pow(0.8, 4), 1e-12);
    EXPECT_EQ(IncompleteBeta(2, 3, 0.0), 0.0);
    EXPECT_EQ(IncompleteBeta(2, 3, 1.0), 1.0);
}

TEST(LineFit, HandWorkedRunAndMean)
{
    // 80, 79, 78, 77, 77 % a minute apart: mean t 2 min, c 78.2; Stt 10, Stc -8, Scc 6.8, so
    // the slope is -0.8 %/min, the residuals' sum of squares 6.8 - 64/10 = 0.4 over 3 degrees,
    // the slope's error sqrt(0.4 / 3 / 10) = 0.11547 %/min, times t(3) = 3.18245.
    LineFit fit;
    const double charges[] = {80, 79, 78, 77, 77};
    for (int i = 0; i < 5; ++i)
        fit.Add(1796648400.0 + 60.0 * i, charges[i]);
    ASSERT_FALSE(fit.Problem());
    EXPECT_EQ(fit.Count(), 5u);
    const Interval slope = fit.Slope();
    EXPECT_NEAR(slope.value * 3600, -48.0, 1e-9);
    EXPECT_NEAR(slope.low * 3600, -48.0 - 22.0486, 1e-3);
    EXPECT_NEAR(slope.high * 3600, -48.0 + 22.0486, 1e-3);
    EXPECT_NEAR(fit.ResidualVariance(), 0.4 / 3, 1e-12);
    EXPECT_NEAR(fit.At(1796648400.0 + 240.0), 78.2 - 0.8 * 2, 1e-9);

    // 8, 6, 9, -6 W: mean 4.25, squares about it 144.75, s^2 48.25 over 3 degrees, the mean's
    // error sqrt(48.25 / 4) = 3.4731, times 3.18245.
    MeanFit power;
    EXPECT_FALSE(power.Mean());
    for (const double w : {8.0, 6.0, 9.0, -6.0})
        power.Add(w);
    ASSERT_TRUE(power.Mean());
    EXPECT_NEAR(power.Mean()->value, 4.25, 1e-12);
    EXPECT_NEAR(power.Mean()->low, 4.25 - 11.0530, 1e-3);
    EXPECT_NEAR(power.Mean()->high, 4.25 + 11.0530, 1e-3);
    // The same powers weighted by the time each stands for (0, 60, 120, 60 s): mean
    // (360 + 1080 - 360) / 240 = 4.5; W2 = 21600, so 240^2 / 21600 = 2.667 values in effect;
    // squares 60 * 1.5^2 + 120 * 4.5^2 + 60 * 10.5^2 = 9180 over 240 - 90 give 61.2, and the
    // mean's error sqrt(61.2 * 21600) / 240 = 4.7906.
    MeanFit weighted;
    const std::pair<double, double> readings[] = {{8, 0}, {6, 60}, {9, 120}, {-6, 60}};
    for (const auto& [w, seconds] : readings)
        weighted.Add(w, seconds);
    ASSERT_TRUE(weighted.Mean());
    EXPECT_NEAR(weighted.Mean()->value, 4.5, 1e-12);
    EXPECT_NEAR((weighted.Mean()->high - weighted.Mean()->low) / 2 / StudentT95(240.0 / 90 - 1),
                4.7906, 1e-4);

    // One value, or one of no weight, says nothing of the spread.
    MeanFit one;
    one.Add(7.5, 0);
    EXPECT_EQ(one.Mean()->value, 7.5);
    EXPECT_TRUE(std::isinf(one.Mean()->low) && std::isinf(one.Mean()->high));
    one.Add(6.5, 30);
    EXPECT_EQ(one.Mean()->value, 6.5);
    EXPECT_TRUE(std::isinf(one.Mean()->high));
}

TEST(LineFit, SaysWhyThereIsNoLine)
{
    LineFit two;
    two.Add(0, 80);
    two.Add(60, 79);
    EXPECT_EQ(two.Problem(), "fewer than three known charges");
    LineFit sameTime;
    for (const double c : {80.0, 79.0, 78.0})
        sameTime.Add(100, c);
    EXPECT_EQ(sameTime.Problem(), "all known charges at one time");
    LineFit flat;
    for (int i = 0; i < 10; ++i)
        flat.Add(60.0 * i, 55);
    EXPECT_EQ(flat.Problem(), "no change in the charge");
}

TEST(LineFit, KeepsItsDigitsOverAMillionSamplesAtPresentDayTimes)
{
    // Plain sums of t^2 at 1.8e9 s reach 1e30 and leave nothing of a slope's few digits.
    LineFit fit;
    GaussianNoise noise(7);
    const double slope = -12.5 / 3600.0; // 12.5 %/h
    for (int i = 0; i < 1000000; ++i) {
        const double t = 1796648400.0 + i;
        fit.Add(t, 90.0 + slope * i + noise.Next(0.01));
    }
    ASSERT_FALSE(fit.Problem());
    EXPECT_NEAR(fit.Slope().value / slope, 1.0, 1e-6);
    EXPECT_NEAR(fit.ResidualVariance(), 0.0001, 0.000002);
}

} // namespace
} // namespace tallyvolt::report
