// Debian's Chromium driven headless, and the generated pages served on the
// loopback address, as a visitor's browser would load them.
'use strict';

const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');

const CHROMIUM = process.env.CHROMIUM || '/usr/bin/chromium';
const FLAGS = ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
  '--disable-component-update', '--disable-sync', '--disable-dev-shm-usage'];

async function launchBrowser() {
  const puppeteer = require('puppeteer-core');
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'velmora-pages-'));
  const browser = await puppeteer.launch({
    executablePath: CHROMIUM,
    headless: true,
    args: [...FLAGS, `--user-data-dir=${profile}`],
  });
  browser.once('disconnected', () => {
    // Chromium may still be writing its profile as it goes.
    try { fs.rmSync(profile, { recursive: true, force: true, maxRetries: 5, retryDelay: 200 }); } catch (e) { /* left in the temporary folder */ }
  });
  return browser;
}

const TYPES = { '.htm': 'text/html; charset=utf-8', '.html': 'text/html; charset=utf-8', '.svg': 'image/svg+xml',
  '.png': 'image/png', '.jpg': 'image/jpeg', '.gif': 'image/gif' };

// The files of one folder, nothing above it.
function servePages(dir) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://localhost').pathname).replace(/^\/+/, '');
    const file = path.join(dir, name);
    if (name.includes('..') || path.dirname(file) !== dir || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404, { 'Content-Type': 'text/plain' });
      response.end('not found');
      return;
    }
    response.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => {
      resolve({ origin: `http://127.0.0.1:${server.address().port}`, close: () => server.close() });
    });
  });
}

module.exports = { launchBrowser, servePages };
