// Debian's Chromium, headless, with WebGL 2 on SwiftShader, as the browser tests drive it
// (CHROMIUM names another; puppeteer-core found through NODE_PATH).
'use strict';
const puppeteer = require('puppeteer-core');

exports.launch = () => puppeteer.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--enable-unsafe-swiftshader', '--use-angle=swiftshader',
         '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run'],
});
