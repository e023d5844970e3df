// Keys typed into a real browser reach a window on the page's canvas as Windows key messages,
// never scroll the page, and are let go when the canvas loses the focus; a game controller (a
// stand-in behind navigator.getGamepads) holds the game's keys by the native rules, and so do
// the touch controls, several fingers at once, let go when a finger slides off, the touch is
// cancelled, the page is hidden or the window loses the focus.
// node test_web_input.js URL   (URL of web_input_check.html; QV_WEB_BROWSER picks the browser,
// tests/web/browser.js)
'use strict';
const engine = require('./browser');

const url = process.argv[2];
let failures = 0;
let passes = 0;
function check(ok, what) {
  if (ok) { passes++; } else { failures++; console.log(`FAIL ${what}`); }
}

async function main() {
const browser = await engine.launch();
try {
  const page = await browser.newPage();
  const lines = [];
  const errors = [];
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); else lines.push(m.text()); });
  page.on('pageerror', (e) => errors.push(String(e)));
  const waitFor = async (pred, what) => {
    for (let i = 0; i < 100; i++) {
      if (pred()) return true;
      await new Promise((r) => setTimeout(r, 50));
    }
    check(false, `timed out waiting for ${what}; got ${JSON.stringify(lines)}`);
    return false;
  };
  // One controller in the standard mapping, which the test moves through window.pad.
  await page.evaluateOnNewDocument(() => {
    const button = () => ({ pressed: false, touched: false, value: 0 });
    window.pad = { id: 'stand-in', index: 0, connected: true, mapping: 'standard', timestamp: 0,
                   axes: [0, 0, 0, 0], buttons: Array.from({ length: 17 }, button) };
    window.pads = [window.pad];
    Object.defineProperty(navigator, 'getGamepads', { value: () => window.pads });
  });
  await page.goto(url);
  await waitFor(() => lines.includes('ready'), 'ready');
  check(await page.title() === 'input check', 'the window title is the page title');
  await page.click('#canvas');

  // The key lines an action brings: at least `count`, and any that follow within 200 ms.
  const typed = async (action, count) => {
    const before = lines.length;
    const since = () => lines.slice(before).filter((l) => l.startsWith('key '));
    await action();
    for (let i = 0; i < 60 && since().length < count; i++) await new Promise((r) => setTimeout(r, 50));
    await new Promise((r) => setTimeout(r, 200));
    return since();
  };
  // W down and up: virtual key 57, scan code 11, previous-state and transition bits on release.
  let keys = await typed(async () => { await page.keyboard.down('w'); await page.keyboard.up('w'); }, 2);
  check(JSON.stringify(keys) === JSON.stringify(['key WM_KEYDOWN 57 00110001', 'key WM_KEYUP 57 C0110001']),
        `W as Windows sends it: ${keys}`);
  // Arrows are extended keys; Space and the arrows do not scroll the tall page.
  keys = await typed(async () => { await page.keyboard.press(' '); await page.keyboard.press('ArrowDown'); }, 4);
  check(keys[0] === 'key WM_KEYDOWN 20 00390001' && keys[2] === 'key WM_KEYDOWN 28 01500001', `Space, Down: ${keys}`);
  check(await page.evaluate(() => window.scrollY) === 0, 'the page did not scroll');
  // Alt chords are system keys.
  keys = await typed(async () => {
    await page.keyboard.down('Alt'); await page.keyboard.press('a'); await page.keyboard.up('Alt');
  }, 4);
  check(keys[1] === 'key WM_SYSKEYDOWN 41 201E0001', `Alt+A: ${keys}`);
  // A key held while the focus goes elsewhere is let go.
  keys = await typed(async () => { await page.keyboard.down('d'); await page.focus('#elsewhere'); }, 2);
  check(JSON.stringify(keys) === JSON.stringify(['key WM_KEYDOWN 44 00200001', 'key WM_KEYUP 44 C0200001']),
        `D let go on blur: ${keys}`);
  keys = await typed(async () => { await page.keyboard.up('d'); await page.keyboard.press('s'); }, 0);
  check(keys.length === 0, `keys typed elsewhere stay elsewhere: ${keys}`);
  await page.click('#canvas');

  // The stick holds W past half way and lets it go only inside a third of the way; the south
  // button is Space; a controller that goes away lets its keys go.
  const pad = (f) => page.evaluate(f);
  keys = await typed(() => pad(() => { window.pad.axes[1] = -0.6; }), 1);
  check(JSON.stringify(keys) === JSON.stringify(['key WM_KEYDOWN 57 00110001']), `stick up holds W: ${keys}`);
  keys = await typed(() => pad(() => { window.pad.axes[1] = -0.4; }), 0);
  check(keys.length === 0, `W stays held at 0.4: ${keys}`);
  keys = await typed(() => pad(() => { window.pad.axes[1] = -0.3; }), 1);
  check(JSON.stringify(keys) === JSON.stringify(['key WM_KEYUP 57 C0110001']), `W let go at 0.3: ${keys}`);
  keys = await typed(() => pad(() => { window.pad.buttons[0].pressed = true; window.pad.buttons[0].value = 1; }), 1);
  check(JSON.stringify(keys) === JSON.stringify(['key WM_KEYDOWN 20 00390001']), `south button holds Space: ${keys}`);
  keys = await typed(() => pad(() => { window.pads = []; }), 1);
  check(JSON.stringify(keys) === JSON.stringify(['key WM_KEYUP 20 C0390001']), `unplugged lets Space go: ${keys}`);

  // Touch controls, two fingers at once (the stick's centre is at 720, 80, its reach 60).
  await engine.touchScreen(page, true);
  const touch = await engine.toucher(page);
  const same = (got, want) => JSON.stringify([...got].sort()) === JSON.stringify([...want].sort());
  const forward = { x: 720, y: 30, id: 1 };
  const fire = { x: 710, y: 250, id: 2 };
  keys = await typed(async () => { await touch('touchStart', [{ x: 720, y: 80, id: 1 }]); await touch('touchMove', [{ x: 722, y: 65, id: 1 }]); }, 0);
  check(keys.length === 0, `the stick inside its dead zone holds nothing: ${keys}`);
  keys = await typed(async () => { await touch('touchMove', [forward]); await touch('touchStart', [forward, fire]); }, 2);
  check(same(keys, ['key WM_KEYDOWN 57 00110001', 'key WM_KEYDOWN 20 00390001']), `stick forward and Fire hold W and Space: ${keys}`);
  keys = await typed(() => touch('touchMove', [forward, { x: 710, y: 310, id: 2 }]), 1);
  check(same(keys, ['key WM_KEYUP 20 C0390001']), `sliding off Fire lets Space go, W stays: ${keys}`);
  keys = await typed(() => touch('touchMove', [forward, { x: 710, y: 370, id: 2 }]), 1);
  check(same(keys, ['key WM_KEYDOWN 31 00020001']), `sliding onto 1 holds it: ${keys}`);
  if (engine.firefox) {
    engine.cannot('touchcancel lets both go', 'WebDriver has no action that cancels a touch');
    keys = await typed(() => touch('touchEnd', []), 2);
    check(same(keys, ['key WM_KEYUP 57 C0110001', 'key WM_KEYUP 31 C0020001']), `lifting both lets both go: ${keys}`);
  } else {
    keys = await typed(() => touch('touchCancel', []), 2);
    check(same(keys, ['key WM_KEYUP 57 C0110001', 'key WM_KEYUP 31 C0020001']), `touchcancel lets both go: ${keys}`);
  }
  const leave = {
    'the page hidden': () => page.evaluate(() => {
      Object.defineProperty(document, 'hidden', { value: true, configurable: true });
      Object.defineProperty(document, 'visibilityState', { value: 'hidden', configurable: true });
      document.dispatchEvent(new Event('visibilitychange'));
      delete document.hidden;
      delete document.visibilityState;
    }),
    'the window losing the focus': () => page.evaluate(() => window.dispatchEvent(new Event('blur'))),
  };
  for (const [what, action] of Object.entries(leave)) {
    await typed(() => touch('touchStart', [forward, fire]), 2);
    keys = await typed(action, 2);
    check(same(keys, ['key WM_KEYUP 57 C0110001', 'key WM_KEYUP 20 C0390001']), `${what} lets the touches go: ${keys}`);
    keys = await typed(async () => { await touch('touchMove', [{ x: 720, y: 25, id: 1 }, fire]); await touch('touchEnd', []); }, 0);
    check(keys.length === 0, `fingers let go by ${what} hold nothing until they touch again: ${keys}`);
  }
  await engine.touchScreen(page, false);

  await typed(async () => { await page.keyboard.press('Escape'); }, 2);
  await waitFor(() => lines.includes('ended'), 'the window loop to end');
  check(errors.length === 0, `no console errors: ${errors}`);
} finally {
  await browser.close();
}
console.log(`${passes} passed, ${failures} failed`);
return failures === 0 ? 0 : 1;
}

main().then((code) => process.exit(code), (e) => { console.log(`FAIL ${e.stack || e}`); process.exit(1); });
