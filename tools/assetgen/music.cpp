#include "music.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <lame/lame.h>

#include "detmath.h"

namespace assetgen {

namespace {

constexpr double kSr = kSampleRate;
constexpr int kStepsPerBar = 16;

// 120 beats a minute: a sixteenth note lasts 0.125 s, 5512.5 samples.
int64_t stepToSample(int64_t step) {
    return step * 11025 / 2;
}
int64_t secondsToStep(double s) {
    return static_cast<int64_t>(std::floor(s * 8.0 + 0.5));
}

double midiToHz(double midi) {
    return 440.0 * dm::exp((midi - 69.0) * (dm::kLn2 / 12.0));
}

// --- building blocks -------------------------------------------------------------------------

class Noise {
  public:
    explicit Noise(uint32_t seed) : state_(seed ? seed : 1) {}
    double next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<double>(state_) * (2.0 / 4294967295.0) - 1.0;
    }

  private:
    uint32_t state_;
};

double polyBlep(double t, double dt) {
    if (t < dt) {
        double x = t / dt;
        return x + x - x * x - 1.0;
    }
    if (t > 1.0 - dt) {
        double x = (t - 1.0) / dt;
        return x * x + x + x + 1.0;
    }
    return 0.0;
}

struct Saw {
    double phase = 0.0;
    double next(double dt) {
        double v = 2.0 * phase - 1.0 - polyBlep(phase, dt);
        phase += dt;
        if (phase >= 1.0) {
            phase -= 1.0;
        }
        return v;
    }
};

struct Pulse {
    double phase = 0.0;
    double next(double dt, double width) {
        double second = phase + width;
        if (second >= 1.0) {
            second -= 1.0;
        }
        double v = (2.0 * phase - polyBlep(phase, dt)) - (2.0 * second - polyBlep(second, dt));
        phase += dt;
        if (phase >= 1.0) {
            phase -= 1.0;
        }
        return v;
    }
};

// Zero-delay-feedback state-variable filter.
struct Svf {
    double ic1 = 0.0;
    double ic2 = 0.0;
    double a1 = 0.0, a2 = 0.0, a3 = 0.0, k = 1.0;
    void tune(double cutoff, double resonance) {
        cutoff = dm::clamp(cutoff, 20.0, kSr * 0.45);
        double g = dm::tan(dm::kPi * cutoff / kSr);
        k = 2.0 - 2.0 * resonance;
        a1 = 1.0 / (1.0 + g * (g + k));
        a2 = g * a1;
        a3 = g * a2;
    }
    struct Out {
        double low, band, high;
    };
    Out process(double v0) {
        double v3 = v0 - ic2;
        double v1 = a1 * ic1 + a2 * v3;
        double v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2.0 * v1 - ic1;
        ic2 = 2.0 * v2 - ic2;
        return {v2, v1, v0 - k * v1 - v2};
    }
};

// Mix bus: dry stereo plus the sends into the delay and the reverb.
struct Mix {
    explicit Mix(int64_t frames)
        : left(frames, 0.0f), right(frames, 0.0f), delayL(frames, 0.0f), delayR(frames, 0.0f),
          reverb(frames, 0.0f) {}
    std::vector<float> left, right, delayL, delayR, reverb;
    int64_t frames() const { return static_cast<int64_t>(left.size()); }
    void add(int64_t i, double l, double r, double delaySend = 0.0, double reverbSend = 0.0) {
        if (i < 0 || i >= frames()) {
            return;
        }
        left[i] += static_cast<float>(l);
        right[i] += static_cast<float>(r);
        if (delaySend != 0.0) {
            delayL[i] += static_cast<float>(l * delaySend);
            delayR[i] += static_cast<float>(r * delaySend);
        }
        if (reverbSend != 0.0) {
            reverb[i] += static_cast<float>((l + r) * 0.5 * reverbSend);
        }
    }
};

double panLeft(double pan) {
    return dm::cos((pan + 1.0) * dm::kPi * 0.25);
}
double panRight(double pan) {
    return dm::sin((pan + 1.0) * dm::kPi * 0.25);
}

// --- instruments -----------------------------------------------------------------------------

// Sine by table lookup with linear interpolation; phase in cycles.
class SineTable {
  public:
    SineTable() {
        for (int i = 0; i <= kSize; ++i) {
            table_[i] = dm::sin(dm::kTwoPi * i / kSize);
        }
    }
    double operator()(double phase) const {
        double x = (phase - std::floor(phase)) * kSize;
        int i = static_cast<int>(x);
        double f = x - i;
        return table_[i] + (table_[i + 1] - table_[i]) * f;
    }

