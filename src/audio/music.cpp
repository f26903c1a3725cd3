#include "audio/music.h"

float SpectrumBuffer[kSpectrumBufferSize] = {};

namespace {
ClockSource source = ClockSource::Device;
int positionMs = 0;
float currentDemoTime = 0.0f;
float bins[kSpectrumBins] = {};
} // namespace

void setClockSource(ClockSource s) {
    source = s;
}
ClockSource clockSource() {
    return source;
}
bool openMusic(const std::string&) {
    return false;
}
void enableSpectrum() {}
float demoTimeFromPositionMs(int ms) {
    return static_cast<float>(ms) * 0.001f;
}
int seekTargetMs(float base, float delta) {
    return static_cast<int>(base * 1000.0f + delta);
}
void updateDemoTime() {
    currentDemoTime = demoTimeFromPositionMs(positionMs);
}
float demoTime() {
    return currentDemoTime;
}
void seekMusic(float delta) {
    positionMs = seekTargetMs(currentDemoTime, delta);
}
int musicPositionMs() {
    return positionMs;
}
void setMusicPositionMs(int ms) {
    positionMs = ms;
}
int musicLengthMs() {
    return 0;
}
void captureSpectrum() {
    for (int i = 0; i < kSpectrumBufferSize; ++i) {
        SpectrumBuffer[i] = bins[i];
    }
}
const float* spectrumBins() {
    return bins;
}
