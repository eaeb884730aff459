// page_test.js — the web build's page in headless Chromium, driven with real key events
// (run by scripts/test-web.sh, which passes the paths below):
//
//   node page_test.js [CASE...]      (all cases when none is named)
//
// SKARVO_WEB_DIR (the built page), SKARVO_SIM and SKARVO_MXM (the Linux tools, the
// references), SKARVO_PCM_MATCH (tests/tools/pcm_match, built for Linux), SKARVO_REPLAYS,
// SKARVO_ARTIFACTS. Every process started here (the servers, Chromium, PulseAudio,
// parec) is ended by its process id, also when a case fails.
'use strict';

const {spawn, execFileSync} = require('child_process');
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const puppeteer = require('puppeteer-core');

const env = (name) => process.env[name] || (() => { throw new Error(`${name} is not set`); })();
const WEB_DIR = env('SKARVO_WEB_DIR'), ARTIFACTS = env('SKARVO_ARTIFACTS'), REPLAYS = env('SKARVO_REPLAYS');
const RATE = 44100, RING_FRAMES = 16384;
const KEYS = {LEFT: 'ArrowLeft', RIGHT: 'ArrowRight', UP: 'ArrowUp', DOWN: 'ArrowDown', SPACE: 'Space', ESCAPE: 'Escape'};
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
// Until the page's worklet has played the ring's first pass and then `seconds` of the song.
const playSong = (page, seconds) => page.waitForFunction(
  (frames) => Module.skarvoAudio.stats && Module.skarvoAudio.stats.played >= frames, {timeout: 30000},
  RING_FRAMES + seconds * RATE);

// [SECTION] processes: every one started here, ended by pid at the end, whatever happens

const started = new Set();
function start(command, args, options = {}) {
  const child = spawn(command, args, {stdio: ['ignore', 'pipe', 'pipe'], ...options});
  started.add(child);
  child.on('exit', () => started.delete(child));
  return child;
}
// Resolves once the process has ended.
function stop(child) {
  if (!child || child.exitCode !== null || child.signalCode !== null) return Promise.resolve();
  const ended = new Promise((resolve) => child.once('exit', resolve));
  process.kill(child.pid, 'SIGTERM');
  return ended;
}
process.on('exit', () => { for (const child of started) stop(child); });

// A server of the page: the isolated one runs the threaded build, the plain one the other.
async function serve(plain) {
  const child = start(process.execPath, [path.join(__dirname, '../../scripts/serve-web.js'), '--port', '0',
    ...(plain ? ['--plain'] : []), WEB_DIR]);
  const line = await new Promise((resolve, reject) => {
    child.stdout.once('data', (d) => resolve(String(d)));
    child.once('exit', (code) => reject(new Error(`serve-web.js exited with ${code}`)));
  });
  return {child, url: line.split(/\s/)[0]};
}

async function browse(options = {}) {
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium', headless: true,
    args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', ...(options.args || [])],
    ignoreDefaultArgs: options.sound ? ['--mute-audio'] : [],
    env: {...process.env, ...(options.env || {})},
  });
  started.add(browser.process());
  return browser;
}

async function open(browser, url, log) {
  const page = await browser.newPage();
  const lines = [];
  page.on('console', (m) => lines.push(`${m.type()}: ${m.text()}`));
  page.on('pageerror', (e) => lines.push(`pageerror: ${e.message}`));
  page.on('close', () => fs.writeFileSync(path.join(ARTIFACTS, `${log}.console.txt`), lines.join('\n') + '\n'));
  await page.goto(url);
  await page.waitForFunction(() => ['running', 'ended'].includes(document.body.dataset.state), {timeout: 30000});
  return page;
}

// [SECTION] the game's state, pictures and sound, as the page and the Linux tools give them

function parseReplay(text) {
  const script = {startMs: 0, frames: []};
  for (const line of text.split('\n').map((l) => l.trim())) {
    if (!line || line.startsWith('#')) continue;
    const [now, what, key] = line.split(/\s+/);
    if (now === 'start') script.startMs = Number(what);
    else script.frames.push({now: Number(now), event: what ? {down: what === 'down', key: KEYS[key]} : null});
  }
  return script;
}

