// The page on phones, tablets and desktops: the picture whole and 4:3 in the viewport's safe area
// at every size, nothing to scroll, the drawing buffer at the screen's pixels, touch controls (48
// CSS pixels at least, apart from each other) only with a touch screen, no zoom by a double tap
// or a pinch; on the desktop full screen from its button, the page installable, the server's
// types, and a lost WebGL context holding the game with a message; playing offline after one
// visit, and a new build taking over from the old one's cache; and bad addresses refused with a
// message, nothing fetched from elsewhere.
// node test_web_phone.js BASE_URL   (BASE_URL: build-web/ as scripts/web-server serves it; run
// from the repository root; QV_WEB_BROWSER picks the browser, tests/web/browser.js)
'use strict';
const { spawn, spawnSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const engine = require('./browser');

const base = process.argv[2];
let failures = 0;
function check(ok, what) {
  if (!ok) { failures++; console.log(`FAIL ${what}`); }
  return ok;
}
const pause = (ms) => new Promise((r) => setTimeout(r, ms));

// Opens a ?record=1 game (or `query`) and waits for its first frames' trace lines.
async function startGame(page, url) {
  const lines = [];
  page.on('console', (m) => lines.push(m.text()));
  await page.goto(url);
  for (let i = 0; i < 300 && lines.filter((l) => l.startsWith('{')).length < 3; i++) await pause(50);
  check(lines.some((l) => l.startsWith('{')), `${url}: the game started`);
  return lines;
}

// Width, height, device pixel ratio, touch, and the safe area's insets (a notch and a home bar).
const kScreens = [
  [320, 568, 2, true], [390, 844, 3, true], [844, 390, 3, true, { left: 47, right: 47, top: 0, bottom: 21 }],
  [820, 1180, 2, true], [1440, 900, 2, false], [2560, 1440, 1, false],
];

async function screens(browser) {
  const started = Date.now();
  const none = { left: 0, right: 0, top: 0, bottom: 0 };
  for (let [width, height, ratio, touch, safe = none] of kScreens) {
    const what = `${width}x${height} at ${ratio}${touch ? ' with touch' : ''}`;
    const page = await browser.newPage();
    await engine.emulate(page, width, height, ratio, touch);
    if (!engine.firefox) {
      const cdp = await page.target().createCDPSession();
      await cdp.send('Emulation.setSafeAreaInsetsOverride', { insets: safe });
    } else if (safe !== none) {
      engine.cannot(`${what}: a notch and a home bar`, 'Firefox has no way to give a page safe-area insets; laid out without them');
      safe = none;
    }
    const lines = await startGame(page, `${base}quorvel.html?record=1`);
    const r = await page.evaluate(() => {
      const box = (e) => e.getBoundingClientRect().toJSON();
      const canvas = document.getElementById('canvas');
      return {
        width: innerWidth, height: innerHeight, ratio: devicePixelRatio,
        scrollWidth: document.scrollingElement.scrollWidth, scrollHeight: document.scrollingElement.scrollHeight,
        picture: box(canvas), buffer: [canvas.width, canvas.height],
        controls: [...document.querySelectorAll('[data-key], #menu button:not([hidden])')]
          .filter((e) => e.offsetParent !== null).map((e) => ({ key: e.dataset.key || e.id, ...box(e) })),
      };
    });
    const p = r.picture;
    check(r.width === width && r.scrollWidth <= width && r.scrollHeight <= height, `${what}: nothing to scroll (${r.width} wide, content ${r.scrollWidth}x${r.scrollHeight})`);
    const inside = (b) => b.left >= safe.left && b.top >= safe.top && b.right <= width - safe.right && b.bottom <= height - safe.bottom;
    check(inside(p), `${what}: the picture inside the viewport's safe area ${JSON.stringify(p)}`);
    check(Math.abs(p.width * 3 - p.height * 4) <= 4, `${what}: the picture is 4:3 (${p.width}x${p.height})`);
    check(p.width >= 0.95 * Math.min(width, height * 4 / 3) || touch, `${what}: the picture fills the window (${p.width} wide)`);
    const scale = Math.min(ratio, 3, 2880 / p.width);
    check(Math.abs(r.buffer[0] - p.width * scale) <= 1 && Math.abs(r.buffer[1] - p.height * scale) <= 1,
      `${what}: the drawing buffer ${r.buffer} follows the picture's ${p.width}x${p.height} CSS pixels times ${scale}`);
    const keys = r.controls.filter((c) => c.key !== 'fullscreen' && c.key !== 'show-help').map((c) => c.key);
    check(touch ? keys.length === 6 : keys.length === 0, `${what}: touch controls ${touch ? '' : 'only '}with a touch screen: ${keys}`);
    for (const c of r.controls) {
      check(c.width >= 48 && c.height >= 48 && inside(c), `${what}: ${c.key} at least 48 pixels and inside the safe area: ${JSON.stringify(c)}`);
      for (const d of r.controls) {
        const apart = c === d || c.right <= d.left || d.right <= c.left || c.bottom <= d.top || d.bottom <= c.top;
        check(apart, `${what}: ${c.key} and ${d.key} overlap`);
      }
    }
    if (touch && height > width) {
      check(r.controls.every((c) => c.top >= p.bottom), `${what}: in portrait the controls are below the picture`);
    }
    if (width === 390) await noZoom(page, r);
    if (width === 1440) await desktop(page, lines);
    await page.close();
  }
  console.log(`screens: ${((Date.now() - started) / 1000).toFixed(1)} s`);
}

// A double tap and two fingers spread apart, on the picture and on the stick, leave the page
// at scale 1.
async function noZoom(page, r) {
  const touch = await engine.toucher(page);
  const stick = r.controls.find((c) => c.key === 'stick');
  for (const [x, y] of [[r.picture.x + r.picture.width / 2, r.picture.y + r.picture.height / 2],
                        [stick.x + stick.width / 2, stick.y + stick.height / 2]]) {
    for (let tap = 0; tap < 2; tap++) {
      await touch('touchStart', [{ x, y, id: 1 }]);
      await touch('touchEnd', []);
      await pause(60);
    }
    await touch('touchStart', [{ x: x - 10, y, id: 1 }, { x: x + 10, y, id: 2 }]);
    for (let i = 1; i <= 8; i++) {
      await touch('touchMove', [{ x: x - 10 - 5 * i, y, id: 1 }, { x: x + 10 + 5 * i, y, id: 2 }]);
      await pause(16);
    }
    await touch('touchEnd', []);
    await pause(400);
    const scale = await page.evaluate(() => visualViewport.scale);
    check(scale === 1, `a double tap and a pinch at ${Math.round(x)}, ${Math.round(y)} leave the scale at 1, not ${scale}`);
  }
}

// On the desktop's page, its game running: full screen from its button; the page installable
// (manifest, icons and worker as Chromium wants them) and its files served with the types a
// browser insists on (it compiles WebAssembly as it streams only from application/wasm); and,
// last, the browser taking the graphics back: the game holds where it stands and the page says
// so with a button to reload, instead of running on behind a black canvas.
async function desktop(page, lines) {
  await page.click('#fullscreen');
  await pause(300);
  check(await page.evaluate(() => document.fullscreenElement === document.documentElement), 'Full screen takes the page');
  await page.evaluate(() => navigator.serviceWorker.ready);
  if (engine.firefox) {
    engine.cannot('the page is installable', 'Firefox for the desktop installs no web apps and reports nothing on a manifest');
  } else {
    const cdp = await page.target().createCDPSession();
    const { installabilityErrors } = await cdp.send('Page.getInstallabilityErrors');
    check(installabilityErrors.length === 0, `the page is installable: ${JSON.stringify(installabilityErrors)}`);
  }
  const want = { 'quorvel.wasm': 'application/wasm', 'quorvel.webmanifest': 'application/manifest+json',
                 'quorvel.js': 'text/javascript; charset=utf-8', 'icons/quorvel-192.png': 'image/png' };
  const got = await page.evaluate(async (files) => Promise.all(files.map(async (f) => (await fetch(f)).headers.get('Content-Type'))),
    Object.keys(want));
  check(JSON.stringify(got) === JSON.stringify(Object.values(want)), `the server's types: ${got}`);

  await page.evaluate(() => document.getElementById('canvas').getContext('webgl2').getExtension('WEBGL_lose_context').loseContext());
  await pause(300);
  const frames = lines.filter((l) => l.startsWith('{')).length;
  await pause(500);
  check(lines.filter((l) => l.startsWith('{')).length === frames, 'the game holds once the context is lost');
  const notices = await page.$eval('#notices', (n) => n.textContent);
  check(notices.includes('The picture was lost') && await page.$('#reload') !== null, `the page says the picture was lost: "${notices}"`);
}

// A copy of the built page served by scripts/web-server on `port` until stop().
function serve(dir, port) {
  const server = spawn('python3', [path.resolve('scripts/web-server'), dir, String(port)], { stdio: ['ignore', 'pipe', 'inherit'] });
  const url = new Promise((resolve) => server.stdout.once('data', (d) => resolve(d.toString().trim())));
  return { url, stop: () => new Promise((resolve) => { server.once('exit', resolve); server.kill(); }) };
}

// One visit, then no network at all (the server is gone, for the page and its worker alike):
// a reload starts the game from the worker's cache. A new build served later waits, is offered,
// and once taken is the page, its cache the only one left.
async function offline(browser) {
  const started = Date.now();
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'qv-web-offline-'));
  for (const f of ['quorvel.html', 'quorvel.js', 'quorvel.wasm', 'quorvel.data', 'quorvel.webmanifest', 'quorvel-sw.js']) {
    fs.copyFileSync(path.join('build-web', f), path.join(dir, f));
  }
  fs.cpSync(path.join('build-web', 'icons'), path.join(dir, 'icons'), { recursive: true });
  let server = serve(dir, 0);
  const url = await server.url;
  const port = new URL(url).port;
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await startGame(page, `${url}quorvel.html?record=1`);
  const cache = async () => page.evaluate(async () => {
    await navigator.serviceWorker.ready;
    const names = await caches.keys();
    const kept = names.length === 1 ? (await (await caches.open(names[0])).keys()).length : 0;
    return { names, kept };
  });
  const first = await cache();
  check(first.names.length === 1 && first.kept === 6, `one visit keeps the build's 6 files in one cache: ${JSON.stringify(first)}`);

  await server.stop();
  await startGame(page, `${url}quorvel.html?record=1`);

  const page1 = fs.readFileSync(path.join(dir, 'quorvel.html'), 'utf8');
  fs.writeFileSync(path.join(dir, 'quorvel.html'), page1.replace('</body>', '<!-- the next build --></body>'));
  const rerun = spawnSync('cmake', [`-DQV_WEB_DIR=${dir}`, '-P', 'programs/web/page_offline.cmake']);
  check(rerun.status === 0, `page_offline.cmake: ${rerun.stderr}`);
  server = serve(dir, port);
  await server.url;
  await page.reload();
  let offer = null;
  // The browser looks for the new worker as the page loads and installs it in the background:
  // on a loaded machine that has taken longer than ten seconds.
  for (let i = 0; i < 1200 && !offer; i++) {
    await pause(50);
    offer = await page.$$eval('#notices .notice', (boxes) => boxes.some((b) => b.textContent.includes('A new version is ready')));
  }
  check(offer, 'the page offers the new build');
  const reloaded = page.waitForNavigation({ timeout: 10000 }).catch(() => null);
  await page.evaluate(() => [...document.querySelectorAll('#notices button')].find((b) => b.textContent === 'Start it').click());
  check(await reloaded !== null, 'taking the new build reloads the page');
  await pause(500);
  const html = await page.evaluate(() => document.documentElement.outerHTML);
  const second = await cache();
  check(html.includes('the next build') && second.names.length === 1 && second.names[0] !== first.names[0],
    `the new build replaces the old and its cache: ${JSON.stringify(first.names)} then ${JSON.stringify(second)}`);
  await context.close();
  await server.stop();
  fs.rmSync(dir, { recursive: true, force: true });
  console.log(`offline: ${((Date.now() - started) / 1000).toFixed(1)} s`);
}

