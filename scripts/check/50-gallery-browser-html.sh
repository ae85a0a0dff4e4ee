#!/bin/sh
# The gallery as a visitor meets it. pixfold-gallery writes the sample gallery, a gallery of
# names that HTML treats specially ('&', '<', '"', '%', ...), one of hostile names (Japanese,
# '#', '?', '%41', '\', javascript:..., control bytes, bytes that are no UTF-8), published into
# another folder, a tree of albums with the site step's headers, dates and footers, and two of
# real photographs (all eight EXIF orientations, grey, progressive and CMYK pictures): in place,
# and into another folder with web-size copies. Every page must be valid HTML 4.0 Transitional
# (onsgmls, tidy); headless Chromium must show every thumbnail, cover and picture at the size
# its page declares and in its box, and follow every link to its file and back, down through
# every album and up its header, both from nginx over HTTP and from file:// URLs; no published
# file may keep a camera's private metadata; and the gallery in place may add at most 3 % of
# the photographs' own size. Chromium also reads back the link names of
# tests/gallery/link_name_table, and follows them in pages of their own.
# A few minutes. SCREENSHOTS=docs refreshes the screenshots that the README and
# docs/gallery.md show, and docs/screenshot-album.png, an album's index with its header.
. "$(dirname "$0")/../lib/leg.sh"
out=build/gallery-check

failed() {
    echo "FAILED: $1" >&2
    exit 1
}

dev_build pixfold pixfold-gallery link_name_table
gallery() { build/dev/pixfold-gallery "$@"; }

rm -rf "$out"
mkdir -p "$out/names" "$out/refused" "$out/hostile-src"
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
for name in sample names; do gallery "$out/$name"; done

# Left out, and the rest written: index.jpg, whose page would be the index, and a name that
# fits a file name but not, with its escapes, the list line that pixfold reads.
copy_sample refused clouds fine
copy_sample refused rainbow index
copy_sample refused tartan.v2 "$(printf '\303\251%.0s' $(seq 50))"
status=0
gallery "$out/refused" 2>"$out/refusals" || status=$?
[ "$status" -eq 2 ] || failed "refused: status $status, not 2: $(cat "$out/refusals")"
grep -qF "index.jpg: left out of the gallery" "$out/refusals" ||
    failed "no message for index.jpg: $(cat "$out/refusals")"
[ "$(grep -c 'left out of the gallery' "$out/refusals")" -eq 2 ] ||
    failed "expected two pictures left out: $(cat "$out/refusals")"
[ -f "$out/refused/fine.html" ] && grep -q '<title>A Picture Index</title>' "$out/refused/index.html" ||
    failed "refused: fine.html and the index were not both written"

