#include "audio/spectrum.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <numbers>

SpectrumAnalyser::SpectrumAnalyser() {
    input_ = fftwf_alloc_real(kSpectrumWindow);
    auto* output = fftwf_alloc_complex(kSpectrumWindow / 2 + 1);
    output_ = output;
    plan_ = fftwf_plan_dft_r2c_1d(kSpectrumWindow, input_, output, FFTW_ESTIMATE);
    // Periodic Hann window; its sum is exactly kSpectrumWindow / 2.
    for (int i = 0; i < kSpectrumWindow; ++i) {
        window_[i] =
            static_cast<float>(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / kSpectrumWindow));
    }
}

SpectrumAnalyser::~SpectrumAnalyser() {
    fftwf_destroy_plan(static_cast<fftwf_plan>(plan_));
    fftwf_free(output_);
    fftwf_free(input_);
}

void SpectrumAnalyser::analyse(const float* samples, float* bins) {
    for (int i = 0; i < kSpectrumWindow; ++i) {
        input_[i] = samples[i] * window_[i];
    }
    fftwf_execute(static_cast<fftwf_plan>(plan_));
    // A sine of amplitude A on a bin gives A * sum(window) / 2 there.
    constexpr float kScale = 4.0f / kSpectrumWindow;
    const auto* output = static_cast<const fftwf_complex*>(output_);
    for (int k = 0; k < kSpectrumWindow / 2; ++k) {
        const float magnitude = std::hypot(output[k][0], output[k][1]) * kScale;
        bins[k] = std::min(magnitude, 1.0f);
    }
}
