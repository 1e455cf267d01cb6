// The page around the show's module: the start screen with the download's
// progress, the start click or tap (full screen where the browser allows it,
// sound, the show), the screen wake lock while the show plays, the end
// screen that starts it again, the error screen when the files cannot be
// loaded, and the test interface window.veldrakin.
//
// A cross-origin-isolated page gets the module with threads (veldrakin-mt.js:
// the four band workers on Web Workers); any other page gets the one without
// (veldrakin-st.js), and the start screen says why. A host that cannot send
// the isolation headers gets them from isolation-worker.js, a service worker
// that re-serves this site's responses with them: the first visit registers
// it and reloads once, so that the worker serves the page itself. Both
// modules load the same data package (show-data.js, show.data), mounted at
// /show.
'use strict';

(function () {
  const body = document.body;
  const startLabel = document.getElementById('start-label');
  const endLabel = document.getElementById('end-label');
  const progressBar = document.getElementById('progress-bar');
  const progressText = document.getElementById('progress-text');
  const coarse = window.matchMedia && window.matchMedia('(pointer: coarse)').matches;
  const press = coarse ? 'tap' : 'click';
  endLabel.textContent = press + ' to start again';

  let threaded = false;
  let state = 'start';
  let audioContext = null;
  let readyResolve;
  let readyReject;
  const ready = new Promise((resolve, reject) => { readyResolve = resolve; readyReject = reject; });
  ready.catch(() => {});  // the error screen reports it; callers see the rejection
  // One call into the module at a time: frame() and bench() run in turn.
  let queue = Promise.resolve();
  const progress = {received: 0, total: 0};

  function setState(next) {
    state = next;
    body.classList.toggle('at-start', next === 'start');
    body.classList.toggle('playing', next === 'playing');
    body.classList.toggle('ended', next === 'ended');
    body.classList.toggle('failed', next === 'failed');
  }

  // The error screen: what failed, once; later failures keep the first.
  function fail(what) {
    if (state === 'failed') return;
    console.error('the show cannot be loaded: ' + what);
    const hint = location.protocol === 'file:' ? ' A page opened from the disk cannot load its files: ' +
      'put the folder on a web server and open it there (README.txt says how).' : '';
    document.getElementById('failed-note').textContent = what + '.' + hint;
    body.classList.remove('loading');
    setState('failed');
    readyReject(new Error(what));
  }

  // ---- Threads: the isolation the threaded module needs ----

  const reloadKey = 'veldrakin-isolation-reload';
  function storage() {
    try { return window.sessionStorage; } catch (e) { return null; }
  }

  // Resolves with the reason the page stays without isolation, or null when
  // it is isolated; never resolves when the page reloads itself.
  function isolate() {
    const session = storage();
    if (self.crossOriginIsolated === true) {
      if (session) session.removeItem(reloadKey);
      return Promise.resolve(null);
    }
    const workers = navigator.serviceWorker;
    if (location.protocol === 'file:') {
      return Promise.resolve('it was opened from the disk (a file: address), where a page can have ' +
        'no service worker to add the isolation headers');
    }
    if (!window.isSecureContext) {
      return Promise.resolve('it is served over plain http from another machine, where a page can have ' +
        'no service worker (https or localhost can)');
    }
    if (!workers || typeof workers.register !== 'function') {
      return Promise.resolve('this browser offers it no service worker here (private windows often do not)');
    }
    if (!session) return Promise.resolve('the browser gives it no session storage, which its one reload needs');
    const reloaded = session.getItem(reloadKey) === '1';
    const patience = new Promise(resolve => setTimeout(() => resolve('timeout'), 10000));
    return workers.register('isolation-worker.js').then(() => Promise.race([workers.ready, patience]))
      .then(outcome => {
        if (outcome === 'timeout') return 'its service worker did not become active';
        if (reloaded) {
          session.removeItem(reloadKey);
          return 'its service worker serves it, but the browser still does not isolate it';
        }
        // The worker is active: one reload, and it serves the page with the
        // headers. The mark stops a second reload should that not help.
        session.setItem(reloadKey, '1');
        location.reload();
        return new Promise(() => {});
      }, error => 'its service worker could not be registered (' + (error && error.message || error) + ')');
  }

  function noThreadsNote(reason) {
    return 'This page runs on one thread: ' + reason + '. The four bands of every frame are drawn one ' +
      'after the other, and the show may run slower. A server that sends the headers ' +
      'Cross-Origin-Opener-Policy: same-origin and Cross-Origin-Embedder-Policy: require-corp ' +
      '(scripts/serve-web.sh does) gives it four threads.';
  }

  // ---- Loading: the two large files with progress, then the scripts ----

  function megabytes(bytes) { return (bytes / 1048576).toFixed(1) + ' MB'; }

  function showProgress() {
    const known = progress.total > 0 && progress.received <= progress.total;
    progressBar.style.width = known ? (100 * progress.received / progress.total).toFixed(1) + '%' : '0';
    progressText.textContent = known
      ? megabytes(progress.received) + ' of ' + megabytes(progress.total)
      : megabytes(progress.received) + ' received';
  }

  // The file as an ArrayBuffer, its bytes counted into the progress as they
  // arrive; a failure names the file and the HTTP status or network error.
  const totals = new Map();
  function download(name) {
    let received = 0;
    totals.set(name, 0);  // unknown until its response says, and so the whole
    return fetch(name).then(response => {
      if (!response.ok) throw new Error(name + ': HTTP ' + response.status + (response.statusText ? ' ' + response.statusText : ''));
      // A compressed response's length is not the length of what is read.
      const length = Number(response.headers.get('Content-Length'));
      const encoded = (response.headers.get('Content-Encoding') || 'identity') !== 'identity';
      totals.set(name, !encoded && length > 0 ? length : 0);
      const lengths = [...totals.values()];
      progress.total = lengths.every(v => v > 0) ? lengths.reduce((a, b) => a + b, 0) : 0;
      if (!response.body || !response.body.getReader) return response.arrayBuffer();
      const reader = response.body.getReader();
      const chunks = [];
      const pump = () => reader.read().then(({done, value}) => {
        if (done) return;
        chunks.push(value);
        received += value.byteLength;
        progress.received += value.byteLength;
        showProgress();
        return pump();
      });
      return pump().then(() => {
        const whole = new Uint8Array(received);
        let at = 0;
        for (const chunk of chunks) {
          whole.set(chunk, at);
          at += chunk.byteLength;
        }
        return whole.buffer;
      });
    }).catch(error => {
      // An HTTP status was named above; anything else is the network's.
      throw error instanceof Error && error.message.startsWith(name + ':') ? error
        : new Error(name + ': network error (' + (error && error.message || error) + ')');
    });
  }

  function load(src) {
    return new Promise((resolve, reject) => {
      const script = document.createElement('script');
      script.src = src;
      script.onload = resolve;
      script.onerror = () => {
        // A script element tells nothing of why; a fetch of it does.
        fetch(src, {cache: 'no-store'}).then(
          response => response.ok ? src + ': could not be run' : src + ': HTTP ' + response.status +
            (response.statusText ? ' ' + response.statusText : ''),
          error => src + ': network error (' + (error && error.message || error) + ')')
          .then(what => reject(new Error(what)));
      };
      document.body.appendChild(script);
    });
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

  let lastPosition = 0;
  window.Module = {
    print: line => console.log(line),
    printErr: line => console.warn(line),
    onAbort: what => {
      console.error('the show stopped: ' + what);
      if (state === 'start') fail('the show\'s module stopped: ' + what);
      readyReject(new Error('aborted: ' + what));
    },
    postRun: [() => {
      decodeMusic().then(() => {
        body.classList.remove('loading');
        startLabel.disabled = false;
        startLabel.textContent = press + ' to start';
        readyResolve();
      }, error => fail('the music could not be decoded (' + error + ')'));
    }],
    vdkShowEnded: position => {
      lastPosition = position;
      screenLock.drop();
      leaveFullScreen();
      setState('ended');
    },
    vdkKeepScreenOn: on => (on ? screenLock.hold() : screenLock.drop()),
  };

  isolate().then(reason => {
    threaded = reason === null && typeof SharedArrayBuffer !== 'undefined';
    if (!threaded) {
      document.getElementById('start-note').textContent = noThreadsNote(reason ||
        'this browser isolates the page but offers no shared memory (SharedArrayBuffer)');
    }
    const module = threaded ? 'veldrakin-mt' : 'veldrakin-st';
    showProgress();
    return Promise.all([download('show.data'), download(module + '.wasm')]).then(([data, wasm]) => {
      Module.wasmBinary = wasm;
      Module.getPreloadedPackage = () => data;
      // The module only after the data package: a failure names the file
      // that failed, not what went wrong later for the want of it.
      return load('show-data.js').then(() => load(module + '.js'));
    });
  }).catch(error => fail(error.message));

  // ---- The screen wake lock while the show plays ----

  // Browsers drop the lock whenever the page is hidden, so it is asked for
  // again each time the page shows while the show plays. Where the browser
  // has no such lock or refuses it, the show goes on; the console says so
  // once.
  const screenLock = (() => {
    let wanted = false;
    let held = null;
    let warned = false;
    function warn(why) {
      if (warned) return;
      warned = true;
      console.warn('the screen may dim or lock during the show: ' + why);
    }
    function ask() {
      if (!wanted || document.visibilityState !== 'visible') return;
      const api = navigator.wakeLock;
      if (!api || typeof api.request !== 'function') {
        warn('this browser has no screen wake lock');
        return;
      }
      let asked;
      try {
        asked = Promise.resolve(api.request('screen'));
      } catch (error) {
        asked = Promise.reject(error);
      }
      asked.then(lock => {
        const previous = held;
        if (!wanted) {
          lock.release().catch(() => {});
          return;
        }
        held = lock;
        if (previous && previous !== lock && !previous.released) previous.release().catch(() => {});
      }, error => warn('the browser refused the wake lock (' + (error && error.message || error) + ')'));
    }
    document.addEventListener('visibilitychange', () => {
      if (document.visibilityState === 'visible') ask();
    });
    return {
      hold() {
        wanted = true;
        ask();
      },
      drop() {
        wanted = false;
        const lock = held;
        held = null;
        if (lock && !lock.released) lock.release().catch(() => {});
      },
    };
  })();

  // ---- Full screen, sound, start ----

  // Where the browser has no Fullscreen API, or refuses it, the page already
  // fills the view and the show starts all the same.
  function enterFullScreen() {
    const element = document.documentElement;
    const allowed = !navigator.userActivation || navigator.userActivation.isActive;
    const enter = element.requestFullscreen || element.webkitRequestFullscreen;
    if (!allowed || !enter || document.fullscreenElement || document.webkitFullscreenElement) return;
    try {
      const asked = enter.call(element, {navigationUI: 'hide'});
      if (asked && asked.catch) asked.catch(() => {});
    } catch (e) {
      // refused: the page stays as it is
    }
  }

  function leaveFullScreen() {
    const leave = document.exitFullscreen || document.webkitExitFullscreen;
    if (!leave || !(document.fullscreenElement || document.webkitFullscreenElement)) return;
    try {
      const left = leave.call(document);
      if (left && left.catch) left.catch(() => {});
    } catch (e) {
      // already left
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
    if (state === 'failed') return ready.then(() => false);
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
      if (state !== 'failed') setState('start');
      throw error;
    });
  }

  // A click, or a tap (which browsers pass on as a click), on the start or
  // end screen; not before the page is ready.
  for (const panel of document.querySelectorAll('#start, #end')) {
    panel.addEventListener('click', event => {
      if (event.button === 0 && !body.classList.contains('loading')) start().catch(() => {});
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
    get progress() { return {received: progress.received, total: progress.total}; },
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
