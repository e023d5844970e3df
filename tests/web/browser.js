// The browser the browser tests drive, QV_WEB_BROWSER=chromium (the default) or firefox, through
// puppeteer-core (found through NODE_PATH): one start per test file, a fresh profile each time.
//
// Chromium: Debian's, headless (CHROMIUM names another), over the DevTools protocol. WebGL 2 goes
// through ANGLE to Mesa's OpenGL ES on EGL, llvmpipe on this machine: the rasteriser the Linux
// build draws with, so the page's pictures can be held to the Linux build's as tightly as the
// Windows build's are. QV_WEB_GL=swiftshader picks Chromium's own software renderer instead
// (what it falls back to on a machine without a usable GPU), which splits pixels that lie exactly
// on an edge or a texture's wrap otherwise than llvmpipe does.
//
// Firefox: Debian's Firefox ESR (FIREFOX names another), over WebDriver BiDi, on the X display in
// DISPLAY (scripts/build-web starts an Xvfb for it): headless, it offers no WebGL 2 on a machine
// without a GPU. It draws WebGL 2 with Mesa's OpenGL through GLX, llvmpipe again.
//
// What only one protocol can do (touch input, touch screens, the safe area) is here, once for
// each engine; what Firefox cannot do at all is `exports.cannot`, which the tests print.
'use strict';
const puppeteer = require('puppeteer-core');

exports.engine = process.env.QV_WEB_BROWSER || 'chromium';
exports.firefox = exports.engine === 'firefox';
if (!['chromium', 'firefox'].includes(exports.engine)) {
  throw new Error(`QV_WEB_BROWSER=${exports.engine}: not chromium or firefox`);
}

const kRenderers = {
  // llvmpipe mallocs a few megabytes as it bins a frame and frees them once the frame is drawn
  // (the Linux build keeps glibc from handing them back, d3d9_context.cpp); Chromium's allocator
  // hands back freed spans beyond its ring of empty ones, and the GPU process faults them in
  // again every frame. The larger ring keeps them.
  mesa: ['--use-angle=gl-egl', '--ignore-gpu-blocklist', '--enable-features=PartitionAllocLargeEmptySlotSpanRing'],
  swiftshader: ['--enable-unsafe-swiftshader', '--use-angle=swiftshader'],
};

exports.gl = exports.firefox ? 'mesa' : process.env.QV_WEB_GL || 'mesa';

const kFirefoxPrefs = {
  // llvmpipe is on Firefox's list of renderers it would rather not use for WebGL.
  'webgl.force-enabled': true,
  // The renderer's own name, not "llvmpipe, or similar".
  'webgl.sanitize-unmasked-renderer': false,
  // Full screen at once, without the animation or the notice.
  'full-screen-api.transition-duration.enter': '0 0',
  'full-screen-api.transition-duration.leave': '0 0',
  'full-screen-api.warning.timeout': 0,
  // Touch events for the touch controls, as on a touch screen.
  'dom.w3c_touch_events.enabled': 1,
};

exports.launch = () => {
  if (exports.firefox) {
    if (!process.env.DISPLAY) throw new Error('Firefox needs an X display (DISPLAY); scripts/build-web --test starts one');
    return puppeteer.launch({
      product: 'firefox', protocol: 'webDriverBiDi', headless: false,
      executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr',
      extraPrefsFirefox: kFirefoxPrefs,
    });
  }
  const renderer = kRenderers[exports.gl];
  if (!renderer) throw new Error(`QV_WEB_GL=${exports.gl}: not one of ${Object.keys(kRenderers).join(', ')}`);
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', ...renderer,
           '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run'],
  });
};

// What draws WebGL 2 in the browser, as the page would see it ("" without WebGL 2).
exports.renderer = async (browser) => {
  const page = await browser.newPage();
  try {
    return await page.evaluate(() => {
      const gl = document.createElement('canvas').getContext('webgl2');
      if (!gl) return '';
      const info = gl.getExtension('WEBGL_debug_renderer_info');
      return gl.getParameter(info ? info.UNMASKED_RENDERER_WEBGL : gl.RENDERER);
    });
  } finally {
    await page.close();
  }
};

// A check this engine cannot run here, and why: printed, counted by nobody.
exports.cannot = (what, why) => console.log(`SKIP in ${exports.engine}: ${what}: ${why}`);

// A screen of width x height CSS pixels at `ratio` device pixels each, with a touch screen or
// not (a page of the browser's own size and a mouse unless asked), set before the page loads.
exports.emulate = async (page, width, height, ratio, touch) => {
  await page.setViewport({ width, height, deviceScaleFactor: ratio, isMobile: touch, hasTouch: touch });
  await exports.touchScreen(page, touch);
};

