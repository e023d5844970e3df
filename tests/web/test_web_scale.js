// The page's render scale in a real browser, held to the Linux harness: a replay at
// ?render-scale=2 (and with ?msaa=4) gives the harness's trace and its 1280 x 960 picture; at a
// devicePixelRatio of 3 the page in auto draws at the canvas's device pixels, so what the
// browser shows is the harness's picture at scale 3, not 640 x 480 stretched, and the game in
// its default mode has the sharp edges of a picture drawn at that size; a render scale or sample
// count the page does not take ends it with a message naming the parameter.
// node test_web_scale.js BASE_URL REPLAY   (BASE_URL: build-web/ as served, with the key scripts
// in tests/cross/; REPLAY: the Linux quorvel-replay, run from the repository root)
'use strict';
const { spawnSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const chromium = require('./browser');

const [base, replayExe] = process.argv.slice(2);
let failures = 0;
function check(ok, what) {
  if (!ok) { failures++; console.log(`FAIL ${what}`); }
  return ok;
}

const kScript = 'drive-fire';
// Forty frames: the game test holds whole traces; here what matters is the pictures' size and sharpness.
const kFrames = 40;
const kReplay = `replay=tests/cross/${kScript}.keys&frames=${kFrames}&frame-time=0.02&uncapped=1&shot=${kFrames}`;

// The Linux harness's trace and its shot of the last frame (a data URL).
function linuxRun(extra) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'qv-web-scale-'));
  const shot = path.join(dir, 'shot.png');
  const run = spawnSync(path.resolve(replayExe), ['--frames', String(kFrames), '--keys', `tests/data/cross/${kScript}.keys`,
    '--frame-time', '0.02', '--uncapped', ...extra, '--trace', '-', '--shot', `${kFrames}:${shot}`], {
    env: { ...process.env, SDL_VIDEODRIVER: 'offscreen', QV_HEADLESS: '1' }, maxBuffer: 1 << 28,
  });
  check(run.status === 0, `Linux harness ${extra.join(' ')}: exit ${run.status} ${run.stderr}`);
  const picture = run.status === 0 ? 'data:image/png;base64,' + fs.readFileSync(shot).toString('base64') : '';
  fs.rmSync(dir, { recursive: true, force: true });
  return { trace: run.stdout.toString().split('\n').filter((l) => l.startsWith('{')), picture };
}

// Opens the page and gathers its console until a line matches `until`.
async function visit(page, query, until) {
  const lines = [];
  const errors = [];
  const onConsole = (m) => (m.type() === 'error' ? errors : lines).push(m.text());
  const onError = (e) => errors.push(String(e));
  page.on('console', onConsole);
  page.on('pageerror', onError);
  await page.goto(`${base}quorvel.html${query ? '?' + query : ''}`);
  for (const start = Date.now(); !lines.some((l) => until.test(l));) {
    if (!check(Date.now() - start < 90000, `?${query}: timed out; last lines ${JSON.stringify(lines.slice(-3)).slice(0, 300)}`)) break;
    await new Promise((r) => setTimeout(r, 50));
  }
  page.off('console', onConsole);
  page.off('pageerror', onError);
  check(errors.length === 0, `?${query}: console errors ${JSON.stringify(errors)}`);
  return { lines, trace: lines.filter((l) => l.startsWith('{')), shot: (lines.find((l) => /^shot \d+ data:/.test(l)) || '').replace(/^shot \d+ /, '') };
}

// The rule of the other picture tests: within 2 levels on all but 1 pixel in 10,000 drawn by
// llvmpipe, as Linux draws (Chromium through ANGLE, Firefox on desktop OpenGL); another renderer
// splits pixels on edges otherwise (60). Multisampled, Firefox alone is allowed 12: its WebGL
// gives every 16-bit depth renderbuffer 24 bits, and WebGL 2 has no multisampled textures the
// device could keep 16 bits in, so near ties in depth along models' edges settle otherwise there
// (11.0 in 10,000 at msaa=4, by up to 175 levels; Chromium with that renderbuffer made 24-bit
// draws Firefox's picture to the pixel).
let beyondAllowed = 1;
let beyondAllowedMultisampled = 1;
async function matchesPicture(page, picture, linux, width, height, what, multisampled) {
  const r = await chromium.comparePictures(page, picture, linux);
  console.log(`${what}: ${r.width} x ${r.height}, largest channel difference ${r.largest}, ${r.beyond} pixels beyond 2 levels of Linux's`);
  check(r.width === width && r.height === height && r.same, `${what}: ${r.width} x ${r.height}, not ${width} x ${height} as Linux's`);
  const allowed = multisampled ? beyondAllowedMultisampled : beyondAllowed;
  check(r.beyond * 10000 <= r.width * r.height * allowed, `${what}: ${r.beyond} pixels differ from Linux's by more than 2 levels`);
}

// A replay drawn larger: the same trace as the harness's and its picture at that size.
async function scaledReplays(page) {
  for (const [query, extra] of [['render-scale=2', ['--render-scale', '2']],
                                ['render-scale=2&msaa=4', ['--render-scale', '2', '--msaa', '4']]]) {
    const run = await visit(page, `${kReplay}&${query}`, /^replay done /);
    const linux = linuxRun(extra);
    check(run.trace.length > 0 && run.trace.join('\n') === linux.trace.join('\n'),
      `?${query}: the trace differs from Linux's (${run.trace.length} lines, ${linux.trace.length} on Linux)`);
    if (check(run.shot !== '', `?${query}: no shot`)) await matchesPicture(page, run.shot, linux.picture, 1280, 960, `?${query}`, extra.includes('--msaa'));
  }
}