// Each address ends the page with a message before anything is fetched from elsewhere; a key
// script too large, or running past the most frames the page replays, too.
async function refused(browser) {
  fs.writeFileSync('build-web/tests/too-large.keys', '#'.repeat(33 << 20));
  fs.writeFileSync('build-web/tests/too-long.keys', '1-1000001 W dt=0.02\n');
  const page = await browser.newPage();
  const elsewhere = [];
  page.on('request', (r) => { if (!r.url().startsWith(base)) elsewhere.push(r.url()); });
  for (const query of ['replay=%5C%5Cevil.example/a.keys', 'replay=/%5Cevil.example/a.keys',
                       'replay=/%09/evil.example/a.keys', 'drop=Models/..%00', 'replay=tests/too-large.keys',
                       'replay=tests/too-long.keys']) {
    const lines = [];
    const onConsole = (m) => lines.push(m.text());
    page.on('console', onConsole);
    await page.goto(`${base}quorvel.html?${query}`);
    for (let i = 0; i < 200 && !lines.some((l) => l.startsWith('quorvel ended with')); i++) await pause(50);
    page.off('console', onConsole);
    const notices = await page.$eval('#notices', (n) => n.textContent);
    check(lines.includes('quorvel ended with 2') && !lines.some((l) => l.startsWith('{')) &&
          /takes|larger|more than/.test(notices), `?${query} is refused with a message: "${notices}"`);
  }
  check(elsewhere.length === 0, `nothing fetched from elsewhere: ${elsewhere}`);
  fs.rmSync('build-web/tests/too-large.keys');
  fs.rmSync('build-web/tests/too-long.keys');
  await page.close();
}

async function main() {
  const browser = await engine.launch();
  try {
    await screens(browser);
    await offline(browser);
    await refused(browser);
  } finally {
    await browser.close();
  }
  console.log(failures ? `test_web_phone: ${failures} failed` : 'test_web_phone: passed');
  process.exit(failures ? 1 : 0);
}

main().catch((e) => { console.log(`FAIL ${e.stack || e}`); process.exit(1); });
