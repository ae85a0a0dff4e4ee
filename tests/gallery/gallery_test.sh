#!/bin/sh
# Tests of pixfold-gallery on real folders: one case per call, named by the first argument.
#
# Usage: gallery_test.sh CASE PIXFOLD_GALLERY PIXFOLD
# Exit status 0 when the case passed, 1 when it failed, 77 when this machine cannot run it.
# shellcheck disable=SC2015 # "check && check || fail" is meant: fail ends the case
set -u
# The checks here read bytes, whatever the names are in; each run names its own locale.
LC_ALL=C
export LC_ALL
case_name=$1
tool=$2
pixfold=$3
case $tool in /*) ;; *) tool=$PWD/$tool ;; esac
case $pixfold in /*) ;; *) pixfold=$PWD/$pixfold ;; esac
root=$(cd "$(dirname "$0")/../.." && pwd)
samples=$root/examples/gallery
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

fail() {
    echo "FAIL: $case_name: $*"
    exit 1
}
skip() {
    echo "SKIPPED: $case_name: $*"
    exit 77
}

# Runs pixfold-gallery with the arguments, after any VAR=value words for its environment, with
# PIXFOLD set; leaves its status, stdout and stderr in status, out and err.
gallery() {
    environment=
    while [ "$#" -gt 0 ]; do
        case $1 in
        [A-Z]*=*)
            environment="$environment $1"
            shift
            ;;
        *) break ;;
        esac
    done
    # shellcheck disable=SC2086 # the VAR=value words hold no spaces
    env PIXFOLD="$pixfold" $environment "$tool" "$@" >out 2>err
    status=$?
}

# A folder of pictures under the given names, each a copy of one of the sample pictures.
make_gallery() {
    dir=$1
    shift
    mkdir -p -- "$dir"
    sample=0
    for name in "$@"; do
        case $sample in
        0) from=clouds ;; 1) from=rainbow ;; 2) from="blue planet" ;; 3) from=tartan.v2 ;;
        4) from=camouflage ;; 5) from="gingham check" ;; *) from=squiggles ;;
        esac
        sample=$(((sample + 1) % 7))
        cp -- "$samples/$from.jpg" "$dir/$name.jpg"
    done
}

# Every file under a folder with its inode, modification time and size, one per line: two
# listings differ when any file was written, replaced, added or removed.
snapshot() {
    (cd -- "$1" && find . -type f -printf '%i %T@ %s %p\n' | LC_ALL=C sort)
}
# The same without inodes and times: what the files hold.
contents() {
    (cd -- "$1" && find . -type f -print | LC_ALL=C sort | while IFS= read -r file; do
        printf '%s %s\n' "$(cksum <"$file" | cut -d' ' -f1)" "$file"
    done)
}

expect_status() {
    [ "$status" -eq "$1" ] || fail "status $status, expected $1; stderr: $(cat err)"
}

# Each message, after "pixfold-gallery: ", stands on a line of standard error.
expect_messages() {
    for message in "$@"; do
        grep -qF "pixfold-gallery: $message" err || fail "no message: $message; stderr: $(cat err)"
    done
}

expect_no_stderr() {
    [ -s err ] && fail "unexpected standard error: $(cat err)"
    return 0
}

unescape() {
    sed 's/&lt;/</g; s/&gt;/>/g; s/&quot;/"/g; s/&amp;/\&/g'
}

# The names of the pictures that a gallery's index shows, in its order.
index_names() {
    tr -d '\r' <"$1/index.html" | sed -n 's/^<a href="[^"]*" name="\([^"]*\)">.*/\1/p' | unescape
}

# The size that the page of a picture declares, as "width height".
page_size() {
    tr -d '\r' <"$1" | sed -n 's/^<img src=.* width="\([0-9]*\)" height="\([0-9]*\)">$/\1 \2/p'
}

# The file name that a link reaches: its %XX escapes decoded, or its Shift-JIS read as UTF-8, as
# a browser and a web server do. A link holds one or the other, never both.
file_of_link() {
    case $1 in
    *%[0-9A-F][0-9A-F]*) printf '%s' "$1" | perl -pe 's/%([0-9A-F]{2})/chr(hex($1))/ge' ;;
    *) printf '%s' "$1" | iconv -f CP932 -t UTF-8 ;;
    esac
}

