// The visitors' choice in headless Chromium: for each template set a show with "Auswahl
// erlauben", with and without the pictures' own pages, on a phone and on a desktop.
//   node --test auswahl.test.mjs   with BILDERTAFEL_BATCH=path/to/bildertafel-batch
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';
import { NAMES, makeOriginals, miniSizeOf, serve, writeShow } from './schau.mjs';

const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');
const batch = process.env.BILDERTAFEL_BATCH;
const SETS = ['hell', 'dunkel', 'mosaik', 'schlicht'];
const DEVICES = [
    { label: 'phone', options: { viewport: { width: 390, height: 844 }, deviceScaleFactor: 2, hasTouch: true, isMobile: true } },
    { label: 'desktop', options: { viewport: { width: 1280, height: 800 } } },
];
// A name with the characters an address and a mail link treat specially.
const ODD = 'Boote & Netze #2';
const MAIL = 'foto@example.org';
const NOTE = 'Bitte höchstens 20 Bilder – danke!';

let root, server, browser;
before(async () => {
    assert.ok(batch && fs.existsSync(batch), 'BILDERTAFEL_BATCH names the built bildertafel-batch');
    root = fs.mkdtempSync(path.join(os.tmpdir(), 'auswahl-browser-'));
    const originals = path.join(root, 'originale');
    makeOriginals(originals);
    fs.copyFileSync(path.join(originals, `${NAMES[4]}.jpg`), path.join(originals, `${ODD}.jpg`));
    server = await serve(root);
    browser = await chromium.launch({ executablePath: process.env.CHROME_PATH ?? '/usr/bin/chromium' });
});
after(async () => {
    await browser?.close();
    await server?.close();
    if (root) fs.rmSync(root, { recursive: true, force: true });
});

function show(set, ownPages) {
    const dir = path.join(root, set);
    const first = !fs.existsSync(dir);
    fs.mkdirSync(dir, { recursive: true });
    const miniSize = miniSizeOf(set);
    writeShow(batch, { config: path.join(repo, 'vorlagen', `${set}.cfg`), show: dir, originals: path.join(root, 'originale'),
        miniSize: first ? miniSize : 0, allPage: false, ownPages, extra: ['--selection-mail', MAIL, '--selection-note', NOTE] });
    return `${server.url}${set}/index.html`;
}

// The names of the previews in show order, as the pages take them.
const showNames = (page) => page.$$eval('td img', (images) => images.map((img) =>
    decodeURIComponent(new URL(img.src).pathname.split('/').pop()).replace(/\.[^.]*$/, '')));
const pressed = (page) => page.$$eval('td .merken', (hearts) => hearts.map((h) => h.getAttribute('aria-pressed') === 'true'));
const bodyOf = (href) => new URL(href).searchParams.get('body') ?? '';

async function watched(context) {
    const page = await context.newPage();
    const errors = [];
    page.on('pageerror', (error) => errors.push(String(error)));
    page.on('console', (message) => { if (message.type() === 'error') errors.push(message.text()); });
    return { page, errors };
}

