// Opens galleries written by pixfold-gallery in headless Chromium and checks them the way a
// visitor meets them, once from a web server over HTTP and once from file:// URLs: every
// thumbnail, cover and picture shows at the size its page declares, which is the size the
// browser finds in the picture itself (turned upright by its EXIF orientation), thumbnails and
// web-size copies fit their boxes, every index link opens the page of its own picture file or
// the index of its own album, every back link returns to that picture's entry, and every page is
// read as Shift-JIS. The walk goes from the top index down through every album. Where the site
// step ran, every page is dated, and its header leads to every album above it and, on an
// index, below it, after the site's own stdheader.inc where there is one; from an album's first
// picture, NEXT reaches every picture of the album in the index's order, and PREVIOUS back.
// A file is matched to a link the way a server or a file:// URL finds it, by the
// percent-decoded bytes of the URL's path, never by comparing names as strings.
//
// Environment:
//   GALLERIES       JSON: a list of {"path": folder, "thumb_box": N, "web_box": N, "click":
//                   [name...], "site_step": true, "top_name": name, "includes": [{"file":
//                   "stdheader.inc" or "stdfooter.inc", "album": path, "text": text}],
//                   "screenshot_album": path}; web_box only for a gallery written into OUT,
//                   whose pictures are web-size copies; click names pictures of the top whose
//                   entries are clicked for real, as a visitor would, since their names read like
//                   script; site_step for a gallery whose markers the site step replaced, whose
//                   top album's name is top_name; includes names the album whose source folder
//                   holds each stdheader.inc and stdfooter.inc, with the text it shows;
//                   screenshot_album the album whose index is photographed
//   HTTP_URL        the URL at which a web server serves HTTP_ROOT, a folder holding every
//                   gallery (optional: without it only file:// URLs are checked)
//   BROWSER_DEPS    folder whose node_modules holds playwright-core
//   SCREENSHOTS     folder for screenshots of one gallery's index and one page, and of the
//                   screenshot_album's index (optional)
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

// The label that every page carries, as Chromium decodes its Shift-JIS bytes, and what follows
// it once the site step has put in the date.
const label = '最終更新:';
const dated_label = new RegExp(`^${label}\\s*(\\d{4}-\\d{2}-\\d{2})$`);
// The marker lines that pixfold writes for a site step, as comments.
const markers = ['$include stdheader.inc', '$timestamp', '$include stdfooter.inc'];

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
const is_utf8 = (bytes) => Buffer.from(bytes.toString('utf8')).equals(bytes);

// Width and height from the second line of a PPM header, as pixfold reads them.
function ppm_size(ppm_path) {
    const header = fs.readFileSync(ppm_path).subarray(0, 518).toString('latin1');
    const [width, height] = header.split('\n')[1].trim().split(/\s+/).map(Number);
    return { width, height };
}

// The files below a folder, as paths relative to it (a/b), the bytes of their names kept.
function files_below(folder) {
    return fs.readdirSync(folder, { encoding: 'buffer', withFileTypes: true }).flatMap((file) =>
        (file.isDirectory()
            ? files_below(join(folder, '/', file.name)).map((below) => join(file.name, '/', below))
            : [file.name]));
}

// The albums of a gallery as the disk holds them, from the top down: every folder below it
// with an index (but t/, which holds thumbnails), each with its pictures NAME.jpg, as the bytes
// of their names in byte order, the albums below it in the same order, and what its index is
// sized from.
function albums_on_disk(gallery) {
    const albums = [];
    const visit = (relative, name, parent) => {
        const folder = relative.length ? join(`${gallery}/`, relative) : Buffer.from(gallery);
        const in_folder = (...parts) => join(folder, '/', ...parts);
        const files = fs.readdirSync(folder, { encoding: 'buffer', withFileTypes: true });
        const state = join(`${gallery}/.pixfold-gallery/sizes/`,
            relative.length ? join(relative, '/') : '');
        const album = {
            relative, name, parent, in_folder,
            index: in_folder('index.html'),
            depth: parent ? parent.depth + 1 : 0,
            pictures: files
                .filter((file) => file.isFile() && file.name.toString('latin1').endsWith('.jpg'))
                .map((file) => file.name.subarray(0, -'.jpg'.length)).sort(Buffer.compare),
            below: [],
            // t/NAME.jpg of each picture and t/NAME/index.jpg, the cover, of each album.
            thumbnails: files_below(in_folder('t')),
            // The thumbnails' companions, which pixfold sized the index from, named by link:
            // t/LINK.ppm of a picture, t/LINK/index.ppm of an album.
            sizes: join(state, 't'),
            companions: files_below(join(state, 't')),
        };
        albums.push(album);
        parent?.below.push(album);
        const names = files.map((file) => file.isDirectory() && file.name).filter((name) =>
            name && !name.equals(Buffer.from('t')) && fs.existsSync(in_folder(name, '/index.html')));
        for (const below of names.sort(Buffer.compare))
            visit(relative.length ? join(relative, '/', below) : below, below, album);
    };
    visit(Buffer.alloc(0), null, null);
    return albums;
}