# Checks a finished gallery written with --keep-companions: the index is what pixfold writes, in
# the gallery's state, for the lines t/LINK.jpg, and each page what pixfold writes for its link
# from the companion beside it; every index link reaches a page, every back link an anchor,
# every thumbnail fits its box, and nothing half made is left behind.
expect_gallery() {
    dir=$1
    box=$2
    shift 2
    tr -d '\r' <"$dir/index.html" | sed -n 's/^<a href="[^"]*" name="[^"]*"><img src="\([^"]*\)".*/\1/p' |
        unescape >list
    (cd "$dir/.pixfold-gallery/sizes" && env "$@" "$pixfold" <"$work/list" >"$work/index.expected") ||
        fail "pixfold cannot write the index of $dir"
    cmp -s index.expected "$dir/index.html" || fail "$dir/index.html differs from pixfold's index"
    [ "$(wc -l <list)" -eq "$(find "$dir/t" -type f -printf x | wc -c)" ] ||
        fail "the index has not one entry per thumbnail"
    while IFS= read -r line; do
        link=${line#t/}
        link=${link%.jpg}
        name=$(file_of_link "$link")
        [ -f "$dir/t/$name.jpg" ] || fail "thumbnail $line reaches no file"
        rm -rf page && mkdir page && cp "$dir/$name.ppm" "page/$link.ppm"
        (cd page && env "$@" "$pixfold" "$link" >"$work/page.expected") ||
            fail "pixfold cannot write the page of $name"
        cmp -s page.expected "$dir/$name.html" || fail "$dir/$name.html differs from pixfold's page"
        size=$(sed -n 2p "$dir/.pixfold-gallery/sizes/t/$link.ppm")
        [ "${size% *}" -le "$box" ] && [ "${size#* }" -le "$box" ] ||
            fail "the thumbnail of $name does not fit $box: $size"
        tr -d '\r' <"$dir/$name.html" | sed -n 's/^<p><a href="index.html#\([^"]*\)">BACK.*/\1/p' |
            unescape >backs
        [ "$(wc -l <backs)" -eq 2 ] || fail "$name.html has not two back links"
        while IFS= read -r anchor; do
            [ "$anchor" = "$link" ] || fail "$name.html links back to $anchor"
        done <backs
    done <list
    tab=$(printf '\t')
    tr -d '\r' <"$dir/index.html" | sed -n "s/^<a href=\"\([^\"]*\)\" name=\"\([^\"]*\)\">.*/\1$tab\2/p" |
        unescape | while IFS= read -r entry; do
        [ "${entry%%"$tab"*}" = "${entry#*"$tab"}.html" ] || fail "the entry $entry links elsewhere"
    done || exit 1
    [ "$(ls -A "$dir/.pixfold-gallery" | tr '\n' ' ')" = "manifest sizes " ] ||
        fail "files left in $dir/.pixfold-gallery: $(ls -A "$dir/.pixfold-gallery")"
}

# Compiles a locale here (input, character map, name), so no case needs it installed.
make_locale() {
    command -v localedef >/dev/null || skip "localedef is missing (Debian package locales)"
    mkdir -p locales
    localedef --no-warnings=ascii -c -i "$1" -f "$2" "locales/$3" 2>/dev/null ||
        skip "cannot compile the $1 $2 locale (Debian package locales)"
    locales=$work/locales
}

need_exiftool() {
    command -v exiftool >/dev/null || skip "exiftool is missing (Debian package libimage-exiftool-perl)"
}

# Sets the EXIF orientation of a picture, as a phone does instead of turning the pixels.
orient() { # orientation, file
    exiftool -q -n -overwrite_original "-Orientation=$1" "$2" || fail "exiftool cannot tag $2"
}

case $case_name in
odd_names)
    # Names that HTML or the shell treat specially still make pages that link up.
    make_gallery g "salt & pepper" "100% zoom" "tartan.v2.v3" -dash "a<b>c" 'say "cheese"' \
        "trailing space " "it's" "two  spaces" "10:30 sunset" "tab	stop"
    snapshot g >originals
    gallery --keep-companions g
    expect_status 0
    # In place the originals are shown, never touched.
    snapshot g | grep '\.jpg$' | grep -v ' \./t/' | cmp -s originals - || fail "an original changed"
    expect_no_stderr
    [ -s out ] && fail "unexpected standard output: $(cat out)"
    expect_gallery g 200
    [ -f "g/-dash.html" ] && [ -f "g/tartan.v2.v3.html" ] && [ -f "g/t/10:30 sunset.jpg" ] ||
        fail "pages missing: $(ls g)"
    ;;

sorting)
    # The index follows the byte order of the names, not the collation of the locale.
    make_locale en_US UTF-8 en_US.UTF-8
    make_gallery g B _u a Z -x "a b"
    gallery LOCPATH="$locales" LC_ALL=en_US.UTF-8 g
    expect_status 0
    expect_no_stderr
    index_names g >order
    printf '%s\n' -x B Z _u "a b" a | cmp -s - order || fail "index order: $(tr '\n' ' ' <order)"
    ;;

shift_jis)
    # Names in Shift-JIS bytes, each with a character whose second byte is 0x5C, the backslash:
    # their links are escaped in every locale, so the gallery is the same in a Shift-JIS locale
    # and in a UTF-8 one, where such names are no UTF-8.
    make_locale ja_JP SHIFT_JIS ja_JP.SJIS
    cover=$(printf '\225\134\216\206')         # "cover"
    software=$(printf '\203\134\203\164\203\147') # "software"
    ability=$(printf '\224\134\227\315')         # "ability"
    make_gallery g "$cover" "$software" "$ability.v2" "$cover $software"
    gallery LOCPATH="$locales" LC_ALL=ja_JP.SJIS --keep-companions g
    expect_status 0
    expect_no_stderr
    expect_gallery g 200 LOCPATH="$locales" LC_ALL=ja_JP.SJIS
    [ -f "g/$ability.v2.html" ] || fail "no page for the double-byte name with two dots"
    grep -qF 'href="%95%5C%8E%86.html"' g/index.html || fail "the link of $cover is not escaped"
    contents g >sjis
    for locale in C.UTF-8 C; do
        gallery LOCPATH="$locales" LC_ALL="$locale" --force --keep-companions g
        expect_status 0
        expect_no_stderr
        contents g | cmp -s sjis - || fail "under $locale the gallery differs"
    done
    ;;

