#!/bin/sh
# The Debian package that CPack builds: it holds the two programs and their manual pages, and
# the programs unpacked from it write the sample gallery. A few seconds.
. "$(dirname "$0")/../lib/leg.sh"
dev_build pixfold pixfold-gallery
rm -rf build/package
(cd build/dev && cpack -B "$PWD/../package" >/dev/null)
deb=$(ls build/package/*.deb)
echo "built $deb"
dpkg-deb -c "$deb" | awk '{print $NF}' | grep -v '/$' | sort >build/package/contents
printf '%s\n' ./usr/bin/pixfold ./usr/bin/pixfold-gallery ./usr/share/man/man1/pixfold-gallery.1 \
    ./usr/share/man/man1/pixfold.1 | cmp - build/package/contents || {
    echo "FAILED: unexpected contents of $deb:" >&2
    cat build/package/contents >&2
    exit 1
}
dpkg-deb -x "$deb" build/package/root
cp -R examples/gallery build/package/gallery
env -u PIXFOLD PATH=/usr/bin:/bin build/package/root/usr/bin/pixfold-gallery build/package/gallery
count() { find build/package/gallery -maxdepth 1 -name "$1" | wc -l; }
pages=$(count '*.html')
[ "$pages" -eq "$(($(count '*.jpg') + 1))" ] || {
    echo "FAILED: the packaged pixfold-gallery wrote $pages pages" >&2
    exit 1
}
echo "the packaged tools wrote $pages pages of the sample gallery"
