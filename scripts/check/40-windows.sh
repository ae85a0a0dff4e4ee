#!/bin/sh
# pixfold.exe for Windows: cross-built with mingw-w64, the whole test suite run under Wine (the
# end-to-end cases in code page 1252 and again in 932), and the sample gallery written by
# pixfold.exe compared byte for byte with the one the native build writes.
set -eu
cd "$(dirname "$0")/../.."
started=$(date +%s)

# As root the packages are installed when missing; anyone else is told which ones to install.
if ! scripts/ensure-packages g++-mingw-w64-x86-64-posix wine64 wine locales; then
    [ "${CI:-}" = true ] && exit 1
    echo "SKIPPED: the Windows leg needs the Debian packages named above" >&2
    exit 0
fi

# The Wine prefix is made once, before the tests, so that no test pays for it or sees its talk.
scripts/wine-run --prepare
PIXFOLD_WINE_LOCALE=ja_JP.UTF-8 scripts/wine-run --prepare
echo "Wine ready after $(($(date +%s) - started)) s"

cmake --workflow --preset mingw

echo "Windows leg took $(($(date +%s) - started)) s"
