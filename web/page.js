// The page around the show's module: the start screen, the start click (full
// screen, sound, the show), the end screen that starts it again, and the
// test interface window.veldrakin.
//
// A cross-origin-isolated page gets the module with threads (veldrakin-mt.js:
// the four band workers on Web Workers); any other page gets the one without
// (veldrakin-st.js), and the start screen says so. Both load the same data
// package (show-data.js, show.data), mounted at /show.
'use strict';

(function () {
  const threaded = self.crossOriginIsolated === true && typeof SharedArrayBuffer !== 'undefined';
  const body = document.body;
  const startLabel = document.getElementById('start-label');

  let state = 'start';
  let audioContext = null;
  let readyResolve;
  let readyReject;
  const ready = new Promise((resolve, reject) => { readyResolve = resolve; readyReject = reject; });
  // One call into the module at a time: frame() and bench() run in turn.
  let queue = Promise.resolve();

  function setState(next) {
    state = next;
    body.classList.toggle('at-start', next === 'start');
    body.classList.toggle('playing', next === 'playing');
    body.classList.toggle('ended', next === 'ended');
  }

  if (!threaded) {
    const note = 'This page is not cross-origin isolated, so it has no threads: the four bands of ' +
      'every frame are drawn one after the other on one thread, and the show may run slower. ' +
      'Serve it with the headers Cross-Origin-Opener-Policy: same-origin and ' +
      'Cross-Origin-Embedder-Policy: require-corp (scripts/serve-web.sh does) for four threads.';
    document.getElementById('start-note').textContent = note;
  }

  // Decodes the music with the browser's decoder, at the show's rate, and
  // files it where the module's MP3 decoder looks for it.
  async function decodeMusic() {
    const key = Module.UTF8ToString(Module._vdk_music_key());
    const bytes = Module.FS.readFile(key);
    const decoder = new OfflineAudioContext(2, 1, 44100);
    const buffer = await decoder.decodeAudioData(bytes.buffer.slice(bytes.byteOffset,
      bytes.byteOffset + bytes.byteLength));
    Module.vdkDecodedTracks = Module.vdkDecodedTracks || {};
    Module.vdkDecodedTracks[key] = buffer;
  }

  window.Module = {
    print: line => console.log(line),
    printErr: line => console.warn(line),
    onAbort: what => {
      console.error('the show stopped: ' + what);
      readyReject(new Error('aborted: ' + what));
    },
    postRun: [() => {
      decodeMusic().then(() => {
        body.classList.remove('loading');
        startLabel.textContent = 'click to start';
        readyResolve();
      }, error => {
        startLabel.textContent = 'the music could not be decoded';
        console.error('the music could not be decoded: ' + error);
        readyReject(error);
      });
    }],
    vdkShowEnded: position => {
      lastPosition = position;
      if (document.fullscreenElement && document.exitFullscreen) document.exitFullscreen().catch(() => {});
      setState('ended');
    },
  };
  let lastPosition = 0;

  function load(src) {
    const script = document.createElement('script');
    script.src = src;
    script.async = false;  // in the order given
    script.onerror = () => {
      startLabel.textContent = 'loading failed';
      readyReject(new Error('cannot load ' + src));
    };
    document.body.appendChild(script);
  }
  load('show-data.js');
  load(threaded ? 'veldrakin-mt.js' : 'veldrakin-st.js');

  function enterFullScreen() {
    const element = document.documentElement;
    const allowed = !navigator.userActivation || navigator.userActivation.isActive;
    if (allowed && element.requestFullscreen && !document.fullscreenElement) {
      element.requestFullscreen({navigationUI: 'hide'}).catch(() => {});
    }
  }

  // The audio context is made (or resumed) in the gesture itself; the show
  // plays silently in real time when it does not run within a second.
  function wakeAudio() {
    try {
      if (!audioContext) audioContext = new AudioContext({sampleRate: 44100, latencyHint: 'interactive'});
    } catch (e) {
      audioContext = null;
      return Promise.resolve();
    }
    const resumed = audioContext.state === 'running' ? Promise.resolve() : audioContext.resume();
    const patience = new Promise(resolve => setTimeout(resolve, 1000));
    return Promise.race([resumed.catch(() => {}), patience]);
  }

  function start() {
    if (state === 'playing') return Promise.resolve(false);
    enterFullScreen();
    const audio = wakeAudio();
    setState('playing');
    return ready.then(() => audio).then(() => {
      Module.vdkAudioContext = audioContext;
      lastPosition = 0;
      if (Module._vdk_start() !== 0) {
        document.getElementById('end-note').textContent = 'The show could not be set up (see the console).';
        Module.vdkShowEnded(0);
        return false;
      }
      document.getElementById('end-note').textContent = '';
      return true;
    }, error => {
      setState('start');
      throw error;
    });
  }

  for (const panel of document.querySelectorAll('.panel')) {
    panel.addEventListener('click', event => {
      if (event.button === 0) start().catch(() => {});
    });
  }

  function inTurn(work) {
    const result = queue.then(() => ready).then(work);
    queue = result.catch(() => {});
    return result;
  }

  const frameBytes = 320 * 240 * 4;
  window.veldrakin = {
    ready,
    start,
    get state() { return state; },
    get threads() { return threaded; },
    position: () => (state === 'playing' && Module._vdk_position ? Module._vdk_position() : lastPosition),
    frame: n => inTurn(() => {
      if (!Number.isInteger(n) || n < 0) throw new RangeError('frame(n): n is a whole frame number');
      if (Module._vdk_frame(n) !== 0) throw new Error('frame ' + n + ' could not be drawn');
      const pixels = Module.vdkFrameResult;
      Module.vdkFrameResult = null;
      if (!pixels || pixels.length !== frameBytes) throw new Error('frame ' + n + ' has the wrong size');
      return pixels;
    }),
    bench: n => inTurn(() => {
      if (!Number.isInteger(n) || n < 1) throw new RangeError('bench(n): n is at least 1');
      const failed = Module._vdk_bench(n) !== 0;
      const text = Module.vdkTextResult;
      Module.vdkTextResult = null;
      if (failed) throw new Error('bench: ' + text);
      return JSON.parse(text);
    }),
  };
})();