escaped_names)
    # Names that a browser would read as something else in a link are written escaped for
    # pixfold, and reach their own files: no warning, every picture in the gallery.
    make_gallery g "a#b" "what?" "%41bc" "%2e%2E" "back\\slash" "5%off" "100%" "%4" plain \
        "10:30 sunset" "javascript:alert(1)" " leading space" "trailing space " \
        "tab	stop" "line$(printf '\nbreak')" "ctrl$(printf '\032')z"
    gallery LC_ALL=C.UTF-8 --keep-companions g
    expect_status 0
    expect_no_stderr
    expect_gallery g 200 LC_ALL=C.UTF-8
    [ "$(index_names g | wc -l)" -eq 16 ] || fail "not every picture is in the index"
    grep -qF 'href="javascript%3Aalert(1).html"' g/index.html || fail "javascript: is not escaped"
    grep -qF 'href="plain.html"' g/index.html || fail "a plain name is not its own link"
    # Names in UTF-8 under a UTF-8 locale: Shift-JIS where a browser reads it back, else escaped.
    make_gallery h "caf$(printf '\303\251')" "$(printf '\350\212\261\347\201\253')"
    gallery LC_ALL=C.UTF-8 --keep-companions h
    expect_status 0
    expect_no_stderr
    expect_gallery h 200 LC_ALL=C.UTF-8
    grep -qF 'href="caf%C3%A9.html"' h/index.html || fail "café is not escaped"
    grep -qF "href=\"$(printf '\211\324\211\316').html\"" h/index.html ||
        fail "the Japanese name is not in Shift-JIS"
    [ -f "h/caf$(printf '\303\251').html" ] && [ -f "h/$(printf '\350\212\261\347\201\253').html" ] ||
        fail "pages are not under the files' own names: $(ls h)"
    ;;

refused_names)
    # A picture named index would replace the index: it is left out with a message that names
    # it, the others are written, and the run ends with status 2.
    make_gallery g fine index "$(printf '%0250d' 0)" "$(printf '%0251d' 0)"
    gallery g
    expect_status 2
    expect_messages "index.jpg: left out of the gallery: the page of this picture would replace" \
        "$(printf '%0251d' 0).jpg: left out of the gallery: the name is longer than 250 bytes"
    [ "$(wc -l <err)" -eq 2 ] || fail "not one line per message: $(cat err)"
    [ "$(index_names g | tr '\n' ' ')" = "$(printf '%0250d' 0) fine " ] ||
        fail "index: $(index_names g)"
    cmp -s g/index.jpg "$samples/rainbow.jpg" || fail "the picture index.jpg was changed"
    ;;

broken_pictures)
    # A picture that cannot be decoded is left out with a message that names it; the rest of
    # the gallery is written, and the run ends with status 2.
    make_gallery g first second
    head -c 2000 "$samples/squiggles.jpg" >g/truncated.jpg
    echo "not a picture" >g/text.jpg
    : >g/empty.jpg
    gallery g
    expect_status 2
    for name in truncated text empty; do
        grep -q "^pixfold-gallery: $name.jpg: left out of the gallery: ." err ||
            fail "no message for $name.jpg: $(cat err)"
        [ ! -f "g/$name.html" ] && [ ! -f "g/t/$name.jpg" ] || fail "files made for $name.jpg"
    done
    [ "$(index_names g | tr '\n' ' ')" = "first second " ] || fail "index: $(index_names g)"
    # Mended, the picture joins the gallery on the next run, which then ends well.
    cp "$samples/squiggles.jpg" g/truncated.jpg
    rm g/text.jpg g/empty.jpg
    gallery g
    expect_status 0
    [ "$(index_names g | tr '\n' ' ')" = "first second truncated " ] ||
        fail "index after mending: $(index_names g)"
    ;;

orientations)
    # Every EXIF orientation: the companion, the page and the thumbnail have the size that a
    # browser shows, with width and height swapped for 5 to 8.
    need_exiftool
    mkdir g
    for orientation in 1 2 3 4 5 6 7 8; do
        cp "$samples/clouds.jpg" "g/o$orientation.jpg" # 160 by 120
        orient "$orientation" "g/o$orientation.jpg"
    done
    gallery --keep-companions --thumb-size 80 g
    expect_status 0
    expect_no_stderr
    expect_gallery g 80
    for orientation in 1 2 3 4 5 6 7 8; do
        case $orientation in [1234]) size="160 120" thumbnail="80 60" ;; *) size="120 160" thumbnail="60 80" ;; esac
        [ "$(sed -n 2p "g/o$orientation.ppm")" = "$size" ] || fail "companion of o$orientation: $(sed -n 2p "g/o$orientation.ppm")"
        [ "$(page_size "g/o$orientation.html")" = "$size" ] || fail "page of o$orientation: $(page_size "g/o$orientation.html")"
        [ "$(sed -n 2p "g/.pixfold-gallery/sizes/t/o$orientation.ppm")" = "$thumbnail" ] ||
            fail "thumbnail of o$orientation"
        # Thumbnails are turned in their pixels: their own orientation is none, or upright.
        case $(exiftool -s3 -n -Orientation "g/t/o$orientation.jpg") in
        "" | 1) ;;
        *) fail "thumbnail of o$orientation keeps its orientation" ;;
        esac
    done
    ;;

