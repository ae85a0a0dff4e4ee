#!/bin/sh
# Installs the gallery generators that bench/gallery/run.sh compares with pixfold-gallery:
# llgal and fgallery from Debian, and thumbsup from the npm registry at the version pinned by
# bench/gallery/package-lock.json, into build/bench-gallery/thumbsup.
#
#   bench/gallery/install.sh
#
# The Debian packages (llgal, fgallery, graphicsmagick and exiftool for thumbsup, GNU time, and
# what builds thumbsup's one native module) are installed as root; otherwise they are named.
# thumbsup's database module, better-sqlite3, would download a prebuilt binary from outside the
# npm registry, and node-gyp would download Node.js headers: both are turned off, and the module
# is compiled from its npm source against the headers of Debian's nodejs package.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"

# liblcms2-utils: fgallery maps colour profiles to sRGB with its tificc, and stops without it.
# libvips-tools and libheif-examples: the HEIC bench's floor (vipsthumbnail) and its photographs
# (bench/gallery/make-heic-photos).
scripts/ensure-packages llgal fgallery liblcms2-utils graphicsmagick libimage-exiftool-perl \
    nodejs g++ make python3 libjpeg-turbo-progs libvips-tools libheif-examples

headers=/usr/include/node
if [ ! -f "$headers/node_api.h" ] || [ ! -f "$headers/common.gypi" ]; then
    echo "bench/gallery/install.sh: no Node.js headers in $headers (Debian package nodejs)" >&2
    exit 1
fi

target=build/bench-gallery/thumbsup
mkdir -p "$target"
cp bench/gallery/package.json bench/gallery/package-lock.json "$target/"
# build_from_source: prebuild-install gives up at once, and the module builds with node-gyp.
# nodedir: node-gyp takes the headers found there instead of fetching them.
(
    cd "$target"
    npm_config_build_from_source=true npm_config_nodedir=/usr \
        npm ci --no-audit --no-fund --foreground-scripts
)
# thumbsup prints its version after an empty line.
version=$("$target/node_modules/.bin/thumbsup" --version | tr -d '[:space:]')
echo "installed: llgal, fgallery, thumbsup $version"
