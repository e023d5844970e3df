// The page's frame time at each render scale: the uncapped replay of bench/web_measures.js on a
// phone held sideways (844 x 390 CSS pixels at devicePixelRatio 3, so a drawing buffer of
// 1560 x 1170) at render-scale 1, 2 and auto (the buffer's size), each without and with
// msaa=4; one warm browser, the settings in turn, every round in the other order; medians.
// Prints; asserts nothing.
//   NODE_PATH=build-web/node/node_modules node bench/web_scale_measures.js BASE_URL [ROUNDS]
// from the repository root, with build-web/ served at BASE_URL and the cross key scripts in
// its tests/cross/.
'use strict';
const fs = require('fs');
const path = require('path');
// The browser tests' launcher (browser.js, once it drives Firefox as well).
const web = path.join(__dirname, '..', 'tests', 'web');
const chromium = require(fs.existsSync(path.join(web, 'browser.js')) ? path.join(web, 'browser') : path.join(web, 'headless_chromium'));

const [base, roundsArg] = process.argv.slice(2);
const rounds = Number(roundsArg || 5);
const replay = `${base}quorvel.html?replay=tests/cross/drive-fire.keys&frames=300&frame-time=0.02&uncapped=1`;
const settings = ['render-scale=1', 'render-scale=2', 'render-scale=auto'].flatMap((s) => [s, `${s}&msaa=4`]);
const median = (a) => {
  const b = [...a].sort((x, y) => x - y);
  return b.length % 2 ? b[(b.length - 1) / 2] : (b[b.length / 2 - 1] + b[b.length / 2]) / 2;
};

async function pageRun(page, setting) {
  await page.goto(`${replay}&${setting}`);
  await page.waitForFunction(() => window.qvDone !== null, { timeout: 300000, polling: 100 });
  return Number(/, ([\d.]+) ms per frame/.exec(await page.evaluate(() => window.qvDone))[1]);
}

async function main() {
  const browser = await chromium.launch();
  const page = await browser.newPage();
  await page.setViewport({ width: 844, height: 390, deviceScaleFactor: 3, isMobile: true, hasTouch: true });
  await page.evaluateOnNewDocument(() => {
    const log = console.log.bind(console);
    window.qvDone = null;
    console.log = (text) => { if (String(text).startsWith('replay done')) { window.qvDone = String(text); log(text); } };
    console.warn = () => {};
  });
  await pageRun(page, settings[0]);  // warm: the browser's caches, the GPU process's programs
  const times = Object.fromEntries(settings.map((s) => [s, []]));
  for (let i = 0; i < rounds; i++) {
    for (const s of i % 2 ? [...settings].reverse() : settings) times[s].push(await pageRun(page, s));
  }
  await browser.close();
  for (const s of settings) console.log(`${s}: ms per frame ${times[s].join(' ')}, median ${median(times[s])}`);
}

main().catch((e) => { console.log(e.stack || e); process.exit(1); });
