#!/usr/bin/env node
// Builds the template sets vorlagen/<name>.cfg and vorlagen/<name>.txt from the sources in
// scripts/vorlagen-quellen/: each set's own style sheets plus the parts all sets share
// (gemeinsam/). The configuration file is written by bildertafel-batch itself, so its bytes
// are exactly the program's format; a set that would not come back unchanged is refused.
// The scripts go into the sets compact (no comments, no indentation, no blanks beside
// punctuation); the style sheets stay as written, for the user to adjust.
//   node scripts/vorlagen-bauen.mjs BATCH            writes into vorlagen/
//   node scripts/vorlagen-bauen.mjs BATCH --check    only compares with vorlagen/ (exit 1: stale)
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import vm from 'node:vm';
import { fileURLToPath } from 'node:url';

export const SETS = ['hell', 'dunkel', 'mosaik', 'schlicht'];
const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const sources = path.join(repo, 'scripts', 'vorlagen-quellen');
const CAPTIONS = ['HTML-Kopf', 'HTML-Fuß', 'HTML-Tabellenzelle vor dem Bild',
    'HTML-Tabellenzelle nach dem Bild', 'HTML-Datei vor dem Bild', 'HTML-Datei nach dem Bild'];

function read(file) {
    return fs.readFileSync(file, 'utf8').replace(/\r\n/g, '\n').replace(/\n+$/, '');
}

// A script without comments, indentation and the blanks beside punctuation; strings and
// regular expressions stay as they are. Lines stay lines, so no statement runs into the next.
// Written for the sets' own scripts: they hold no regular expression with a quote or a blank.
export function compactScript(code) {
    const punctuation = '{}()[];,=:<>+-*/%?!&|.';
    let out = '';
    for (let at = 0; at < code.length;) {
        const c = code[at];
        if (c === '/' && code[at + 1] === '*') {
            const end = code.indexOf('*/', at + 2);
            if (end < 0) throw new Error('a comment without its end');
            at = end + 2;
        } else if (c === "'" || c === '"') {
            let end = at + 1;
            while (end < code.length && code[end] !== c) end += code[end] === '\\' ? 2 : 1;
            out += code.slice(at, end + 1);
            at = end + 1;
        } else if (c === ' ' || c === '\t') {
            while (code[at] === ' ' || code[at] === '\t') ++at;
            const before = out[out.length - 1] ?? '\n', next = code[at] ?? '\n';
            const sameSign = (before === '+' || before === '-') && before === next;
            if (sameSign || !(before === '\n' || next === '\n' || punctuation.includes(before) || punctuation.includes(next))) {
                out += ' ';
            }
        } else {
            out += c;
            ++at;
        }
    }
    const compact = out.split('\n').map((line) => line.trim()).filter((line) => line).join('\n');
    new vm.Script(compact); // throws on a script the compacting broke
    return compact;
}

function compactScripts(html) {
    return html.replace(/(<script>\n)([\s\S]*?)(\n<\/script>)/g, (_, open, code, close) => open + compactScript(code) + close);
}

// "{{name}}" on a line of its own stands for the shared file gemeinsam/name.
function expand(text) {
    return text.replace(/\{\{([\w.-]+)\}\}/g, (_, name) => expand(read(path.join(sources, 'gemeinsam', name))));
}

export function templatesOf(name) {
    const own = (file) => read(path.join(sources, name, file));
    const shared = (file) => expand(read(path.join(sources, 'gemeinsam', file)));
    return [
        [shared('kopf-anfang.html'), '<style>', shared('grundlage.css'), own('stil.css'), '</style>',
         shared('kopf-ende.html')].join('\n'),
        shared('fuss.html'),
        '<td>',
        '</td>',
        [shared('bildseite-anfang.html'), '<style>', shared('bildseite.css'), own('bildseite.css'), '</style>',
         shared('bildseite-ende.html')].join('\n'),
        shared('bildseite-fuss.html'),
    ].map(compactScripts);
}

// The block the program writes below the table of previews when a show lets its visitors choose
// pictures (vorlagen/auswahl.html, built into the program): the style sheet without its
// comments, the script compact, and nothing but printable ASCII, so that it reads the same in
// whatever character set a server declares for the page.
// The zip writer of "Gemerkte herunterladen" is client-zip from npm, pinned in
// tests/browser/package.json; its module goes in as it is published, its export made the value
// of a local variable, and its licence beside the sets.
const zipWriter = path.join(repo, 'tests', 'browser', 'node_modules', 'client-zip');