// Steps the game in the test mode through `script`, each key through the browser.
// Returns one JSON line per frame as skarvo-sim prints them; `onFrame` sees each.
async function replay(page, script, onFrame = async () => {}) {
  const out = [];
  await page.evaluate((ms) => Module._web_test_start(ms), script.startMs);
  for (let i = 0; i < script.frames.length; i++) {
    const {now, event} = script.frames[i];
    if (event) {
      await (event.down ? page.keyboard.down(event.key) : page.keyboard.up(event.key));
      await page.waitForFunction(() => Module._web_test_queued_events() > 0, {timeout: 5000});
    }
    const line = await page.evaluate((frame, ms, events) => {
      // Exactly the script's event, nothing of the browser's own (a focus change).
      const queued = Module._web_test_queued_events();
      if (queued !== events) return `${queued} events queued for frame ${frame}`;
      try {
        Module._web_test_step(ms);
      } catch (e) {
        if (e.name !== 'ExitStatus') throw e;
        return `{"frame": ${frame}, "exit": ${e.status}}`;
      }
      return Module.UTF8ToString(Module._web_test_frame_json(frame));
    }, i, now, event ? 1 : 0);
    out.push(line);
    await onFrame(i, line);
    if (line.includes('"exit"')) break;
  }
  return out;
}

// 8-bit RGB or RGBA, not interlaced: what Chromium and libpng's simplified writer make.
function decodePng(bytes) {
  let width = 0, height = 0, channels = 0;
  const idat = [];
  for (let pos = 8; pos < bytes.length;) {
    const length = bytes.readUInt32BE(pos), type = bytes.toString('ascii', pos + 4, pos + 8);
    const data = bytes.subarray(pos + 8, pos + 8 + length);
    if (type === 'IHDR') {
      [width, height, channels] = [data.readUInt32BE(0), data.readUInt32BE(4), {2: 3, 6: 4}[data[9]]];
      if (data[8] !== 8 || !channels || data[12] !== 0) throw new Error('unsupported PNG');
    } else if (type === 'IDAT') {
      idat.push(data);
    }
    pos += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(idat)), stride = width * channels;
  const rgba = Buffer.alloc(width * height * 4, 255);
  let previous = Buffer.alloc(stride);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)], line = Buffer.from(raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1)));
    for (let x = 0; x < stride; x++) {
      const a = x >= channels ? line[x - channels] : 0, b = previous[x], c = x >= channels ? previous[x - channels] : 0;
      const pa = Math.abs(b - c), pb = Math.abs(a - c), pc = Math.abs(a + b - 2 * c);
      const predictor = [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c][filter];
      line[x] = (line[x] + predictor) & 255;
    }
    for (let x = 0; x < width; x++) line.copy(rgba, (y * width + x) * 4, x * channels, x * channels + Math.min(channels, 4));
    previous = line;
  }
  return {width, height, rgba};
}

// How far two pictures of the same frame differ in a region: the mean channel
// difference, and the share of pixels with a channel more than 40 apart.
function compareRegion(a, b, [x0, y0, x1, y1]) {
  let sum = 0, apart = 0;
  for (let y = y0; y < y1; y++)
    for (let x = x0; x < x1; x++) {
      let most = 0;
      for (let c = 0, i = (y * a.width + x) * 4; c < 3; c++, i++) {
        const d = Math.abs(a.rgba[i] - b.rgba[i]);
        sum += d;
        most = Math.max(most, d);
      }
      if (most > 40) apart++;
    }
  const pixels = (x1 - x0) * (y1 - y0);
  return {mean: sum / (3 * pixels), apart: apart / pixels};
}

async function canvasPicture(page) {
  const url = await page.evaluate(() => document.getElementById('canvas').toDataURL('image/png'));
  return Buffer.from(url.slice(url.indexOf(',') + 1), 'base64');
}

// The song as mxm renders it on Linux: raw s16le frames.
function render(seconds) {
  const file = path.join(ARTIFACTS, `render-${seconds}s.raw`);
  if (!fs.existsSync(file)) execFileSync(env('SKARVO_MXM'), ['render', '--embedded', '--raw', '--seconds', String(seconds), '-o', file]);
  return new Int16Array(fs.readFileSync(file).buffer.slice(0));
}