for (const set of SETS) {
    for (const ownPages of [false, true]) {
        for (const device of DEVICES) {
            test(`${set}, own pages ${ownPages}, ${device.label}: hearts, list, mail, address`, async () => {
                const start = show(set, ownPages);
                const context = await browser.newContext(device.options);
                await context.grantPermissions(['clipboard-read', 'clipboard-write'], { origin: server.url });
                const { page, errors } = await watched(context);
                await page.goto(start);
                const names = await showNames(page);
                assert.ok(names.includes(ODD) && names.includes(NAMES[1]), names.join('|'));
                const odd = names.indexOf(ODD), umlaut = names.indexOf(NAMES[1]), last = names.length - 1;
                const hearts = page.locator('td .merken');

                // By click (a tap on the phone) and by keyboard.
                await (device.options.hasTouch ? hearts.nth(umlaut).tap() : hearts.nth(umlaut).click());
                await hearts.nth(odd).focus();
                await page.keyboard.press('Space');
                await hearts.nth(last).focus();
                await page.keyboard.press('Enter');
                await page.keyboard.press('Enter'); // and off again
                const chosen = [umlaut, odd].sort((a, b) => a - b);
                assert.deepEqual((await pressed(page)).flatMap((on, at) => (on ? [at] : [])), chosen);
                assert.equal(await page.textContent('.auswahl .zahl'), '2 gemerkt');
                assert.equal(await hearts.nth(umlaut).getAttribute('aria-label'), `Merken: ${NAMES[1]}`);

                await page.reload();
                assert.deepEqual((await pressed(page)).flatMap((on, at) => (on ? [at] : [])), chosen, 'kept over a reload');

                // The big view's heart counts for the picture shown.
                const big = [0, 1, 2, 3].find((at) => !chosen.includes(at));
                await page.locator('td a').nth(big).click();
                const bigHeart = page.locator('dialog.gross .merken');
                assert.equal(await bigHeart.getAttribute('aria-pressed'), 'false');
                await bigHeart.click();
                assert.equal(await bigHeart.getAttribute('aria-pressed'), 'true');
                await page.keyboard.press('Escape');
                const all = [...chosen, big].sort((a, b) => a - b);
                const chosenNames = all.map((at) => names[at]);
                assert.equal(await page.textContent('.auswahl .zahl'), '3 gemerkt');

                await page.check('.auswahl .nur input');
                assert.equal(await page.$$eval('td', (cells) => cells.filter((td) => td.offsetParent !== null).length), 3);
                await page.uncheck('.auswahl .nur input');
                assert.equal(await page.$$eval('td', (cells) => cells.filter((td) => td.offsetParent !== null).length), names.length);

                await page.click('.auswahl .zahl');
                assert.equal(await page.textContent('.auswahl .hinweis'), NOTE);
                assert.deepEqual(await page.$$eval('.auswahl ol li', (items) => items.map((li) => li.textContent)), chosenNames);
                await page.fill('.auswahl .wer', 'Oma Grün');
                const href = await page.getAttribute('.auswahl .senden', 'href');
                assert.ok(href.startsWith(`mailto:${MAIL}?subject=`) && href.length <= 1800, href);
                const body = bodyOf(href).split('\r\n');
                assert.match(body[0], /^Meine Auswahl aus „.*“ \(3 Bilder\):$/);
                assert.deepEqual(body.slice(1, 4), chosenNames);
                assert.deepEqual(body.slice(4, 6), ['', 'Gewählt von: Oma Grün']);
                assert.match(body[6], /^Auswahl wieder öffnen: http:\/\/127\.0\.0\.1:\d+\/.+#auswahl=.+!$/);

                // The photographer pastes the answer, quoted as a reply quotes it, back.
                const back = execFileSync(batch, ['--selection', '-', '--minis', path.join(root, set, 'minis')], {
                    input: body.map((line) => `> ${line}`).join('\r\n'), env: { ...process.env, ASAN_OPTIONS: 'detect_leaks=0' } });
                assert.equal(back.toString(), chosenNames.map((name) => `${name}\n`).join(''));

                await page.click('.auswahl .kopieren');
                await page.waitForFunction(() => document.querySelector('.auswahl .meldung').textContent === 'Liste kopiert');
                assert.equal(await page.evaluate(() => navigator.clipboard.readText()),
                    `${chosenNames.join(', ')}\r\n\r\n${chosenNames.join('\r\n')}\r\n`);
                assert.deepEqual(errors, []);

                // The address opens the same choice in a browser that knows nothing of it.
                const fresh = await browser.newContext(device.options);
                const other = await watched(fresh);
                await other.page.goto(body[6].slice('Auswahl wieder öffnen: '.length));
                assert.deepEqual((await pressed(other.page)).flatMap((on, at) => (on ? [at] : [])), all);
                assert.equal(other.page.url(), start, 'the address is clean again');
                await other.page.reload();
                assert.equal(await other.page.textContent('.auswahl .zahl'), '3 gemerkt');
                assert.deepEqual(other.errors, []);
                await fresh.close();
                await context.close();
            });
        }
    }
}

// 200 chosen pictures: camera names fit into the mail link's address, long names do not and
// are copied instead, with a hint.
for (const { label, name, mailLink } of [
    { label: 'camera names', name: (at) => `IMG_${String(4000 + at)}`, mailLink: true },
    { label: 'long names', name: (at) => `Ein langer Name für das Bild Nummer ${at} mit Ä`, mailLink: false },
]) {
    test(`200 chosen pictures with ${label}`, async () => {
        const dir = path.join(root, `viele-${mailLink}`);
        for (const folder of ['minis', 'bilder']) {
            fs.mkdirSync(path.join(dir, folder), { recursive: true });
            for (let at = 0; at < 200; ++at) fs.writeFileSync(path.join(dir, folder, `${name(at)}.jpg`), '');
        }
        writeShow(batch, { config: path.join(repo, 'vorlagen', 'hell.cfg'), show: dir, allPage: false, ownPages: false,
            extra: ['--selection-mail', MAIL] });
        const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
        await context.grantPermissions(['clipboard-read', 'clipboard-write'], { origin: server.url });
        const { page, errors } = await watched(context);
        await page.goto(`${server.url}viele-${mailLink}/index.html`);
        await page.$$eval('td .merken', (hearts) => hearts.forEach((heart) => heart.click()));
        assert.equal(await page.textContent('.auswahl .zahl'), '200 gemerkt');
        await page.click('.auswahl .zahl');
        const href = await page.getAttribute('.auswahl .senden', 'href');
        if (mailLink) {
            assert.ok(href.length <= 1800, href);
            const body = bodyOf(href).split('\r\n');
            assert.equal(body[1], 'Die Namen stehen in der Adresse unten.');
            const address = new URL(body.at(-1).slice('Auswahl wieder öffnen: '.length));
            assert.ok(address.hash.length < 700, address.hash);
        } else {
            assert.equal(href, null);
            await page.click('.auswahl .senden');
            await page.waitForFunction(() => document.querySelector('.auswahl .meldung').textContent.startsWith('Die Auswahl ist zu lang'));
            assert.match(await page.textContent('.auswahl .meldung'), new RegExp(`bitte in eine Mail an ${MAIL} einfügen`));
            const copied = await page.evaluate(() => navigator.clipboard.readText());
            assert.equal(copied.split('\r\n')[2], name(0));
        }
        assert.deepEqual(errors.filter((e) => !e.includes('Failed to load resource')), []);
        await context.close();
    });
}

// The entries of a zip, from its central directory: name and bytes, stored or not.
function zipEntries(data) {
    const end = data.lastIndexOf(Buffer.from('PK\x05\x06', 'latin1'));
    const entries = [];
    for (let at = data.readUInt32LE(end + 16), n = data.readUInt16LE(end + 10); n > 0; --n) {
        const method = data.readUInt16LE(at + 10), flags = data.readUInt16LE(at + 8), size = data.readUInt32LE(at + 20);
        const nameLength = data.readUInt16LE(at + 28), extra = data.readUInt16LE(at + 30), comment = data.readUInt16LE(at + 32);
        const local = data.readUInt32LE(at + 42);
        const name = data.subarray(at + 46, at + 46 + nameLength).toString('utf8');
        const start = local + 30 + data.readUInt16LE(local + 26) + data.readUInt16LE(local + 28);
        entries.push({ name, method, utf8: (flags & 0x800) !== 0, bytes: data.subarray(start, start + size) });
        at += 46 + nameLength + extra + comment;
    }
    return entries;
}

for (const ownPages of [false, true]) {
    test(`"Gemerkte herunterladen" gives the chosen pictures byte for byte, own pages ${ownPages}`, async () => {
        const start = show('mosaik', ownPages);
        const context = await browser.newContext({ viewport: { width: 1280, height: 800 }, acceptDownloads: true });
        const { page, errors } = await watched(context);
        await page.goto(start);
        const names = await showNames(page);
        const chosen = [names.indexOf(ODD), names.indexOf(NAMES[1]), 0].sort((a, b) => a - b);
        for (const at of chosen) await page.locator('td .merken').nth(at).click();
        await page.click('.auswahl .zahl');
        const [download] = await Promise.all([page.waitForEvent('download'), page.click('.auswahl .laden')]);
        assert.match(download.suggestedFilename(), /Auswahl\.zip$/);
        const entries = zipEntries(fs.readFileSync(await download.path()));
        assert.deepEqual(entries.map((e) => e.name), chosen.map((at) => `${names[at]}.jpg`));
        for (const entry of entries) {
            assert.equal(entry.method, 0, `${entry.name}: stored`);
            assert.equal(entry.utf8, true, `${entry.name}: the UTF-8 flag`);
            assert.ok(entry.bytes.equals(fs.readFileSync(path.join(root, 'mosaik', 'bilder', entry.name))), entry.name);
        }
        await page.waitForFunction(() => document.querySelector('.auswahl .meldung').textContent === '3 Bilder als ZIP-Datei geladen');
        assert.deepEqual(errors, []);
        await context.close();
    });
}
