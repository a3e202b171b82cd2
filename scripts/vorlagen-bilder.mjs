#!/usr/bin/env node
// Makes the pictures of the template sets from a real run: the sample show's pictures (and
// upright crops of them) written by bildertafel-batch with each set, in headless Chromium:
//   vorlagen/<set>.png                  480 pixels wide, for the dialog "Vorlage laden..."
//   docs/vorlagen/<set>-telefon.png     390 by 844, a phone
//   docs/vorlagen/<set>-desktop.png     1280 by 800, a desktop
//   docs/vorlagen/<set>-grossansicht.png  the overlay on that phone
// Usage: node scripts/vorlagen-bilder.mjs BATCH   (needs `make deps` for playwright-core, and vips)
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { miniSizeOf, serve, writeShow } from '../tests/browser/schau.mjs';
import { SETS } from './vorlagen-bauen.mjs';

const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const { chromium } = createRequire(path.join(repo, 'tests', 'browser', 'package.json'))('playwright-core');
const batch = process.argv[2];
if (!batch) {
    console.error('usage: vorlagen-bilder.mjs BATCH');
    process.exit(2);
}

const root = fs.mkdtempSync(path.join(os.tmpdir(), 'vorlagen-bilder-'));
const originals = path.join(root, 'originale');
fs.mkdirSync(originals);
const sample = path.join(repo, 'examples', 'sample-show', 'bilder');
for (const name of fs.readdirSync(sample).filter((n) => n.endsWith('.jpg'))) {
    fs.copyFileSync(path.join(sample, name), path.join(originals, name));
    execFileSync('vips', ['extract_area', path.join(sample, name),
        path.join(originals, name.replace('.jpg', ' hoch.jpg[Q=90]')), '200', '0', '400', '600']);
}
const docs = path.join(repo, 'docs', 'vorlagen');
fs.mkdirSync(docs, { recursive: true });
const server = await serve(root);
const browser = await chromium.launch({ executablePath: process.env.CHROME_PATH ?? '/usr/bin/chromium' });
try {
    for (const set of SETS) {
        const show = path.join(root, set);
        fs.mkdirSync(show);
        const miniSize = miniSizeOf(set);
        writeShow(batch, { config: path.join(repo, 'vorlagen', `${set}.cfg`), show, originals, miniSize,
            allPage: false, ownPages: false });
        for (const [label, width, height] of [['telefon', 390, 844], ['desktop', 1280, 800]]) {
            const page = await browser.newPage({ viewport: { width, height } });
            await page.goto(`${server.url}${set}/index.html`);
            const file = path.join(docs, `${set}-${label}.png`);
            await page.screenshot({ path: file });
            console.log(path.relative(repo, file));
            if (label === 'desktop') {
                const small = path.join(repo, 'vorlagen', `${set}.png`);
                execFileSync('vips', ['thumbnail', file, `${small}[compression=9]`, '480']);
                console.log(path.relative(repo, small));
            }
            if (label === 'telefon') {
                await page.click('td a');
                await page.waitForFunction(() => {
                    const img = document.querySelector('dialog.gross img');
                    return img.complete && img.naturalWidth > 0;
                });
                const overlay = path.join(docs, `${set}-grossansicht.png`);
                await page.screenshot({ path: overlay });
                console.log(path.relative(repo, overlay));
            }
            await page.close();
        }
    }
} finally {
    await browser.close();
    await server.close();
    fs.rmSync(root, { recursive: true, force: true });
}
