// Lighthouse (mobile setting) on the start page of each template set: a twelve-picture show
// written by bildertafel-batch, served over HTTP from 127.0.0.1, once without and once with
// the all-pictures page (the download line before the head puts that page in quirks mode).
// Prints performance, accessibility, best practices and SEO, each the median of three audits with
// their range where they differ, and the audits that fall short. A freshly started browser spends
// its first audit compiling its own code, which shows as the page's blocking time; one audit
// before the counted ones that nobody reads keeps that out of the first set's figures.
//   node bench/pages/run.mjs BATCH [--auswahl]   (CHROME_PATH: the browser, default /usr/bin/chromium)
// With --auswahl the shows let their visitors choose pictures ("Auswahl erlauben").
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import * as chromeLauncher from 'chrome-launcher';
import lighthouse from 'lighthouse';
import { makeOriginals, miniSizeOf, serve, writeShow } from '../../tests/browser/schau.mjs';

const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');
const SETS = ['hell', 'dunkel', 'mosaik', 'schlicht'];
const CATEGORIES = ['performance', 'accessibility', 'best-practices', 'seo'];
const AUDITS = 3;
const batch = process.argv[2];
const extra = process.argv[3] === '--auswahl'
    ? ['--selection-mail', 'foto@example.org', '--selection-note', 'Bitte bis Freitag w\u00e4hlen.'] : [];
if (!batch || !fs.existsSync(batch)) {
    console.error('usage: node bench/pages/run.mjs path/to/bildertafel-batch');
    process.exit(2);
}

const root = fs.mkdtempSync(path.join(os.tmpdir(), 'bench-pages-'));
const server = await serve(root);
const chrome = await chromeLauncher.launch({
    chromePath: process.env.CHROME_PATH ?? '/usr/bin/chromium',
    chromeFlags: ['--headless=new', '--no-sandbox', '--disable-gpu'],
});
try {
    makeOriginals(path.join(root, 'originale'));
    console.log(`median of ${AUDITS} audits, range in brackets${extra.length ? ', with "Auswahl erlauben"' : ''}`);
    console.log('set       all-pictures page          perf  a11y  best   seo   bytes of the templates');
    let warmedUp = false;
    for (const set of SETS) {
        const config = path.join(repo, 'vorlagen', `${set}.cfg`);
        const miniSize = miniSizeOf(set);
        const show = path.join(root, set);
        for (const allPage of [false, true]) {
            writeShow(batch, { config, show, originals: path.join(root, 'originale'),
                miniSize: allPage ? 0 : miniSize, allPage, ownPages: false, extra });
            const url = `${server.url}${set}/index.html`;
            const audit = async () => (await lighthouse(url,
                { port: chrome.port, logLevel: 'error', onlyCategories: CATEGORIES })).lhr;
            if (!warmedUp) {
                await audit();
                warmedUp = true;
            }
            const runs = [];
            for (let i = 0; i < AUDITS; ++i) runs.push(await audit());
            const scores = CATEGORIES.map((c) => {
                const each = runs.map((lhr) => Math.round(lhr.categories[c].score * 100))
                    .sort((a, b) => a - b);
                const [low, high] = [each[0], each[each.length - 1]];
                const range = low === high ? '' : ` (${low}–${high})`;
                const median = each[Math.floor(each.length / 2)];
                return `${median}${range}`.padStart(c === 'performance' ? 12 : 5);
            });
            console.log(`${set.padEnd(10)}${(allPage ? 'on' : 'off').padEnd(18)}${scores.join(' ')}   ${fs.statSync(config).size}`);
            // What falls short is told of the audit with the median performance.
            const lhr = runs.slice().sort((a, b) => a.categories.performance.score
                - b.categories.performance.score)[Math.floor(runs.length / 2)];
            const short = CATEGORIES.flatMap((c) => lhr.categories[c].auditRefs
                .filter((ref) => ref.weight > 0 && lhr.audits[ref.id].score !== null && lhr.audits[ref.id].score < 1)
                .map((ref) => `${ref.id} ${lhr.audits[ref.id].displayValue ?? lhr.audits[ref.id].score}`));
            if (short.length) console.log(`          short of full marks: ${short.join(', ')}`);
        }
    }
} finally {
    await chrome.kill();
    await server.close();
    fs.rmSync(root, { recursive: true, force: true });
}