  private:
    static constexpr int kSize = 4096;
    double table_[kSize + 1];
};

// Exponential decay e^(-rate t) as a running product.
struct Decay {
    Decay(double rate) : factor(dm::exp(-rate / kSr)) {}
    double next() {
        double v = value;
        value *= factor;
        return v;
    }
    double value = 1.0;
    double factor;
};

// A rendered one-shot sound: stereo samples and how much of it feeds the hall.
struct Shot {
    std::vector<float> left, right;
    double reverbSend = 0.0;
};

void play(Mix& mix, int64_t start, const Shot& shot, double gain) {
    for (size_t n = 0; n < shot.left.size(); ++n) {
        mix.add(start + static_cast<int64_t>(n), shot.left[n] * gain, shot.right[n] * gain, 0.0,
                shot.reverbSend);
    }
}

// Four-on-the-floor kick with a short 600 Hz knock so every beat shows in the mid band.
Shot makeKick(const SineTable& sine) {
    const int64_t length = static_cast<int64_t>(0.42 * kSr);
    Shot shot;
    double phase = 0.0;
    Decay sweep(30.0), body(7.0), knock(30.0), click(400.0);
    for (int64_t n = 0; n < length; ++n) {
        double t = n / kSr;
        phase += (46.0 + 120.0 * sweep.next()) / kSr;
        double v =
            sine(phase) * body.next() + 0.42 * sine(603.0 * t) * knock.next() + 0.25 * click.next();
        v = dm::tanh(1.6 * v);
        shot.left.push_back(static_cast<float>(v));
        shot.right.push_back(static_cast<float>(v));
    }
    return shot;
}

// Snare: two tuned bodies (the upper one at 603 Hz) and a band of noise.
Shot makeSnare(const SineTable& sine, uint32_t seed) {
    const int64_t length = static_cast<int64_t>(0.3 * kSr);
    Shot shot;
    shot.reverbSend = 0.25;
    Noise noise(seed);
    Svf band;
    band.tune(1900.0, 0.3);
    Decay low(22.0), high(26.0), rattleEnv(16.0);
    for (int64_t n = 0; n < length; ++n) {
        double t = n / kSr;
        double tone = 0.55 * sine(190.0 * t) * low.next() + 0.6 * sine(603.0 * t) * high.next();
        auto f = band.process(noise.next());
        double v = tone + (f.band * 1.2 + f.high * 0.35) * rattleEnv.next();
        shot.left.push_back(static_cast<float>(v * 0.95));
        shot.right.push_back(static_cast<float>(v));
    }
    return shot;
}

Shot makeHat(bool open, uint32_t seed) {
    const int64_t length = static_cast<int64_t>((open ? 0.5 : 0.09) * kSr);
    Shot shot;
    shot.reverbSend = 0.05;
    Noise noise(seed);
    Svf hp;
    hp.tune(7500.0, 0.2);
    Decay env(open ? 9.0 : 55.0);
    for (int64_t n = 0; n < length; ++n) {
        double v = hp.process(noise.next()).high * env.next();
        shot.left.push_back(static_cast<float>(v * 0.8));
        shot.right.push_back(static_cast<float>(v));
    }
    return shot;
}

Shot makeCrash(uint32_t seed) {
    const int64_t length = static_cast<int64_t>(2.5 * kSr);
    Shot shot;
    shot.reverbSend = 0.3;
    Noise noiseL(seed);
    Noise noiseR(seed + 17);
    Svf hpL, hpR;
    hpL.tune(4000.0, 0.1);
    hpR.tune(4000.0, 0.1);
    Decay env(2.2);
    for (int64_t n = 0; n < length; ++n) {
        double e = env.next();
        shot.left.push_back(static_cast<float>(hpL.process(noiseL.next()).high * e));
        shot.right.push_back(static_cast<float>(hpR.process(noiseR.next()).high * e));
    }
    return shot;
}

// The drum kit, rendered once: each hit is a copy of one of a few variants.
struct Kit {
    explicit Kit(const SineTable& sine) : kick(makeKick(sine)) {
        for (uint32_t i = 0; i < 4; ++i) {
            snares.push_back(makeSnare(sine, 11 + i));
            closedHats.push_back(makeHat(false, 21 + i));
            openHats.push_back(makeHat(true, 31 + i));
        }
        crash = makeCrash(41);
    }
    Shot kick;
    std::vector<Shot> snares, closedHats, openHats;
    Shot crash;
};

// Filtered noise whose band climbs over its length: the lift into a new section.
void riser(Mix& mix, int64_t start, int64_t length, double gain, uint32_t seed) {
    Noise noise(seed);
    Svf band;
    for (int64_t n = 0; n < length; ++n) {
        double x = static_cast<double>(n) / length;
        if (n % 16 == 0) {
            band.tune(300.0 * dm::exp(x * 3.2), 0.6);
        }
        double v = band.process(noise.next()).band * x * x * gain;
        mix.add(start + n, v * (1.0 - 0.3 * x), v * (0.7 + 0.3 * x), 0.0, 0.4);
    }
}

// Saw bass with a sine sub an octave down and a plucked low-pass.
void bass(Mix& mix, const SineTable& sine, int64_t start, int64_t length, double midi, double gain,
          double bright) {
    const double f = midiToHz(midi);
    const int64_t release = static_cast<int64_t>(0.02 * kSr);
    const int64_t attack = static_cast<int64_t>(0.003 * kSr);
    Saw saw;
    double subPhase = 0.0;
    Svf lp;
    Decay pluckEnv(14.0);
    for (int64_t n = 0; n < length + release; ++n) {
        double e = pluckEnv.next();
        if (n % 8 == 0) {
            lp.tune(160.0 + bright * 1700.0 * e, 0.35);
        }
        double env = n < attack ? static_cast<double>(n) / attack : 1.0;
        if (n >= length) {
            env *= 1.0 - static_cast<double>(n - length) / release;
        }
        double osc = saw.next(f / kSr) * 0.7 + sine(subPhase) * 0.8;
        subPhase += 0.5 * f / kSr;
        double v = lp.process(osc).low * env * gain;
        mix.add(start + n, v, v);
    }
}

// Pad chord: three detuned saws a note, spread left and right, slow swell and release.
void pad(Mix& mix, int64_t start, int64_t length, const std::vector<int>& notes, double gain,
         double cutoff, double attackSeconds) {
    const int64_t release = static_cast<int64_t>(1.6 * kSr);
    const double detune[3] = {-0.09, 0.0, 0.11};
    std::vector<Saw> saws(notes.size() * 3);
    std::vector<double> dts(saws.size());
    for (size_t i = 0; i < notes.size(); ++i) {
        for (int d = 0; d < 3; ++d) {
            dts[i * 3 + d] = midiToHz(notes[i] + detune[d]) / kSr;
            saws[i * 3 + d].phase = ((i * 3 + d) * 0.37) - std::floor((i * 3 + d) * 0.37);
        }
    }
    Svf lpL, lpR;
    const double norm = gain / std::sqrt(static_cast<double>(saws.size()));
    for (int64_t n = 0; n < length + release; ++n) {
        double t = n / kSr;
        if (n % 32 == 0) {
            double c = cutoff * (1.0 + 0.25 * dm::sin(t * 0.9));
            lpL.tune(c, 0.25);
            lpR.tune(c * 1.07, 0.25);
        }
        double l = 0.0;
        double r = 0.0;
        for (size_t s = 0; s < saws.size(); s += 3) {
            double a = saws[s].next(dts[s]);
            double b = saws[s + 1].next(dts[s + 1]);
            double c = saws[s + 2].next(dts[s + 2]);
            l += a + b + c * 0.4;
            r += a * 0.4 + b + c;
        }
        double env = dm::smoothstep(0.0, attackSeconds, t);
        if (n >= length) {
            env *= 1.0 - static_cast<double>(n - length) / release;
        }
        mix.add(start + n, lpL.process(l).low * env * norm, lpR.process(r).low * env * norm, 0.0,
                0.35);
    }
}

// Lead: pulse wave with delayed vibrato, into the echo and the hall.
void lead(Mix& mix, const SineTable& sine, int64_t start, int64_t length, double midi, double gain,
          double pan) {
    const int64_t release = static_cast<int64_t>(0.12 * kSr);
    const double f = midiToHz(midi);
    const double left = panLeft(pan) * gain;
    const double right = panRight(pan) * gain;
    Pulse osc;
    Svf lp;
    Decay filterEnv(5.0), ampEnv(6.0);
    for (int64_t n = 0; n < length + release; ++n) {
        double t = n / kSr;
        double fe = filterEnv.next();
        if (n % 8 == 0) {
            lp.tune(1400.0 + 2600.0 * fe, 0.3);
        }
        double vibrato = 0.25 * dm::smoothstep(0.12, 0.4, t) * sine(5.5 * t);
        double dt = f * (1.0 + vibrato * 0.0578) / kSr;
        double env = dm::clamp(t / 0.01, 0.0, 1.0) * (0.75 + 0.25 * ampEnv.next());
        if (n >= length) {
            env *= 1.0 - static_cast<double>(n - length) / release;
        }
        double v = lp.process(osc.next(dt, 0.36)).low * env;
        mix.add(start + n, v * left, v * right, 0.35, 0.3);
    }
}

// Short plucked saw for arpeggios.
void pluck(Mix& mix, int64_t start, double midi, double gain, double brightness, double pan) {
    const int64_t length = static_cast<int64_t>(0.35 * kSr);
    const double f = midiToHz(midi);
    const double left = panLeft(pan) * gain;
    const double right = panRight(pan) * gain;
    Saw osc;
    Svf lp;
    Decay filterEnv(22.0), ampEnv(7.0);
    for (int64_t n = 0; n < length; ++n) {
        double fe = filterEnv.next();
        if (n % 8 == 0) {
            lp.tune(250.0 + brightness * 4200.0 * fe, 0.45);
        }
        double v = lp.process(osc.next(f / kSr)).low * ampEnv.next();
        mix.add(start + n, v * left, v * right, 0.3, 0.15);
    }
}

// --- effects ---------------------------------------------------------------------------------

// Ping-pong echo of a dotted eighth with darkened repeats, added to the dry bus.
void applyDelay(Mix& mix) {
    const int64_t d = stepToSample(3);
    std::vector<float> ringL(static_cast<size_t>(d), 0.0f), ringR(static_cast<size_t>(d), 0.0f);
    double lpL = 0.0;
    double lpR = 0.0;
    for (int64_t i = 0; i < mix.frames(); ++i) {
        size_t slot = static_cast<size_t>(i % d);
        double fromL = ringR[slot]; // cross-feed: ping-pong
        double fromR = ringL[slot];
        lpL += (fromL - lpL) * 0.35;
        lpR += (fromR - lpR) * 0.35;
        double l = mix.delayL[i] + lpL * 0.45;
        double r = mix.delayR[i] * 0.4 + lpR * 0.45;
        ringL[slot] = static_cast<float>(std::fabs(l) < 1e-15 ? 0.0 : l);
        ringR[slot] = static_cast<float>(std::fabs(r) < 1e-15 ? 0.0 : r);
        mix.left[i] += static_cast<float>(lpL * 0.8);
        mix.right[i] += static_cast<float>(lpR * 0.8);
    }
}

// A small hall: eight damped combs and four allpasses a side (the classic Schroeder layout).
void applyReverb(Mix& mix) {
    const int combSizes[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    const int allpassSizes[4] = {556, 441, 341, 225};
    const int spread = 23;
    const double feedback = 0.84;
    const double damp = 0.3;
    const double wet = 0.9;
    for (int side = 0; side < 2; ++side) {
        std::vector<std::vector<float>> combs;
        std::vector<double> combLp(8, 0.0);
        std::vector<size_t> combPos(8, 0);
        for (int size : combSizes) {
            combs.emplace_back(size + side * spread, 0.0f);
        }
        std::vector<std::vector<float>> allpasses;
        std::vector<size_t> allpassPos(4, 0);
        for (int size : allpassSizes) {
            allpasses.emplace_back(size + side * spread, 0.0f);
        }
        std::vector<float>& out = side == 0 ? mix.left : mix.right;
        for (int64_t i = 0; i < mix.frames(); ++i) {
            double input = mix.reverb[i] * 0.03;
            double acc = 0.0;
            for (int c = 0; c < 8; ++c) {
                std::vector<float>& buf = combs[c];
                double y = buf[combPos[c]];
                combLp[c] = y * (1.0 - damp) + combLp[c] * damp;
                double store = input + combLp[c] * feedback;
                if (std::fabs(store) < 1e-15) {
                    store = 0.0;
                }
                buf[combPos[c]] = static_cast<float>(store);
                if (++combPos[c] == buf.size()) {
                    combPos[c] = 0;
                }
                acc += y;
            }
            for (int a = 0; a < 4; ++a) {
                std::vector<float>& buf = allpasses[a];
                double delayed = buf[allpassPos[a]];
                double stored = acc + delayed * 0.5;
                if (std::fabs(stored) < 1e-15) {
                    stored = 0.0;
                }
                buf[allpassPos[a]] = static_cast<float>(stored);
                acc = delayed - acc;
                if (++allpassPos[a] == buf.size()) {
                    allpassPos[a] = 0;
                }
            }
            out[i] += static_cast<float>(acc * wet);
        }
    }
}

// --- the score -------------------------------------------------------------------------------

using Chord = std::vector<int>; // pad voicing, MIDI notes; the first note names the root

const Chord kAm = {57, 60, 64, 69};
const Chord kF = {57, 60, 65, 53};
const Chord kC = {55, 60, 64, 67};
const Chord kG = {55, 59, 62, 67};
const Chord kEm = {55, 59, 64, 67};
const Chord kDm = {57, 62, 65, 69};
const Chord kE = {56, 59, 64, 68};

int bassRoot(const Chord& chord) {
    // Lowest pitch class that makes the chord's name, placed between E2 and D#3.
    int root = chord == kAm   ? 9
               : chord == kF  ? 5
               : chord == kC  ? 0
               : chord == kG  ? 7
               : chord == kEm ? 4
               : chord == kDm ? 2
                              : 4;
    int midi = 36 + root;
    return midi < 40 ? midi + 12 : midi;
}

const std::vector<Chord> kProgA = {kAm, kF, kC, kG};
const std::vector<Chord> kProgB = {kF, kG, kEm, kAm};
const std::vector<Chord> kProgC = {kDm, kF, kAm, kE};

struct Note {
    int step;
    int midi;
    int length;
};

// Four-bar melodies, one note list each, in sixteenth steps from the phrase start.
const std::vector<Note> kMelodyA1 = {
    {0, 76, 3},  {3, 74, 1},  {4, 72, 4},  {8, 69, 2},  {10, 72, 2}, {12, 76, 4}, {16, 77, 6},
    {22, 76, 2}, {24, 72, 4}, {28, 69, 4}, {32, 79, 3}, {35, 76, 1}, {36, 72, 4}, {40, 76, 2},
    {42, 79, 2}, {44, 76, 4}, {48, 74, 6}, {54, 71, 2}, {56, 74, 2}, {58, 79, 2}, {60, 76, 4}};
const std::vector<Note> kMelodyA2 = {
    {0, 81, 4},  {4, 79, 2},  {6, 76, 2},  {8, 72, 4},  {12, 76, 2}, {14, 79, 2}, {16, 81, 6},
    {22, 84, 2}, {24, 81, 4}, {28, 77, 4}, {32, 79, 4}, {36, 76, 4}, {40, 79, 2}, {42, 81, 2},
    {44, 79, 4}, {48, 83, 4}, {52, 81, 2}, {54, 79, 2}, {56, 74, 4}, {60, 76, 4}};
const std::vector<Note> kMelodyB = {{0, 72, 4},  {4, 69, 2},  {6, 72, 2},  {8, 77, 6},  {14, 76, 2},
                                    {16, 74, 4}, {20, 71, 2}, {22, 74, 2}, {24, 79, 6}, {30, 77, 2},
                                    {32, 76, 6}, {38, 79, 2}, {40, 83, 4}, {44, 79, 4}, {48, 81, 8},
                                    {56, 76, 4}, {60, 72, 4}};
const std::vector<Note> kMelodyC = {{0, 74, 4},  {4, 77, 4},  {8, 81, 6},  {14, 79, 2},
                                    {16, 77, 4}, {20, 76, 2}, {22, 77, 2}, {24, 84, 8},
                                    {32, 76, 4}, {36, 81, 4}, {40, 84, 4}, {44, 83, 4},
                                    {48, 80, 6}, {54, 83, 2}, {56, 76, 8}};

enum class Kick { None, Four, Half };
enum class Hats { None, Eighths, Sixteenths, Sparse };
enum class Bass { None, Drive, Roll, Half, Long };
enum class Melody { None, A, B, C };

struct Section {
    double from;
    double to;
    const std::vector<Chord>* progression;
    double padGain; // 0: no pad
    double padCutoff;
    Kick kick;
    double kickGain;
    bool snare;
    Hats hats;
    Bass bass;
    double bassGain;
    Melody melody;
    double leadGain;
    double arpGain; // 0: no arpeggio
    double arpBrightness;
    bool arpFast;        // sixteenths instead of eighths
    bool crashAtStart;   // cymbal on the first beat
    double riserSeconds; // noise lift into the next section, 0: none
    bool buildUp;        // kick, hats and bass join bar by bar; the arpeggio opens up
    bool holdChord;      // one chord for the whole section
};

// The sections change exactly at the demo's cuts, so loudness and texture follow the picture.
const Section kSections[] = {
    // intro under the title: a chord swelling out of the dark
    {0, 7, &kProgA, 0.2,   700,   Kick::None, 0,     false, Hats::None, Bass::None, 0, Melody::None,
     0, 0, 0,       false, false, 0,          false, true},
    // opening backdrop: arpeggio and a soft pulse, building...
    {7,   71,           &kProgA, 0.30, 1100, Kick::Four, 0.4,   false, Hats::Eighths, Bass::Half,
     0.5, Melody::None, 0,       0.32, 0.5,  false,      false, 0,     true,          false},
    // ...then a lift before the drop
    {71, 78,           &kProgA, 0.22, 900, Kick::None, 0,     false, Hats::None, Bass::None,
     0,  Melody::None, 0,       0.12, 0.3, false,      false, 6.5,   false,      false},
    // rising row: everything in
    {78,          128,  &kProgA,   0.30, 1800, Kick::Four, 0.8,   true, Hats::Sixteenths,
     Bass::Drive, 0.75, Melody::A, 0.3,  0.14, 0.8,        false, true, 0,
     false,       false},
    // orbit: a breath; pads and the tune alone
    {128,  150,       &kProgB, 0.26, 1200, Kick::None, 0,     false, Hats::None, Bass::Long,
     0.35, Melody::B, 0.2,     0,    0,    false,      false, 3.5,   false,      false},
    // fire helix: driving
    {150,        170,  &kProgC,   0.26, 2200, Kick::Four, 0.8,  true, Hats::Sixteenths,
     Bass::Roll, 0.75, Melody::C, 0.26, 0.2,  1.0,        true, true, 0,
     false,      false},
    // sprite cloud: half time
    {170, 192,          &kProgA, 0.18, 1200, Kick::Half, 0.45,  true, Hats::Sparse, Bass::Half,
     0.4, Melody::None, 0,       0.12, 0.4,  false,      false, 0,    false,        false},
    // twin knots: full again
    {192,         215,  &kProgA,   0.30, 2000, Kick::Four, 0.8,   true, Hats::Sixteenths,
     Bass::Drive, 0.75, Melody::A, 0.3,  0.16, 0.9,        false, true, 0,
     false,       false},
    // mirror sphere: floating
    {215, 248,       &kProgB, 0.24, 1000, Kick::None, 0,     false, Hats::Sparse, Bass::Long,
     0.3, Melody::B, 0.18,    0.1,  0.35, false,      false, 3.5,   false,        false},
    // swirling sea: the peak
    {248,        268,  &kProgC,   0.34, 2600, Kick::Four, 0.85, true, Hats::Sixteenths,
     Bass::Roll, 0.8,  Melody::C, 0.32, 0.2,  1.0,        true, true, 0,
     false,      false},
    // helix tunnel: hypnotic pulse, no harmony on top
    {268, 290,          &kProgA, 0.0,  1000, Kick::Four, 0.45,  false, Hats::Eighths, Bass::Roll,
     0.4, Melody::None, 0,       0.16, 0.6,  true,       false, 0,     false,         false},
    // the screen goes black before the credits
    {290, 300,          &kProgB, 0.22, 800, Kick::None, 0,     false, Hats::None, Bass::None,
     0,   Melody::None, 0,       0,    0,   false,      false, 0,     false,      true},
    // credits: a gentle groove to the end
    {300,  kTrackSeconds, &kProgA, 0.26, 1300, Kick::Half, 0.5,   false, Hats::Eighths, Bass::Half,
     0.45, Melody::A,     0.18,    0.1,  0.5,  false,      false, 0,     false,         false},
};

void renderSection(Mix& mix, const Kit& kit, const SineTable& sine, const Section& s,
                   uint32_t seed) {
    const int64_t first = secondsToStep(s.from);
    const int64_t last = secondsToStep(s.to);
    const int64_t sectionSteps = last - first;
    const int bars = static_cast<int>((sectionSteps + kStepsPerBar - 1) / kStepsPerBar);
    auto progress = [&](int64_t step) { return static_cast<double>(step - first) / sectionSteps; };
    // In a build-up the parts join after this many bars.
    const int kickFrom = 0;
    const int hatsFrom = s.buildUp ? 8 : 0;
    const int bassFrom = s.buildUp ? 16 : 0;

    if (s.crashAtStart) {
        play(mix, stepToSample(first), kit.crash, 0.3);
    }
    if (s.riserSeconds > 0.0) {
        int64_t length = static_cast<int64_t>(s.riserSeconds * kSr);
        riser(mix, stepToSample(last) - length, length, 0.35, seed + 2);
    }
    if (s.padGain > 0.0 && s.holdChord) {
        int64_t start = stepToSample(first);
        pad(mix, start, stepToSample(last) - start, (*s.progression)[0], s.padGain, s.padCutoff,
            (s.to - s.from) * 0.6);
    }

    for (int bar = 0; bar < bars; ++bar) {
        const Chord& chord = (*s.progression)[bar % s.progression->size()];
        const int64_t barStep = first + static_cast<int64_t>(bar) * kStepsPerBar;
        const int64_t barEnd = std::min(barStep + kStepsPerBar, last);
        const int64_t barLength = stepToSample(barEnd) - stepToSample(barStep);
        if (s.padGain > 0.0 && !s.holdChord) {
            pad(mix, stepToSample(barStep), barLength, chord, s.padGain, s.padCutoff, 0.4);
        }
        const int root = bassRoot(chord);

        for (int step = 0; step < kStepsPerBar; ++step) {
            const int64_t g = barStep + step;
            if (g >= last) {
                break;
            }
            const int64_t at = stepToSample(g);
            const uint32_t stepSeed = seed + static_cast<uint32_t>(g) * 7u;
            // Drums.
            if (bar >= kickFrom) {
                if (s.kick == Kick::Four && step % 4 == 0) {
                    play(mix, at, kit.kick, s.kickGain);
                } else if (s.kick == Kick::Half && (step == 0 || step == 10)) {
                    play(mix, at, kit.kick, s.kickGain);
                }
            }
            if (s.snare) {
                bool hit = s.kick == Kick::Half ? step == 8 : (step == 4 || step == 12);
                if (hit) {
                    play(mix, at, kit.snares[stepSeed % 4], 0.45);
                }
                if (s.kick == Kick::Four && bar % 4 == 3 && (step == 14 || step == 15)) {
                    play(mix, at, kit.snares[(stepSeed + 1) % 4],
                         0.22); // fill at the end of each phrase
                }
            }
            switch (bar >= hatsFrom ? s.hats : Hats::None) {
            case Hats::Eighths:
                if (step % 4 == 2) {
                    play(mix, at, kit.closedHats[stepSeed % 4], 0.25);
                }
                break;
            case Hats::Sixteenths:
                play(mix, at, (step % 8 == 6 ? kit.openHats : kit.closedHats)[stepSeed % 4],
                     step % 4 == 2 ? 0.3 : (step % 2 == 0 ? 0.12 : 0.17));
                break;
            case Hats::Sparse:
                if (step == 6 || step == 14) {
                    play(mix, at, (step == 14 ? kit.openHats : kit.closedHats)[stepSeed % 4], 0.16);
                }
                break;
            case Hats::None:
                break;
            }
            // Bass.
            switch (bar >= bassFrom ? s.bass : Bass::None) {
            case Bass::Drive:
                if (step % 2 == 0) {
                    bool up = step % 4 == 2;
                    bass(mix, sine, at, stepToSample(g + 1) - at + 1500, up ? root + 12 : root,
                         s.bassGain, up ? 0.8 : 0.5);
                }
                break;
            case Bass::Roll:
                if (step % 4 != 1) {
                    int note = step == 14 ? root + 7 : (step % 4 == 3 ? root + 12 : root);
                    bass(mix, sine, at, stepToSample(g + 1) - at, note, s.bassGain,
                         step % 4 == 0 ? 0.9 : 0.6);
                }
                break;
            case Bass::Half:
                if (step == 0 || step == 6 || step == 8 || step == 14) {
                    int len = (step == 0 || step == 8) ? 5 : 2;
                    bass(mix, sine, at, stepToSample(g + len) - at, step == 14 ? root + 7 : root,
                         s.bassGain, 0.35);
                }
                break;
            case Bass::Long:
                if (step == 0) {
                    bass(mix, sine, at, barLength - 2000, root, s.bassGain, 0.1);
                }
                break;
            case Bass::None:
                break;
            }
            // Arpeggio over the chord, up and down across two octaves.
            if (s.arpGain > 0.0 && (s.arpFast || step % 2 == 0)) {
                static const int order[8] = {0, 1, 2, 3, 2, 1, 0, 2};
                int slot = (s.arpFast ? step : step / 2) % 8;
                int note = chord[order[slot] % chord.size()] + ((slot >= 3 && slot <= 5) ? 12 : 0);
                double bright = s.arpBrightness * (s.buildUp ? 0.35 + 0.65 * progress(g) : 1.0);
                pluck(mix, at, note, s.arpGain, bright, (step % 4 < 2) ? -0.45 : 0.45);
            }
        }
    }

    // The lead plays four-bar phrases; in a breakdown it waits two bars.
    if (s.melody != Melody::None) {
        const std::vector<Note>* phrases[2] = {&kMelodyA1, &kMelodyA2};
        if (s.melody == Melody::B) {
            phrases[0] = phrases[1] = &kMelodyB;
        } else if (s.melody == Melody::C) {
            phrases[0] = phrases[1] = &kMelodyC;
        }
        const int64_t phraseSteps = 4 * kStepsPerBar;
        const int64_t start = first + (s.kick == Kick::None ? 2 * kStepsPerBar : 0);
        int phrase = 0;
        for (int64_t p = start; p < last; p += phraseSteps, ++phrase) {
            for (const Note& note : *phrases[phrase % 2]) {
                int64_t on = p + note.step;
                if (on >= last) {
                    break;
                }
                int64_t off = std::min<int64_t>(on + note.length, last);
                int64_t a = stepToSample(on);
                lead(mix, sine, a, stepToSample(off) - a - 600, note.midi, s.leadGain,
                     (phrase % 2) ? 0.15 : -0.15);
            }
        }
    }
}

// The master limiter holds peaks to `threshold`: the gain at each sample is the smallest needed
// anywhere within 3 ms, averaged over 3 ms (so it never exceeds what the peak needs and never
// jumps), and recovers over about 80 ms.
constexpr double kLimitBelowPeak = 0.5;

std::vector<float> limiterGain(const Mix& mix, double threshold) {
    const int64_t frames = mix.frames();
    const int64_t half = static_cast<int64_t>(0.0015 * kSr);
    const int64_t span = 2 * half + 1;
    auto need = [&](int64_t i) {
        if (i < 0 || i >= frames) {
            return 1.0;
        }
        double level = std::max(std::fabs(mix.left[i]), std::fabs(mix.right[i]));
        return level > threshold ? threshold / level : 1.0;
    };
    // lowest(c): the smallest need within [c - half, c + half], by a monotonic queue that
    // holds (index, need) pairs in a ring of span + 1 slots.
    std::vector<std::pair<int64_t, double>> ring(static_cast<size_t>(span + 1));
    size_t head = 0;
    size_t count = 0;
    std::vector<double> lowestRing(static_cast<size_t>(span), 1.0);
    std::vector<float> gain(frames);
    double sum = static_cast<double>(span); // window of lowest values, 1 outside the track
    const double release = 1.0 - dm::exp(-1.0 / (0.08 * kSr));
    double g = 1.0;
    for (int64_t i = -2 * half; i < frames + 2 * half; ++i) {
        // Push need(i + half) so the queue covers [c - half, c + half] for c = i.
        int64_t entering = i + half;
        double value = need(entering);
        while (count > 0 && ring[(head + count - 1) % ring.size()].second >= value) {
            --count;
        }
        ring[(head + count) % ring.size()] = {entering, value};
        ++count;
        while (ring[head].first < i - half) {
            head = (head + 1) % ring.size();
            --count;
        }
        double lowest = ring[head].second;
        // Moving average of lowest over [i - 2 half, i]: centred on i - half.
        size_t slot = static_cast<size_t>((i % span + span) % span);
        sum += lowest - lowestRing[slot];
        lowestRing[slot] = lowest;
        int64_t centre = i - half;
        if (centre >= 0 && centre < frames) {
            g = std::min(sum / span, g + (1.0 - g) * release);
            gain[centre] = static_cast<float>(g);
        }
    }
    return gain;
}

} // namespace

std::vector<float> renderTrack() {
    const int64_t frames = static_cast<int64_t>(kTrackSeconds * kSr);
    Mix mix(frames);
    const SineTable sine;
    const Kit kit(sine);
    uint32_t seed = 1000;
    for (const Section& s : kSections) {
        renderSection(mix, kit, sine, s, seed);
        seed += 1000;
    }
    applyDelay(mix);
    mix.delayL = {};
    mix.delayR = {};
    applyReverb(mix);
    mix.reverb = {};

    // Fade out after the demo has ended.
    const double fadeFrom = 325.0;
    double peak = 0.0;
    for (int64_t i = 0; i < frames; ++i) {
        double t = i / kSr;
        if (t > fadeFrom) {
            double fade =
                dm::clamp(1.0 - (t - fadeFrom) / (kTrackSeconds - 0.5 - fadeFrom), 0.0, 1.0);
            mix.left[i] = static_cast<float>(mix.left[i] * fade);
            mix.right[i] = static_cast<float>(mix.right[i] * fade);
        }
        peak = std::max(peak, static_cast<double>(std::fabs(mix.left[i])));
        peak = std::max(peak, static_cast<double>(std::fabs(mix.right[i])));
    }
    std::vector<float> gain = limiterGain(mix, peak * kLimitBelowPeak);
    // Scale the limited peak to -3 dBFS, leaving room for the encoder's overshoot.
    double limitedPeak = 0.0;
    for (int64_t i = 0; i < frames; ++i) {
        limitedPeak = std::max(limitedPeak, std::fabs(static_cast<double>(mix.left[i]) * gain[i]));
        limitedPeak = std::max(limitedPeak, std::fabs(static_cast<double>(mix.right[i]) * gain[i]));
    }
    const double scale = limitedPeak > 0.0 ? 0.708 / limitedPeak : 1.0;
    std::vector<float> out(static_cast<size_t>(frames) * 2);
    for (int64_t i = 0; i < frames; ++i) {
        out[static_cast<size_t>(i) * 2] = static_cast<float>(mix.left[i] * gain[i] * scale);
        out[static_cast<size_t>(i) * 2 + 1] = static_cast<float>(mix.right[i] * gain[i] * scale);
    }
    return out;
}

bool encodeMp3(const std::vector<float>& stereo, std::vector<uint8_t>& mp3, std::string& error) {
    lame_global_flags* lame = lame_init();
    if (lame == nullptr) {
        error = "lame_init failed";
        return false;
    }
    lame_set_in_samplerate(lame, kSampleRate);
    lame_set_out_samplerate(lame, kSampleRate);
    lame_set_num_channels(lame, 2);
    lame_set_mode(lame, JOINT_STEREO);
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, 192);
    lame_set_quality(lame, 7);
    // The Info frame carries the encoder delay and padding, so decoders can trim them and the
    // decoded samples line up with the score to the sample.
    lame_set_bWriteVbrTag(lame, 1);
    lame_set_write_id3tag_automatic(lame, 0);
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        error = "lame_init_params failed";
        return false;
    }
    const int chunk = 8192;
    std::vector<unsigned char> buffer(static_cast<size_t>(chunk * 5 / 4 + 7200));
    const size_t frames = stereo.size() / 2;
    mp3.clear();
    for (size_t pos = 0; pos < frames; pos += chunk) {
        int count = static_cast<int>(std::min<size_t>(chunk, frames - pos));
        int written = lame_encode_buffer_interleaved_ieee_float(
            lame, stereo.data() + pos * 2, count, buffer.data(), static_cast<int>(buffer.size()));
        if (written < 0) {
            lame_close(lame);
            error = "lame encoding failed (" + std::to_string(written) + ")";
            return false;
        }
        mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + written);
    }
    int written = lame_encode_flush(lame, buffer.data(), static_cast<int>(buffer.size()));
    if (written > 0) {
        mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + written);
    }
    // The first frame of the stream was reserved for the Info frame; fill it in.
    size_t tagSize = lame_get_lametag_frame(lame, buffer.data(), buffer.size());
    lame_close(lame);
    if (tagSize == 0 || tagSize > mp3.size()) {
        error = "lame wrote no Info frame";
        return false;
    }
    std::copy(buffer.begin(), buffer.begin() + static_cast<long>(tagSize), mp3.begin());
    return true;
}

} // namespace assetgen
