// The page on a phone: Chromium emulating one (390 x 844 CSS pixels at ratio 3, touch) with its
// processor slowed 4 times (Emulation.setCPUThrottlingRate). Prints, asserts nothing:
// - cold start: navigation to the first presented frame (the program's first
//   requestAnimationFrame) in a fresh browser, three times;
// - frame time: the game's timer per frame (the recording's dt=) over a few seconds of play,
//   median and 95th percentile, and the uncapped replay's ms per frame;
// - touch to key table: for each of a series of touches on Fire, the frames from the one the
//   touch came during (the page's events run while a frame waits for its present) to the first
//   whose key table holds Space (1: the very next frame);
// - the download: each file's bytes and with gzip -9.
//   NODE_PATH=build-web/node/node_modules node bench/web_phone_measures.js BASE_URL
// from the repository root, with build-web/ served at BASE_URL and the cross key scripts in its
// tests/cross/ (scripts/build-web --test puts them there).
'use strict';
const fs = require('fs');
const zlib = require('zlib');
const chromium = require('../tests/web/browser');

const base = process.argv[2];
const pause = (ms) => new Promise((r) => setTimeout(r, ms));
const median = (a) => [...a].sort((x, y) => x - y)[Math.floor((a.length - 1) / 2)];
const percentile = (a, p) => [...a].sort((x, y) => x - y)[Math.min(a.length - 1, Math.floor(a.length * p))];

async function phone(browser) {
  const page = await browser.newPage();
  await page.setViewport({ width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true });
  const cdp = await page.target().createCDPSession();
  await cdp.send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });
  await cdp.send('Emulation.setCPUThrottlingRate', { rate: 4 });
  // The frames finished so far (the live trace writes a line at each frame's end) and the time
  // of the program's first requestAnimationFrame.
  await page.evaluateOnNewDocument(() => {
    window.qvFrames = 0;
    const log = console.log.bind(console);
    console.log = (text) => {
      if (String(text).startsWith('{')) window.qvFrames++;
      else log(text);
    };
    // The frame each touch came during: its trace line is written once its present is done, so
    // qvFrames lines (frames 0 to qvFrames - 1) mean frame qvFrames is waiting for its present.
    window.qvTouched = [];
    window.addEventListener('pointerdown', () => window.qvTouched.push(window.qvFrames), true);
    const raf = window.requestAnimationFrame.bind(window);
    window.requestAnimationFrame = (f) => {
      if (window.qvFirst === undefined) window.qvFirst = performance.now();
      return raf(f);
    };
  });
  return { page, cdp };
}

async function coldStart() {
  const browser = await chromium.launch();
  const { page } = await phone(browser);
  await page.goto(`${base}quorvel.html`);
  await page.waitForFunction(() => window.qvFirst !== undefined, { timeout: 120000 });
  const ms = await page.evaluate(() => window.qvFirst);
  await browser.close();
  return Math.round(ms);
}

// A game played by touch: taps on Fire, each a few frames long and apart, then Escape.
async function touchGame() {
  const browser = await chromium.launch();
  const { page, cdp } = await phone(browser);
  await page.goto(`${base}quorvel.html?record=1`);
  await page.waitForFunction(() => window.qvFrames > 20, { timeout: 120000 });
  const touch = (type, touchPoints) => cdp.send('Input.dispatchTouchEvent', { type, touchPoints });
  const centre = (selector) => page.$eval(selector, (e) => {
    const r = e.getBoundingClientRect();
    return { x: r.x + r.width / 2, y: r.y + r.height / 2 };
  });
  const fire = await centre('[data-key="Space"]');
  const escape = await centre('[data-key="Escape"]');
  for (let i = 0; i < 12; i++) {
    await touch('touchStart', [{ ...fire, id: 1 }]);
    await pause(150);
    await touch('touchEnd', []);
    await pause(250 + 37 * i);
  }
  await touch('touchStart', [{ ...escape, id: 2 }]);
  await pause(200);
  await touch('touchEnd', []);
  await page.waitForSelector('#notices a[download]', { timeout: 60000 });
  const before = await page.evaluate(() => window.qvTouched.slice(0, 12));
  const keys = await page.evaluate(async () => (await fetch(document.querySelector('#notices a[download]').href)).text());
  await browser.close();
  const lines = keys.split('\n').map((l) => /^(\d+)(?:-(\d+))?\s+(.*)$/.exec(l)).filter(Boolean);
  const fired = (frame) => lines.some((m) => Number(m[1]) <= frame && frame <= Number(m[2] || m[1]) && /\bSPACE\b/.test(m[3]));
  const delays = before.map((during) => {
    let frame = during + 1;
    while (frame < during + 60 && !fired(frame)) frame++;
    return frame - during;
  });
  const dts = lines.map((m) => Number((/dt=([\d.]+)/.exec(m[3]) || [0, NaN])[1]) * 1000).filter((x) => x > 0).slice(20);
  return { delays, dts };
}

async function uncapped() {
  const browser = await chromium.launch();
  const { page } = await phone(browser);
  const done = new Promise((resolve) => page.on('console', (m) => { if (m.text().startsWith('replay done')) resolve(m.text()); }));
  await page.goto(`${base}quorvel.html?replay=tests/cross/drive-fire.keys&frames=300&frame-time=0.02&uncapped=1`);
  const line = await done;
  await browser.close();
  return line;
}

async function main() {
  const cold = [];
  for (let i = 0; i < 3; i++) cold.push(await coldStart());
  console.log(`phone, processor slowed 4x: navigation to the first presented frame, cold, ms: ${cold.join(' ')} (median ${median(cold)})`);
  const { delays, dts } = await touchGame();
  console.log(`phone, slowed 4x: from the frame a touch on Fire came during to the first holding Space, in frames: ${delays.join(' ')}`);
  console.log(`phone, slowed 4x: the game's frame time, ms: median ${median(dts).toFixed(1)}, 95th percentile ` +
    `${percentile(dts, 0.95).toFixed(1)} (${dts.length} frames)`);
  console.log(`phone, slowed 4x, uncapped: ${await uncapped()}`);
  let total = 0;
  for (const f of ['quorvel.html', 'quorvel.js', 'quorvel.wasm', 'quorvel.data', 'quorvel.webmanifest', 'quorvel-sw.js', 'icons/quorvel-32.png']) {
    const bytes = fs.readFileSync(`build-web/${f}`);
    const packed = zlib.gzipSync(bytes, { level: 9 }).length;
    total += packed;
    console.log(`${f}: ${bytes.length} bytes, ${packed} with gzip -9`);
  }
  console.log(`the page's download: ${total} bytes with gzip -9`);
}

main().catch((e) => { console.log(e.stack || e); process.exit(1); });