// The page's tap from its first played frame: the ring's first pass is the silence
// written at start-up, then the song. Returns what agreed and what did not; frames
// played late are counted, and apart after the first second.
function checkTap(chunks, name) {
  const pcm = new Int16Array(chunks.reduce((n, c) => n + c.pcm.length, 0));
  const marks = new Uint8Array(pcm.length / 2);
  let at = 0;
  for (const c of chunks) {
    pcm.set(c.pcm, at * 2);
    marks.set(c.marks, at);
    at += c.marks.length;
  }
  const first = marks.indexOf(1);
  const frames = first < 0 ? 0 : marks.length - first;
  const song = render(Math.ceil(frames / RATE) + 1);
  const result = {frames, agreeing: 0, differing: 0, late: 0, lateWhenQuiet: 0, firstDifference: -1};
  for (let i = 0; i < frames; i++) {
    const f = first + i;
    if (!marks[f]) {
      result.late++;
      if (i >= RATE) result.lateWhenQuiet++;
      continue;
    }
    const s = i - RING_FRAMES;
    const same = s < 0 ? pcm[2 * f] === 0 && pcm[2 * f + 1] === 0
                       : pcm[2 * f] === song[2 * s] && pcm[2 * f + 1] === song[2 * s + 1];
    if (same) result.agreeing++;
    else if (result.differing++ === 0) result.firstDifference = i;
  }
  fs.writeFileSync(path.join(ARTIFACTS, `tap-${name}.raw`), Buffer.from(pcm.buffer));
  return result;
}

// [SECTION] cases

const cases = [];
const test = (name, run) => cases.push({name, run});
const failures = [];
function expect(ok, message) {
  if (!ok) failures.push(message);
  return ok;
}

let servers, browser;

// The page's picture of a frame beside the Linux picture of the same frame (drawn by
// the SDL backend's code), region by region: [name, box, most pixels apart, largest mean].
// Measured: 0.1 % and 0.25 in the strips, 3 % and 2.8 at the figure, 0.5 % and 0.8 in all.
const REGIONS = [
  ['sky', [0, 0, 640, 100], 0.005, 1.5], ['ground', [0, 412, 640, 480], 0.005, 1.5],
  ['figure and shots', [360, 300, 640, 400], 0.06, 6], ['whole', [0, 0, 640, 480], 0.015, 2]];
function comparePictures(webPng, linuxPng) {
  fs.writeFileSync(path.join(ARTIFACTS, 'picture-web.png'), webPng);
  const web = decodePng(webPng), linux = decodePng(linuxPng);
  if (!expect(web.width === 640 && web.height === 480, `the canvas is ${web.width} × ${web.height}`)) return;
  const summary = REGIONS.map(([name, box, maxApart, maxMean]) => {
    const r = compareRegion(web, linux, box);
    const line = `${name}: mean channel difference ${r.mean.toFixed(2)}, ${(r.apart * 100).toFixed(2)} % of pixels apart`;
    expect(r.apart <= maxApart && r.mean <= maxMean, `picture, ${line}`);
    return line;
  });
  fs.writeFileSync(path.join(ARTIFACTS, 'picture-summary.txt'), summary.join('\n') + '\n');
  console.log(`  ${summary.join('; ')}`);
}

// Every checked-in replay made only of keys (a page has no close event of its own):
// the page's frames are skarvo-sim's, byte for byte; one frame's picture is the Linux one.
for (const [name, pictureFrame] of [['throw_and_hit', 9], ['clock_wrap'], ['long_game']]) {
  test(`replay ${name}`, async () => {
    const file = path.join(REPLAYS, `${name}.txt`), linuxFrames = path.join(ARTIFACTS, 'linux-frames');
    const expected = execFileSync(env('SKARVO_SIM'), [file], {maxBuffer: 1 << 30}).toString().trimEnd().split('\n');
    const page = await open(browser, `${servers.plain.url}?test`, `replay-${name}`);
    let picture;
    const got = await replay(page, parseReplay(fs.readFileSync(file, 'utf8')), async (i) => {
      if (i === pictureFrame) picture = await canvasPicture(page);
    });
    await page.close();
    fs.writeFileSync(path.join(ARTIFACTS, `replay-${name}.jsonl`), got.join('\n') + '\n');
    const diff = got.findIndex((line, i) => line !== expected[i]);
    expect(diff < 0 && got.length === expected.length,
           `${name}: frame ${diff < 0 ? got.length : diff} differs from skarvo-sim (of ${expected.length} lines)`);
    if (pictureFrame === undefined) return;
    execFileSync(env('SKARVO_SIM'), ['--png-every', '1', linuxFrames, file], {stdio: 'ignore'});
    comparePictures(picture, fs.readFileSync(path.join(linuxFrames, `frame-${String(pictureFrame).padStart(6, '0')}.png`)));
  });
}

