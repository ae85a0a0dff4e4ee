// Opens galleries written by pixfold-gallery in headless Chromium and checks them the way a
// visitor meets them, once from a web server over HTTP and once from file:// URLs: every
// thumbnail and every picture shows at the size its page declares, which is the size the
// browser finds in the picture itself (turned upright by its EXIF orientation), thumbnails and
// web-size copies fit their boxes, every index link opens the page of its own picture file,
// every back link returns to that picture's entry, and every page is read as Shift-JIS.
// A file is matched to a link the way a server or a file:// URL finds it, by the
// percent-decoded bytes of the URL's path, never by comparing names as strings.
//
// Environment:
//   GALLERIES       JSON: a list of {"path": folder, "thumb_box": N, "web_box": N, "click":
//                   [name...]}; web_box only for a gallery written into OUT, whose pictures are
//                   web-size copies; click names pictures whose entries are clicked for real,
//                   as a visitor would, since their names read like script
//   HTTP_URL        the URL at which a web server serves HTTP_ROOT, a folder holding every
//                   gallery (optional: without it only file:// URLs are checked)
//   BROWSER_DEPS    folder whose node_modules holds playwright-core
//   SCREENSHOTS     folder for screenshots of one gallery's index and one page (optional)
//   SCREENSHOT_GALLERY  the folder name of the gallery photographed (default: the first)
//   SCREENSHOT_PAGE picture whose page is photographed (default: the first in the index)
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';
import { fileURLToPath, pathToFileURL } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const dependencies = process.env.BROWSER_DEPS ?? path.join(here, '../../build/browser');
const { chromium } = createRequire(path.join(dependencies, 'package.json'))('playwright-core');

const galleries = JSON.parse(process.env.GALLERIES ?? '[]');
if (galleries.length === 0) throw new Error('GALLERIES names no gallery folder');

// The label that every page carries, as Chromium decodes its Shift-JIS bytes.
const label = '最終更新:';

// The bytes of a URL's path once percent-decoded, as a server or the file system takes them.
function path_bytes(url) {
    const bytes = [];
    const text = new URL(url).pathname;
    for (let at = 0; at < text.length; ++at) {
        if (text[at] === '%' && /^[0-9A-Fa-f]{2}$/.test(text.slice(at + 1, at + 3))) {
            bytes.push(parseInt(text.slice(at + 1, at + 3), 16));
            at += 2;
        } else {
            bytes.push(...Buffer.from(text[at]));
        }
    }
    return Buffer.from(bytes);
}

// How a gallery is reached: the URL of a file, and the file that a URL reaches (its bytes, or
// null when the URL leads elsewhere).
const file_access = {
    name: 'file://',
    url_of: (file) => pathToFileURL(file).href,
    file_of: (url) => (new URL(url).protocol === 'file:' ? path_bytes(url) : null),
};
const modes = [file_access];
if (process.env.HTTP_URL) {
    const root = fs.realpathSync(process.env.HTTP_ROOT);
    const origin = new URL(process.env.HTTP_URL).origin;
    modes.unshift({
        name: 'HTTP',
        url_of: (file) => {
            const relative = path.relative(root, file);
            assert.ok(!relative.startsWith('..'), `${file} is not under ${root}`);
            return new URL(relative.split(path.sep).map(encodeURIComponent).join('/'),
                `${origin}/`).href;
        },
        file_of: (url) => (new URL(url).origin === origin
            ? Buffer.concat([Buffer.from(root), path_bytes(url)]) : null),
    });
}

// A file name for messages: UTF-8 as it reads, any other byte as \xHH, control bytes escaped.
function shown(bytes) {
    if (bytes === null) return 'no file';
    const text = bytes.toString('utf8');
    return JSON.stringify(Buffer.from(text).equals(bytes) ? text
        : bytes.toString('latin1').replace(/[\x80-\xff]/g,
            (c) => `\\x${c.charCodeAt(0).toString(16).toUpperCase()}`));
}

const join = (...parts) => Buffer.concat(parts.map((part) => Buffer.from(part)));

