// Reads back in headless Chromium the link names that pixfold-gallery gives its pictures, for
// the fixed list of names that tests/gallery/link_name_table prints. A browser decodes a page as
// Shift-JIS, writes a link's path in UTF-8 keeping %XX escapes as they are, and the file system
// or web server takes each %XX as a byte: that must give back the file name's own bytes. And
// in real pages, NAME.html opens from its link, and index.html#NAME finds its entry.
//
// Environment:
//   LINK_NAME_TABLE  the table program, which prints one JSON line per name
//   BROWSER_DEPS     folder whose node_modules holds playwright-core
//   CHROMIUM         the browser (default /usr/bin/chromium)
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';
import { fileURLToPath, pathToFileURL } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const dependencies = process.env.BROWSER_DEPS ?? path.join(here, '../../build/browser');
const { chromium } = createRequire(path.join(dependencies, 'package.json'))('playwright-core');

if (!process.env.LINK_NAME_TABLE) throw new Error('LINK_NAME_TABLE names no table program');
const rows = execFileSync(process.env.LINK_NAME_TABLE).toString().trim().split('\n')
    .map((line) => JSON.parse(line))
    .map((row) => ({
        ...row, name: Buffer.from(row.name, 'hex'), link: Buffer.from(row.link, 'hex'),
    }));

// What the name is, for messages: its description and its link name as a browser shows it.
const about = (row) => `${row.what} (${row.may_be_utf8 ? 'UTF-8' : 'other'} locale): ` +
    `link ${row.link.toString('latin1')}`;

// The bytes of the name written into a page as pixfold writes it: '&', '<', '>' and '"' as
// references. A Shift-JIS trail byte is 0x40 or above, so none of them is one.
function in_page(bytes) {
    const references = { 0x26: '&amp;', 0x3C: '&lt;', 0x3E: '&gt;', 0x22: '&quot;' };
    return Buffer.concat([...bytes].map((byte) => references[byte] !== undefined
        ? Buffer.from(references[byte]) : Buffer.from([byte])));
}

let browser;
let page;
let folder;

before(async () => {
    folder = fs.mkdtempSync(path.join(os.tmpdir(), 'pixfold-link-names-'));
    browser = await chromium.launch({
        executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
        headless: true,
        args: [
            '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
            '--disable-component-update', '--disable-sync', '--disable-quic',
        ],
    });
    page = await browser.newPage();
});

after(async () => {
    await browser?.close();
    if (folder) fs.rmSync(folder, { recursive: true, force: true });
});

test('the list holds every kind of link name', () => {
    const high = (row) => row.link.some((byte) => byte >= 0x80);
    const escapes = (row) => row.link.includes(0x25);
    assert.ok(rows.some((row) => row.link.equals(row.name)), 'a name that stays as it is');
    assert.ok(rows.some(high), 'a name in Shift-JIS');
    assert.ok(rows.some((row) => escapes(row) && row.name.every((byte) => byte < 0x80)),
        'an ASCII name with escapes');
    assert.ok(rows.some((row) => escapes(row) && !row.may_be_utf8), 'a name of another locale');
});

test('a link name holds Shift-JIS bytes or escapes, never both', () => {
    for (const row of rows) {
        const high = row.link.some((byte) => byte >= 0x80);
        assert.ok(!(high && row.link.includes(0x25)), about(row));
    }
});

test('Chromium reads every link name back as the bytes of its file name', async () => {
    const read_back = await page.evaluate((links) => {
        const decoder = new TextDecoder('shift_jis');
        const encoder = new TextEncoder();
        return links.map((hex) => {
            const text = decoder.decode(Uint8Array.from(hex.match(/../g) ?? [],
                (digits) => parseInt(digits, 16)));
            const bytes = [];
            for (let at = 0; at < text.length;) {
                if (/^%[0-9A-Fa-f]{2}/.test(text.slice(at, at + 3))) {
                    bytes.push(parseInt(text.slice(at + 1, at + 3), 16));
                    at += 3;
                } else {
                    const character = String.fromCodePoint(text.codePointAt(at));
                    bytes.push(...encoder.encode(character));
                    at += character.length;
                }
            }
            return bytes.map((byte) => byte.toString(16).padStart(2, '0')).join('');
        });
    }, rows.map((row) => row.link.toString('hex')));
    const wrong = rows.flatMap((row, number) => (read_back[number] === row.name.toString('hex')
        ? [] : [`${about(row)}: reads back as ${read_back[number]}`]));
    assert.deepEqual(wrong, []);
});

// Each name in a folder of its own: NAME.html with a back link to index.html#LINK, and an
// index whose one entry is named LINK and links to LINK.html. The pages are Shift-JIS.
function write_pages(row, folder_of_name, number) {
    const head = (title) => '<html><head><meta http-equiv="Content-Type" ' +
        `content="text/html; charset=Shift_JIS"><title>${title}</title></head><body>`;
    const link = in_page(row.link);
    fs.mkdirSync(folder_of_name);
    fs.writeFileSync(path.join(folder_of_name, 'index.html'), Buffer.concat([
        Buffer.from(`${head('index')}<a name="`), link, Buffer.from('" href="'), link,
        Buffer.from('.html">entry</a></body></html>')]));
    fs.writeFileSync(Buffer.concat([Buffer.from(`${folder_of_name}/`), row.name,
        Buffer.from('.html')]), Buffer.concat([Buffer.from(`${head(`page ${number}`)}` +
        '<a href="index.html#'), link, Buffer.from('">BACK</a></body></html>')]));
}

// Opens the URL; false when the browser shows its page of an error instead, once that is in.
async function open(url) {
    return page.goto(url).then(() => true, async () => {
        await page.waitForURL(/^chrome-error:/);
        return false;
    });
}

// What goes wrong between the index, the page and back, or null.
async function follow_links(folder_of_name, number) {
    await page.goto(pathToFileURL(path.join(folder_of_name, 'index.html')).href);
    const charset = await page.evaluate(() => document.characterSet);
    if (charset !== 'Shift_JIS') return `the index is read as ${charset}`;
    const href = await page.$eval('a[name]', (entry) => entry.href);
    if (!(await open(href)) || (await page.title()) !== `page ${number}`)
        return `${href} opens no page or another`;
    const back = await page.$eval('a', (back_link) => back_link.href);
    if (!(await open(back))) return `${back} does not open`;
    const found = await page.evaluate(() => document.querySelector(':target')?.textContent);
    return found === 'entry' ? null : `${back} finds no entry`;
}

test('in real pages, every link opens its file and every back link finds its entry',
    async () => {
        const failures = [];
        for (const [number, row] of rows.entries()) {
            const folder_of_name = path.join(folder, String(number));
            write_pages(row, folder_of_name, number);
            const failure = await follow_links(folder_of_name, number);
            if (failure) failures.push(`${about(row)}: ${failure}`);
        }
        assert.deepEqual(failures, []);
    });