echo "--- real photographs"
galleries='{"path": "'"$PWD/$out/sample"'", "thumb_box": 200},
{"path": "'"$PWD/$out/names"'", "thumb_box": 200}'
html_galleries="$out/sample $out/names"
photos=false
if scripts/make-photo-folder test "$out/photos"; then
    photos=true
    cp -R "$out/photos" "$out/photos-in-place"
    before=$(du -sb "$out/photos-in-place" | cut -f1)
    gallery "$out/photos-in-place"
    added=$(($(du -sb "$out/photos-in-place" | cut -f1) - before))
    echo "the gallery in place adds $added bytes to $before bytes of photographs"
    [ $((added * 100)) -le $((before * 3)) ] || failed "the gallery in place adds more than 3 %"
    gallery "$out/photos" "$out/photos-web"
    # Pictures that cannot be decoded are left out, by name, and the rest is written.
    cp -R "$out/photos" "$out/photos-broken"
    scripts/make-photo-folder broken "$out/photos-broken"
    if gallery "$out/photos-broken" 2>"$out/broken"; then failed "broken photographs were taken"; fi
    [ "$(grep -c 'left out of the gallery' "$out/broken")" -eq 2 ] ||
        failed "expected two broken photographs: $(cat "$out/broken")"
    galleries="$galleries,
{\"path\": \"$PWD/$out/photos-in-place\", \"thumb_box\": 200},
{\"path\": \"$PWD/$out/photos-web\", \"thumb_box\": 200, \"web_box\": 1600,
 \"site_step\": true, \"top_name\": \"photos\"}"
    html_galleries="$html_galleries $out/photos-in-place $out/photos-web"
else
    cannot_run "real photographs: scripts/make-photo-folder cannot fetch them from Debian's archive"
fi

echo "--- hostile names"
# A name of every kind that a browser reads otherwise than a file system: Japanese with and
# without a second byte of 0x5C ('\'), the two tildes that tables of Shift-JIS disagree on,
# accents and an emoji that Shift-JIS cannot hold, the bytes that end or escape a URL path,
# URL schemes, spaces at either end, control bytes, and a name in Shift-JIS bytes, which no
# UTF-8 system reads as characters. All of them are published.
src=$out/hostile-src
hostile() { # sample, new name
    cp "examples/gallery/$1.jpg" "$src/$2.jpg"
}
hostile clouds 表示
hostile rainbow ソフト
hostile tartan.v2 花火大会
hostile camouflage 〜波
hostile squiggles ～波
hostile clouds café
hostile "gingham check" "$(printf '\360\237\216\206')"
hostile "blue planet" 'a#b'
hostile rainbow 'what?'
hostile tartan.v2 '%41bc'
hostile camouflage 'back\slash'
hostile squiggles '10:30 sunset'
hostile "gingham check" 'javascript:alert(1)'
hostile "blue planet" "javascript:document.title='pwned';x"
hostile clouds ' leading space'
hostile rainbow "$(printf 'tab\tstop')"
hostile tartan.v2 'trailing space '
hostile camouflage "$(printf 'line\nbreak')"
hostile squiggles "$(printf 'ctrl-z\032')"
hostile "gingham check" "$(printf '\225\134\216\206')"
if "$photos"; then
    # Real photographs: one that fits the web box upright, copied as it is, and one shrunk.
    cp "$out/photos/fresh flower.jpg" "$src/写真 fresh flower.jpg"
    cp "$out/photos/storm.jpg" "$src/storm 嵐.jpg"
fi

# A camera's EXIF tells where a picture was taken and with what, and a photo manager adds XMP,
# IPTC and comments: a published file carries none of them, copied as it is or made anew.
# exiftool -G1 -s writes "[Group] Tag : value"; a colour profile's DeviceModel is no camera's.
private_tags='GPSLatitude GPSLongitude Make Model SerialNumber Comment'
private="^\[(XMP-[a-z]+|IPTC)\]|^\[[^]]+\] +($(printf %s "$private_tags" | tr ' ' '|')) +:"
metadata=false
if command -v exiftool >/dev/null; then
    metadata=true
    set -- "$src/花火大会.jpg" "$src/café.jpg" "$src/javascript:alert(1).jpg" \
        "$src/$(printf 'tab\tstop').jpg"
    if "$photos"; then set -- "$@" "$src/写真 fresh flower.jpg" "$src/storm 嵐.jpg"; fi
    exiftool -q -overwrite_original -Make=TestCam -Model=T1 -SerialNumber=SN123 \
        -GPSLatitude=35.6895 -GPSLatitudeRef=N -GPSLongitude=139.6917 -GPSLongitudeRef=E \
        -XMP-dc:Creator=Owner -XMP-dc:Description=private -IPTC:By-line=Owner \
        -IPTC:City=Tokyo -Comment=private "$@" || failed "exiftool cannot tag the sources"
    # The tags are there to be dropped, so the check below has something to find.
    for tagged in "$@"; do
        exiftool -q -a -G1 -s "$tagged" >"$out/source-metadata"
        for tag in $private_tags; do
            grep -qE "^\[[^]]+\] +$tag +:" "$out/source-metadata" ||
                failed "$tagged: exiftool did not tag $tag"
        done
        grep -q '^\[XMP-dc\]' "$out/source-metadata" && grep -q '^\[IPTC\]' "$out/source-metadata" ||
            failed "$tagged: exiftool wrote no XMP or no IPTC"
    done
else
    cannot_run "metadata: needs exiftool (Debian package libimage-exiftool-perl)"
fi
# A photograph that only its owner may read is still published for everyone to read.
chmod 600 "$src/café.jpg"

(umask 022 && LC_ALL=C.UTF-8 gallery "$src" "$out/hostile") 2>"$out/hostile-messages" ||
    failed "hostile names: status $?: $(cat "$out/hostile-messages")"
[ ! -s "$out/hostile-messages" ] || failed "hostile names: $(cat "$out/hostile-messages")"
for source in "$src"/*.jpg; do
    name=${source##*/}
    name=${name%.jpg}
    for file in "$name.html" "$name.jpg" "t/$name.jpg"; do
        [ -f "$out/hostile/$file" ] || failed "hostile names: $file is missing"
    done
done
unreadable=$(find "$out/hostile" -path "$out/hostile/.pixfold-gallery" -prune -o \
    \( -type f ! -perm -o=r -o -type d ! -perm -o=rx \) -print)
[ -z "$unreadable" ] || failed "published files that others cannot read: $unreadable"
if "$metadata"; then
    find "$out/hostile" -type f -exec exiftool -q -a -G1 -s {} + >"$out/published-metadata" 2>&1 || true
    grep -q 'ImageWidth' "$out/published-metadata" || failed "exiftool read nothing under $out/hostile"
    if grep -E "$private" "$out/published-metadata"; then
        failed "a published file keeps private metadata"
    fi
fi
galleries="$galleries,
{\"path\": \"$PWD/$out/hostile\", \"thumb_box\": 200, \"web_box\": 1600,
 \"site_step\": true, \"top_name\": \"hostile-src\",
 \"click\": [\"javascript:alert(1)\", \"javascript:document.title='pwned';x\"]}"
html_galleries="$html_galleries $out/hostile"

echo "--- albums"
# A photo archive as people keep one, a tree of folders by year and event, published with
# SRC OUT: pictures at the top, albums named in Japanese and with an accent, one with '#' in
# its name holding only albums (so its cover is its first album's), albums three deep, a
# stdheader.inc in the middle and a stdfooter.inc at the top, and folders that are no album:
# an empty one and a hidden one. Real photographs where there are, those that the
# screenshots' credits name.
tree=$out/album-sources/photos
album_picture() { # folder, sample, photograph, new name, modification day
    mkdir -p "$tree/$1"
    from="examples/gallery/$2.jpg"
    if "$photos"; then from="$out/photos/$3.jpg"; fi
    cp "$from" "$tree/$1/$4.jpg"
    touch -d "$5 12:00" "$tree/$1/$4.jpg"
}
album_picture "" clouds "bridge" 橋 2023-04-01
album_picture "" rainbow "cmyk fig" fig 2023-05-01
album_picture 花火大会 "blue planet" "dogs at the window" 犬 2023-08-05
# A name that Shift-JIS cannot hold: its links escape its UTF-8 bytes, its header shows &#xE9;.
album_picture café rainbow "dogs at the window" chien 2023-06-01
# Each index is dated by the newest picture below it, which lies ever deeper: 夏 by 海辺, the
# top and 2024 #1 by 秋.
album_picture "2024 #1/夏" squiggles "orientation-6 dragonfly" トンボ 2024-07-20
album_picture "2024 #1/夏" tartan.v2 "dandelions 5120x2880" たんぽぽ 2024-07-21
album_picture "2024 #1/夏/海辺" camouflage "boats at dusk" 夕暮れ 2024-08-10
album_picture "2024 #1/秋" "gingham check" "cmyk fig" イチジク 2024-10-12
album_picture .hidden clouds bridge hidden 2025-01-01
mkdir -p "$tree/empty/deeper"
# Both files go into the pages byte for byte, which browsers read as Shift-JIS.
album_header='夏の写真, summer 2024'
album_footer='アルバムの終わり, end of the albums'
printf '<p>%s</p>' "$album_header" | iconv -f UTF-8 -t SHIFT_JIS >"$tree/2024 #1/夏/stdheader.inc"
printf '<p>%s</p>' "$album_footer" | iconv -f UTF-8 -t SHIFT_JIS >"$tree/stdfooter.inc"
(umask 022 && LC_ALL=C.UTF-8 gallery "$tree" "$out/albums") 2>"$out/album-messages" ||
    failed "albums: status $?: $(cat "$out/album-messages")"
[ ! -s "$out/album-messages" ] || failed "albums: $(cat "$out/album-messages")"
for album in "" 花火大会/ café/ "2024 #1/" "2024 #1/夏/" "2024 #1/夏/海辺/" "2024 #1/秋/"; do
    [ -f "$out/albums/${album}index.html" ] || failed "albums: no index for the album $album"
done
for folder in empty .hidden; do
    [ ! -e "$out/albums/$folder" ] || failed "albums: $folder is published"
done
galleries="$galleries,
{\"path\": \"$PWD/$out/albums\", \"thumb_box\": 200, \"web_box\": 1600, \"site_step\": true,
 \"top_name\": \"photos\", \"screenshot_album\": \"2024 #1\",
 \"includes\": [{\"file\": \"stdheader.inc\", \"album\": \"2024 #1/夏\", \"text\": \"$album_header\"},
  {\"file\": \"stdfooter.inc\", \"album\": \"\", \"text\": \"$album_footer\"}]}"
html_galleries="$html_galleries $out/albums"

echo "--- phone folder"
# A folder copied from two phones, a messenger, a camera and a scanner (scripts/make-photo-folder
# phone), published with SRC OUT: every picture of every format becomes a JPEG page of its own at
# the size the table says, upright, with nothing of its owner's data; of two pictures of one
# name the JPEG is shown; videos and raws beside a picture pass quietly and alone are named;
# with --order date the index follows the time each was taken.
phone=$out/phone-src
if scripts/make-photo-folder phone "$phone" >/dev/null; then
    status=0
    (umask 022 && LC_ALL=C.UTF-8 gallery "$phone" "$out/phone") 2>"$out/phone-messages" ||
        status=$?
    [ "$status" -eq 2 ] || failed "phone: status $status, not 2: $(cat "$out/phone-messages")"
    cat >"$out/phone-expected" <<'MESSAGES'
pixfold-gallery: warning: IMG_0103.HEIC: not shown: IMG_0103.JPG already makes IMG_0103.jpg, and its format comes first
pixfold-gallery: warning: clip.mp4: not shown: a video
pixfold-gallery: warning: DSC_0001.NEF: not shown: a camera raw, which the image library cannot decode
pixfold-gallery: truncated.heic: left out of the gallery: heif: Invalid input: Unexpected end of file: Extent in iloc box references data outside of file bounds (points to file position 1083)
MESSAGES
    diff "$out/phone-expected" "$out/phone-messages" || failed "phone: other messages than these"
    # NAME and the size that its page declares, which its web-size copy has.
    while read -r size name; do
        [ -f "$out/phone/t/$name.jpg" ] || failed "phone: no thumbnail of $name"
        # Bytes, not characters: the pages are Shift-JIS.
        declared=$(LC_ALL=C sed -n 's/.*<img src="[^"]*" alt="[^"]*" width="\([0-9]*\)" height="\([0-9]*\)">.*/\1x\2/p' \
            "$out/phone/$name.html")
        copy=$(exiftool -s3 -ImageSize "$out/phone/$name.jpg")
        [ "$declared" = "$size" ] && [ "$copy" = "$size" ] ||
            failed "phone: $name is declared ${declared:-nothing} and made $copy, not $size"
    done <<'SIZES'
1065x1600 IMG_0101
1600x1000 IMG_0102
1600x1000 IMG_0103
1600x1000 IMG_0104
1600x1000 IMG_0001
1600x1000 IMG_9999
1600x1000 花火
1600x1000 PXL_20240603_101500000
1376x1120 Screenshot_20240601-101500
1600x1203 scan 0001
1280x800 animation
1600x1000 IMG-20240602-WA0001
SIZES
    [ "$(find "$out/phone" -name '*.html' ! -name index.html | wc -l)" -eq 12 ] ||
        failed "phone: other pages than the twelve pictures'"
    # The portrait that the phone stored sideways, with an irot and EXIF orientation 6, is the
    # upright picture that libheif shows, not turned once more.
    heif-convert "$phone/IMG_0101.HEIC" "$out/phone-upright.png" >/dev/null
    pngtopnm "$out/phone-upright.png" | pamscale -xsize 1065 -ysize 1600 >"$out/phone-upright.ppm"
    djpeg "$out/phone/IMG_0101.jpg" >"$out/phone-web.ppm"
    psnr=$(pnmpsnr -machine "$out/phone-upright.ppm" "$out/phone-web.ppm" 2>/dev/null | cut -d' ' -f1)
    awk -v p="${psnr:-0}" 'BEGIN { exit !(p >= 30) }' ||
        failed "phone: IMG_0101.jpg is not the upright picture (luma PSNR ${psnr:-none})"
    if "$metadata"; then
        find "$out/phone" -type f -exec exiftool -q -a -G1 -s {} + >"$out/phone-metadata" 2>&1 || true
        if grep -E "$private" "$out/phone-metadata"; then
            failed "phone: a published file keeps private metadata"
        fi
    fi
    LC_ALL=C.UTF-8 gallery --order date "$phone" "$out/phone-by-date" 2>/dev/null || true
    order=$(LC_ALL=C grep -o '<a href="[^"]*\.html"' "$out/phone-by-date/index.html" |
        LC_ALL=C sed 's/<a href="\(.*\)\.html"/\1/' | iconv -f SHIFT_JIS -t UTF-8 | tr '\n' '|')
    [ "$order" = "scan 0001|IMG_9999|IMG_0001|Screenshot_20240601-101500|IMG_0101|IMG_0104|IMG_0103|IMG_0102|花火|IMG-20240602-WA0001|animation|PXL_20240603_101500000|" ] ||
        failed "phone: --order date gives $order"
    galleries="$galleries,
{\"path\": \"$PWD/$out/phone\", \"thumb_box\": 200, \"web_box\": 1600,
 \"site_step\": true, \"top_name\": \"phone-src\"}"
    html_galleries="$html_galleries $out/phone"
else
    cannot_run "phone folder: scripts/make-photo-folder cannot make it"
fi

echo "--- HTML check"
if command -v onsgmls >/dev/null && command -v tidy >/dev/null &&
    [ -r /usr/share/xml/w3c-sgml-lib/schema/dtd/sgml.soc ]; then
    # shellcheck disable=SC2086 # the folders hold no spaces
    sh tests/html/check-pages.sh $html_galleries
else
    cannot_run "HTML check: needs onsgmls, tidy and the W3C DTDs (Debian packages opensp, tidy, w3c-sgml-lib)"
fi

echo "--- web server"
# Debian's nginx on a free port of the loopback, serving the galleries' parent folder, with a
# configuration, pid, logs and temporary files of its own under build/, and stopped when the
# leg ends however it ends.
nginx=/usr/sbin/nginx
server=$PWD/build/gallery-server
nginx_pid=
stop_nginx() {
    [ -n "$nginx_pid" ] || return 0
    kill -TERM "$nginx_pid" 2>/dev/null || true
    wait "$nginx_pid" 2>/dev/null || true
    nginx_pid=
}
trap stop_nginx EXIT
trap 'exit 1' HUP INT TERM
# Starts nginx on the port; fails when it cannot listen there. With daemon off it stays this
# shell's child, and it writes its pid file only once it listens.
start_nginx() { # port
    rm -rf "$server"
    mkdir -p "$server/temp"
    # As root, nginx would hand the requests to "nobody"; the files are the user's, as on a
    # visitor's server.
    user=
    [ "$(id -u)" -ne 0 ] || user="user $(id -un) $(id -gn);"
    cat >"$server/nginx.conf" <<EOF
daemon off;
$user
worker_processes 1;
pid "$server/nginx.pid";
error_log "$server/error.log" notice;
events { worker_connections 64; }
http {
    include /etc/nginx/mime.types;
    default_type application/octet-stream;
    access_log "$server/access.log";
    client_body_temp_path "$server/temp/body";
    proxy_temp_path "$server/temp/proxy";
    fastcgi_temp_path "$server/temp/fastcgi";
    uwsgi_temp_path "$server/temp/uwsgi";
    scgi_temp_path "$server/temp/scgi";
    server {
        listen 127.0.0.1:$1;
        root "$PWD/$out";
    }
}
EOF
    "$nginx" -p "$server" -c "$server/nginx.conf" -e "$server/error.log" &
    nginx_pid=$!
    for _ in $(seq 100); do
        [ -s "$server/nginx.pid" ] && return 0
        kill -0 "$nginx_pid" 2>/dev/null || break
        sleep 0.1
    done
    stop_nginx
    return 1
}
http_url=
if ! scripts/ensure-packages nginx || [ ! -x "$nginx" ]; then
    cannot_run "HTTP check: needs nginx (Debian package nginx)"
else
    # A port from the range no system hands out by itself; another is tried while one is taken.
    for _ in $(seq 10); do
        port=$((20000 + $(od -An -N2 -tu2 /dev/urandom) % 12000))
        if start_nginx "$port"; then
            http_url=http://127.0.0.1:$port/
            break
        fi
        grep -q 'Address already in use' "$server/error.log" ||
            failed "nginx does not start: $(cat "$server/error.log")"
    done
    [ -n "$http_url" ] || failed "nginx found no free port: $(cat "$server/error.log")"
    echo "nginx serves $out at $http_url"
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
    # Screenshots for the docs show Japanese names and the label: they need Japanese glyphs.
    if [ "${SCREENSHOTS:-}" = docs ] && ! scripts/ensure-packages fonts-droid-fallback; then
        failed "SCREENSHOTS=docs needs a font with Japanese glyphs (Debian package fonts-droid-fallback)"
    fi
    mkdir -p build/browser
    cp tests/browser/package.json tests/browser/package-lock.json build/browser/
    npm ci --prefix build/browser --no-audit --no-fund --loglevel=error >/dev/null
    # The screenshots show the photographs with web-size copies, and a phone picture's page.
    screenshot_gallery=sample screenshot_page="blue planet"
    if [ -d "$out/photos-web" ]; then
        screenshot_gallery=photos-web screenshot_page="orientation-6 dragonfly"
    fi
    GALLERIES="[$galleries]" HTTP_URL="$http_url" HTTP_ROOT="$PWD/$out" \
        BROWSER_DEPS="$PWD/build/browser" CHROMIUM="$chromium" \
        SCREENSHOTS="${SCREENSHOTS:-$out/screenshots}" \
        SCREENSHOT_GALLERY="$screenshot_gallery" SCREENSHOT_PAGE="$screenshot_page" \
        node --test tests/browser/gallery.test.mjs
    LINK_NAME_TABLE="$PWD/build/dev/tests/gallery/link_name_table" \
        BROWSER_DEPS="$PWD/build/browser" CHROMIUM="$chromium" node --test tests/browser/link_names.test.mjs
fi
