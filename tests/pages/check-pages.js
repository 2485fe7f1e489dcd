#!/usr/bin/env node
// The pages the shipped templates make, held to what web professionals
// check: no axe-core violations of WCAG 2.1 A and AA at a phone's and a
// desktop's width, no page wider than a phone's screen, Copy buttons that
// keep the focus and announce what happened, and no Nu HTML checker errors
// (warnings only for the generator's own PPC table attributes).
//
// usage: check-pages.js PAGES_DIR
// PAGES_DIR holds the generated pages (*.htm) and what they show; see
// make-pages.sh. Exit status 0 when every page passes, 1 otherwise.
'use strict';

const fs = require('fs');
const path = require('path');
const { execFileSync } = require('child_process');
const { launchBrowser, servePages } = require('./browser');

const WIDTHS = [390, 1200];
const AXE_TAGS = ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa'];
// The table the generator writes keeps the attributes it always had, and
// an odd number of ads leaves its last row short.
const PPC_TABLE_WARNING = new RegExp('^(The “(width|border|align|valign|bgcolor)” attribute on the “(table|td)” element is obsolete' +
  '|A table row was 1 columns wide, which is less than the column count established by the first row \\(3\\))');

async function checkInBrowser(dir, pages, problems) {
  const axeSource = fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');
  const server = await servePages(dir);
  const browser = await launchBrowser();
  try {
    const context = browser.defaultBrowserContext();
    await context.overridePermissions(server.origin, ['clipboard-read', 'clipboard-write', 'clipboard-sanitized-write']);
    const page = await browser.newPage();
    page.on('pageerror', (error) => problems.push(`script error: ${error.message}`));
    for (const name of pages) {
      for (const width of WIDTHS) {
        const where = `${name} at ${width} px`;
        await page.setViewport({ width, height: 900 });
        const requests = [];
        const onFailed = (request) => requests.push(request.url());
        const onResponse = (response) => { if (response.status() >= 400) requests.push(response.url()); };
        page.on('requestfailed', onFailed);
        page.on('response', onResponse);
        await page.goto(`${server.origin}/${name}`, { waitUntil: 'load' });
        page.off('requestfailed', onFailed);
        page.off('response', onResponse);
        for (const url of requests) problems.push(`${where}: ${url} could not be loaded`);

        await page.evaluate(axeSource);
        const result = await page.evaluate(
          (tags) => window.axe.run(document, { runOnly: { type: 'tag', values: tags }, resultTypes: ['violations'] }),
          AXE_TAGS);
        for (const violation of result.violations) {
          const targets = violation.nodes.map((node) => node.target.join(' ')).join(', ');
          problems.push(`${where}: axe ${violation.id} (${violation.impact}): ${violation.help} [${targets}]`);
        }

        const overflow = await page.evaluate(() => document.documentElement.scrollWidth - window.innerWidth);
        if (overflow > 0) problems.push(`${where}: the page is ${overflow} px wider than the window`);
        const clipped = await page.evaluate(() => {
          // Anything wider than its scrolling box must be reachable from the keyboard.
          const found = [];
          for (const element of document.querySelectorAll('body *')) {
            const style = getComputedStyle(element);
            if (!/(auto|scroll)/.test(style.overflowX) || element.scrollWidth <= element.clientWidth) continue;
            const focusable = element.tabIndex >= 0 || element.querySelector('a,button,input,textarea,[tabindex]');
            const named = element.getAttribute('aria-label') || element.getAttribute('aria-labelledby');
            if (!focusable || !named) found.push(element.id || element.className || element.tagName);
          }
          return found;
        });
        for (const box of clipped) problems.push(`${where}: ${box} scrolls but cannot be reached and named`);
      }
      await checkCopyButtons(page, `${name}`, problems);
      await checkFailedCopy(page, `${name}`, problems);
    }
  } finally {
    await browser.close();
    server.close();
  }
}