// Firefox has no touch screen to emulate (WebDriver BiDi's emulation of one is newer than this
// Firefox): the page's pages from here on see navigator.maxTouchPoints of 5, which is what the
// page asks of a touch screen.
const touchScripts = new WeakMap();
exports.touchScreen = async (page, touch) => {
  if (!exports.firefox) {
    const cdp = await page.target().createCDPSession();
    await cdp.send('Emulation.setTouchEmulationEnabled', { enabled: touch, maxTouchPoints: touch ? 5 : 1 });
    return;
  }
  if (touchScripts.has(page)) await page.removeScriptToEvaluateOnNewDocument(touchScripts.get(page));
  touchScripts.delete(page);
  if (touch) {
    const { identifier } = await page.evaluateOnNewDocument(() => {
      Object.defineProperty(Navigator.prototype, 'maxTouchPoints', { get: () => 5, configurable: true });
    });
    touchScripts.set(page, identifier);
  }
};

// Touches as the DevTools protocol gives them: `type` (touchStart, touchMove, touchEnd,
// touchCancel) and every finger still on the screen after it, {x, y, id}. In Firefox each
// finger is a WebDriver touch pointer: fingers new to the list go down, those gone from it come
// up, the rest move; a cancel is not among WebDriver's actions (null: the caller says so).
// Fingers go down and come up one after another: two lifted in the same action come to Firefox
// 153 as one touchend, for which it sends the page the pointerup of the first finger alone.
exports.toucher = async (page) => {
  if (!exports.firefox) {
    const cdp = await page.target().createCDPSession();
    return (type, touchPoints) => cdp.send('Input.dispatchTouchEvent', { type, touchPoints });
  }
  const down = new Map();  // id -> {x, y}
  const perform = (sources) => page.mainFrame().browsingContext.performActions(sources.map((s) => ({
    type: 'pointer', id: `finger ${s.id}`, parameters: { pointerType: 'touch' }, actions: s.actions,
  })));
  return async (type, touchPoints) => {
    if (type === 'touchCancel') return null;
    const now = new Map(touchPoints.map((p) => [p.id, { x: Math.round(p.x), y: Math.round(p.y) }]));
    for (const id of [...down.keys()]) {
      if (!now.has(id)) await perform([{ id, actions: [{ type: 'pointerUp', button: 0 }] }]);
      if (!now.has(id)) down.delete(id);
    }
    const moved = [];
    for (const [id, p] of now) {
      const move = { type: 'pointerMove', x: p.x, y: p.y, duration: 0, origin: 'viewport' };
      if (down.has(id)) moved.push({ id, actions: [move] });
      else await perform([{ id, actions: [move, { type: 'pointerDown', button: 0 }] }]);
      down.set(id, p);
    }
    if (moved.length) await perform(moved);
    return true;
  };
};

// Two PNGs (data URLs) decoded by the browser, compared pixel by pixel: their sizes (`same`),
// the pixels of the first whose largest channel differs from the second's by more than 2 levels
// (`beyond`) or at all (`differing`), the largest difference, the first's distinct colours, and
// its `sharpSteps`: neighbours across a row that differ by 64 levels or more in some channel (a
// picture stretched with linear filtering spreads each such step and loses it). Without a
// second picture the first is compared with itself.
exports.comparePictures = async (page, a, b) => page.evaluate(async (a, b) => {
  const pixels = async (url) => {
    const image = new Image();
    image.src = url;
    await image.decode();
    const c = document.createElement('canvas');
    c.width = image.width;
    c.height = image.height;
    const g = c.getContext('2d', { willReadFrequently: true });
    g.drawImage(image, 0, 0);
    return g.getImageData(0, 0, c.width, c.height);
  };
  const p = await pixels(a);
  const q = b ? await pixels(b) : p;
  const same = p.width === q.width && p.height === q.height;
  const worst = (d, e, i, j) => Math.max(Math.abs(d[i] - e[j]), Math.abs(d[i + 1] - e[j + 1]), Math.abs(d[i + 2] - e[j + 2]));
  let beyond = 0;
  let differing = 0;
  let largest = 0;
  let sharpSteps = 0;
  const colours = new Set();
  for (let i = 0; i < p.data.length; i += 4) {
    if (same) {
      const w = worst(p.data, q.data, i, i);
      largest = Math.max(largest, w);
      if (w > 2) beyond++;
      if (w > 0) differing++;
    }
    if ((i / 4) % p.width && worst(p.data, p.data, i, i - 4) >= 64) sharpSteps++;
    colours.add((p.data[i] << 16) | (p.data[i + 1] << 8) | p.data[i + 2]);
  }
  return { width: p.width, height: p.height, same, beyond, differing, largest, pixels: p.width * p.height,
           colours: colours.size, sharpSteps };
}, a, b);
