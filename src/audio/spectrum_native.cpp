#include "audio/spectrum.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>

SpectrumAnalyser::SpectrumAnalyser() {
    input_ = fftwf_alloc_real(kSpectrumWindow);
    auto* output = fftwf_alloc_complex(kSpectrumWindow / 2 + 1);
    output_ = output;
    plan_ = fftwf_plan_dft_r2c_1d(kSpectrumWindow, input_, output, FFTW_ESTIMATE);
    for (int i = 0; i < kSpectrumWindow; ++i) {
        window_[i] = hannWindow(i);
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
    const auto* output = static_cast<const fftwf_complex*>(output_);
    for (int k = 0; k < kSpectrumWindow / 2; ++k) {
        const float magnitude = std::hypot(output[k][0], output[k][1]) * kSpectrumScale;
        bins[k] = std::min(magnitude, 1.0f);
    }
}
