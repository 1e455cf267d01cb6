// A small W3C WebDriver client over node's fetch: a session, navigation,
// asynchronous scripts, key actions and screenshots; and WebKitGTK's driver
// (WebKitWebDriver) started on a free port of its own.
'use strict';

const {spawn} = require('child_process');
const net = require('net');

const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));

// One HTTP command; the response's value, or an Error carrying the
// driver's error code and message.
async function command(base, method, path, body) {
  const response = await fetch(base + path, {
    method,
    headers: body === undefined ? {} : {'Content-Type': 'application/json; charset=utf-8'},
    body: body === undefined ? undefined : JSON.stringify(body),
  });
  const text = await response.text();
  let answer;
  try {
    answer = JSON.parse(text);
  } catch (e) {
    throw new Error(`${method} ${path}: HTTP ${response.status}, not JSON: ${text.slice(0, 200)}`);
  }
  const value = answer && answer.value;
  if (!response.ok || (value && value.error)) {
    const error = new Error(`${method} ${path}: ${value && value.error ? value.error + ': ' + value.message :
      'HTTP ' + response.status}`);
    error.code = value && value.error;
    throw error;
  }
  return value;
}

// Runs fn(...args) in the page and settles with ['value', result]; a thrown
// or rejected error comes back as ['thrown', text], so that it reaches the
// caller as one. (Not an object with an "error" key: that would read as the
// driver's own error.)
function asyncWrapper(fn) {
  return `const done = arguments[arguments.length - 1];
const args = Array.prototype.slice.call(arguments, 0, -1);
Promise.resolve().then(() => (${fn}).apply(null, args)).then(
  value => done(['value', value === undefined ? null : value]),
  error => done(['thrown', String(error && error.name) + ': ' + String(error && error.message)]));`;
}

class WebDriverSession {
  constructor(base, id, capabilities) {
    this.base = base;
    this.id = id;
    this.capabilities = capabilities || {};
  }

  static async open(base, alwaysMatch) {
    const value = await command(base, 'POST', '/session', {capabilities: {alwaysMatch}});
    if (!value || typeof value.sessionId !== 'string') throw new Error('POST /session gave no session id');
    return new WebDriverSession(base, value.sessionId, value.capabilities);
  }

  command(method, path, body) {
    return command(this.base, method, `/session/${this.id}${path}`, body);
  }

  setTimeouts(timeouts) {
    return this.command('POST', '/timeouts', timeouts);
  }

  navigate(url) {
    return this.command('POST', '/url', {url});
  }

  async run(fn, ...args) {
    const result = await this.command('POST', '/execute/async', {script: asyncWrapper(fn), args});
    if (!Array.isArray(result) || result.length !== 2 || (result[0] !== 'value' && result[0] !== 'thrown')) {
      throw new Error('the page script gave ' + JSON.stringify(result).slice(0, 200));
    }
    if (result[0] === 'thrown') throw new Error('in the page: ' + result[1]);
    return result[1];
  }

  // A key pressed and released: a real key event in the page.
  pressKey(key) {
    return this.command('POST', '/actions', {actions: [{type: 'key', id: 'keyboard',
      actions: [{type: 'keyDown', value: key}, {type: 'keyUp', value: key}]}]});
  }

  async screenshot() {
    return Buffer.from(await this.command('GET', '/screenshot'), 'base64');
  }

  async close() {
    await command(this.base, 'DELETE', `/session/${this.id}`);
  }
}

// A port that was free a moment ago (the driver may still lose it to
// another process: startDriver tries again then).
function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.on('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const {port} = server.address();
      server.close(() => resolve(port));
    });
  });
}

// Starts `program --port=P` on a free port and waits until its /status says
// it is ready. Resolves with {child, base}; a driver that ends before that
// (its port taken meanwhile) is started again on another port.
async function startDriver(program, env, attempts = 5) {
  let last = null;
  for (let attempt = 0; attempt < attempts; ++attempt) {
    const port = await freePort();
    const child = spawn(program, [`--port=${port}`], {env, stdio: ['ignore', 'ignore', 'pipe']});
    let errorText = '';
    child.stderr.on('data', chunk => { errorText += chunk; });
    let ended = false;
    child.on('exit', () => { ended = true; });
    child.on('error', error => { ended = true; errorText += String(error); });
    const base = `http://127.0.0.1:${port}`;
    const until = Date.now() + 30000;
    while (!ended && Date.now() < until) {
      try {
        const status = await command(base, 'GET', '/status');
        if (status && status.ready !== false) return {child, base};
      } catch (e) {
        // not listening yet
      }
      await sleep(100);
    }
    if (!ended) child.kill();
    last = `${program} on port ${port} did not come up${errorText ? ': ' + errorText.trim().slice(0, 300) : ''}`;
  }
  throw new Error(last);
}

module.exports = {WebDriverSession, startDriver, freePort, command, asyncWrapper};
