#!/bin/sh
# Validates every page of the given gallery folders and of the albums below them: OpenSP's
# onsgmls against the HTML 4.0 Transitional DTD from the W3C library, and tidy. Any error fails
# the check; warnings are counted by kind and shown, since the fixed page text causes some
# (docs/gallery.md says why).
#
# Usage: tests/html/check-pages.sh GALLERY...
set -u
catalog=/usr/share/xml/w3c-sgml-lib/schema/dtd/sgml.soc
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for tool in onsgmls tidy; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (Debian packages opensp, tidy)"; exit 2; }
done
[ -r "$catalog" ] || { echo "$catalog is missing (Debian package w3c-sgml-lib)"; exit 2; }

# The pages are Shift-JIS; OpenSP must read them so, whatever the locale says.
validate() {
    SP_CHARSET_FIXED=YES SP_ENCODING=sjis onsgmls -s -c "$catalog" "$1"
}
tidy_check() {
    tidy -q -e --input-encoding shiftjis --gnu-emacs no "$1"
}

# A control page that must fail both checks, so a check that stopped looking cannot pass.
printf '%s\r\n' '<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.0 Transitional//EN">' \
    '<html><head><title>t</title></head><body>' \
    '<p><a href="say "cheese".html">x</a><foo>y</foo></p></body></html>' >"$work/control.html"
if validate "$work/control.html" >/dev/null 2>&1; then
    echo "FAIL: onsgmls accepts a page with a broken attribute and an unknown element"
    exit 1
fi
tidy_check "$work/control.html" >/dev/null 2>&1
if [ $? -lt 2 ]; then
    echo "FAIL: tidy reports no error for a page with an unknown element"
    exit 1
fi

pages=0
failed=0
# The pages of a folder and of the albums below it. No pattern takes the hidden folder of the
# gallery's state, and t/ holds thumbnails and covers, never a page.
check_folder() { # folder
    for page in "$1"/*.html; do
        [ -f "$page" ] || continue
        pages=$((pages + 1))
        # onsgmls reads its file names in SP_ENCODING too, so a UTF-8 name is checked as a copy.
        cp "$page" "$work/page.html"
        if ! validate "$work/page.html" >"$work/onsgmls.out" 2>&1 || [ -s "$work/onsgmls.out" ]; then
            echo "FAIL: onsgmls: $page"
            cat "$work/onsgmls.out"
            failed=1
        fi
        tidy_check "$page" >"$work/tidy.out" 2>&1
        status=$?
        if [ "$status" -ge 2 ] || grep -q 'Error:' "$work/tidy.out"; then
            echo "FAIL: tidy (status $status): $page"
            cat "$work/tidy.out"
            failed=1
        fi
        sed -n 's/^line [0-9]* column [0-9]* - //p' "$work/tidy.out" >>"$work/warnings"
    done
    # A for loop expands its words once, so the call below, which sets folder too, cannot upset it.
    for folder in "$1"/*/; do
        [ "${folder%/t/}" = "$folder" ] || continue
        [ -d "$folder" ] && check_folder "${folder%/}"
    done
}
for gallery in "$@"; do
    check_folder "$gallery"
done
if [ "$pages" -eq 0 ]; then
    echo "FAIL: no page found in $*"
    exit 1
fi
echo "tidy warnings over $pages pages, by kind:"
[ -f "$work/warnings" ] && sort "$work/warnings" | uniq -c | sort -rn
[ "$failed" -eq 0 ] && echo "$pages pages valid HTML 4.0 Transitional, no tidy error"
exit "$failed"