// Played as a user plays it: Right walks, Space throws, Escape ends the game, the
// frames and the sound stop and the page says so.
test('play', async () => {
  const page = await open(browser, servers.isolated.url, 'play');
  const state = async () => JSON.parse(await page.evaluate(() => Module.UTF8ToString(Module._web_test_frame_json(0))));
  console.log(`  load to first frame: ${(await page.evaluate(() => Module.skarvoFirstFrameMs)).toFixed(0)} ms`);
  await page.evaluate(() => {
    window.seen = [];
    addEventListener('keydown', (e) => window.seen.push(`${e.code} ${e.defaultPrevented}`));
  });
  const before = await state();
  await page.keyboard.down('ArrowRight');
  await sleep(600);
  const walking = await state();
  await page.evaluate(() => window.dispatchEvent(new FocusEvent('blur')));
  await sleep(100);
  const walked = await state();
  await page.keyboard.up('ArrowRight');
  expect(walking.dirX === 1 && walking.player.posX > before.player.posX + 50,
         `Right walked from x ${before.player.posX} to ${walking.player.posX}`);
  expect(walked.dirX === 0, 'losing the focus did not let go of Right');
  await page.keyboard.press('Space');
  await page.keyboard.press('KeyA');
  await sleep(200);
  const threw = await state();
  expect(threw.shotCounter === walked.shotCounter + 1, `Space: shot counter ${walked.shotCounter} → ${threw.shotCounter}`);
  const seen = (await page.evaluate(() => window.seen)).join(', ');
  expect(/^ArrowRight true(, ArrowRight true)*, Space true, KeyA false$/.test(seen),
         `the browser's own actions of the game's keys (and only theirs) are prevented: ${seen}`);
  await page.screenshot({path: path.join(ARTIFACTS, 'play.png')});
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => document.body.dataset.state === 'ended', {timeout: 5000});
  const ended = await page.evaluate(() => ({
    text: document.getElementById('message').textContent, code: document.body.dataset.exitCode,
    audio: Module.skarvoAudio.ctx.state, picture: document.getElementById('canvas').toDataURL()}));
  expect(/The game has ended/.test(ended.text) && /Play again/.test(ended.text), `after Escape the page says "${ended.text}"`);
  expect(ended.code === '0', `exit code ${ended.code}`);
  expect(ended.audio === 'closed', `the sound is ${ended.audio} after Escape`);
  await sleep(300);
  expect(await page.evaluate(() => document.getElementById('canvas').toDataURL()) === ended.picture,
         'frames go on after Escape');
  await page.screenshot({path: path.join(ARTIFACTS, 'ended.png')});
  await page.close();
});

// What the page played, taken at the end of its audio graph, against the offline render:
// with the streaming thread (isolated page) and with the main-thread pump (plain host).
for (const [mode, server] of [['the streaming thread', 'isolated'], ['the main-thread pump (plain host)', 'plain']]) {
  test(`sound through ${mode}`, async () => {
    const page = await open(browser, `${servers[server].url}?tap`, `sound-${server}`);
    const threads = await page.evaluate(() => Module.skarvoThreads);
    expect(threads === (server === 'isolated'), `threads ${threads} on the ${server} server`);
    await page.keyboard.press('ArrowUp');  // the first key starts the sound
    await playSong(page, 4);
    const stats = await page.evaluate(() => Module.skarvoAudio.stats);
    // As base64: the page's main thread (the pump's) is held up no longer than it must.
    const tap = await page.evaluate(() => {
      const base64 = (bytes) => {
        let s = '';
        for (let i = 0; i < bytes.length; i += 0x8000) s += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
        return btoa(s);
      };
      return window.skarvoTap.map((c) => ({pcm: base64(new Uint8Array(c.pcm.buffer)), marks: base64(c.marks)}));
    });
    await page.close();
    const r = checkTap(tap.map((c) => ({
      pcm: new Int16Array(Uint8Array.from(Buffer.from(c.pcm, 'base64')).buffer), marks: Buffer.from(c.marks, 'base64')})), server);
    console.log(`  ${r.frames} frames played: ${r.agreeing} as rendered, ${r.differing} not, ${r.late} late ` +
                `(${r.lateWhenQuiet} after the first second); the worklet counted ${stats.late} late`);
    expect(r.differing === 0, `${mode}: ${r.differing} frames differ from the render, the first at ${r.firstDifference}`);
    expect(r.agreeing >= 3 * RATE, `${mode}: only ${r.agreeing} frames agree`);
    expect(r.lateWhenQuiet === 0, `${mode}: ${r.lateWhenQuiet} frames late after the first second`);
  });
}