// Width and height from the second line of a PPM header, as pixfold reads them.
function ppm_size(ppm_path) {
    const header = fs.readFileSync(ppm_path).subarray(0, 518).toString('latin1');
    const [width, height] = header.split('\n')[1].trim().split(/\s+/).map(Number);
    return { width, height };
}

// What the page shows of an image: whether it loaded, the size the page declares for it, its
// own size as the browser decoded and turned it, and its laid-out size.
function image_facts(image) {
    const box = image.getBoundingClientRect();
    return {
        loaded: image.complete && image.naturalWidth > 0,
        declared: { width: Number(image.getAttribute('width')), height: Number(image.getAttribute('height')) },
        natural: { width: image.naturalWidth, height: image.naturalHeight },
        shown: { width: box.width, height: box.height },
        src: image.src,
    };
}

// What a page says of itself, as Chromium decoded it.
function page_facts() {
    return {
        charset: document.characterSet,
        label: document.querySelector('p')?.textContent.trim(),
        title: document.querySelector('title')?.textContent,
        document_title: document.title,
    };
}

function assert_fits(size, box, what) {
    assert.ok(size.width <= box && size.height <= box,
        `${what}: ${size.width}x${size.height} does not fit ${box}x${box}`);
}

// The image shows at the size its page declares, and that is the size of the picture itself.
function assert_shown_as_declared(image, what) {
    assert.ok(image.loaded, `${what}: did not load`);
    assert.ok(image.declared.width > 0 && image.declared.height > 0, `${what}: no size declared`);
    assert.deepEqual(image.natural, image.declared, `${what}: the picture's own size`);
    assert.deepEqual(image.shown, image.declared, `${what}: laid-out size`);
}

// The page is read as Shift-JIS, whatever the server says, and its label reads as written.
function assert_shift_jis(facts, what) {
    assert.equal(facts.charset, 'Shift_JIS', `${what}: read as ${facts.charset}`);
    assert.equal(facts.label, label, `${what}: the label`);
}

// Opens the URL, by default until its images are in; over HTTP the server must answer 200.
async function open(page, url, mode, wait_until = 'load') {
    const response = await page.goto(url, { waitUntil: wait_until });
    if (mode !== file_access) assert.equal(response?.status(), 200, `${url}: HTTP status`);
    return response;
}

let context;
let page;

before(async () => {
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'pixfold-chromium-'));
    context = await chromium.launchPersistentContext(profile, {
        executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
        headless: true,
        viewport: { width: 640, height: 480 },
        args: [
            '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
            '--disable-component-update', '--disable-sync', '--disable-quic', '--no-proxy-server',
        ],
    });
    // Every page gets the helpers, so each check reads pages and images the same way.
    await context.addInitScript(`window.image_facts = ${image_facts.toString()};` +
        `window.page_facts = ${page_facts.toString()};`);
    page = context.pages()[0] ?? (await context.newPage());
});

after(async () => {
    await context?.close();
});

