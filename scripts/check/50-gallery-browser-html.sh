#!/bin/sh
# The gallery as a visitor meets it. pixfold-gallery writes the sample gallery, a gallery of
# names that HTML treats specially ('&', '<', '"', '%', ...), one of names it warns about, and
# two of real photographs (all eight EXIF orientations, grey, progressive and CMYK pictures):
# in place, and into another folder with web-size copies. Every page must be valid HTML 4.0
# Transitional (onsgmls, tidy); headless Chromium must show every thumbnail and every picture
# at the size its page declares and in its box, and follow every link to its target; and the
# gallery in place may add at most a tenth of the photographs' own size. Chromium also reads back
# the link names of tests/gallery/link_name_table, and follows them in pages of their own.
# A few minutes. SCREENSHOTS=docs refreshes the screenshots that the README and docs/gallery.md show.
. "$(dirname "$0")/../lib/leg.sh"
out=build/gallery-check

failed() {
    echo "FAILED: $1" >&2
    exit 1
}

dev_build pixfold pixfold-gallery link_name_table
gallery() { build/dev/pixfold-gallery "$@"; }

rm -rf "$out"
mkdir -p "$out/names" "$out/warned" "$out/refused"
cp -R examples/gallery "$out/sample"
copy_sample() { # folder, sample, new name
    cp "examples/gallery/$2.jpg" "$out/$1/$3.jpg"
}
copy_sample names clouds "salt & pepper"
copy_sample names rainbow "a<b>c"
copy_sample names tartan.v2 'say "cheese"'
copy_sample names camouflage "100% zoom"
copy_sample names squiggles "-dash.two.dots"
copy_sample names "gingham check" "it's"
copy_sample names "blue planet" "10:30 sunset"
copy_sample warned rainbow "a#b"
copy_sample warned tartan.v2 "what?"
copy_sample warned camouflage "%41bc"
copy_sample warned squiggles "caf$(printf '\303\251')"
copy_sample warned clouds 'back\slash'
copy_sample refused clouds fine
copy_sample refused rainbow "javascript:document.title='pwned';x"

for name in sample names; do gallery "$out/$name"; done
LC_ALL=C.UTF-8 gallery "$out/warned" 2>"$out/warnings"
[ "$(grep -c 'warning:' "$out/warnings")" -eq 5 ] || {
    cat "$out/warnings" >&2
    failed "expected five warnings for $out/warned"
}
if gallery "$out/refused" 2>"$out/refusals"; then failed "a picture named javascript:... was taken"; fi
grep -qF "javascript:document.title='pwned';x.jpg: left out of the gallery" "$out/refusals" ||
    failed "no message for javascript:...: $(cat "$out/refusals")"

echo "--- real photographs"
galleries='{"path": "'"$PWD/$out/sample"'", "thumb_box": 200},
{"path": "'"$PWD/$out/names"'", "thumb_box": 200}'
html_galleries="$out/sample $out/names"
if scripts/make-photo-folder test "$out/photos"; then
    cp -R "$out/photos" "$out/photos-in-place"
    before=$(du -sb "$out/photos-in-place" | cut -f1)
    gallery "$out/photos-in-place"
    added=$(($(du -sb "$out/photos-in-place" | cut -f1) - before))
    echo "the gallery in place adds $added bytes to $before bytes of photographs"
    [ $((added * 10)) -le "$before" ] || failed "the gallery in place adds more than a tenth"
    gallery "$out/photos" "$out/photos-web"
    # Pictures that cannot be decoded are left out, by name, and the rest is written.
    cp -R "$out/photos" "$out/photos-broken"
    scripts/make-photo-folder broken "$out/photos-broken"
    if gallery "$out/photos-broken" 2>"$out/broken"; then failed "broken photographs were taken"; fi
    [ "$(grep -c 'left out of the gallery' "$out/broken")" -eq 2 ] ||
        failed "expected two broken photographs: $(cat "$out/broken")"
    galleries="$galleries,
{\"path\": \"$PWD/$out/photos-in-place\", \"thumb_box\": 200},
{\"path\": \"$PWD/$out/photos-web\", \"thumb_box\": 200, \"web_box\": 1600}"
    html_galleries="$html_galleries $out/photos-in-place $out/photos-web"
else
    cannot_run "real photographs: scripts/make-photo-folder cannot fetch them from Debian's archive"
fi

echo "--- HTML check"
if command -v onsgmls >/dev/null && command -v tidy >/dev/null &&
    [ -r /usr/share/xml/w3c-sgml-lib/schema/dtd/sgml.soc ]; then
    # shellcheck disable=SC2086 # the folders hold no spaces
    sh tests/html/check-pages.sh $html_galleries
else
    cannot_run "HTML check: needs onsgmls, tidy and the W3C DTDs (Debian packages opensp, tidy, w3c-sgml-lib)"
fi

echo "--- browser check"
chromium=/usr/bin/chromium
# Debian's npm conflicts with a Node.js that bundles its own npm, so it comes only where the
# installed nodejs package is Debian's and npm is missing.
if ! command -v npm >/dev/null && command -v node >/dev/null &&
    ! dpkg-query -W -f='${Provides}' nodejs 2>/dev/null | grep -qw npm; then
    scripts/ensure-packages npm || true
fi
if [ ! -x "$chromium" ]; then
    cannot_run "browser check: $chromium is missing (Debian package chromium)"
elif ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    cannot_run "browser check: needs node (20 or later) and npm"
else
    mkdir -p build/browser
    cp tests/browser/package.json tests/browser/package-lock.json build/browser/
    npm ci --prefix build/browser --no-audit --no-fund --loglevel=error >/dev/null
    # The screenshots show the photographs with web-size copies, and a phone picture's page.
    screenshot_gallery=sample screenshot_page="blue planet"
    if [ -d "$out/photos-web" ]; then
        screenshot_gallery=photos-web screenshot_page="orientation-6 dragonfly"
    fi
    GALLERIES="[$galleries]" WARNED_GALLERY="$PWD/$out/warned" BROWSER_DEPS="$PWD/build/browser" \
        CHROMIUM="$chromium" SCREENSHOTS="${SCREENSHOTS:-$out/screenshots}" \
        SCREENSHOT_GALLERY="$screenshot_gallery" SCREENSHOT_PAGE="$screenshot_page" \
        node --test tests/browser/gallery.test.mjs
    LINK_NAME_TABLE="$PWD/build/dev/tests/gallery/link_name_table" \
        BROWSER_DEPS="$PWD/build/browser" CHROMIUM="$chromium" node --test tests/browser/link_names.test.mjs
fi
