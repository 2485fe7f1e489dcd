#!/usr/bin/env node
// Lighthouse on each page in PAGES_DIR, as a phone and as a desktop browser
// load it over the loopback address; prints the scores of every category.
// Exit status 1 when accessibility, best practices or SEO is below 100.
// usage: audit.js PAGES_DIR [PAGE...]
'use strict';

const fs = require('fs');
const path = require('path');
const { pathToFileURL } = require('url');
const { launchBrowser, servePages } = require('./browser');

const CATEGORIES = ['performance', 'accessibility', 'best-practices', 'seo'];
const REQUIRED = ['accessibility', 'best-practices', 'seo'];

// Lighthouse is an ES module; it is found where the other packages are.
async function importFromPackages(name) {
  return import(pathToFileURL(require.resolve(name)).href);
}

async function main() {
  const dir = path.resolve(process.argv[2] || '');
  const wanted = process.argv.slice(3);
  const pages = fs.readdirSync(dir).filter((name) => name.endsWith('.htm') && (wanted.length === 0 || wanted.includes(name))).sort();
  const { default: lighthouse } = await importFromPackages('lighthouse');
  const { default: desktopConfig } = await importFromPackages('lighthouse/core/config/desktop-config.js');
  const server = await servePages(dir);
  const browser = await launchBrowser();
  const port = Number(new URL(browser.wsEndpoint()).port);
  const failures = [];
  try {
    console.log(['page', 'form', ...CATEGORIES].join('\t'));
    for (const name of pages) {
      for (const [form, config] of [['mobile', undefined], ['desktop', desktopConfig]]) {
        const result = await lighthouse(`${server.origin}/${name}`,
          { port, output: 'json', logLevel: 'error', onlyCategories: CATEGORIES }, config);
        const scores = CATEGORIES.map((id) => Math.round((result.lhr.categories[id].score || 0) * 100));
        console.log([name, form, ...scores].join('\t'));
        for (const id of REQUIRED) {
          const category = result.lhr.categories[id];
          if (category.score === 1) continue;
          const failed = category.auditRefs
            .filter((ref) => ref.weight > 0 && result.lhr.audits[ref.id].score !== null && result.lhr.audits[ref.id].score < 1)
            .map((ref) => ref.id);
          failures.push(`${name} (${form}): ${id} ${Math.round(category.score * 100)}: ${failed.join(', ')}`);
        }
      }
    }
  } finally {
    await browser.close();
    server.close();
  }
  for (const failure of failures) console.log(failure);
  process.exit(failures.length === 0 ? 0 : 1);
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
