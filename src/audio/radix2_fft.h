// A plain radix-2 FFT in double precision: the spectrum's transform where FFTW is not at
// hand (the web build). Natively it is checked against FFTW.
#pragma once

#include <complex>

// The forward transform of `n` values in place (n a power of two), unscaled:
// X[k] = sum over j of x[j] * exp(-2 pi i j k / n).
void fftRadix2(std::complex<double>* values, int n);

// The analyser's magnitudes through this transform: `samples` (kSpectrumWindow values) times
// `window` (both in float, as FFTW is handed them), then kSpectrumWindow / 2 bins scaled by
// kSpectrumScale and clamped to 0..1.
void spectrumBinsRadix2(const float* samples, const float* window, float* bins);
