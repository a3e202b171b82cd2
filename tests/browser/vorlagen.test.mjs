// The template sets in headless Chromium: for each set a show of twelve pictures written by
// bildertafel-batch, served over HTTP from 127.0.0.1.
//   node --test vorlagen.test.mjs   with BILDERTAFEL_BATCH=path/to/bildertafel-batch
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';
import { CAMERA_NAMES, NAMES, makeCameraOriginals, makeOriginals, miniSizeOf, serve, writeShow } from './schau.mjs';

const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');
const batch = process.env.BILDERTAFEL_BATCH;
const SETS = ['hell', 'dunkel', 'mosaik', 'schlicht'];
const WIDTHS = [320, 390, 768, 1280, 1440, 2560];
// On wide screens the cards grow instead of adding columns: the columns at 1440 px and the
// cards' width there and at 2560 px (mosaik's squares span the width at any size).
const WIDE = {
    hell: { columns: 6, card: [200, 240] },
    dunkel: { columns: 6, card: [220, 240] },
    schlicht: { columns: 4, card: [300, 320] },
};
// The two page modes: with the all-pictures page the run's download line comes first.
const MODES = [
    { allPage: false, compatMode: 'CSS1Compat' },
    { allPage: true, compatMode: 'BackCompat' },
];

// The words of two pictures: every field with umlauts, a dash, <&> and a caption that would
// run a script if it were taken as HTML; the second has a title only.
const CAPTION = 'Großmutter am See, Juli – <Sommer> & Sonne\n<img src=x onerror="window.lief=1">';
const WORDS = `[${NAMES[0]}.jpg]\nTitel: Abend am Meer\nBildtext: ${CAPTION.replace('\n', '\n ')}\n` +
    `Alternativtext: Ein Strand im Abendlicht, "Sonne" & Wolken\n[${NAMES[1]}.jpg]\nTitel: Strandkörbe\n`;

let root, server, browser;
before(async () => {
    assert.ok(batch && fs.existsSync(batch), 'BILDERTAFEL_BATCH names the built bildertafel-batch');
    root = fs.mkdtempSync(path.join(os.tmpdir(), 'vorlagen-browser-'));
    makeOriginals(path.join(root, 'originale'));
    server = await serve(root);
    browser = await chromium.launch({ executablePath: process.env.CHROME_PATH ?? '/usr/bin/chromium' });
});
after(async () => {
    await browser?.close();
    await server?.close();
    if (root) fs.rmSync(root, { recursive: true, force: true });
});

// Writes the set's show with the options; the previews are made by the first call.
function show(set, options) {
    const dir = path.join(root, set);
    const first = !fs.existsSync(dir);
    fs.mkdirSync(dir, { recursive: true });
    writeShow(batch, { config: path.join(repo, 'vorlagen', `${set}.cfg`), show: dir,
        originals: path.join(root, 'originale'), miniSize: first ? miniSizeOf(set) : 0, ...options });
    return `${server.url}${set}/index.html`;
}

// Every preview of the page: loaded, its box and how much it is scaled.
const previews = (page) => page.$$eval('td img', (images) => images.map((img) => {
    const box = img.getBoundingClientRect();
    const fit = getComputedStyle(img).objectFit;
    const sx = box.width / img.naturalWidth, sy = box.height / img.naturalHeight;
    const scale = fit === 'cover' ? Math.max(sx, sy) : fit === 'fill' ? Math.max(sx, sy) : Math.min(sx, sy);
    return { loaded: img.complete && img.naturalWidth > 0, fit, x: box.x, y: box.y, width: box.width, height: box.height,
        distortion: fit === 'fill' ? Math.abs(sx / sy - 1) : 0, scale };
}));
const horizontalOverflow = (page) => page.evaluate(() =>
    document.scrollingElement.scrollWidth - document.scrollingElement.clientWidth);

