#!/usr/bin/env node
// Makes the README's picture of the visitors' choice: the sample show's pictures written by
// bildertafel-batch with the set "hell" and "Auswahl erlauben", on a phone (390 by 844) in
// headless Chromium, two pictures chosen and the list open:
//   docs/auswahl-telefon.png
// Usage: node scripts/auswahl-bild.mjs BATCH   (needs `make deps` for playwright-core)
import fs from 'node:fs';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { miniSizeOf, serve, writeShow } from '../tests/browser/schau.mjs';

const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const { chromium } = createRequire(path.join(repo, 'tests', 'browser', 'package.json'))('playwright-core');
const batch = process.argv[2];
if (!batch) {
    console.error('usage: auswahl-bild.mjs BATCH');
    process.exit(2);
}

const root = fs.mkdtempSync(path.join(os.tmpdir(), 'auswahl-bild-'));
const server = await serve(root);
const browser = await chromium.launch({ executablePath: process.env.CHROME_PATH ?? '/usr/bin/chromium' });
try {
    const show = path.join(root, 'show');
    fs.mkdirSync(show);
    const miniSize = miniSizeOf('hell');
    writeShow(batch, { config: path.join(repo, 'vorlagen', 'hell.cfg'), show,
        originals: path.join(repo, 'examples', 'sample-show', 'bilder'), miniSize, allPage: false, ownPages: false,
        extra: ['--selection-mail', 'foto@example.org', '--selection-note', 'Bitte bis Freitag bis zu 20 Bilder für das Album wählen.'] });
    const context = await browser.newContext({ viewport: { width: 390, height: 844 }, deviceScaleFactor: 2, isMobile: true, hasTouch: true });
    const page = await context.newPage();
    await page.goto(`${server.url}show/index.html`);
    await page.locator('td .merken').nth(1).tap();
    await page.locator('td .merken').nth(4).tap();
    await page.locator('.auswahl .zahl').tap();
    await page.fill('.auswahl .wer', 'Anna');
    await page.evaluate(() => scrollTo(0, 0));
    const file = path.join(repo, 'docs', 'auswahl-telefon.png');
    await page.screenshot({ path: file });
    console.log(path.relative(repo, file));
    await context.close();
} finally {
    await browser.close();
    await server.close();
    fs.rmSync(root, { recursive: true, force: true });
}
