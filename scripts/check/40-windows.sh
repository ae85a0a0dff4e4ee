#!/bin/sh
# pixfold.exe for Windows: cross-built with mingw-w64, the whole test suite run under Wine (the
# end-to-end cases in code page 1252 and again in 932), and the sample gallery written by
# pixfold.exe compared byte for byte with the one the native build writes.
. "$(dirname "$0")/../lib/leg.sh"
started=$(date +%s)

need_packages g++-mingw-w64-x86-64-posix wine64 wine locales

# The Wine prefix is made once, before the tests, so that no test pays for it or sees its talk.
scripts/wine-run --prepare
PIXFOLD_WINE_LOCALE=ja_JP.UTF-8 scripts/wine-run --prepare
echo "Wine ready after $(($(date +%s) - started)) s"

cmake --workflow --preset mingw

# Self-contained: the C and C++ runtimes are linked in, so the program needs nothing but the
# two libraries that every Windows has.
imports=$(x86_64-w64-mingw32-objdump -p build/mingw/pixfold.exe | sed -n 's/^[[:space:]]*DLL Name: //p' |
    sort | tr '\n' ' ')
if [ "$imports" != "KERNEL32.dll msvcrt.dll " ]; then
    echo "FAILED: pixfold.exe needs more than KERNEL32.dll and msvcrt.dll: $imports" >&2
    exit 1
fi

# The sample gallery, written once by pixfold.exe under Wine and once by the native build, must
# come out the same to the byte.
dev_build pixfold pixfold-gallery
root=$PWD
printf '#!/bin/sh\nexec "%s/scripts/wine-run" "%s/build/mingw/pixfold.exe" "$@"\n' "$root" "$root" \
    >build/mingw/pixfold-under-wine
chmod +x build/mingw/pixfold-under-wine
rm -rf build/windows-gallery build/native-gallery
cp -R examples/gallery build/windows-gallery
cp -R examples/gallery build/native-gallery
PIXFOLD=build/mingw/pixfold-under-wine build/dev/pixfold-gallery build/windows-gallery
PIXFOLD=build/dev/pixfold build/dev/pixfold-gallery build/native-gallery
# The manifests hold the times of the two copies of the pictures, which differ.
if ! diff -r --exclude=.pixfold-gallery build/native-gallery build/windows-gallery; then
    echo "FAILED: pixfold.exe and the native pixfold wrote different sample galleries" >&2
    exit 1
fi
echo "sample gallery: pixfold.exe and the native build wrote the same" \
    "$(find build/windows-gallery -name '*.html' | wc -l) pages, byte for byte"

echo "Windows leg took $(($(date +%s) - started)) s"