// The albums from the top down to this one.
const ancestry = (album) => (album.parent ? [...ancestry(album.parent), album] : [album]);
const album_what = (album) => (album.depth ? `album ${shown(album.relative)}` : 'top album');

// The thumbnail that an album's cover copies: that of its index's first entry, where albums
// come first.
const first_thumbnail = (album) => (album.below.length
    ? album.in_folder('t/', album.below[0].name, '/index.jpg')
    : album.in_folder('t/', album.pictures[0], '.jpg'));

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

// What a page says of itself, as Chromium decoded it: its paragraphs, the marker comments
// left in it, its header (what comes before the first rule) line by line with its links, and
// the text after the last rule, where the footer goes.
function page_facts(marker_texts) {
    const comments = [];
    const walker = document.createTreeWalker(document, NodeFilter.SHOW_COMMENT);
    while (walker.nextNode()) comments.push(walker.currentNode.data.trim());
    const rules = document.querySelectorAll('body > hr');
    const header = [];
    for (let line = document.body.firstElementChild; line && line.tagName !== 'HR';
        line = line.nextElementSibling) {
        header.push({
            tag: line.tagName,
            text: line.textContent,
            links: [...line.querySelectorAll('a')]
                .map((link) => ({ href: link.href, text: link.textContent })),
        });
    }
    let footer = '';
    for (let node = rules[rules.length - 1]?.nextSibling; node; node = node.nextSibling)
        footer += node.textContent;
    return {
        charset: document.characterSet,
        paragraphs: [...document.querySelectorAll('p')].map((line) => line.textContent.trim()),
        markers: comments.filter((comment) => marker_texts.includes(comment)),
        header,
        header_text: header.map((line) => line.text).join('\n'),
        footer_text: footer,
        body_text: document.body.textContent,
        title: document.querySelector('title')?.textContent,
        document_title: document.title,
    };
}

const facts_of = (shown_page) => shown_page.evaluate((texts) => window.page_facts(texts), markers);

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

