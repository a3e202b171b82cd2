// A show of twelve pictures for the template sets: photo-like originals made with vips
// (landscape and portrait mixed, names with blanks and umlauts), the previews and pictures
// made by bildertafel-batch --prepare, the pages written by it with a set, and a small HTTP
// server on 127.0.0.1 that sends every page as charset=utf-8, as many servers do.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

export const NAMES = ['Abend am Meer', 'Strandkörbe', 'Möwe über der Düne', 'Leuchtturm',
    'Hafen 1', 'Hafen 2', 'Fischbrötchen', 'Wattenmeer', 'Dünengras', 'Segelboot',
    'Sonnenuntergang', 'Küste bei Nacht'];
export const PORTRAIT = new Set([1, 3, 6, 9]); // positions in NAMES

const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');

// A set's own preview size, the third line of the description beside its .cfg.
export const miniSizeOf = (set) =>
    Number(fs.readFileSync(path.join(repo, 'vorlagen', `${set}.txt`), 'utf8').split('\n')[2]);

const vips = (...args) => execFileSync('vips', args, { stdio: ['ignore', 'ignore', 'inherit'] });

// Soft colour clouds with a fine grain, like a photo: they compress like one.
export function makeOriginals(dir) {
    fs.mkdirSync(dir, { recursive: true });
    const scratch = (name) => path.join(dir, `${name}.v`);
    [320, 200, 140].forEach((cell, at) => {
        vips('perlin', scratch(`band${at}`), '2000', '2000', '--cell-size', String(cell), '--uchar', '--seed', String(at + 1));
    });
    vips('bandjoin', [0, 1, 2].map((at) => scratch(`band${at}`)).join(' '), scratch('clouds'));
    vips('gaussnoise', scratch('grain'), '2000', '2000', '--sigma', '9', '--mean', '0');
    vips('add', scratch('clouds'), scratch('grain'), scratch('sum'));
    vips('cast', scratch('sum'), scratch('colour'), 'uchar');
    NAMES.forEach((name, at) => {
        const [w, h] = PORTRAIT.has(at) ? [800, 1200] : [1200, 800];
        vips('extract_area', scratch('colour'), path.join(dir, `${name}.jpg[Q=92]`), String(70 * at), String(60 * at),
            String(w), String(h));
    });
    for (const file of fs.readdirSync(dir)) {
        if (file.endsWith('.v')) fs.rmSync(path.join(dir, file));
    }
}

// Camera names: upper-case and mixed-case extensions, umlauts and blanks; the pictures larger
// than the web size, so that the preparation makes the large size too.
export const CAMERA_NAMES = ['IMG_0001.JPG', 'Möwe über der Düne.jpeg', 'Strand Körbe.Jpg', 'IMG_0004.JPG'];
export function makeCameraOriginals(dir, from) {
    fs.mkdirSync(dir, { recursive: true });
    CAMERA_NAMES.forEach((name, at) => {
        vips('resize', path.join(from, `${NAMES[at]}.jpg`), path.join(dir, `${name}[Q=90]`), '2');
    });
}

// Makes the previews at the set's size (once) and writes the pages with the given options.
export function writeShow(batch, { config, show, originals, miniSize, allPage, ownPages, extra = [] }) {
    const args = ['--config', config, '--show', show, '--minis', path.join(show, 'minis'),
        '--pictures', path.join(show, 'bilder'), '--name', 'index', '--strict',
        '--all-page', allPage ? 'on' : 'off', '--own-pages', ownPages ? 'on' : 'off', ...extra];
    if (miniSize) {
        args.push('--prepare', originals, '--mini-size', String(miniSize));
    }
    execFileSync(batch, args, { stdio: ['ignore', 'inherit', 'inherit'],
        env: { ...process.env, ASAN_OPTIONS: 'detect_leaks=0' } });
}

const TYPES = { '.html': 'text/html; charset=utf-8', '.jpg': 'image/jpeg' };

// Serves root on a free port of 127.0.0.1; resolves to { url, close }.
export function serve(root) {
    const server = http.createServer((request, response) => {
        let file;
        try {
            file = path.join(root, decodeURIComponent(new URL(request.url, 'http://x').pathname));
        } catch {
            file = null;
        }
        if (file && file.endsWith(path.sep) && fs.existsSync(path.join(file, 'index.html'))) {
            file = path.join(file, 'index.html');
        }
        if (!file || !file.startsWith(root) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
            response.writeHead(404, { 'Content-Type': 'text/plain' });
            response.end('nicht gefunden');
            return;
        }
        response.writeHead(200, { 'Content-Type': TYPES[path.extname(file).toLowerCase()] ?? 'application/octet-stream' });
        response.end(request.method === 'HEAD' ? undefined : fs.readFileSync(file));
    });
    return new Promise((resolve) => {
        server.listen(0, '127.0.0.1', () => resolve({
            url: `http://127.0.0.1:${server.address().port}/`,
            close: () => new Promise((done) => server.close(done)),
        }));
    });
}