companions)
    # A companion that the user had is never read, changed or removed; the gallery's own are
    # made for a page and removed, or kept with --keep-companions.
    need_exiftool
    make_gallery g mine theirs other
    orient 6 g/mine.jpg
    printf 'P6\n7 5\n255\n' >g/theirs.ppm
    touch -d '2020-01-01 00:00' g/theirs.ppm
    before=$(stat -c '%Y %s' g/theirs.ppm)
    gallery g
    expect_status 0
    [ ! -e g/mine.ppm ] && [ ! -e g/other.ppm ] || fail "companions left without --keep-companions"
    [ "$(page_size g/mine.html)" = "120 160" ] || fail "page of mine: $(page_size g/mine.html)"
    [ "$(page_size g/theirs.html)" = "180 60" ] || fail "the user's companion sized the page"
    gallery --keep-companions g
    expect_status 0
    [ "$(sed -n 2p g/mine.ppm)" = "120 160" ] || fail "kept companion of mine: $(sed -n 2p g/mine.ppm)"
    [ "$(stat -c '%Y %s' g/theirs.ppm)" = "$before" ] || fail "the user's companion was changed"
    gallery g
    expect_status 0
    [ ! -e g/mine.ppm ] && [ ! -e g/other.ppm ] || fail "the gallery's companions were not removed"
    [ "$(stat -c '%Y %s' g/theirs.ppm)" = "$before" ] || fail "the user's companion was removed"
    rm g/theirs.jpg
    gallery g
    [ "$(stat -c '%Y %s' g/theirs.ppm)" = "$before" ] || fail "the user's companion went with its picture"
    [ ! -e g/theirs.html ] || fail "the page of a removed picture stayed"
    ;;

incremental)
    # In place and into OUT: a second run writes nothing; a changed picture gets its files
    # again; a removed one loses the files made for it, and no other file goes; --force makes
    # everything again, to the same bytes.
    for mode in in_place source_out; do
        rm -rf g site
        make_gallery g a b c d
        case $mode in in_place) target=g set -- g ;; *) target=site set -- g site ;; esac
        echo "my notes" >g/notes.html
        gallery "$@"
        expect_status 0
        [ "$mode" = source_out ] && echo "my notes" >site/notes.html
        first=$(snapshot "$target")
        sleep 1 # so that a file written again would show another time
        gallery "$@"
        expect_status 0
        expect_no_stderr
        [ "$(snapshot "$target")" = "$first" ] || fail "$mode: an unchanged folder was written again"

        cp "$samples/squiggles.jpg" g/b.jpg
        gallery "$@"
        expect_status 0
        snapshot "$target" >after
        echo "$first" >before
        changed=$(diff before after | sed -n 's/^> [^ ]* [^ ]* [^ ]* \.\///p' | LC_ALL=C sort |
            tr '\n' ' ')
        case $mode in
        # In place b.jpg is the changed picture itself.
        *) expected=".pixfold-gallery/manifest .pixfold-gallery/sizes/t/b.ppm b.html b.jpg index.html t/b.jpg " ;;
        esac
        [ "$changed" = "$expected" ] || fail "$mode: a changed picture rewrote: $changed"

        rm g/c.jpg
        gallery "$@"
        expect_status 0
        for file in c.html t/c.jpg .pixfold-gallery/sizes/t/c.ppm; do
            [ ! -e "$target/$file" ] || fail "$mode: $file stayed after its picture went"
        done
        [ "$mode" = source_out ] && [ -e site/c.jpg ] && fail "the web copy of c stayed"
        [ "$(cat "$target/notes.html")" = "my notes" ] || fail "$mode: a file of the user went"
        [ "$(index_names "$target" | tr '\n' ' ')" = "a b d " ] || fail "$mode: index after removal"

        contents "$target" >before
        snapshot "$target" >before.snapshot
        gallery --force "$@"
        expect_status 0
        contents "$target" | cmp -s before - || fail "$mode: --force made other bytes"
        snapshot "$target" | cmp -s before.snapshot - && fail "$mode: --force wrote nothing"
    done
    ;;

