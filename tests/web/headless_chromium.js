// Debian's Chromium, headless, as the browser tests drive it (CHROMIUM names another;
// puppeteer-core found through NODE_PATH). WebGL 2 goes through ANGLE to Mesa's OpenGL ES on
// EGL, llvmpipe on this machine: the rasteriser the Linux build draws with, so the page's
// pictures can be held to the Linux build's as tightly as the Windows build's are.
// QV_WEB_GL=swiftshader picks Chromium's own software renderer instead (what it falls back to
// on a machine without a usable GPU), which splits pixels that lie exactly on an edge or a
// texture's wrap otherwise than llvmpipe does.
'use strict';
const puppeteer = require('puppeteer-core');

const kRenderers = {
  // llvmpipe mallocs a few megabytes as it bins a frame and frees them once the frame is drawn
  // (the Linux build keeps glibc from handing them back, d3d9_context.cpp); Chromium's allocator
  // hands back freed spans beyond its ring of empty ones, and the GPU process faults them in
  // again every frame. The larger ring keeps them.
  mesa: ['--use-angle=gl-egl', '--ignore-gpu-blocklist', '--enable-features=PartitionAllocLargeEmptySlotSpanRing'],
  swiftshader: ['--enable-unsafe-swiftshader', '--use-angle=swiftshader'],
};

exports.gl = process.env.QV_WEB_GL || 'mesa';

exports.launch = () => {
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