// Through the browser's real output into a PulseAudio null sink: every sounding frame
// recorded is found, in order, in the render.
test('sound through PulseAudio', async () => {
  const dir = fs.mkdtempSync('/tmp/skarvo-pulse.');
  const recording = path.join(ARTIFACTS, 'pulse-recording.raw');
  let pulse, parec, pulseBrowser;
  try {
    pulse = start('pulseaudio', ['-n', '--daemonize=no', '--exit-idle-time=-1', '--disable-shm=yes',
      '-L', `module-native-protocol-unix socket=${dir}/native auth-anonymous=1`,
      '-L', 'module-null-sink sink_name=skarvo format=s16le rate=44100 channels=2'], {env: {...process.env, HOME: dir}});
    const server = `unix:${dir}/native`;
    for (let i = 0; i < 100 && !fs.existsSync(`${dir}/native`); i++) await sleep(100);
    parec = start('parec', ['-d', 'skarvo.monitor', '--format=s16le', '--rate=44100', '--channels=2', '--raw'],
                  {env: {...process.env, PULSE_SERVER: server}});
    const out = fs.createWriteStream(recording);
    parec.stdout.pipe(out);
    pulseBrowser = await browse({sound: true, env: {PULSE_SERVER: server}});
    const page = await open(pulseBrowser, servers.isolated.url, 'pulse');
    await page.keyboard.press('ArrowUp');
    await playSong(page, 4.5);
    await sleep(300);  // what is on its way to the sound server
    await page.close();
    await pulseBrowser.close();
    const written = new Promise((resolve) => out.on('close', resolve));
    await stop(parec);
    await written;
  } finally {
    if (pulseBrowser) await stop(pulseBrowser.process());
    await stop(parec);
    await stop(pulse);
    fs.rmSync(dir, {recursive: true, force: true});
  }
  render(12);
  let report = '', ok = true;
  try {
    report = execFileSync(env('SKARVO_PCM_MATCH'), [path.join(ARTIFACTS, 'render-12s.raw'), recording, '--min-seconds', '3',
      '--report', path.join(ARTIFACTS, 'pulse-match.txt')]).toString();
  } catch (e) {
    report = String(e.stdout);
    ok = false;
  }
  console.log(`  ${report.split('\n').slice(0, 3).join('\n  ')}`);
  expect(ok, 'the PulseAudio recording is not the render (see pulse-match.txt)');
});

// A browser without WebGL is told so on the page.
test('no WebGL', async () => {
  const bare = await browse({args: ['--disable-webgl', '--disable-3d-apis']});
  try {
    const page = await open(bare, servers.plain.url, 'no-webgl');
    const text = await page.evaluate(() => document.getElementById('message').textContent);
    expect(/could not start: .*WebGL/.test(text), `without WebGL the page says "${text}"`);
    await page.screenshot({path: path.join(ARTIFACTS, 'no-webgl.png')});
  } finally {
    await bare.close();
  }
});

// [SECTION] run

(async () => {
  const only = process.argv.slice(2);
  let failed = 0;
  try {
    servers = {isolated: await serve(false), plain: await serve(true)};
    browser = await browse();
    for (const c of cases.filter((c) => !only.length || only.some((o) => c.name.startsWith(o)))) {
      const began = Date.now(), before = failures.length;
      try {
        await c.run();
      } catch (e) {
        failures.push(`${c.name}: ${e.stack || e}`);
      }
      const seconds = ((Date.now() - began) / 1000).toFixed(1);
      if (failures.length === before) {
        console.log(`passed: ${c.name} (${seconds} s)`);
      } else {
        failed++;
        console.log(`FAILED: ${c.name} (${seconds} s)\n  ${failures.slice(before).join('\n  ')}`);
      }
    }
  } finally {
    if (browser) await browser.close().catch(() => {});
    await Promise.all([...started].map(stop));
  }
  process.exit(failed ? 1 : 0);
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