source_out)
    # SRC OUT: SRC stays as it was to the byte and the time; OUT holds a web-size copy of every
    # picture, camera names included, thumbnails, pages and the index, none with private data.
    make_gallery src small turned # 160 by 120, 180 by 60
    need_exiftool
    cp "$samples/clouds.jpg" src/IMG_0001.JPG
    cp "$samples/rainbow.jpg" src/beach.jpeg
    cp "$samples/camouflage.jpg" src/DUNE.JPEG # 200 by 100
    orient 6 src/turned.jpg
    # A camera's EXIF tells where a picture was taken and with what; a published file must not,
    # whether made from the pixels or copied as it is (small fits the web box, tiny the
    # thumbnail's).
    command -v djpeg >/dev/null && command -v cjpeg >/dev/null ||
        skip "djpeg and cjpeg are missing (Debian package libjpeg-turbo-progs)"
    djpeg -scale 1/4 "$samples/clouds.jpg" | cjpeg >src/tiny.jpg # 40 by 30
    djpeg -scale 1/8 "$samples/rainbow.jpg" | cjpeg >preview.jpg # a camera's preview
    exiftool -q -overwrite_original -Make=TestCam -Model=T1 -SerialNumber=SN123 \
        -GPSLatitude=48.85 -GPSLatitudeRef=N -XMP:Creator=Owner -IPTC:By-line=Owner \
        -Comment=private "-ThumbnailImage<=preview.jpg" src/DUNE.JPEG src/turned.jpg \
        src/small.jpg src/tiny.jpg || fail "exiftool cannot tag"
    exiftool -b -ThumbnailImage src/DUNE.JPEG | cmp -s - preview.jpg ||
        fail "exiftool gave DUNE.JPEG no preview"
    # A photograph only its owner may read is still published for everyone to read.
    chmod 600 src/small.jpg
    umask 022
    echo "not a picture" >src/notes.txt
    # A Mac leaves ._NAME beside each picture on a card or a shared disk: no picture, no error.
    echo "resource fork" >src/._IMG_0001.JPG
    snapshot src >src.before
    contents src >src.bytes
    # The markers stay as pixfold writes them, so that every page is what pixfold writes.
    gallery --keep-companions --keep-markers --size 170 --thumb-size 50 src site
    expect_status 0
    expect_no_stderr
    snapshot src | cmp -s src.before - && contents src | cmp -s src.bytes - || fail "SRC changed"
    expect_gallery site 50
    [ "$(index_names site | tr '\n' ' ')" = "DUNE IMG_0001 beach small tiny turned " ] ||
        fail "index: $(index_names site)"
    # Pictures that fit and are upright keep their image data to the byte; the others are
    # shrunk or turned.
    for picture in small tiny; do
        djpeg "src/$picture.jpg" >original.ppm && djpeg "site/$picture.jpg" >copy.ppm &&
            cmp -s original.ppm copy.ppm || fail "$picture was not copied as it is"
    done
    cmp -s src/IMG_0001.JPG site/IMG_0001.jpg || fail "an untagged picture was not copied to the byte"
    cmp -s src/tiny.jpg site/t/tiny.jpg && fail "the thumbnail copied as it is keeps its metadata"
    for picture in "turned 57 170" "DUNE 170 85" "beach 170 57" "small 160 120"; do
        [ "$(sed -n 2p "site/${picture%% *}.ppm")" = "${picture#* }" ] ||
            fail "${picture%% *}: $(sed -n 2p "site/${picture%% *}.ppm")"
        [ "$(page_size "site/${picture%% *}.html")" = "${picture#* }" ] || fail "page of ${picture%% *}"
    done
    find site -name '*.jpg' -exec exiftool -q -a -G1 -s {} + >metadata
    grep -E 'GPS|Make|Model|SerialNumber|\[XMP|\[IPTC|Comment|ThumbnailImage' metadata &&
        fail "a published file keeps private metadata"
    grep -q 'ImageWidth' metadata || fail "exiftool read nothing"
    unreadable=$(find site -type f ! -perm -o=r)
    [ -z "$unreadable" ] || fail "published files others cannot read: $unreadable"
    [ ! -e site/notes.txt ] || fail "a file that is no picture was copied"
    # Two pictures that would make one web copy: the first in byte order wins, the other is
    # left out with a message.
    cp "$samples/clouds.jpg" src/IMG_0001.jpg
    gallery src site
    expect_status 2
    grep -qF "IMG_0001.jpg: left out of the gallery: IMG_0001.JPG already makes IMG_0001.jpg" err ||
        fail "no message for the second IMG_0001: $(cat err)"
    # OUT may not be SRC.
    gallery src src/.
    expect_status 2
    grep -qF "for a gallery in place give only that folder" err || fail "stderr: $(cat err)"
    ;;