for (const set of SETS) {
    describe(set, () => {
        test('reflows at every width in both page modes, sharp and undistorted', async () => {
            const context = await browser.newContext({ deviceScaleFactor: 2 });
            const page = await context.newPage();
            const boxes = {};
            for (const mode of MODES) {
                await page.goto(show(set, { allPage: mode.allPage, ownPages: false }));
                assert.equal(await page.evaluate(() => document.compatMode), mode.compatMode);
                assert.equal(await page.evaluate(() => document.documentElement.lang), 'de');
                for (const width of WIDTHS) {
                    await page.setViewportSize({ width, height: 800 });
                    const where = `${set}, ${width} px, all-pictures page ${mode.allPage}`;
                    assert.ok(await horizontalOverflow(page) <= 0, `${where}: scrolls sideways`);
                    const images = await previews(page);
                    assert.equal(images.length, NAMES.length, where);
                    // Mosaik's squares grow when the pictures fill less than one row of them.
                    const oneRow = set === 'mosaik' && images.every((i) => Math.abs(i.y - images[0].y) < 1);
                    for (const image of images) {
                        assert.ok(image.loaded, `${where}: a preview did not load`);
                        assert.ok(image.distortion < 0.02, `${where}: a preview is distorted`);
                        assert.ok(oneRow || image.scale <= 0.51, `${where}: a preview is shown at ${image.scale} of its pixels`);
                    }
                    if (WIDE[set] && width >= 1440) {
                        const cards = await page.$$eval('td a', (links) => links.map((a) => a.getBoundingClientRect().width));
                        const columns = new Set(images.map((i) => Math.round(i.x))).size;
                        const [least, most] = WIDE[set].card;
                        assert.ok(cards.every((w) => w >= least && w <= most), `${where}: cards of ${cards[0]} px`);
                        if (width === 1440) assert.equal(columns, WIDE[set].columns, `${where}: columns`);
                    }
                    if (set === 'mosaik') {
                        // Equal squares from edge to edge.
                        const left = Math.min(...images.map((i) => i.x));
                        const right = Math.max(...images.map((i) => i.x + i.width));
                        assert.ok(left <= 2 && right >= width - 2, `${where}: covers ${left} to ${right}`);
                        assert.ok(images.every((i) => Math.abs(i.width - images[0].width) < 1 && Math.abs(i.height - i.width) < 1),
                            `${where}: squares of one size`);
                    }
                    // Across the page, both modes place the heading's text and the previews alike.
                    const heading = await page.$eval('h1', (h) => {
                        const text = document.createRange();
                        text.selectNodeContents(h);
                        const box = text.getBoundingClientRect();
                        return `${box.x} ${box.width}x${box.height}`;
                    });
                    const sizes = [heading, ...images.map((image) => `${image.x} ${image.width}x${image.height}`)].join(', ');
                    if (mode.allPage) {
                        assert.equal(sizes, boxes[width], `${where}: differs from the page without download line`);
                    } else {
                        boxes[width] = sizes;
                    }
                }
            }
            await context.close();
        });

        // Own pages on: the overlay takes the picture beside the page; there with the download line.
        for (const { ownPages, allPage } of [{ ownPages: false, allPage: false }, { ownPages: true, allPage: true }]) {
            test(`overlay with own pages ${ownPages ? 'on' : 'off'}: keys, swipe, focus, preloading`, async () => {
                const context = await browser.newContext({ hasTouch: true, viewport: { width: 390, height: 800 } });
                const page = await context.newPage();
                await page.goto(show(set, { allPage, ownPages }));
                const bigPicture = () => page.$eval('dialog.gross img', (img) =>
                    img.complete && img.naturalWidth > 0 ? decodeURIComponent(new URL(img.src).pathname) : null);
                const isOpen = () => page.$eval('dialog.gross', (box) => box.open);
                // Picture i is the full-size picture of the i-th preview.
                const pictures = await page.$$eval('td img', (images) =>
                    images.map((img) => decodeURIComponent(new URL(img.src).pathname).replace('/minis/', '/bilder/')));
                const expect = async (at, how) => {
                    await page.waitForFunction(() => {
                        const img = document.querySelector('dialog.gross img');
                        return img.complete && img.naturalWidth > 0;
                    });
                    assert.equal(await bigPicture(), pictures[at], how);
                };
                const links = page.locator('td a');
                await links.nth(0).focus();
                await page.keyboard.press('Enter');
                assert.ok(await isOpen(), 'Enter on a preview opens the overlay');
                await expect(0, 'the first picture');
                assert.ok(await page.evaluate(() => document.querySelector('dialog.gross').contains(document.activeElement)),
                    'the focus moves into the overlay');
                // The picture ahead is asked for together with the shown one, but it may finish after it:
                // its timing entry appears only once its last byte is in.
                const ahead = await page.waitForFunction((next) => performance.getEntriesByType('resource')
                    .some((e) => decodeURIComponent(e.name).endsWith(next)), pictures[1], { timeout: 5000 })
                    .then(() => true, () => false);
                assert.ok(ahead, 'the next picture is loaded ahead');
                const steps = [
                    ['ArrowRight', 1], ['ArrowRight', 2], ['ArrowLeft', 1], ['ArrowLeft', 0], ['ArrowLeft', NAMES.length - 1],
                ];
                for (const [key, at] of steps) {
                    await page.keyboard.press(key);
                    await expect(at, key);
                }
                const cdp = await context.newCDPSession(page);
                const swipe = async (fromX, toX) => {
                    for (const [type, x] of [['touchStart', fromX], ['touchMove', (fromX + toX) / 2], ['touchMove', toX], ['touchEnd', toX]]) {
                        await cdp.send('Input.dispatchTouchEvent', { type, touchPoints: type === 'touchEnd' ? [] : [{ x, y: 400 }] });
                    }
                };
                await swipe(300, 60);
                await expect(0, 'a swipe to the left shows the next picture');
                await swipe(60, 300);
                await expect(NAMES.length - 1, 'a swipe to the right shows the previous one');
                await page.keyboard.press('Escape');
                assert.equal(await isOpen(), false, 'Escape closes the overlay');
                assert.ok(await links.nth(0).evaluate((a) => a === document.activeElement), 'the focus is back on the preview');
                await context.close();
            });
        }

        test('over HTTP every image loads and every link leads to its file, with and without JavaScript', async () => {
            show(set, { allPage: true, ownPages: true });
            for (const javaScriptEnabled of [true, false]) {
                const context = await browser.newContext({ javaScriptEnabled, viewport: { width: 390, height: 800 } });
                const page = await context.newPage();
                const start = `${server.url}${set}/index.html`;
                const pages = [start];
                for (let at = 0; at < pages.length; ++at) {
                    await page.goto(pages[at]);
                    await page.waitForLoadState('load');
                    const broken = await page.$$eval('img[src]', (images) => images.filter((img) => !img.naturalWidth).map((img) => img.src));
                    assert.deepEqual(broken, [], `${pages[at]}: images that do not load`);
                    const links = await page.$$eval('a[href]', (anchors) => anchors.map((a) => a.href.split('#')[0]));
                    for (const link of new Set(links)) {
                        const response = await page.request.get(link);
                        assert.equal(response.status(), 200, `${pages[at]}: ${link}`);
                        if (link.endsWith('.html') && !pages.includes(link)) pages.push(link);
                    }
                }
                assert.equal(pages.length, 2 + NAMES.length, 'the start page, the all-pictures page and every picture page');
                // A picture page fits its picture to the screen and leads back to the start page.
                await page.goto(pages.find((p) => p.endsWith(`/${encodeURIComponent(NAMES[1])}.html`)));
                const fits = await page.$eval('main img', (img) => {
                    const box = img.getBoundingClientRect();
                    return box.bottom <= innerHeight && box.right <= innerWidth && img.naturalWidth > 0;
                });
                assert.ok(fits, 'the picture fits the screen');
                await page.click('nav a');
                assert.equal(page.url().split('#')[0], javaScriptEnabled ? start : `${server.url}${set}/`);
                if (!javaScriptEnabled) {
                    await page.goto(start);
                    const first = await page.$eval('td a', (a) => a.href);
                    await page.click('td a');
                    assert.equal(page.url(), first, 'without JavaScript a preview leads to its page');
                }
                await context.close();
            }
        });

        test('words: title and caption under the big picture and on the picture page, the alternative text as alt', async () => {
            const wordsFile = path.join(root, set, 'bildtexte.txt');
            show(set, { allPage: false, ownPages: true }); // the pictures, when this test runs alone
            fs.writeFileSync(wordsFile, WORDS);
            try {
                const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
                const page = await context.newPage();
                await page.goto(show(set, { allPage: false, ownPages: true }));
                const alts = Object.fromEntries(await page.$$eval('td img', (images) => images.map((img) =>
                    [decodeURIComponent(new URL(img.src).pathname).split('/').pop(), img.alt])));
                assert.equal(alts[`${NAMES[0]}.jpg`], 'Ein Strand im Abendlicht, "Sonne" & Wolken');
                assert.equal(alts[`${NAMES[1]}.jpg`], 'Strandkörbe', 'without an alternative text the title');
                assert.equal(alts[`${NAMES[2]}.jpg`], 'Foto zum Vergrößern bitte anklicken!', 'without words as before');
                const overlay = () => page.$eval('dialog.gross', (box) => {
                    const worte = box.querySelector('.worte');
                    return { alt: box.querySelector('img').alt, shown: !worte.hidden && worte.getBoundingClientRect().height > 0,
                        title: worte.querySelector('.titel').textContent, lines: worte.querySelector('.text').innerText.split('\n'),
                        breaks: worte.querySelectorAll('.text br').length, images: worte.querySelectorAll('img').length };
                });
                const hrefs = await page.$$eval('td a', (links) => links.map((a) => decodeURIComponent(new URL(a.href).pathname)));
                const cell = (name) => page.locator('td a').nth(hrefs.findIndex((href) => href.endsWith(`/${name}.html`)));
                await cell(NAMES[0]).click();
                assert.deepEqual(await overlay(), { alt: 'Ein Strand im Abendlicht, "Sonne" & Wolken', shown: true,
                    title: 'Abend am Meer', lines: CAPTION.split('\n'), breaks: 1, images: 0 });
                await page.keyboard.press('Escape');
                await cell(NAMES[1]).click();
                const second = await overlay();
                assert.equal(second.title, 'Strandkörbe');
                assert.equal(second.alt, 'Strandkörbe');
                await page.keyboard.press('Escape');
                await cell(NAMES[2]).click();
                assert.equal((await overlay()).shown, false, 'a picture without words shows none');
                assert.equal(await page.evaluate(() => window.lief), undefined, 'the caption ran no script');

                await page.goto(`${server.url}${set}/bilder/${encodeURIComponent(NAMES[0])}.html`);
                const own = await page.$eval('main', (main) => {
                    const img = main.querySelector('img').getBoundingClientRect();
                    const words = main.querySelector('.bildworte').getBoundingClientRect();
                    return { alt: main.querySelector('img').alt, title: main.querySelector('.bildtitel').textContent,
                        lines: main.querySelector('.bildtext').innerText.split('\n'), below: words.top >= img.bottom - 1,
                        images: main.querySelectorAll('.bildworte img').length };
                });
                assert.deepEqual(own, { alt: 'Ein Strand im Abendlicht, "Sonne" & Wolken', title: 'Abend am Meer',
                    lines: CAPTION.split('\n'), below: true, images: 0 });
                assert.equal(await page.evaluate(() => window.lief), undefined, 'the caption ran no script');
                await context.close();
            } finally {
                fs.rmSync(wordsFile, { force: true });
            }
        });
    });
}

