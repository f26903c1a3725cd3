#include "audio/radix2_fft.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <utility>

#include "audio/spectrum.h"

void fftRadix2(std::complex<double>* values, int n) {
    // Bit-reversed order, then log2(n) rounds of butterflies.
    for (int i = 1, j = 0; i < n; ++i) {
        int bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1) {
            j ^= bit;
        }
        j |= bit;
        if (i < j) {
            std::swap(values[i], values[j]);
        }
    }
    for (int length = 2; length <= n; length <<= 1) {
        const double angle = -2.0 * std::numbers::pi / length;
        const int half = length / 2;
        for (int k = 0; k < half; ++k) {
            // The twiddle from its own angle rather than by repeated multiplication, so the
            // error does not grow along the row.
            const std::complex<double> twiddle = std::polar(1.0, angle * k);
            for (int start = 0; start < n; start += length) {
                const std::complex<double> odd = values[start + k + half] * twiddle;
                values[start + k + half] = values[start + k] - odd;
                values[start + k] += odd;
            }
        }
    }
}

void spectrumBinsRadix2(const float* samples, const float* window, float* bins) {
    std::array<std::complex<double>, kSpectrumWindow> values;
    for (int i = 0; i < kSpectrumWindow; ++i) {
        values[i] = samples[i] * window[i];
    }
    fftRadix2(values.data(), kSpectrumWindow);
    for (int k = 0; k < kSpectrumWindow / 2; ++k) {
        const float magnitude = static_cast<float>(std::abs(values[k])) * kSpectrumScale;
        bins[k] = std::min(magnitude, 1.0f);
    }
}