albums)
    # SRC OUT walks the folders below SRC: each that holds pictures, or albums in turn, is an
    # album with its own index, pages and thumbnails, and an entry in the index above it, whose
    # thumbnail is its cover. The site step fills in the markers: a header (the nearest
    # stdheader.inc, or links to the albums above and below), the date, the footer.
    make_gallery src top
    make_gallery src/2024 a
    make_gallery src/2024/holiday b
    make_gallery src/2025 c
    make_gallery "src/$(printf '\350\212\261\347\201\253') #1" d # "fireworks #1"
    mkdir -p src/empty/deeper src/.hidden src/elsewhere
    make_gallery src/.hidden hidden
    make_gallery src/elsewhere e
    ln -s elsewhere src/link
    rm -r src/elsewhere/e.jpg
    printf '<p>the 2024 header</p>' >src/2024/stdheader.inc
    printf '<p>the footer</p>' >src/stdfooter.inc
    touch -d '2024-05-01 12:00' src/top.jpg src/2025/c.jpg src/*/d.jpg
    touch -d '2024-06-01 12:00' src/2024/a.jpg
    touch -d '2024-07-01 12:00' src/2024/holiday/b.jpg
    gallery LC_ALL=C.UTF-8 TZ=UTC src site
    expect_status 0
    grep -qF "warning: link/: left out: a symbolic link to a folder" err || fail "no word of the link: $(cat err)"
    [ "$(wc -l <err)" -eq 1 ] || fail "stderr: $(cat err)"
    for album in "" 2024/ 2024/holiday/ 2025/ "$(printf '\350\212\261\347\201\253') #1/"; do
        [ -f "site/${album}index.html" ] || fail "no index for the album $album"
    done
    [ ! -e site/empty ] && [ ! -e site/.hidden ] && [ ! -e site/link ] || fail "left-out folders made: $(ls -A site)"
    # Albums first, then pictures, each in name order; an album's entry is t/LINK/index.jpg.
    tr -d '\r' <site/index.html | sed -n 's/^<a href="\([^"]*\)".*/\1/p' | tr '\n' ' ' >entries
    [ "$(cat entries)" = "2024/index.html 2025/index.html %E8%8A%B1%E7%81%AB%20%231/index.html top.html " ] ||
        fail "top index: $(cat entries)"
    grep -qF '<img src="t/2024/index.jpg"' site/index.html || fail "no cover of 2024"
    # A cover is the first picture of the album, or the cover of its first album.
    cmp -s site/t/2024/index.jpg site/2024/holiday/t/b.jpg || fail "2024's cover is not holiday's"
    cmp -s site/2024/t/holiday/index.jpg site/2024/holiday/t/b.jpg || fail "holiday's cover"
    cmp -s site/t/2025/index.jpg site/2025/t/c.jpg || fail "2025's cover"
    # The header: stdheader.inc on the pages of its folder and below it, byte for byte; else
    # links to every album above, and on an index, its albums.
    for page in site/2024/index.html site/2024/a.html site/2024/holiday/index.html site/2024/holiday/b.html; do
        grep -qF '<p>the 2024 header</p>' "$page" || fail "$page lacks the 2024 header"
    done
    tr -d '\r' <site/index.html | grep -qxF '<p>src</p>' || fail "top header: $(tr -d '\r' <site/index.html | sed -n 8,9p)"
    tr -d '\r' <site/index.html | grep -qF '<p><a href="2024/index.html">2024</a> | <a href="2025/index.html">2025</a> | <a href="%E8%8A%B1%E7%81%AB%20%231/index.html">'"$(printf '\211\324\211\316')"' #1</a></p>' ||
        fail "top index's albums: $(tr -d '\r' <site/index.html | sed -n 8,10p)"
    tr -d '\r' <site/2025/c.html | grep -qxF '<p><a href="../index.html">src</a> / <a href="index.html">2025</a></p>' ||
        fail "2025's page header: $(tr -d '\r' <site/2025/c.html | sed -n 8p)"
    # The top is named by its folder, however SRC is written.
    gallery LC_ALL=C.UTF-8 TZ=UTC src/./ slashed
    tr -d '\r' <slashed/index.html | grep -qxF '<p>src</p>' ||
        fail "top named $(tr -d '\r' <slashed/index.html | sed -n 8p)"
    # The date: a picture's own day; an index's, the newest below it. It follows the label.
    label=$(printf '^<p>\215\305\217I\215X\220V:$')
    for check in "site/2025/c.html 2024-05-01" "site/2024/holiday/b.html 2024-07-01" \
        "site/2024/index.html 2024-07-01" "site/index.html 2024-07-01" "site/2025/index.html 2024-05-01"; do
        date=$(tr -d '\r' <"${check% *}" | grep -a -A1 "$label" | sed -n 2p)
        [ "$date" = "${check#* }" ] || fail "${check% *}: the date $date, not ${check#* }"
    done
    grep -qF '<p>the footer</p>' site/2024/holiday/b.html || fail "no footer"
    # The step changes the three marker lines and nothing else.
    gallery LC_ALL=C.UTF-8 TZ=UTC --keep-markers src raw
    expect_status 0
    (cd site && find . -name '*.html' | LC_ALL=C sort) >pages
    while IFS= read -r page; do
        # Of pixfold's page, the three marker lines changed, into one line or more each.
        diff raw/"$page" site/"$page" >changes
        [ "$(grep -c '^< ' changes)" -eq 3 ] || fail "$page: not three lines changed: $(cat changes)"
        grep -a '^< ' changes | tr -d '\r' | grep -avqE '^< <!-- \$(include std(header|footer)\.inc|timestamp) -->$' &&
            fail "$page: another line changed: $(cat changes)"
        tr -d '\r' <"site/$page" | grep -aq "$label" || fail "$page: the label changed"
    done <pages

    # A rerun with nothing changed writes nothing.
    snapshot site >before
    sleep 1
    gallery LC_ALL=C.UTF-8 TZ=UTC src site
    expect_status 0
    snapshot site | cmp -s before - || fail "a rerun wrote: $(snapshot site | diff before -)"
    # A picture added to a leaf album, after its cover and older than the rest: its own files,
    # the page of the picture before it, which now leads to it, and its album's index, nothing
    # above.
    cp "$samples/rainbow.jpg" src/2024/holiday/c0.jpg
    touch -d '2024-05-02 12:00' src/2024/holiday/c0.jpg
    gallery LC_ALL=C.UTF-8 TZ=UTC src site
    expect_status 0
    changed=$(snapshot site | diff before - | sed -n 's/^> [^ ]* [^ ]* [^ ]* \.\///p' |
        grep -v '^\.pixfold-gallery/manifest$' | LC_ALL=C sort | tr '\n' ' ')
    expected=".pixfold-gallery/sizes/2024/holiday/t/c0.ppm 2024/holiday/b.html 2024/holiday/c0.html 2024/holiday/c0.jpg 2024/holiday/index.html 2024/holiday/t/c0.jpg "
    [ "$changed" = "$expected" ] || fail "adding a picture rewrote: $changed"
    # One of a later day: the indexes above too, whose date it is now.
    snapshot site >before
    cp "$samples/rainbow.jpg" src/2024/holiday/c1.jpg
    gallery LC_ALL=C.UTF-8 TZ=UTC src site
    expect_status 0
    changed=$(snapshot site | diff before - | sed -n 's/^> [^ ]* [^ ]* [^ ]* \.\///p' |
        grep 'index.html$' | LC_ALL=C sort | tr '\n' ' ')
    [ "$changed" = "2024/holiday/index.html 2024/index.html index.html " ] ||
        fail "a picture of a later day rewrote the indexes $changed"
    # The same gallery whatever the jobs, and from a clean build.
    gallery LC_ALL=C.UTF-8 TZ=UTC -j 1 src one
    gallery LC_ALL=C.UTF-8 TZ=UTC -j 4 src four
    diff -r --exclude=.pixfold-gallery one four >/dev/null && diff -r --exclude=.pixfold-gallery one site >/dev/null ||
        fail "galleries differ: $(diff -rq one four; diff -rq one site)"
    # An album named t would be the folder of its parent's thumbnails: left out, and said.
    make_gallery src/2025/t f
    gallery LC_ALL=C.UTF-8 TZ=UTC src site
    expect_status 2
    expect_messages "2025/t/: left out of the gallery: an album t would share its folder with the thumbnails"
    # In place the gallery stays one folder, and names the folders it leaves out.
    gallery src
    expect_status 0
    expect_messages "warning: 2024/: left out: a gallery in place is one folder; pixfold-gallery SRC OUT takes the folders below as albums"
    grep -q '\.hidden/\| t/' err && fail "in place names a hidden folder, or its own: $(cat err)"
    [ ! -e src/2024/index.html ] || fail "in place wrote an album"
    ;;