function zipWriterScript() {
    const version = JSON.parse(fs.readFileSync(path.join(zipWriter, 'package.json'), 'utf8')).version;
    const code = fs.readFileSync(path.join(zipWriter, 'index.js'), 'utf8').trim();
    const exported = /export\{(\w+) as downloadZip[^}]*\};?$/;
    if (!exported.test(code)) throw new Error('client-zip: its export is not where it was');
    const script = `/*! client-zip ${version}, MIT License, Copyright 2020 David Junger: zip-schreiber-lizenz.txt */\n` +
        `var zipDatei=(function(){${code.replace(exported, 'return $1;')}})();`;
    new vm.Script(script);
    return script;
}

export function selectionBlock() {
    const block = compactScripts(read(path.join(sources, 'gemeinsam', 'auswahl.html')))
        .replace(/(<style>\n)([\s\S]*?)(\n<\/style>)/g, (_, open, css, close) =>
            open + css.replace(/\/\*[\s\S]*?\*\/\n?/g, '') + close)
        .replace('{{client-zip}}', zipWriterScript);
    const foreign = block.match(/[^\x20-\x7e\n]/);
    if (foreign) {
        throw new Error(`auswahl.html: "${foreign[0]}" is not printable ASCII (write it as \\u or a reference)`);
    }
    return block + '\n';
}

// The lines of a configuration file as the program writes it.
function configOf(templates) {
    const lines = [];
    templates.forEach((text, id) => {
        lines.push(`[${id}] ${CAPTIONS[id]}`, ...text.split('\n'));
        text.split('\n').forEach((line, at) => {
            if (line.startsWith('[') || (at === 0 && line === '')) {
                throw new Error(`template ${id}: line ${at + 1} would not come back from the file: "${line}"`);
            }
        });
    });
    lines.push('[6] Tabellenbreite', ' 2   (4 Bilder breit)', '[7] eigene HTML-Datei', ' 0 ',
        '[8] neues Browserfenster', ' 0 ', '[9] HTML-Datei mit allen Bildern', ' 0 ');
    const text = lines.join('\r\n') + '\r\n';
    if (/[^\x00-\x7f\xa0-\xff]/.test(text)) {
        throw new Error('a character outside Windows-1252 (write it as an HTML character reference)');
    }
    return Buffer.from(text, 'latin1');
}

export function build(batch, target) {
    const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'vorlagen-'));
    try {
        for (const name of SETS) {
            const draft = path.join(scratch, `${name}.cfg`);
            fs.writeFileSync(draft, configOf(templatesOf(name)));
            const saved = path.join(target, `${name}.cfg`);
            execFileSync(batch, ['--config', draft, '--save-config', saved], { stdio: 'inherit' });
            if (!fs.readFileSync(saved).equals(fs.readFileSync(draft))) {
                throw new Error(`${name}: the program writes the set back differently`);
            }
            fs.copyFileSync(path.join(sources, name, 'beschreibung.txt'), path.join(target, `${name}.txt`));
        }
        fs.writeFileSync(path.join(target, 'auswahl.html'), selectionBlock());
        fs.copyFileSync(path.join(zipWriter, 'LICENSE.txt'), path.join(target, 'zip-schreiber-lizenz.txt'));
    } finally {
        fs.rmSync(scratch, { recursive: true, force: true });
    }
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
    const [batch, mode] = process.argv.slice(2);
    if (!batch) {
        console.error('usage: vorlagen-bauen.mjs BATCH [--check]');
        process.exit(2);
    }
    const shipped = path.join(repo, 'vorlagen');
    if (mode === '--check') {
        const fresh = fs.mkdtempSync(path.join(os.tmpdir(), 'vorlagen-check-'));
        build(batch, fresh);
        const stale = [...SETS.flatMap((n) => [`${n}.cfg`, `${n}.txt`]), 'auswahl.html', 'zip-schreiber-lizenz.txt'].filter((file) => {
            const old = path.join(shipped, file);
            return !fs.existsSync(old) || !fs.readFileSync(old).equals(fs.readFileSync(path.join(fresh, file)));
        });
        fs.rmSync(fresh, { recursive: true, force: true });
        if (stale.length) {
            console.error(`vorlagen/ is out of date (${stale.join(', ')}): run scripts/vorlagen-bauen.mjs`);
            process.exit(1);
        }
    } else {
        fs.mkdirSync(shipped, { recursive: true });
        build(batch, shipped);
        for (const name of [...SETS.map((n) => `${n}.cfg`), 'auswahl.html']) {
            console.log(`vorlagen/${name}: ${fs.statSync(path.join(shipped, name)).size} bytes`);
        }
    }
}
