// The page against the Linux build: the uncapped replay's frame time next to the Linux harness's
// on the same frames (pairs of runs, alternating; medians), the processor time the browser's
// processes spend on those frames (Chromium's GPU process draws WebGL 2 with the renderer that
// tests/web/browser.js picks: Mesa's llvmpipe unless QV_WEB_GL says otherwise; Firefox's
// parent process draws it, with llvmpipe), and
// the time from navigation to the first presented frame (the program's first
// requestAnimationFrame), cold
// (a fresh browser) and warm (the same browser again). Prints; asserts nothing.
//   NODE_PATH=build-web/node/node_modules node bench/web_measures.js BASE_URL REPLAY [PAIRS]
// (QV_WEB_BROWSER=firefox, with DISPLAY an X display, measures Firefox)
// from the repository root, with build-web/ served at BASE_URL and the cross key scripts in
// its tests/cross/ (scripts/build-web --test puts them there).
'use strict';
const { execSync, spawnSync } = require('child_process');
const fs = require('fs');
const engine = require('../tests/web/browser');

const [base, replayExe, pairsArg] = process.argv.slice(2);
const pairs = Number(pairsArg || 5);
const frames = ['--frames', '300', '--keys', 'tests/data/cross/drive-fire.keys', '--frame-time', '0.02', '--uncapped'];
const replayUrl = `${base}quorvel.html?replay=tests/cross/drive-fire.keys&frames=300&frame-time=0.02&uncapped=1`;
const median = (a) => {
  const b = [...a].sort((x, y) => x - y);
  return b.length % 2 ? b[(b.length - 1) / 2] : (b[b.length / 2 - 1] + b[b.length / 2]) / 2;
};

// The page's own figure, its console otherwise silenced (the trace lines cost the page nothing
// much, but the test driver's copy of them would).
async function pageRun(page) {
  await page.goto(replayUrl);
  await page.waitForFunction(() => window.qvDone !== null, { timeout: 120000, polling: 100 });
  return Number(/, ([\d.]+) ms per frame/.exec(await page.evaluate(() => window.qvDone))[1]);
}

function linuxRun() {
  const r = spawnSync(replayExe, [...frames, '--trace', '/dev/null'],
    { env: { ...process.env, SDL_VIDEODRIVER: 'offscreen', QV_HEADLESS: '1' } });
  return Number(/([\d.]+) ms per frame/.exec(r.stdout.toString())[1]);
}

// Processor seconds of each kind of browser process (Chromium's renderer, gpu-process, ...;
// Firefox's parent, tab, rdd, ...).
function processorTime(browser) {
  const root = browser.process().pid;
  const pids = execSync(`pgrep -P ${root}; for p in $(pgrep -P ${root}); do pgrep -P $p; done; true`)
    .toString().split('\n').filter(Boolean);
  if (engine.firefox) pids.push(String(root));
  const byKind = {};
  for (const pid of pids) {
    try {
      const cmdline = fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8').replace(/\0/g, ' ');
      const kind = engine.firefox ? (/-contentproc .* (\S+) *$/.exec(cmdline) || [0, 'parent'])[1]
        : (/--type=(\S+)/.exec(cmdline) || [0, 'other'])[1];
      const stat = fs.readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ');
      byKind[kind] = (byKind[kind] || 0) + (Number(stat[11]) + Number(stat[12])) / 100;
    } catch { /* gone */ }
  }
  return byKind;
}

async function firstFrame(browser) {
  const page = await browser.newPage();
  await page.evaluateOnNewDocument(() => {
    const raf = window.requestAnimationFrame.bind(window);
    window.requestAnimationFrame = (f) => {
      if (window.qvFirst === undefined) window.qvFirst = performance.now();
      return raf(f);
    };
  });
  await page.goto(`${base}quorvel.html`);
  await page.waitForFunction(() => window.qvFirst !== undefined, { timeout: 60000 });
  return page.evaluate(() => window.qvFirst);
}

async function main() {
  const browser = await engine.launch();
  const page = await browser.newPage();
  await page.evaluateOnNewDocument(() => {
    const log = console.log.bind(console);
    window.qvDone = null;
    console.log = (text) => { if (String(text).startsWith('replay done')) { window.qvDone = String(text); log(text); } };
    console.warn = () => {};
  });
  const web = [];
  const linux = [];
  for (let i = 0; i < pairs; i++) {
    if (i % 2) { linux.push(linuxRun()); web.push(await pageRun(page)); }
    else { web.push(await pageRun(page)); linux.push(linuxRun()); }
  }
  console.log(`${engine.engine}, ${await engine.renderer(browser)}`);
  console.log(`ms per frame, page ${web.join(' ')}, median ${median(web)}; Linux ${linux.join(' ')}, median ${median(linux)}; ` +
    `ratio ${(median(web) / median(linux)).toFixed(2)}`);
  const before = processorTime(browser);
  const ms = await pageRun(page);
  const after = processorTime(browser);
  const spent = Object.keys(after).map((k) => `${k} ${((after[k] - (before[k] || 0)) / 0.3).toFixed(1)}`);
  console.log(`one more page run (${ms} ms per frame): processor ms per frame by process, ${spent.join(', ')}`);
  await browser.close();

  const cold = [];
  const warm = [];
  for (let i = 0; i < 3; i++) {
    const fresh = await engine.launch();
    cold.push(Math.round(await firstFrame(fresh)));
    warm.push(Math.round(await firstFrame(fresh)));
    await fresh.close();
  }
  console.log(`navigation to the first presented frame, ms: cold ${cold.join(' ')} (median ${median(cold)}), ` +
    `warm ${warm.join(' ')} (median ${median(warm)})`);
  for (const f of ['quorvel.wasm', 'quorvel.js', 'quorvel.data', 'quorvel.html']) {
    const bytes = fs.readFileSync(`build-web/${f}`);
    console.log(`${f}: ${bytes.length} bytes, ${require('zlib').gzipSync(bytes, { level: 9 }).length} with gzip -9`);
  }
}

main().catch((e) => { console.log(e.stack || e); process.exit(1); });