camera_names_in_place)
    # In place only NAME.jpg is a picture; camera names are left out with a warning that
    # points to the SRC OUT mode, and the run still ends well.
    make_gallery g one
    cp "$samples/clouds.jpg" g/IMG_0001.JPG
    gallery g
    expect_status 0
    grep -qF "warning: IMG_0001.JPG: left out: a gallery in place takes only names ending in .jpg; pixfold-gallery SRC OUT takes this picture as well" err ||
        fail "stderr: $(cat err)"
    [ "$(index_names g)" = one ] || fail "index: $(index_names g)"
    ;;

jobs)
    # The gallery is the same to the byte whether one picture is made at a time or four.
    need_exiftool
    mkdir src
    for copy in 1 2 3; do
        for sample in "$samples"/*.jpg; do
            name=${sample##*/}
            cp "$sample" "src/$copy ${name%.jpg}.jpg"
        done
    done
    orient 6 "src/2 clouds.jpg"
    orient 3 "src/3 rainbow.jpg"
    gallery -j 1 --size 100 --thumb-size 40 --keep-companions src one
    expect_status 0
    gallery -j4 --size 100 --thumb-size 40 --keep-companions src four
    expect_status 0
    diff -r one four >/dev/null || fail "-j 1 and -j 4 made different galleries: $(diff -rq one four)"
    [ "$(index_names one | wc -l)" -eq 21 ] || fail "not 21 pictures"
    ;;

