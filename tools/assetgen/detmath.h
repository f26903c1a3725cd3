// Portable transcendental functions built only from IEEE add, multiply, divide, sqrt and
// exact scaling, so the generated data is bit-identical whatever libm the machine has.
#pragma once

#include <cmath>
#include <cstdint>

namespace dm {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 6.28318530717958647692;
constexpr double kHalfPi = 1.57079632679489661923;
constexpr double kLn2 = 0.69314718055994530942;

// Sine of x in radians (accurate to about 1e-12 for |x| < 1e6).
inline double sin(double x) {
    double k = std::floor(x * (1.0 / kTwoPi) + 0.5);
    double r = x - k * kTwoPi; // [-pi, pi]
    if (r > kHalfPi) {
        r = kPi - r;
    } else if (r < -kHalfPi) {
        r = -kPi - r;
    }
    double r2 = r * r;
    // Taylor series to degree 17 on [-pi/2, pi/2].
    double p = 1.0 / 355687428096000.0;
    p = p * r2 - 1.0 / 1307674368000.0;
    p = p * r2 + 1.0 / 6227020800.0;
    p = p * r2 - 1.0 / 39916800.0;
    p = p * r2 + 1.0 / 362880.0;
    p = p * r2 - 1.0 / 5040.0;
    p = p * r2 + 1.0 / 120.0;
    p = p * r2 - 1.0 / 6.0;
    return r + r * r2 * p;
}

inline double cos(double x) {
    return dm::sin(x + kHalfPi);
}
inline double tan(double x) {
    return dm::sin(x) / dm::cos(x);
}

inline double exp(double x) {
    if (x < -700.0) {
        return 0.0;
    }
    if (x > 700.0) {
        x = 700.0;
    }
    double k = std::floor(x * (1.0 / kLn2) + 0.5);
    double r = x - k * kLn2; // |r| <= ln2 / 2
    double p = 1.0;
    for (int n = 14; n >= 1; --n) {
        p = 1.0 + p * r / n;
    }
    return std::ldexp(p, static_cast<int>(k));
}

inline double log(double x) {
    if (!(x > 0.0)) {
        return -745.0;
    }
    int e = 0;
    double m = std::frexp(x, &e); // [0.5, 1)
    if (m < 0.70710678118654752440) {
        m *= 2.0;
        e -= 1;
    }
    double s = (m - 1.0) / (m + 1.0); // |s| < 0.172
    double s2 = s * s;
    double p = 0.0;
    for (int n = 21; n >= 1; n -= 2) {
        p = 1.0 / n + s2 * p;
    }
    return 2.0 * s * p + e * kLn2;
}

inline double pow(double a, double b) {
    if (a <= 0.0) {
        return 0.0;
    }
    return dm::exp(b * dm::log(a));
}

inline double atan(double x) {
    bool neg = x < 0.0;
    if (neg) {
        x = -x;
    }
    bool inv = x > 1.0;
    if (inv) {
        x = 1.0 / x;
    }
    // Shift |x| in [tan(pi/12), 1] down around pi/6.
    constexpr double kTan15 = 0.26794919243112270647;
    constexpr double kInvSqrt3 = 0.57735026918962576451;
    double base = 0.0;
    if (x > kTan15) {
        x = (x - kInvSqrt3) / (1.0 + x * kInvSqrt3);
        base = kPi / 6.0;
    }
    double x2 = x * x;
    double p = 0.0;
    for (int n = 31; n >= 1; n -= 2) {
        double term = 1.0 / n;
        p = ((n / 2) % 2 == 0 ? term : -term) + x2 * p;
    }
    double r = base + x * p;
    if (inv) {
        r = kHalfPi - r;
    }
    return neg ? -r : r;
}

inline double atan2(double y, double x) {
    if (x > 0.0) {
        return dm::atan(y / x);
    }
    if (x < 0.0) {
        return y >= 0.0 ? dm::atan(y / x) + kPi : dm::atan(y / x) - kPi;
    }
    if (y > 0.0) {
        return kHalfPi;
    }
    if (y < 0.0) {
        return -kHalfPi;
    }
    return 0.0;
}

inline double tanh(double x) {
    if (x > 20.0) {
        return 1.0;
    }
    if (x < -20.0) {
        return -1.0;
    }
    double e = dm::exp(2.0 * x);
    return (e - 1.0) / (e + 1.0);
}

inline double clamp(double x, double lo, double hi) {
    return x < lo ? lo : (x > hi ? hi : x);
}
inline double mix(double a, double b, double t) {
    return a + (b - a) * t;
}
inline double smoothstep(double e0, double e1, double x) {
    double t = clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// Small fixed-seed generator (xorshift64*), the only randomness in the data set.
class Rng {
  public:
    explicit Rng(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {
        if (state_ == 0) {
            state_ = 1;
        }
    }
    uint64_t next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1Dull;
    }
    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }

  private:
    uint64_t state_;
};

// Integer hash for lattice noise.
inline uint32_t hash32(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

} // namespace dm