// The first Copy button of each box kind: focus stays on it, the live
// region says what happened, and what lands on the clipboard is what the
// box shows.
async function checkCopyButtons(page, name, problems) {
  const outcome = await page.evaluate(async () => {
    const results = [];
    const region = document.querySelector('[aria-live="polite"], [role="status"]');
    const seen = new Set();
    for (const button of document.querySelectorAll('button')) {
      const field = button.parentNode.querySelector('textarea,input');
      if (!field || seen.has(field.tagName)) continue;
      seen.add(field.tagName);
      button.focus();
      button.click();
      await new Promise((resolve) => setTimeout(resolve, 150));
      let copied = null;
      try { copied = await navigator.clipboard.readText(); } catch (e) { copied = null; }
      results.push({
        field: field.tagName,
        focusKept: document.activeElement === button,
        announced: region ? region.textContent.trim() : null,
        label: button.textContent.trim(),
        same: copied === field.value.replace(/\r\n/g, '\n') || copied === field.value,
      });
    }
    return results;
  });
  if (outcome.length === 0) problems.push(`${name}: no Copy button found`);
  for (const result of outcome) {
    const where = `${name}, Copy beside a ${result.field.toLowerCase()}`;
    if (!result.focusKept) problems.push(`${where}: the focus left the button`);
    if (result.announced === null) problems.push(`${where}: no polite live region`);
    else if (result.announced !== 'Copied!') problems.push(`${where}: announced "${result.announced}"`);
    if (result.label !== 'Copied!') problems.push(`${where}: the button says "${result.label}"`);
    if (!result.same) problems.push(`${where}: the clipboard does not hold the box's text`);
  }
}

// A copy that does not work is not reported as done.
async function checkFailedCopy(page, name, problems) {
  const outcome = await page.evaluate(async () => {
    navigator.clipboard.writeText = () => Promise.reject(new Error('denied'));
    document.execCommand = () => false;
    const button = document.querySelector('button');
    button.textContent = 'Copy';
    button.focus();
    button.click();
    await new Promise((resolve) => setTimeout(resolve, 150));
    const region = document.querySelector('[aria-live="polite"], [role="status"]');
    return { label: button.textContent.trim(), announced: region ? region.textContent.trim() : '',
      focusKept: document.activeElement === button };
  });
  if (outcome.label === 'Copied!' || outcome.announced === 'Copied!' || outcome.announced === '')
    problems.push(`${name}: a failed copy shows "${outcome.label}" and announces "${outcome.announced}"`);
  if (!outcome.focusKept) problems.push(`${name}: a failed copy moves the focus from the button`);
}

function checkMarkup(dir, pages, problems) {
  const jar = require.resolve('vnu-jar/build/dist/vnu.jar');
  let report;
  try {
    report = execFileSync('java', ['-jar', jar, '--format', 'json', '--stdout', '--exit-zero-always',
      ...pages.map((name) => path.join(dir, name))], { encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'] });
  } catch (error) {
    problems.push(`the Nu checker did not run: ${error.message}`);
    return;
  }
  const text = report.trim() || '{"messages":[]}';
  for (const message of JSON.parse(text).messages) {
    const file = message.url ? path.basename(decodeURIComponent(message.url)) : '?';
    const isWarning = message.type === 'info' && message.subType === 'warning';
    if (message.type === 'info' && !isWarning) continue;
    if (isWarning && PPC_TABLE_WARNING.test(message.message)) continue;
    problems.push(`${file}: Nu ${isWarning ? 'warning' : message.type} at line ${message.lastLine}: ${message.message}`);
  }
}

async function main() {
  const dir = path.resolve(process.argv[2] || '');
  const pages = fs.readdirSync(dir).filter((name) => name.endsWith('.htm')).sort();
  if (pages.length === 0) {
    console.error(`check-pages: no pages in ${dir}`);
    process.exit(1);
  }
  const problems = [];
  checkMarkup(dir, pages, problems);
  await checkInBrowser(dir, pages, problems);
  for (const problem of problems) console.log(problem);
  console.log(`${pages.length} pages at ${WIDTHS.join(' and ')} px: ${problems.length} problems`);
  process.exit(problems.length === 0 ? 0 : 1);
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
