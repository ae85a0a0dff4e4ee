// Opens galleries written by pixfold-gallery in headless Chromium and checks them the way a
// visitor meets them: every thumbnail and every picture shows at the size its page declares,
// which is the size the browser finds in the picture itself (turned upright by its EXIF
// orientation), thumbnails and web-size copies fit their boxes, every index link opens the
// picture's page, and every back link returns to that picture's entry.
//
// Environment:
//   GALLERIES       JSON: a list of {"path": folder, "thumb_box": N, "web_box": N}; web_box only
//                   for a gallery written into OUT, whose pictures are web-size copies
//   WARNED_GALLERY  a gallery holding only names that pixfold-gallery warns about (optional)
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
const warned_gallery = process.env.WARNED_GALLERY;

// Width and height from the second line of a PPM header, as pixfold reads them.
function ppm_size(ppm_path) {
    const header = fs.readFileSync(ppm_path).subarray(0, 518).toString('latin1');
    const [width, height] = header.split('\n')[1].trim().split(/\s+/).map(Number);
    return { width, height };
}

// The entries of the index page at the URL as the browser parsed them; names come back decoded.
async function read_index_at(page, index_url) {
    await page.goto(index_url);
    return page.$$eval('a[name]', (links) => links.map((link) => ({
        name: link.name,
        href: link.href,
        image: link.querySelector('img') && window.image_facts(link.querySelector('img')),
    })));
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
            '--disable-component-update', '--disable-sync', '--disable-quic',
        ],
    });
    // Every page gets the helper, so each check reads images the same way.
    await context.addInitScript(`window.image_facts = ${image_facts.toString()};`);
    page = context.pages()[0] ?? (await context.newPage());
});

after(async () => {
    await context?.close();
});

for (const [gallery_number, { path: gallery, thumb_box, web_box }] of galleries.entries()) {
    const index_url = pathToFileURL(path.join(gallery, 'index.html')).href;
    // The pictures of the gallery: NAME.jpg beside the index, originals or web-size copies.
    const pictures = fs.readdirSync(gallery).filter((name) => name.endsWith('.jpg'));
    const read_index = () => read_index_at(page, index_url);

    describe(`gallery ${path.basename(gallery)}`, () => {
        test('the index shows a thumbnail of every picture, at its size, in its box', async () => {
            const entries = await read_index();
            // The pages declare no charset; the browser must still take them for Shift-JIS.
            assert.equal(await page.evaluate(() => document.characterSet), 'Shift_JIS');
            assert.deepEqual(entries.map((entry) => `${entry.name}.jpg`).sort(),
                [...pictures].sort());
            for (const entry of entries) {
                assert.ok(entry.image, `${entry.name}: no thumbnail`);
                assert.ok(new URL(entry.image.src).pathname
                    .startsWith(new URL('t/', index_url).pathname), `${entry.name}: not a thumbnail`);
                assert_shown_as_declared(entry.image, `thumbnail of ${entry.name}`);
                assert.deepEqual(entry.image.declared,
                    ppm_size(path.join(gallery, 't', `${entry.name}.ppm`)),
                    `${entry.name}: the thumbnail's companion`);
                assert_fits(entry.image.natural, thumb_box, `thumbnail of ${entry.name}`);
            }
        });

        test('every index link opens its picture page, whose picture shows at its size',
            async () => {
                for (const entry of await read_index()) {
                    const response = await page.goto(entry.href);
                    assert.ok(response === null || response.ok(), `${entry.href}: not opened`);
                    assert.equal(await page.title(), `Picture ${entry.name}`);
                    assert.equal(await page.evaluate(() => document.characterSet), 'Shift_JIS');
                    const images = await page.$$eval('img',
                        (found) => found.map((image) => window.image_facts(image)));
                    assert.equal(images.length, 1, `${entry.name}: one picture on its page`);
                    assert_shown_as_declared(images[0], `picture ${entry.name}`);
                    if (web_box) assert_fits(images[0].natural, web_box, `picture ${entry.name}`);
                }
            });

        test('both back links of every page lead to that picture\'s entry in the index',
            async () => {
                for (const entry of await read_index()) {
                    await page.goto(entry.href);
                    const backs = await page.$$eval('a', (links) =>
                        links.filter((link) => link.textContent === 'BACK').map((l) => l.href));
                    assert.equal(backs.length, 2, `${entry.name}: two back links`);
                    for (const back of backs) {
                        const target = new URL(back);
                        assert.equal(target.href.slice(0, -target.hash.length), index_url);
                        await page.goto(back);
                        // The browser's own fragment lookup decides which entry is meant.
                        const found = await page.evaluate(() => document.querySelector(':target')?.name);
                        assert.equal(found, entry.name, `${back}: reaches no entry or another`);
                    }
                }
            });

        const photographed = process.env.SCREENSHOT_GALLERY
            ? path.basename(gallery) === process.env.SCREENSHOT_GALLERY : gallery_number === 0;
        if (photographed && process.env.SCREENSHOTS) {
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

// The warnings of pixfold-gallery are worth their noise only if such names really break: the
// link from the index must miss each picture's page. This also proves the checks above can fail.
if (warned_gallery) {
    test('the index link of every name warned about misses its picture page', async () => {
        const index_url = pathToFileURL(path.join(warned_gallery, 'index.html')).href;
        // The index lists the pictures in byte order, which Buffer.compare gives.
        const pictures = fs.readdirSync(warned_gallery, { encoding: 'buffer' })
            .filter((name) => name.toString('latin1').endsWith('.jpg'))
            .sort(Buffer.compare);
        const entries = await read_index_at(page, index_url);
        assert.equal(entries.length, pictures.length);
        assert.ok(entries.length > 0);
        for (const [number, entry] of entries.entries()) {
            const stem = pictures[number].subarray(0, -'.jpg'.length);
            const page_file = Buffer.concat([Buffer.from(`${warned_gallery}/`), stem,
                Buffer.from('.html')]);
            const reached = await page.goto(entry.href).then(() => page.url(), () => null);
            const reached_file = reached?.startsWith('file:') ? fileURLToPath(reached) : null;
            assert.ok(reached_file === null || !Buffer.from(reached_file).equals(page_file),
                `${entry.href} reaches the page ${reached_file} after all`);
        }
    });
}