// The canvas as the browser shows it, at device pixels.
async function canvasOnScreen(page) {
  // Only the picture: the page's buttons and notices lie over it.
  await page.evaluate(() => {
    for (const id of ['menu', 'pad', 'notices', 'help']) document.getElementById(id).style.visibility = 'hidden';
  });
  const box = await page.$eval('#canvas', (c) => { const r = c.getBoundingClientRect(); return { x: r.x, y: r.y, width: r.width, height: r.height }; });
  return 'data:image/png;base64,' + await page.screenshot({ clip: box, encoding: 'base64' });
}

// At a devicePixelRatio of 3 the 640 x 480 CSS pixels of the canvas are 1920 x 1440 device
// pixels. In auto the replay draws there: its picture is the harness's at scale 3, and the
// browser shows exactly that picture. The game in its default mode draws there too, also after
// the canvas grows: its edges keep their sharp steps, which the same game drawn at 640 x 480
// and stretched loses.
async function devicePixels(browser) {
  const page = await browser.newPage();
  await page.setViewport({ width: 640, height: 480, deviceScaleFactor: 3 });
  const run = await visit(page, `${kReplay}&render-scale=auto`, /^quorvel ended with /);
  const linux = linuxRun(['--render-scale', '3']);
  check(run.trace.length > 0 && run.trace.join('\n') === linux.trace.join('\n'), 'auto at ratio 3: the trace differs from Linux\'s');
  if (check(run.shot !== '', 'auto at ratio 3: no shot')) {
    await matchesPicture(page, run.shot, linux.picture, 1920, 1440, 'auto at ratio 3, the replay\'s shot');
    await matchesPicture(page, await canvasOnScreen(page), linux.picture, 1920, 1440, 'auto at ratio 3, the canvas on screen');
  }

  // The game starts on a small canvas (600 x 450 device pixels, where auto draws 640 x 480) and
  // is then shown larger, as when a phone turns or the page goes full screen: auto follows the
  // drawing buffer, or the picture would be 640 x 480 stretched three times.
  const steps = {};
  for (const [query, first] of [['', 200], ['render-scale=1', 640]]) {
    await page.setViewport({ width: first, height: first * 3 / 4, deviceScaleFactor: 3 });
    await page.goto(`${base}quorvel.html${query ? '?' + query : ''}`);
    await page.waitForFunction(() => document.getElementById('progress').hidden, { timeout: 60000 });
    await new Promise((r) => setTimeout(r, 1500));
    await page.setViewport({ width: 640, height: 480, deviceScaleFactor: 3 });
    await new Promise((r) => setTimeout(r, 1500));
    const buffer = await page.$eval('#canvas', (c) => `${c.width} x ${c.height}`);
    check(buffer === '1920 x 1440', `?${query}: the drawing buffer is ${buffer} at ratio 3`);
    steps[query || 'auto'] = (await chromium.comparePictures(page, await canvasOnScreen(page), null)).sharpSteps;
  }
  console.log(`the game at ratio 3: ${steps.auto} sharp steps in auto, ${steps['render-scale=1']} at render-scale=1`);
  check(steps.auto > 2 * steps['render-scale=1'] && steps.auto > 1000,
    'the game at ratio 3 in auto is not drawn sharper than at scale 1, stretched');
  await page.close();
}

// A value the page does not take ends it before anything runs, naming the parameter.
async function badValues(page) {
  for (const [query, says] of [['render-scale=5', 'render-scale takes auto, 1, 2, 3 or 4'], ['render-scale=1.5', 'render-scale takes'],
                               ['msaa=3', 'msaa takes 2, 4 or 8'], [`${kReplay}&render-scale=0`, 'render-scale takes']]) {
    const run = await visit(page, query, /^quorvel ended with /);
    check(run.lines.includes('quorvel ended with 2'), `?${query}: the page does not end with exit code 2`);
    const notices = await page.$eval('#notices', (n) => n.textContent);
    check(notices.includes(says), `?${query}: the page's message does not say "${says}": "${notices}"`);
  }
}

async function main() {
  const browser = await chromium.launch();
  try {
    const renderer = await chromium.renderer(browser);
    console.log(`WebGL 2 renderer: ${renderer}`);
    if (!check(renderer !== '', 'the browser offers no WebGL 2')) return;
    beyondAllowed = /llvmpipe/.test(renderer) ? 1 : 60;
    beyondAllowedMultisampled = /llvmpipe/.test(renderer) ? (chromium.firefox ? 12 : 1) : 60;
    const page = await browser.newPage();
    await scaledReplays(page);
    await badValues(page);
    await devicePixels(browser);
  } finally {
    await browser.close();
  }
  console.log(failures ? `test_web_scale: ${failures} failed` : 'test_web_scale: passed');
  process.exit(failures ? 1 : 0);
}

main().catch((e) => { console.log(`FAIL ${e.stack || e}`); process.exit(1); });
