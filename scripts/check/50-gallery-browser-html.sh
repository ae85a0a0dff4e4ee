#!/bin/sh
# The gallery as a visitor meets it. pixfold-gallery writes the sample gallery, a gallery of
# names that HTML treats specially ('&', '<', '"', '%', ...) and one of names it warns about;
# every page of the first two must be valid HTML 4.0 Transitional (onsgmls, tidy), and headless
# Chromium must show every picture at its PPM size and follow every link to its target.
# About a minute. SCREENSHOTS=docs refreshes the screenshots that docs/gallery.md shows.
. "$(dirname "$0")/../lib/leg.sh"
out=build/gallery-check

dev_build

rm -rf "$out"
mkdir -p "$out/names" "$out/warned"
cp -R examples/gallery "$out/sample"
# Each odd name gets a copy of a sample picture with its companion.
copy_sample() { # folder, sample, new name
    cp "examples/gallery/$2.jpg" "$out/$1/$3.jpg"
    cp "examples/gallery/$2.ppm" "$out/$1/$3.ppm"
}
copy_sample names clouds "salt & pepper"
copy_sample names rainbow "a<b>c"
copy_sample names tartan.v2 'say "cheese"'
copy_sample names camouflage "100% zoom"
copy_sample names squiggles "-dash.two.dots"
copy_sample names "gingham check" "it's"
copy_sample warned clouds "img-09:10"
copy_sample warned rainbow "a#b"
copy_sample warned tartan.v2 "what?"
copy_sample warned camouflage "%41bc"
copy_sample warned squiggles "caf$(printf '\303\251')"

for gallery in sample names; do
    PIXFOLD=build/dev/pixfold sh tools/pixfold-gallery "$out/$gallery"
done
PIXFOLD=build/dev/pixfold LC_ALL=C.UTF-8 sh tools/pixfold-gallery "$out/warned" 2>"$out/warnings"
[ "$(grep -c 'warning:' "$out/warnings")" -eq 5 ] || {
    echo "FAILED: expected five warnings for $out/warned:" >&2
    cat "$out/warnings" >&2
    exit 1
}

echo "--- HTML check"
if command -v onsgmls >/dev/null && command -v tidy >/dev/null &&
    [ -r /usr/share/xml/w3c-sgml-lib/schema/dtd/sgml.soc ]; then
    sh tests/html/check-pages.sh "$out/sample" "$out/names"
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
    GALLERIES="$PWD/$out/sample
$PWD/$out/names" WARNED_GALLERY="$PWD/$out/warned" BROWSER_DEPS="$PWD/build/browser" \
        CHROMIUM="$chromium" SCREENSHOTS="${SCREENSHOTS:-$out/screenshots}" \
        SCREENSHOT_PAGE="blue planet" node --test tests/browser/gallery.test.mjs
fi