for (const [gallery_number, { path: folder, thumb_box, web_box, click }] of galleries.entries()) {
    const gallery = fs.realpathSync(folder);
    const in_gallery = (...parts) => join(`${gallery}/`, ...parts);
    // The pictures of the gallery: NAME.jpg beside the index, originals or web-size copies, each
    // NAME as the bytes of its file name.
    const names = fs.readdirSync(gallery, { encoding: 'buffer' })
        .filter((file) => file.toString('latin1').endsWith('.jpg'))
        .map((file) => file.subarray(0, -'.jpg'.length))
        .sort(Buffer.compare);
    // The thumbnails' companions, which pixfold sized the index from, named by link name.
    const sizes = path.join(gallery, '.pixfold-gallery/sizes/t');
    const companions = fs.readdirSync(sizes, { encoding: 'buffer' });
    const thumbnails = fs.readdirSync(path.join(gallery, 't'), { encoding: 'buffer' });

    for (const mode of modes) {
        const index_url = mode.url_of(path.join(gallery, 'index.html'));

        // The entries of the index as the browser parsed them (names come back decoded), each
        // with the picture that its link reaches.
        const read_index = async () => {
            await open(page, index_url, mode);
            const entries = await page.$$eval('a[name]', (links) => links.map((link) => ({
                name: link.name,
                href: link.href,
                image: link.querySelector('img') && window.image_facts(link.querySelector('img')),
            })));
            for (const entry of entries) {
                const page_file = mode.file_of(entry.href);
                entry.picture = names.find((name) => page_file?.equals(in_gallery(name, '.html')));
                assert.ok(entry.picture, `${entry.href}: reaches ${shown(page_file)}, no page`);
            }
            return entries;
        };

        describe(`gallery ${path.basename(gallery)} over ${mode.name}`, () => {
            test('the index has one entry per picture, with its thumbnail at its size, in its box',
                async () => {
                    const response = await open(page, index_url, mode);
                    // The pages declare no charset, and the server adds none.
                    if (mode !== file_access)
                        assert.equal(response.headers()['content-type'], 'text/html');
                    assert_shift_jis(await page.evaluate(() => window.page_facts()), 'index');
                    const entries = await read_index();
                    assert.deepEqual(entries.map((entry) => entry.picture).sort(Buffer.compare)
                        .map(shown), names.map(shown), 'the pictures of the entries');
                    assert.equal(new Set(entries.map((entry) => entry.name)).size, entries.length,
                        'two entries share an anchor');
                    // LINK.ppm is named by the link's bytes, which Chromium decodes as the page.
                    const companion_links = await page.evaluate((hex_names) => hex_names.map(
                        (hex) => new TextDecoder('shift_jis').decode(Uint8Array.from(
                            hex.match(/../g), (digits) => parseInt(digits, 16)))),
                    companions.map((companion) => companion.toString('hex')));
                    assert.deepEqual([...companion_links].sort(),
                        entries.map((entry) => `${entry.name}.ppm`).sort(),
                        'one companion per entry, named by its link');
                    for (const entry of entries) {
                        const what = `thumbnail of ${shown(entry.picture)}`;
                        assert.ok(entry.image, `${what}: missing`);
                        assert.ok(mode.file_of(entry.image.src)
                            ?.equals(in_gallery('t/', entry.picture, '.jpg')),
                        `${what}: ${entry.image.src} reaches another file`);
                        assert_shown_as_declared(entry.image, what);
                        const companion = companions[companion_links.indexOf(`${entry.name}.ppm`)];
                        assert.deepEqual(entry.image.declared,
                            ppm_size(join(`${sizes}/`, companion)), `${what}: its companion`);
                        assert_fits(entry.image.natural, thumb_box, what);
                    }
                    // t/ holds the thumbnails and nothing else.
                    assert.deepEqual(thumbnails.map(shown).sort(),
                        entries.map((entry) => shown(join(entry.picture, '.jpg'))).sort());
                });

            test('every index link opens the page of its picture, which shows it at its size',
                async () => {
                    for (const entry of await read_index()) {
                        const what = `page of ${shown(entry.picture)}`;
                        await open(page, entry.href, mode);
                        assert.ok(mode.file_of(page.url())?.equals(in_gallery(entry.picture, '.html')),
                            `${what}: the browser is at ${page.url()}`);
                        const facts = await page.evaluate(() => window.page_facts());
                        assert_shift_jis(facts, what);
                        assert.equal(facts.title, `Picture ${entry.name}`, `${what}: title`);
                        // A link name without escapes is the file's own name, in Shift-JIS.
                        if (!entry.name.includes('%')) {
                            assert.equal(facts.title, `Picture ${entry.picture.toString('utf8')}`,
                                `${what}: title`);
                        }
                        const images = await page.$$eval('img',
                            (found) => found.map((image) => window.image_facts(image)));
                        assert.equal(images.length, 1, `${what}: one picture`);
                        assert.ok(mode.file_of(images[0].src)?.equals(in_gallery(entry.picture, '.jpg')),
                            `${what}: ${images[0].src} reaches another file`);
                        assert_shown_as_declared(images[0], what);
                        if (web_box) assert_fits(images[0].natural, web_box, what);
                    }
                });

            test('both back links of every page lead to that picture\'s entry in the index',
                async () => {
                    for (const entry of await read_index()) {
                        const what = `page of ${shown(entry.picture)}`;
                        // Links and anchors need the document only, not its pictures.
                        await open(page, entry.href, mode, 'domcontentloaded');
                        const backs = await page.$$eval('a', (links) =>
                            links.filter((link) => link.textContent === 'BACK').map((l) => l.href));
                        assert.equal(backs.length, 2, `${what}: two back links`);
                        for (const back of backs) {
                            assert.ok(mode.file_of(back)?.equals(in_gallery('index.html')),
                                `${what}: ${back} is not the index`);
                            // A new load of the index, not a jump within the index that
                            // the first back link left open.
                            await page.goto('about:blank');
                            await open(page, back, mode, 'domcontentloaded');
                            // The browser's own fragment lookup decides which entry is meant.
                            const found = await page.evaluate(
                                () => document.querySelector(':target')?.name);
                            assert.equal(found, entry.name, `${what}: ${back} reaches no entry or another`);
                        }
                    }
                });

            if (click) {
                test('a click on an entry named like script opens its page and runs nothing',
                    async () => {
                        const dialogs = [];
                        const on_dialog = (dialog) => {
                            dialogs.push(dialog.message());
                            dialog.dismiss().catch(() => {});
                        };
                        page.on('dialog', on_dialog);
                        try {
                            for (const name of click) {
                                const picture = Buffer.from(name);
                                const entry = (await read_index())
                                    .find((candidate) => candidate.picture.equals(picture));
                                assert.ok(entry, `${name}: no entry`);
                                // A link that ran as script would leave the index open.
                                const [navigated] = await Promise.all([
                                    page.waitForURL((url) => url.href !== index_url,
                                        { timeout: 10000 }).then(() => true, () => false),
                                    page.click(`a[name=${JSON.stringify(entry.name)}]`),
                                ]);
                                assert.ok(navigated, `${name}: the click opened no page; ` +
                                    `dialogs ${JSON.stringify(dialogs)}, title ${await page.title()}`);
                                await page.waitForLoadState('load');
                                assert.ok(mode.file_of(page.url())?.equals(in_gallery(picture, '.html')),
                                    `${name}: the click led to ${page.url()}`);
                                const facts = await page.evaluate(() => window.page_facts());
                                assert.equal(facts.document_title, facts.title,
                                    `${name}: a script changed the title`);
                                assert.equal(facts.title, `Picture ${entry.name}`);
                            }
                            assert.deepEqual(dialogs, [], 'a script opened a dialog');
                        } finally {
                            page.off('dialog', on_dialog);
                        }
                    });
            }

            const photographed = process.env.SCREENSHOT_GALLERY
                ? path.basename(gallery) === process.env.SCREENSHOT_GALLERY : gallery_number === 0;
            if (photographed && process.env.SCREENSHOTS && mode === file_access) {
                test('screenshots of the index and of one picture page', async () => {
                    // The top of each page, as a visitor's window shows it first.
                    await page.setViewportSize({ width: 720, height: 900 });
                    const entries = await read_index();
                    const shot = entries.find((entry) => entry.name === process.env.SCREENSHOT_PAGE)
                        ?? entries[0];
                    fs.mkdirSync(process.env.SCREENSHOTS, { recursive: true });
                    const index_png = path.join(process.env.SCREENSHOTS, 'screenshot-index.png');
                    const page_png = path.join(process.env.SCREENSHOTS, 'screenshot-picture.png');
                    await page.screenshot({ path: index_png });
                    await page.goto(shot.href);
                    // A web-size picture is larger than the window: the page is shown whole, smaller.
                    const height = await page.evaluate(() => {
                        const image = document.querySelector('img');
                        const zoom = Math.min(1, 0.95 * window.innerWidth / (image.width + 20),
                            0.9 * window.innerHeight / (image.height + 200));
                        document.body.style.zoom = String(zoom);
                        // The picture and the two lines of text, rules and links around it.
                        return Math.min(window.innerHeight, Math.ceil((image.height + 240) * zoom));
                    });
                    await page.screenshot({ path: page_png, clip: { x: 0, y: 0, width: 720, height } });
                    await page.setViewportSize({ width: 640, height: 480 });
                    for (const png of [index_png, page_png])
                        assert.ok(fs.statSync(png).size > 1000, `${png}: empty screenshot`);
                });
            }
        });
    }
}