// Every picture has an address, with camera names and the large size: each set, own pages on and
// off, on a phone and on a 2x desktop.
const DEVICES = [
    { label: 'phone', options: { viewport: { width: 390, height: 844 }, deviceScaleFactor: 3, hasTouch: true, isMobile: true }, large: false },
    { label: '2x desktop', options: { viewport: { width: 1440, height: 900 }, deviceScaleFactor: 2 }, large: true },
];
describe('addresses', () => {
    const prepared = () => path.join(root, 'kamera-bilder');
    before(() => {
        makeCameraOriginals(path.join(root, 'kamera'), path.join(root, 'originale'));
        execFileSync(batch, ['--prepare', path.join(root, 'kamera'), '--minis', path.join(prepared(), 'minis'),
            '--pictures', path.join(prepared(), 'bilder'), '--mini-size', '480'],
        { stdio: ['ignore', 'inherit', 'inherit'], env: { ...process.env, ASAN_OPTIONS: 'detect_leaks=0' } });
    });
    for (const set of SETS) {
        for (const ownPages of [false, true]) {
            for (const device of DEVICES) {
                test(`${set}, own pages ${ownPages ? 'on' : 'off'}, ${device.label}`, async () => {
                    const name = `adressen-${set}-${ownPages}`, dir = path.join(root, name);
                    if (!fs.existsSync(dir)) {
                        fs.cpSync(prepared(), dir, { recursive: true });
                        writeShow(batch, { config: path.join(repo, 'vorlagen', `${set}.cfg`), show: dir, allPage: false, ownPages });
                    }
                    const start = `${server.url}${name}/index.html`;
                    const context = await browser.newContext(device.options);
                    const page = await context.newPage();
                    await page.goto(start);
                    const files = await page.$$eval('td img', (images) => images.map((img) =>
                        decodeURIComponent(new URL(img.src).pathname).split('/').pop()));
                    assert.equal(files.length, CAMERA_NAMES.length);
                    const stem = (at) => files[at].replace(/\.[^.]*$/, '');
                    const picture = (at) => `/${name}/bilder/${device.large ? 'gross/' : ''}${files[at]}`;
                    const shown = async (p) => decodeURIComponent(new URL(await (await p.waitForFunction(() => {
                        const img = document.querySelector('dialog.gross[open] img');
                        return img && img.complete && img.naturalWidth > 0 && img.src;
                    })).jsonValue()).pathname);
                    const addressOf = (url) => {
                        const { pathname, hash } = new URL(url);
                        return decodeURIComponent(pathname) + decodeURIComponent(hash);
                    };
                    const address = (at) => ownPages ? `/${name}/bilder/${stem(at)}.html` : `/${name}/index.html#${stem(at)}`;

                    await page.locator('td a').nth(2).click();
                    assert.equal(await shown(page), picture(2), 'the big picture of a camera name loads, in the size for the screen');
                    assert.equal(addressOf(page.url()), address(2), 'the address names the picture');
                    const said = await page.$eval('dialog.gross p', (p) => p.textContent);
                    assert.ok(said.includes(`3 / ${files.length}`) && said.includes(stem(2)), `counter and name: ${said}`);
                    const entries = await page.evaluate(() => history.length);
                    await page.keyboard.press('ArrowRight');
                    assert.equal(await shown(page), picture(3), 'the next picture');
                    assert.equal(addressOf(page.url()), address(3), 'the address moves along');
                    assert.equal(await page.evaluate(() => history.length), entries, 'paging adds no history entry');
                    if (device.large) {
                        // On a desktop the buttons, the counter and the words lie beside the picture, not over it.
                        const over = await page.$eval('dialog.gross', (box) => {
                            const img = box.querySelector('img'), r = img.getBoundingClientRect();
                            const scale = Math.min(r.width / img.naturalWidth, r.height / img.naturalHeight);
                            const w = img.naturalWidth * scale, h = img.naturalHeight * scale;
                            const shown = { left: r.x + (r.width - w) / 2, top: r.y + (r.height - h) / 2 };
                            Object.assign(shown, { right: shown.left + w, bottom: shown.top + h });
                            return [...box.querySelectorAll('button, p, .worte:not([hidden])')].filter((e) => {
                                const b = e.getBoundingClientRect();
                                return b.width > 0 && b.left < shown.right - 1 && b.right > shown.left + 1 &&
                                    b.top < shown.bottom - 1 && b.bottom > shown.top + 1;
                            }).map((e) => e.className || e.tagName);
                        });
                        assert.deepEqual(over, [], 'nothing over the big picture');
                    }
                    const share = await page.$eval('dialog.gross .teilen', (b) => [b.textContent, navigator.share ? 'Teilen' : 'Link kopieren']);
                    assert.equal(share[0], share[1]);
                    if (share[0] === 'Link kopieren') {
                        const url = page.url();
                        await page.click('dialog.gross .teilen');
                        const after = await page.evaluate(() => [document.querySelector('dialog.gross p').textContent,
                            document.querySelector('dialog.gross').contains(document.activeElement)]);
                        assert.ok(after[0] === 'Link kopiert' || after[0] === url, `the link is copied or shown: ${after[0]}`);
                        assert.ok(after[1], 'the focus stays in the overlay');
                    }

                    // The address opened anew shows the same picture big.
                    const again = await context.newPage();
                    await again.goto(page.url());
                    if (ownPages) {
                        const own = await again.$eval('main img', (img) => img.complete && img.naturalWidth > 0 &&
                            decodeURIComponent(new URL(img.currentSrc).pathname));
                        assert.equal(own, picture(3), 'the picture page of the address, in the size for the screen');
                    } else {
                        assert.equal(await shown(again), picture(3), 'the start page with the address opens the picture');
                        await again.goBack().catch(() => null);
                        assert.equal(await again.$eval('dialog.gross', (box) => box.open), false, 'Back closes it there too');
                        assert.equal(again.url(), start);
                    }
                    await again.close();

                    await page.goBack();
                    assert.equal(await page.$eval('dialog.gross', (box) => box.open), false, 'Back closes the overlay');
                    assert.equal(page.url(), start, 'and stays on the start page');
                    await page.goForward();
                    assert.equal(await shown(page), picture(3), 'Forward opens it again');
                    if (set === 'mosaik') {
                        const right = await page.$$eval('td img', (images) => Math.max(...images.map((i) => i.getBoundingClientRect().right)));
                        assert.ok(right >= device.options.viewport.width - 2, `mosaik covers the width: ${right}`);
                    }
                    await context.close();
                });
            }
        }
    }
});