interrupted)
    # A run stopped by Ctrl-C or SIGTERM leaves every file as it was or whole; the next run
    # finishes the job and keeps the pictures that were finished.
    make_gallery src a b c d e f g h i j
    # A pixfold that takes its time, so the run can be stopped halfway.
    printf '#!/bin/sh\nsleep 0.3\nexec "%s" "$@"\n' "$pixfold" >slow-pixfold
    chmod +x slow-pixfold
    gallery src whole
    expect_status 0
    for signal in INT TERM; do
        rm -rf site
        env --default-signal=INT PIXFOLD="$work/slow-pixfold" "$tool" -j 1 src site >run.log 2>&1 &
        running=$!
        sleep 1.5
        kill "-$signal" "$running"
        wait "$running"
        status=$?
        [ "$status" -gt 128 ] || fail "$signal: the run ended with $status before the signal"
        finished=$(ls site/*.html 2>/dev/null | wc -l)
        [ "$finished" -gt 0 ] && [ "$finished" -lt 10 ] || fail "$signal: $finished pages before the stop"
        [ ! -e site/index.html ] || fail "$signal: an index of a run that did not end"
        # Every page there is whole, and so are its thumbnail and web copy.
        for page in site/*.html; do
            cmp -s "$page" "whole/${page#site/}" || fail "$signal: $page is not whole"
            base=${page#site/}
            base=${base%.html}
            cmp -s "site/t/$base.jpg" "whole/t/$base.jpg" && cmp -s "site/$base.jpg" "whole/$base.jpg" ||
                fail "$signal: the files of $base are not whole"
        done
        snapshot site | grep -v '\.pixfold-gallery' >kept
        sleep 1
        gallery src site
        expect_status 0
        diff -r whole site >/dev/null || fail "$signal: the next run did not finish the job: $(diff -rq whole site)"
        # The pictures finished before the stop were not made again.
        snapshot site | grep -Ff kept | cmp -s kept - || fail "$signal: finished pictures were made again"
    done
    ;;

locked)
    # Two runs on one gallery at once would undo each other's work: the second one stops.
    command -v flock >/dev/null || skip "flock is missing (Debian package util-linux)"
    make_gallery g one
    mkdir g/.pixfold-gallery
    flock g/.pixfold-gallery sh -c "PIXFOLD='$pixfold' '$tool' g >out 2>err; echo \$? >status"
    [ "$(cat status)" -eq 2 ] || fail "status $(cat status)"
    grep -qF "g: another pixfold-gallery is writing this gallery" err || fail "stderr: $(cat err)"
    [ ! -e g/one.html ] || fail "a page was written beside another run"
    ;;

pixfold_failure)
    # A page that pixfold cannot write: the picture is left out with pixfold's report, and the
    # rest of the gallery is written.
    printf '#!/bin/sh\ncase "$1" in b) echo "b.ppm: Permission denied" >&2; exit 2 ;; esac\nexec "%s" "$@"\n' \
        "$pixfold" >picky-pixfold
    chmod +x picky-pixfold
    make_gallery g a b c
    env PIXFOLD="$work/picky-pixfold" "$tool" g >out 2>err
    status=$?
    expect_status 2
    grep -qF "b.jpg: left out of the gallery: pixfold stopped with status 2: b.ppm: Permission denied" err ||
        fail "stderr: $(cat err)"
    [ "$(index_names g | tr '\n' ' ')" = "a c " ] || fail "index: $(index_names g)"
    [ ! -e g/b.html ] && [ ! -e g/t/b.jpg ] || fail "files of b were left"
    # A pixfold that cannot be found.
    env PIXFOLD="$work/no-such-pixfold" "$tool" g >out 2>err
    status=$?
    expect_status 2
    grep -q 'cannot find pixfold' err || fail "stderr: $(cat err)"
    ;;

installed_beside)
    # Without PIXFOLD, the pixfold beside pixfold-gallery is run, before any on PATH.
    mkdir -p bin
    cp "$tool" bin/pixfold-gallery
    cp "$pixfold" bin/pixfold
    make_gallery g one
    env -u PIXFOLD PATH=/usr/bin:/bin bin/pixfold-gallery --keep-companions g >out 2>err
    status=$?
    expect_status 0
    expect_gallery g 200
    ;;

usage)
    "$tool" --help >out 2>err
    status=$?
    expect_status 0
    expect_no_stderr
    grep -q '^Usage: pixfold-gallery \[OPTION\]... DIR' out || fail "--help: $(cat out)"
    # Help that cannot be written is a failure, not a success.
    if [ -w /dev/full ]; then
        "$tool" --help >/dev/full 2>err
        status=$?
        expect_status 2
        grep -qF "pixfold-gallery: stdout: No space left on device" err || fail "stderr: $(cat err)"
    fi
    for arguments in "" "a b c" "-x" "--frobnicate a" "-j 0 a" "--size 800 a"; do
        # shellcheck disable=SC2086 # the arguments are split on purpose
        "$tool" $arguments >out 2>err
        status=$?
        expect_status 2
        grep -q "^pixfold-gallery: ." err || fail "no message for: $arguments"
    done
    gallery "$work/no such folder"
    expect_status 2
    grep -qF "no such folder: cannot read this folder" err || fail "stderr: $(cat err)"
    # A folder whose name starts with "-" is reached after "--".
    make_gallery -g one
    gallery -- -g
    expect_status 0
    [ -f -g/one.html ] || fail "no page in -g"
    ;;

progress)
    # On a terminal a progress bar shows on standard error, pictures and albums each counted as
    # what they are, and nothing when there is nothing to do; on a pipe or in a file nothing.
    command -v script >/dev/null || skip "script is missing (Debian package bsdutils)"
    make_gallery g one two three
    PIXFOLD=$pixfold script -qec "'$tool' g" /dev/null >terminal </dev/null
    grep -q '\[#*\] 3/3 pictures' terminal || fail "no progress: $(cat terminal)"
    grep -q '\[#*\] 1/1 albums' terminal || fail "the index not counted as an album: $(cat terminal)"
    PIXFOLD=$pixfold script -qec "'$tool' g" /dev/null >terminal </dev/null
    [ ! -s terminal ] || fail "a run with nothing to do showed: $(cat -A terminal)"
    gallery --force g
    expect_status 0
    expect_no_stderr
    ;;

*)
    echo "no such case: $case_name"
    exit 2
    ;;
esac
echo "PASS: $case_name"