// The page is read as Shift-JIS, whatever the server says, and its one label paragraph reads
// as written, found by its text since a header may come before it. The site step puts the day
// after it and leaves no marker; without it the three markers stay and there is no header.
// Returns the page's date, if it has one.
function assert_label(facts, site_step, what) {
    assert.equal(facts.charset, 'Shift_JIS', `${what}: read as ${facts.charset}`);
    const labels = facts.paragraphs.filter((text) => text.startsWith(label));
    assert.equal(labels.length, 1, `${what}: not one label among the paragraphs ` +
        JSON.stringify(facts.paragraphs.slice(0, 4)));
    if (!site_step) {
        assert.equal(labels[0], label, `${what}: the label`);
        assert.deepEqual(facts.markers, markers, `${what}: the markers`);
        assert.deepEqual(facts.header, [], `${what}: a header without the site step`);
        return null;
    }
    const date = labels[0].match(dated_label)?.[1];
    assert.ok(date, `${what}: the label reads ${JSON.stringify(labels[0])}, not ${label} a date`);
    assert.equal(new Date(`${date}T00:00:00Z`).toISOString().slice(0, 10), date,
        `${what}: no such day`);
    assert.deepEqual(facts.markers, [], `${what}: markers left`);
    return date;
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

for (const [gallery_number, described] of galleries.entries()) {
    const { path: folder, thumb_box, web_box, click, site_step = false, top_name } = described;
    const includes = (described.includes ?? []).map((include) =>
        ({ ...include, album: Buffer.from(include.album) }));
    const gallery = fs.realpathSync(folder);
    const albums = albums_on_disk(gallery);
    const top = albums[0];
    // The name an album's header shows: the source folder's own, in the characters it reads as.
    const header_name = (album) => (album.depth ? album.name.toString('utf8') : top_name);
    // The stdheader.inc or stdfooter.inc nearest above an album's source folder, if any.
    const within = (album, above) => above.length === 0 || album.relative.equals(above)
        || album.relative.subarray(0, above.length + 1).equals(join(above, '/'));
    const include_for = (album, file) => includes
        .filter((include) => include.file === file && within(album, include.album))
        .sort((a, b) => b.album.length - a.album.length)[0];

    for (const mode of modes) {
        const index_url = (album) => mode.url_of(album.index.toString());
        // Whether the URL reaches the file.
        const reaches = (url, file) => Boolean(mode.file_of(url)?.equals(file));

        // The entries of an album's index as the browser parsed them (names come back
        // decoded), each with the picture or the album that its link reaches.
        const read_index = async (album, wait_until = 'load') => {
            await open(page, index_url(album), mode, wait_until);
            const entries = await page.$$eval('a[name]', (links) => links.map((link) => ({
                name: link.name,
                href: link.href,
                image: link.querySelector('img') && window.image_facts(link.querySelector('img')),
            })));
            for (const entry of entries) {
                const where = `${album_what(album)}: ${entry.href}`;
                entry.picture = album.pictures.find((name) =>
                    reaches(entry.href, album.in_folder(name, '.html')));
                entry.album = album.below.find((below) => reaches(entry.href, below.index));
                assert.ok(entry.picture || entry.album,
                    `${where} reaches ${shown(mode.file_of(entry.href))}, no page or album`);
                assert.equal(entry.href.endsWith('/index.html'), Boolean(entry.album),
                    `${where}: only an album's link ends in /index.html`);
            }
            return entries;
        };
        const picture_entries = async (album) =>
            (await read_index(album)).filter((entry) => entry.picture);

        // Every page of the gallery as Chromium reads it, each index and each picture's page
        // through its entry, read once for the checks of dates, headers and footers.
        let every_page;
        const read_every_page = async () => {
            const pages = [];
            for (const album of albums) {
                const entries = await read_index(album, 'domcontentloaded');
                const what = `index of the ${album_what(album)}`;
                pages.push({ album, picture: null, what, facts: await facts_of(page) });
                for (const entry of entries.filter((each) => each.picture)) {
                    await open(page, entry.href, mode, 'domcontentloaded');
                    pages.push({ album, picture: entry.picture, facts: await facts_of(page),
                        what: `page of ${shown(album.in_folder(entry.picture))}` });
                }
            }
            return pages;
        };
        const pages_read = () => (every_page ??= read_every_page());

        describe(`gallery ${path.basename(gallery)} over ${mode.name}`, () => {
            test('from the top index, album entries open every album\'s index, each once',
                async () => {
                    const reached = [top];
                    for (let at = 0; at < reached.length; ++at) {
                        for (const entry of await read_index(reached[at])) {
                            if (!entry.album) continue;
                            const what = `entry of the ${album_what(entry.album)}`;
                            await open(page, entry.href, mode, 'domcontentloaded');
                            assert.ok(reaches(page.url(), entry.album.index),
                                `${what}: the browser is at ${page.url()}`);
                            assert.equal((await facts_of(page)).title, 'A Picture Index',
                                `${what}: title`);
                            assert.ok(!reached.includes(entry.album), `${what}: reached twice`);
                            reached.push(entry.album);
                        }
                    }
                    assert.deepEqual(reached.map((album) => shown(album.relative)).sort(),
                        albums.map((album) => shown(album.relative)).sort(), 'the albums reached');
                });

            test('every index has one entry per album and picture, albums first, with its ' +
                'thumbnail or cover at its size, in its box', async () => {
                for (const album of albums) {
                    const in_album = (what) => `${album_what(album)}: ${what}`;
                    const response = await open(page, index_url(album), mode);
                    // The pages declare no charset, and the server adds none.
                    if (mode !== file_access)
                        assert.equal(response.headers()['content-type'], 'text/html');
                    assert_label(await facts_of(page), site_step, in_album('index'));
                    const entries = await read_index(album);
                    const of_albums = entries.filter((entry) => entry.album);
                    assert.deepEqual(entries.slice(0, of_albums.length), of_albums,
                        in_album('a picture before an album'));
                    // Each group in the byte order of the names.
                    assert.deepEqual(of_albums.map((entry) => shown(entry.album.name)),
                        album.below.map((below) => shown(below.name)), in_album('the albums'));
                    assert.deepEqual(entries.slice(of_albums.length)
                        .map((entry) => shown(entry.picture)), album.pictures.map(shown),
                    in_album('the pictures of the entries'));
                    assert.equal(new Set(entries.map((entry) => entry.name)).size, entries.length,
                        in_album('two entries share an anchor'));
                    // LINK.ppm is named by the link's bytes, which Chromium decodes as the page;
                    // an album's anchor is LINK/index, and its companion LINK/index.ppm.
                    const companion_links = await page.evaluate((hex_names) => hex_names.map(
                        (hex) => new TextDecoder('shift_jis').decode(Uint8Array.from(
                            hex.match(/../g), (digits) => parseInt(digits, 16)))),
                    album.companions.map((companion) => companion.toString('hex')));
                    assert.deepEqual([...companion_links].sort(),
                        entries.map((entry) => `${entry.name}.ppm`).sort(),
                        in_album('one companion per entry, named by its link'));
                    // t/NAME.jpg of a picture, t/NAME/index.jpg of an album.
                    const thumbnail_of = (entry) => (entry.album
                        ? join(entry.album.name, '/index.jpg') : join(entry.picture, '.jpg'));
                    for (const entry of entries) {
                        const thumbnail = album.in_folder('t/', thumbnail_of(entry));
                        const what = entry.album ? `cover of the ${album_what(entry.album)}`
                            : `thumbnail of ${shown(album.in_folder(entry.picture))}`;
                        assert.ok(entry.image, `${what}: missing`);
                        assert.ok(reaches(entry.image.src, thumbnail),
                            `${what}: ${entry.image.src} reaches another file`);
                        assert_shown_as_declared(entry.image, what);
                        const companion = join(album.sizes, '/',
                            album.companions[companion_links.indexOf(`${entry.name}.ppm`)]);
                        assert.deepEqual(entry.image.declared, ppm_size(companion),
                            `${what}: its companion`);
                        assert_fits(entry.image.natural, thumb_box, what);
                        if (entry.album) {
                            const copied = first_thumbnail(entry.album);
                            assert.ok(fs.readFileSync(thumbnail).equals(fs.readFileSync(copied)),
                                `${what}: not a copy of ${shown(copied)}`);
                        }
                    }
                    // t/ holds the thumbnails and covers and nothing else.
                    assert.deepEqual(album.thumbnails.map(shown).sort(),
                        entries.map((entry) => shown(thumbnail_of(entry))).sort(), in_album('t/'));
                }
            });

            test('every index link opens the page of its picture, which shows it at its size',
                async () => {
                    for (const album of albums) {
                        for (const entry of await picture_entries(album)) {
                            const what = `page of ${shown(album.in_folder(entry.picture))}`;
                            await open(page, entry.href, mode);
                            assert.ok(reaches(page.url(), album.in_folder(entry.picture, '.html')),
                                `${what}: the browser is at ${page.url()}`);
                            const facts = await facts_of(page);
                            assert_label(facts, site_step, what);
                            assert.equal(facts.title, `Picture ${entry.name}`, `${what}: title`);
                            // A link name without escapes is the file's own name, in Shift-JIS.
                            if (!entry.name.includes('%')) {
                                assert.equal(facts.title,
                                    `Picture ${entry.picture.toString('utf8')}`, `${what}: title`);
                            }
                            const images = await page.$$eval('img',
                                (found) => found.map((image) => window.image_facts(image)));
                            assert.equal(images.length, 1, `${what}: one picture`);
                            const shows = album.in_folder(entry.picture, '.jpg');
                            assert.ok(reaches(images[0].src, shows),
                                `${what}: ${images[0].src} reaches another file`);
                            assert_shown_as_declared(images[0], what);
                            if (web_box) assert_fits(images[0].natural, web_box, what);
                        }
                    }
                });

            test('both back links of every page lead to that picture\'s entry in its index',
                async () => {
                    for (const album of albums) {
                        for (const entry of await picture_entries(album)) {
                            const what = `page of ${shown(album.in_folder(entry.picture))}`;
                            // Links and anchors need the document only, not its pictures.
                            await open(page, entry.href, mode, 'domcontentloaded');
                            const backs = await page.$$eval('a', (links) => links
                                .filter((link) => link.textContent === 'BACK').map((l) => l.href));
                            assert.equal(backs.length, 2, `${what}: two back links`);
                            for (const back of backs) {
                                assert.ok(reaches(back, album.index),
                                    `${what}: ${back} is not its album's index`);
                                // A new load of the index, not a jump within the index that
                                // the first back link left open.
                                await page.goto('about:blank');
                                await open(page, back, mode, 'domcontentloaded');
                                // The browser's own fragment lookup decides which entry is meant.
                                const found = await page.evaluate(
                                    () => document.querySelector(':target')?.name);
                                assert.equal(found, entry.name,
                                    `${what}: ${back} reaches no entry or another`);
                            }
                        }
                    }
                });

            if (site_step) {
                test('every page is dated: a picture\'s by its picture, an index by the newest ' +
                    'page below it', async () => {
                    const pages = await pages_read();
                    const dates = new Map(pages.map((each) =>
                        [each, assert_label(each.facts, site_step, each.what)]));
                    const index_date = (album) => dates.get(pages.find((each) =>
                        each.album === album && !each.picture));
                    for (const album of albums) {
                        const below = [
                            ...pages.filter((each) => each.album === album && each.picture)
                                .map((each) => dates.get(each)),
                            ...album.below.map(index_date),
                        ];
                        assert.equal(index_date(album), below.sort().at(-1),
                            `index of the ${album_what(album)}: the date, of ${below.join(' ')}`);
                    }
                });

                test('NEXT from an album\'s first picture reaches each of its pictures once, in ' +
                    'the index\'s order, to the last, which says so; PREVIOUS walks back',
                async () => {
                    for (const album of albums) {
                        const entries = await picture_entries(album);
                        if (entries.length === 0) continue;
                        const in_order = entries.map((entry) =>
                            album.in_folder(entry.picture, '.html'));
                        // Follows the link of the label from page to page, where the browser
                        // takes it, until a page has none and says why in plain text instead.
                        const walk = async (start, label, end) => {
                            const reached = [];
                            for (let url = start; url;) {
                                await open(page, url, mode, 'domcontentloaded');
                                const here = in_order.find((file) => reaches(page.url(), file));
                                const what = `${album_what(album)}: ${label} to ${page.url()}`;
                                assert.ok(here, `${what}, no page of the album`);
                                assert.ok(!reached.includes(here), `${what}, reached twice`);
                                reached.push(here);
                                const steps = await page.$$eval('a', (links, text) => links
                                    .filter((link) => link.textContent === text)
                                    .map((link) => link.href), label);
                                assert.ok(steps.length <= 1, `${what}: ${steps.length} links`);
                                url = steps[0];
                                if (!url) {
                                    const { paragraphs } = await facts_of(page);
                                    assert.ok(paragraphs.some((text) => text.includes(end)),
                                        `${what}: the end does not say ${end}`);
                                }
                            }
                            return reached.map(shown);
                        };
                        assert.deepEqual(await walk(entries[0].href, 'NEXT', 'LAST'),
                            in_order.map(shown), `${album_what(album)}: NEXT`);
                        assert.deepEqual(await walk(entries.at(-1).href, 'PREVIOUS', 'FIRST'),
                            in_order.map(shown).reverse(), `${album_what(album)}: PREVIOUS`);
                    }
                });

                test('the header links to every album above, from the top down, and on an ' +
                    'index to every album below', async () => {
                    // Each link, once, with the index that it must open.
                    const follow = new Map();
                    const assert_links = (links, targets, what) => {
                        assert.deepEqual(links.map((link) => link.text), targets.map(header_name),
                            `${what}: the names`);
                        links.forEach((link, at) => {
                            assert.ok(reaches(link.href, targets[at].index), `${what}: ` +
                                `${link.href} is not the index of the ${album_what(targets[at])}`);
                            follow.set(link.href, targets[at].index);
                        });
                    };
                    for (const { album, picture, what, facts } of await pages_read()) {
                        // A site's own header comes first; the way up and down follows it.
                        const site = include_for(album, 'stdheader.inc');
                        const after = site
                            ? facts.header.findIndex((line) => line.text === site.text) + 1 : 0;
                        assert.ok(!site || after > 0, `${what}: no site header first`);
                        const navigation = facts.header.slice(after);
                        const up = ancestry(album);
                        // A picture's page has a second line, of the pictures beside it (below).
                        const lines = picture || album.below.length > 0 ? 2 : 1;
                        assert.deepEqual(navigation.map((line) => line.tag),
                            Array(lines).fill('P'),
                            `${what}: the header's lines, ${JSON.stringify(facts.header_text)}`);
                        // On an index the album itself is where the reader is, and no link.
                        if (up.every((each) => !each.name || is_utf8(each.name))) {
                            assert.equal(navigation[0].text, up.map(header_name).join(' / '),
                                `${what}: the line of albums above`);
                        }
                        assert_links(navigation[0].links, picture ? up : up.slice(0, -1),
                            `${what}: the links above`);
                        if (lines === 2 && !picture) {
                            assert_links(navigation[1].links, album.below,
                                `${what}: the links below`);
                        }
                    }
                    for (const [href, index] of follow) {
                        await open(page, href, mode, 'domcontentloaded');
                        assert.ok(reaches(page.url(), index),
                            `${href}: the browser is at ${page.url()}, not at ${shown(index)}`);
                        assert.equal((await facts_of(page)).title, 'A Picture Index',
                            `${href}: title`);
                    }
                });
            }

            if (includes.length) {
                test('stdheader.inc and stdfooter.inc show on the pages of their folder and ' +
                    'below, and on no other', async () => {
                    for (const { album, what, facts } of await pages_read()) {
                        for (const include of includes) {
                            const [part, text] = include.file === 'stdheader.inc'
                                ? ['header', facts.header_text] : ['footer', facts.footer_text];
                            const of = `${include.file} of ${shown(include.album)}`;
                            if (include_for(album, include.file) === include) {
                                assert.ok(text.includes(include.text),
                                    `${what}: ${of} is not its ${part}`);
                            } else {
                                assert.ok(!facts.body_text.includes(include.text),
                                    `${what}: shows ${of}`);
                            }
                        }
                    }
                });
            }

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
                                const entry = (await picture_entries(top))
                                    .find((candidate) => candidate.picture.equals(picture));
                                assert.ok(entry, `${name}: no entry`);
                                // A link that ran as script would leave the index open.
                                const [navigated] = await Promise.all([
                                    page.waitForURL((url) => url.href !== index_url(top),
                                        { timeout: 10000 }).then(() => true, () => false),
                                    page.click(`a[name=${JSON.stringify(entry.name)}]`),
                                ]);
                                assert.ok(navigated, `${name}: the click opened no page; ` +
                                    `dialogs ${JSON.stringify(dialogs)}, title ${await page.title()}`);
                                await page.waitForLoadState('load');
                                assert.ok(reaches(page.url(), top.in_folder(picture, '.html')),
                                    `${name}: the click led to ${page.url()}`);
                                const facts = await facts_of(page);
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

            const screenshots = process.env.SCREENSHOTS;
            const photographed = process.env.SCREENSHOT_GALLERY
                ? path.basename(gallery) === process.env.SCREENSHOT_GALLERY : gallery_number === 0;
            if (photographed && screenshots && mode === file_access) {
                test('screenshots of the index and of one picture page', async () => {
                    // The top of each page, as a visitor's window shows it first.
                    await page.setViewportSize({ width: 720, height: 900 });
                    const entries = await picture_entries(top);
                    const shot = entries.find((entry) => entry.name === process.env.SCREENSHOT_PAGE)
                        ?? entries[0];
                    fs.mkdirSync(screenshots, { recursive: true });
                    const index_png = path.join(screenshots, 'screenshot-index.png');
                    const page_png = path.join(screenshots, 'screenshot-picture.png');
                    await page.screenshot({ path: index_png });
                    await page.goto(shot.href);
                    // A web-size picture is larger than the window: the page is shown whole,
                    // smaller.
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
            if (described.screenshot_album && screenshots && mode === file_access) {
                test('a screenshot of an album\'s index, with its header', async () => {
                    const album = albums.find((each) =>
                        each.relative.equals(Buffer.from(described.screenshot_album)));
                    assert.ok(album, `${described.screenshot_album}: no such album`);
                    await page.setViewportSize({ width: 720, height: 900 });
                    await open(page, index_url(album), mode);
                    // The header with its links above and below, and the entries down to the last.
                    const height = await page.evaluate(() => Math.min(window.innerHeight, Math.ceil(
                        40 + Math.max(...[...document.querySelectorAll('img')]
                            .map((image) => image.getBoundingClientRect().bottom)))));
                    fs.mkdirSync(screenshots, { recursive: true });
                    const png = path.join(screenshots, 'screenshot-album.png');
                    await page.screenshot({ path: png, clip: { x: 0, y: 0, width: 720, height } });
                    await page.setViewportSize({ width: 640, height: 480 });
                    assert.ok(fs.statSync(png).size > 1000, `${png}: empty screenshot`);
                });
            }
        });
    }
}
