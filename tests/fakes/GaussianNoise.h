// Normal deviates for generated runs: the Mersenne twister through Box and Muller, so that a
// seed gives the same numbers with every standard library.
#pragma once

#include <cmath>
#include <random>

namespace tallyvolt::test {

class GaussianNoise
{
public:
    explicit GaussianNoise(unsigned seed) : m_engine(seed) {}
    // A deviate of mean 0 and standard deviation `sd`.
    double Next(double sd)
    {
        const double u1 = (static_cast<double>(m_engine()) + 1.0) / 4294967297.0;
        const double u2 = static_cast<double>(m_engine()) / 4294967296.0;
        return sd * std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
    }

private:
    std::mt19937 m_engine;
};

} // namespace tallyvolt::test
