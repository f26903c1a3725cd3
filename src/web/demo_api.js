// The web build's side in JavaScript: what the page calls (Module.quorlith) and the Web Audio
// playback the wasm's clock reads (Module.quorlithAudio). Runs before the wasm is loaded; the
// functions below run once it is.

var kTrackRate = 44100;
var kFadeSeconds = 0.005;

Module.quorlithAudio = {
  context: null, // the AudioContext playing, or null (silent)
  buffer: null, // the decoded track
  source: null,
  gain: null,
  startFrame: 0, // the track frame heard at startTime
  startTime: 0,
  running: false,

  // Plays from a track frame on; 0 when there is nothing to play through. The new sound fades
  // in and the old one out over 5 ms, as the native device does around a seek.
  start: function(frame) {
    this.stop();
    if (!this.context || !this.buffer) return 0;
    var context = this.context;
    var source = context.createBufferSource();
    var gain = context.createGain();
    source.buffer = this.buffer;
    source.connect(gain);
    gain.connect(context.destination);
    this.startTime = context.currentTime;
    this.startFrame = frame;
    gain.gain.setValueAtTime(0, this.startTime);
    gain.gain.linearRampToValueAtTime(1, this.startTime + kFadeSeconds);
    var offset = frame / kTrackRate;
    if (offset < this.buffer.duration) source.start(this.startTime, offset);
    this.source = source;
    this.gain = gain;
    this.running = true;
    return 1;
  },

  stop: function() {
    if (this.running) this.startFrame = this.frame();
    if (this.source) {
      var now = this.context.currentTime;
      this.gain.gain.cancelScheduledValues(now);
      this.gain.gain.setValueAtTime(this.gain.gain.value, now);
      this.gain.gain.linearRampToValueAtTime(0, now + kFadeSeconds);
      try { this.source.stop(now + kFadeSeconds); } catch (e) {}
      this.source = null;
      this.gain = null;
    }
    this.running = false;
  },

  // The frame heard now: the context's clock since the start, less what the output holds.
  frame: function() {
    if (!this.running) return this.startFrame;
    var context = this.context;
    var latency = context.outputLatency || context.baseLatency || 0;
    var heard = Math.max(0, context.currentTime - this.startTime - latency);
    return this.startFrame + Math.floor(heard * kTrackRate);
  },
};

Module.quorlith = {
  onEnd: null,
  audioContext: null,

  // Decodes the track with the browser's decoder at the track's own rate and hands the
  // frames to the wasm, whose clock and spectrum read them.
  prepare: function() {
    var bytes;
    try {
      bytes = FS.readFile('/data/music/track.mp3');
    } catch (e) {
      return Promise.reject(new Error('The music track is missing from the data set.'));
    }
    var decoder = new OfflineAudioContext(2, 1, kTrackRate);
    var encoded = bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength);
    return decoder.decodeAudioData(encoded).then(function(track) {
      Module.quorlithAudio.buffer = track;
      var left = track.getChannelData(0);
      var right = track.numberOfChannels > 1 ? track.getChannelData(1) : left;
      var chunk = 65536;
      var pointer = _malloc(chunk * 2 * 4);
      _quorlith_clear_track();
      for (var at = 0; at < track.length; at += chunk) {
        var frames = Math.min(chunk, track.length - at);
        var samples = HEAPF32.subarray(pointer >> 2, (pointer >> 2) + frames * 2);
        for (var i = 0; i < frames; ++i) {
          samples[2 * i] = left[at + i];
          samples[2 * i + 1] = right[at + i];
        }
        _quorlith_append_track(pointer, frames); // may grow the memory: HEAPF32 is read anew
      }
      _free(pointer);
    }, function() {
      throw new Error('This browser could not decode the music track.');
    });
  },

  // Plays from 0 s; call it from the click that starts the demo, which lets the sound start.
  play: function(options) {
    var mute = !!(options && options.mute);
    Module.quorlithAudio.stop();
    Module.quorlithAudio.context = null;
    if (!mute) {
      if (!this.audioContext) {
        try {
          this.audioContext = new AudioContext({sampleRate: kTrackRate});
        } catch (e) {
          this.audioContext = new AudioContext(); // plays resampled; the clock is the same
        }
      }
      this.audioContext.resume();
      Module.quorlithAudio.context = this.audioContext;
    }
    if (!_quorlith_play(mute ? 1 : 0)) throw new Error('This browser offers no WebGL 2.');
  },

  // Draws the frame at t seconds in a canvas of width x height pixels; the page's title
  // becomes "shot ready" when it is drawn.
  shot: function(t, width, height) {
    if (!_quorlith_shot(t, width, height)) {
      throw new Error('Cannot draw the frame at ' + t + ' s in ' + width + ' x ' + height +
                      ' pixels here.');
    }
  },
};
