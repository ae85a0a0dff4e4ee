#!/bin/sh
# Installs the build into a temporary prefix and makes the sample gallery with the installed
# pixfold-gallery, which must find the installed pixfold beside it with nothing else on PATH. The
# companions it keeps let each page be written again by the installed pixfold, to the byte.
#
# Usage: install_test.sh CMAKE BUILD_DIR
set -u
cmake=$1
build=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: install: $*"
    exit 1
}

"$cmake" --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1 ||
    fail "cmake --install failed: $(cat "$work/install.log")"
for file in bin/pixfold bin/pixfold-gallery; do
    if [ ! -f "$work/prefix/$file" ] || [ ! -x "$work/prefix/$file" ]; then fail "$file not installed"; fi
done
for file in share/man/man1/pixfold.1 share/man/man1/pixfold-gallery.1; do
    [ -f "$work/prefix/$file" ] || fail "$file not installed"
done

cp -R "$root/examples/gallery" "$work/gallery"
env -u PIXFOLD PATH=/usr/bin:/bin "$work/prefix/bin/pixfold-gallery" --keep-companions "$work/gallery" \
    >"$work/out" 2>"$work/err" || fail "the installed pixfold-gallery failed: $(cat "$work/err")"
[ -s "$work/err" ] && fail "unexpected standard error: $(cat "$work/err")"
pictures=0
for picture in "$work"/gallery/*.jpg; do
    pictures=$((pictures + 1))
    base=${picture##*/}
    base=${base%.jpg}
    (cd "$work/gallery" && "$work/prefix/bin/pixfold" "$base") >"$work/expected" ||
        fail "the installed pixfold cannot write the page of $base"
    cmp -s "$work/expected" "$work/gallery/$base.html" || fail "$base.html is not pixfold's page"
done
[ "$pictures" -ge 5 ] || fail "the sample gallery has only $pictures pictures"
grep -q 'A Picture Index' "$work/gallery/index.html" || fail "no index written"

MANWIDTH=200 LC_ALL=C man -l "$work/prefix/share/man/man1/pixfold-gallery.1" 2>&1 |
    grep -q 'pixfold-gallery - write the whole picture gallery' ||
    fail "the installed manual page does not show"
echo "PASS: install into a temporary prefix, $pictures pages written by the installed tools"
