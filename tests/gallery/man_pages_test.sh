#!/bin/sh
# The manual pages format without a single warning, and show what each tool takes.
#
# Usage: man_pages_test.sh MAN_DIR
set -u
dir=$1
command -v groff >/dev/null || { echo "SKIPPED: groff is missing (Debian package groff-base)"; exit 77; }
failed=0
for page in "$dir"/pixfold.1 "$dir"/pixfold-gallery.1; do
    warnings=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$page" 2>&1)
    if [ -n "$warnings" ]; then
        echo "FAIL: $page: $warnings"
        failed=1
    fi
done
# Each synopsis and option that the tools know is in the page.
text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$dir/pixfold-gallery.1" 2>/dev/null)
for words in "pixfold-gallery [option]... dir" "pixfold-gallery [option]... src out" \
    "pixfold-gallery --help" "-j, --jobs n" "--size n" "--thumb-size n" "--keep-companions" \
    "--force" "-h, --help" "PIXFOLD" ".pixfold-gallery"; do
    printf '%s\n' "$text" | grep -qF -- "$words" || { echo "FAIL: pixfold-gallery.1 lacks: $words"; failed=1; }
done
text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$dir/pixfold.1" 2>/dev/null)
for words in "pixfold path_without_ext" "pixfold < file_list" "Fatal Error" \
    "No such file or directory" "File name too long"; do
    printf '%s\n' "$text" | grep -qF -- "$words" || { echo "FAIL: pixfold.1 lacks: $words"; failed=1; }
done
[ "$failed" -eq 0 ] && echo "PASS: manual pages"
exit "$failed"
