// The music track as the demo's only clock: an MP3 held in memory, played through the
// sound device (or followed on a silent wall clock, or set by hand), its position turned
// into the demo time once per frame, seeking, and the spectrum of what is heard.
#pragma once

#include <string>

enum class ClockSource {
    Device,    // play through the sound device; fall back to WallClock if none opens
    WallClock, // silent: the position advances with real time, as playback would
    Manual,    // silent: the position only changes through setMusicPositionMs / seeks
};

inline constexpr int kSpectrumBins = 512;      // magnitudes, lowest frequency first, 0..1
inline constexpr int kSpectrumBufferSize = 32; // the slice the post-process pass reads

// The lowest spectrum bins captured at the end of the previous frame (zeros at first).
extern float SpectrumBuffer[kSpectrumBufferSize];

// Chooses the clock for the next openMusic. Default: ClockSource::Device.
void setClockSource(ClockSource source);
ClockSource clockSource();
// The clock actually running: WallClock where the device or the track could not be had
// (Manual stays Manual); Manual, standing at 0, before openMusic.
ClockSource activeClockSource();

// The music set-up: reads the file whole into memory, opens the stream and starts
// playback. A missing or unreadable file prints "Error!" and "File Not Found" on
// stdout, a file that does not decode a message on stderr; the demo then runs on the
// silent wall clock without a length limit (or stays on the Manual clock). Returns
// whether a track is open.
bool openMusic(const std::string& path);
// Switches the spectrum analysis on.
void enableSpectrum();
// Stops playback and closes the track: back to the state before openMusic (position 0,
// demo time 0, spectrum off and zero). The chosen clock source is kept.
void closeMusic();

// How much later than it is heard the picture shows the music, in milliseconds (negative:
// earlier), for outputs with their own latency. Default 0; kept across tracks.
inline constexpr int kMaxPictureDelayMs = 2000;
void setPictureDelayMs(int ms);

// First step of every frame: demo time = (float)drawn_ms * 0.001f, where the drawn position
// is the position heard less the picture delay, never below 0.
void updateDemoTime();
// The demo time set by the last updateDemoTime (0 before the first frame).
float demoTime();

// New position = (int)(heard time * 1000 + delta), from the position heard at the last
// updateDemoTime (the demo time itself without a picture delay); negative plays from 0,
// past the end stops at the end.
void seekMusic(float deltaMs);

// The sound device SDL names by `device` went away (unplugged, sound server gone): if it
// is the one playing, the music clock goes on silently from where it was, without a jump.
void soundDeviceRemoved(unsigned device);
// A sound device appeared: after a loss the default device plays on from the current
// position, again without a jump.
void soundDeviceAdded();

// Pauses or resumes the music. Paused, the position holds (the sound device is closed, the
// wall clock stops) and seeks move it; resumed, playback goes on from that very frame.
// Opening or closing a track resumes.
void setMusicPaused(bool paused);
bool musicPaused();

// Current position in whole milliseconds of what the listener hears now.
int musicPositionMs();
// Moves the position (takes effect at once). With ClockSource::Manual this is the clock.
void setMusicPositionMs(int ms);
// Length of the open track in milliseconds (0 without a track).
int musicLengthMs();
// However short the track, the clock runs on past its end, in silence, until the picture
// reaches at least `ms` (the position heard then is `ms` plus the picture delay), so that a
// demo of that length still reaches its end. Default 0: the clock stops at the track's end.
void setMusicRunsAtLeastMs(int ms);

// After all drawing of a frame: computes the spectrum of the last 1024 samples up to the
// drawn position and copies its lowest bins into SpectrumBuffer.
void captureSpectrum();
// The spectrum a live run at 60 frames per second would have captured one frame earlier
// is the one at this many milliseconds before the frame.
inline constexpr int kPreviousFrameMs = 17;
// For a single frame drawn at `ms` on the clock set by hand: captures that earlier spectrum,
// then sets the position to `ms`.
void setMusicPositionForStillMs(int ms);

// The full spectrum computed by the last captureSpectrum.
const float* spectrumBins();
// The kSpectrumSamples mono samples (-1..1, oldest first) the last captureSpectrum
// analysed: the end of what was heard at that moment.
inline constexpr int kSpectrumSamples = 1024;
const float* spectrumSamples();

// Pure arithmetic of the clock, shared by the functions above and the tests.
float demoTimeFromPositionMs(int positionMs);
int seekTargetMs(float baseDemoTime, float deltaMs);
