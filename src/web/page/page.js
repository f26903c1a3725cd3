// The page around the web build of Quorlith Engine: the start screen and its loading bar,
// Play and Full screen, messages for what can go wrong, and two modes for checkers:
//   ?shot=T&size=WxH       draws the frame at T seconds into a W x H canvas (800x600 when
//                          size is left out), nothing else
//   ?autoplay=1&mute=1     plays at once, silently
// quorlith.js (emscripten) reads the global Module set up here before it is loaded.
'use strict';

var Module;

(function () {
  const TITLE = 'Quorlith Engine';
  // The limits of the native program's --shot and --size.
  const MAX_SECONDS = 86400;
  const SMALLEST = { width: 320, height: 240 };
  const LARGEST_SIDE = 16384;
  // Keys the demo uses that would otherwise scroll the page or open the browser's help.
  const DEMO_KEYS = new Set(['ArrowUp', 'ArrowDown', 'ArrowLeft', 'ArrowRight', 'Space', 'F1']);

  const byId = (id) => document.getElementById(id);
  const stage = byId('stage');
  const canvas = byId('canvas');
  const startScreen = byId('start');
  const playButton = byId('play');
  const fullScreenButton = byId('fullscreen');
  const loading = byId('loading');
  const bar = byId('bar');
  const statusText = byId('status');
  const message = byId('message');

  const query = new URLSearchParams(location.search);
  const mute = query.get('mute') === '1';
  let api = null; // Module.quorlith once the music is ready
  let failed = false;
  let playing = false;

  function errorText(what) {
    if (what && typeof what === 'object' && 'message' in what) {
      return String(what.message || what);
    }
    return String(what);
  }

  function fail(text) {
    if (failed) {
      return; // the first failure is the cause; later ones follow from it
    }
    failed = true;
    playing = false;
    api = null;
    playButton.disabled = true;
    fullScreenButton.disabled = true;
    startScreen.hidden = true;
    message.textContent = text;
    message.hidden = false;
    document.title = TITLE;
    console.error(text);
  }

  // An error or abort reported by the runtime: a failed download, or a fault in the demo.
  function failWith(what) {
    const detail = errorText(what);
    if (/\.(data|wasm)\b|fetch|NetworkError/i.test(detail)) {
      fail('A file of the demo could not be downloaded:\n' + detail +
           '\nCheck the connection and reload the page.');
    } else if (api || playing) {
      fail('The demo stopped with an error:\n' + detail + '\nReload the page to try again.');
    } else {
      fail('The demo could not start:\n' + detail);
    }
  }

  function showProgress(text, fraction) {
    statusText.textContent = text;
    if (fraction === undefined) {
      bar.removeAttribute('value'); // indeterminate
    } else {
      bar.value = fraction;
    }
  }

  // Emscripten's file packager reports "Downloading data... (LOADED/TOTAL)"; the runtime's
  // other status lines ("Running...", "") say nothing the page shows.
  function onRuntimeStatus(text) {
    if (failed || !/^Downloading data/.test(text)) {
      return;
    }
    const counts = /\((\d+)\/(\d+)\)/.exec(text);
    if (!counts || Number(counts[2]) <= 0) {
      showProgress('Downloading data…');
      return;
    }
    const loaded = Number(counts[1]);
    const total = Number(counts[2]);
    const mb = (bytes) => (bytes / 1e6).toFixed(1);
    showProgress(`Downloading data… ${mb(loaded)} of ${mb(total)} MB`, Math.min(loaded / total, 1));
  }

  function webGL2Limit() {
    const gl = document.createElement('canvas').getContext('webgl2');
    if (!gl) {
      return 0;
    }
    const viewport = gl.getParameter(gl.MAX_VIEWPORT_DIMS);
    const limit = Math.min(viewport[0], viewport[1], gl.getParameter(gl.MAX_RENDERBUFFER_SIZE));
    const lose = gl.getExtension('WEBGL_lose_context');
    if (lose) {
      lose.loseContext();
    }
    return limit;
  }

  // ?shot=T&size=WxH (size 800x600 when left out): {t, width, height}, or a message.
  function parseShot(largestSide) {
    const time = query.get('shot');
    const size = query.get('size') ?? '800x600';
    if (!/^(\d+\.?\d*|\.\d+)$/.test(time) || Number(time) > MAX_SECONDS) {
      return { error: `?shot=${time}: not a time in seconds (a number from 0 to ${MAX_SECONDS}).` };
    }
    const largest = Math.min(LARGEST_SIDE, largestSide);
    const match = /^(\d{1,6})x(\d{1,6})$/.exec(size);
    const width = match ? Number(match[1]) : 0;
    const height = match ? Number(match[2]) : 0;
    if (!match || width < SMALLEST.width || height < SMALLEST.height ||
        width > largest || height > largest) {
      return {
        error: `?size=${size}: not a size WxH in pixels from ` +
               `${SMALLEST.width}x${SMALLEST.height} to ${largest}x${largest}` +
               (largest < LARGEST_SIDE ? ' (the most this browser\'s WebGL draws).' : '.'),
      };
    }
    return { t: Number(time), width, height };
  }

  function fullScreenElement() {
    return document.fullscreenElement || document.webkitFullscreenElement || null;
  }

  function enterFullScreen() {
    const request = stage.requestFullscreen || stage.webkitRequestFullscreen;
    if (!request) {
      return; // no full screen here (an iPhone, say): the demo plays in the page
    }
    try {
      const result = request.call(stage, { navigationUI: 'hide' });
      if (result && result.catch) {
        result.catch((error) => console.warn('Full screen refused:', errorText(error)));
      }
    } catch (error) {
      console.warn('Full screen refused:', errorText(error));
    }
  }

  function leaveFullScreen() {
    const exit = document.exitFullscreen || document.webkitExitFullscreen;
    if (fullScreenElement() && exit) {
      const result = exit.call(document);
      if (result && result.catch) {
        result.catch(() => {});
      }
    }
  }

  // Called within the click or tap: play() starts the sound, which needs that activation.
  function play(inFullScreen) {
    if (!api || playing) {
      return;
    }
    try {
      api.play({ mute });
    } catch (error) {
      failWith(error);
      return;
    }
    playing = true;
    startScreen.hidden = true;
    if (inFullScreen) {
      enterFullScreen();
    }
    canvas.focus({ preventScroll: true });
  }

  function onEnd() {
    playing = false;
    leaveFullScreen();
    document.title = TITLE;
    if (!failed) {
      startScreen.hidden = false;
      playButton.focus({ preventScroll: true });
    }
  }

  function ready(quorlith, shot) {
    api = quorlith;
    if (shot) {
      try {
        api.shot(shot.t, shot.width, shot.height);
      } catch (error) {
        failWith(error);
      }
      return;
    }
    loading.hidden = true;
    playButton.disabled = false;
    fullScreenButton.disabled = false;
    if (query.get('autoplay') === '1') {
      play(false);
    }
  }

  function onRuntimeInitialized(shot) {
    const quorlith = Module.quorlith;
    if (failed) {
      return;
    }
    if (!quorlith || typeof quorlith.prepare !== 'function') {
      fail('The demo\'s program does not match this page (Module.quorlith is missing).\n' +
           'Reload the page; if that does not help, the site needs rebuilding.');
      return;
    }
    quorlith.onEnd = onEnd;
    showProgress('Preparing the music…');
    let prepared;
    try {
      prepared = Promise.resolve(quorlith.prepare());
    } catch (error) {
      prepared = Promise.reject(error);
    }
    prepared.then(
      () => {
        if (!failed) {
          ready(quorlith, shot);
        }
      },
      (error) => fail('The music could not be prepared:\n' + errorText(error)));
  }

  function load(shot) {
    showProgress('Downloading the demo…');
    Module = {
      canvas,
      noInitialRun: true,
      setStatus: onRuntimeStatus,
      monitorRunDependencies(left) {
        if (left === 0 && !failed) {
          showProgress('Starting…');
        }
      },
      onRuntimeInitialized: () => onRuntimeInitialized(shot),
      onAbort: failWith,
      print: (text) => console.log(text),
      printErr: (text) => console.warn(text),
    };
    const script = document.createElement('script');
    script.src = 'quorlith.js';
    script.onerror = () => fail('The demo\'s program (quorlith.js) could not be downloaded.\n' +
                                'Check the connection and reload the page.');
    document.body.appendChild(script);
  }

  window.addEventListener('error', (event) => failWith(event.error || event.message));
  window.addEventListener('unhandledrejection', (event) => failWith(event.reason));
  canvas.addEventListener('webglcontextlost', () =>
    fail('The graphics context was lost (the GPU was reset or is short of memory).\n' +
         'Reload the page to try again.'));

  // A second line behind the demo's own handling: while it plays, its keys never scroll the
  // page or open help, and the canvas keeps the focus so that they reach it. Capturing, so
  // that the key that ends the demo is still caught.
  window.addEventListener('keydown', (event) => {
    if (!playing) {
      return;
    }
    if (DEMO_KEYS.has(event.code) || DEMO_KEYS.has(event.key)) {
      event.preventDefault();
    }
    if (document.activeElement !== canvas) {
      canvas.focus({ preventScroll: true });
    }
  }, true);
  stage.addEventListener('mousedown', (event) => {
    if (playing && event.target !== canvas) {
      event.preventDefault(); // a click on the black around the picture keeps the focus
    }
  });
  window.addEventListener('focus', () => {
    if (playing) {
      canvas.focus({ preventScroll: true });
    }
  });

  playButton.addEventListener('click', () => play(false));
  fullScreenButton.addEventListener('click', () => play(true));

  const largestSide = webGL2Limit();
  if (!largestSide) {
    fail('This demo needs WebGL 2, which this browser does not offer or has turned off.\n' +
         'Try a current Firefox, Chrome, Edge or Safari, with hardware acceleration on.');
    return;
  }
  if (query.has('shot')) {
    const shot = parseShot(largestSide);
    if (shot.error) {
      fail(shot.error);
      return;
    }
    startScreen.hidden = true;
    const ratio = window.devicePixelRatio || 1;
    canvas.style.width = `${shot.width / ratio}px`;
    canvas.style.height = `${shot.height / ratio}px`;
    load(shot);
    return;
  }
  load(null);
})();
