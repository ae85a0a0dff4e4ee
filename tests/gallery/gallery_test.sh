#!/bin/sh
# Tests of pixfold-gallery on real folders: one case per call, named by the first argument.
#
# Usage: gallery_test.sh CASE PIXFOLD [SHELL]
#   PIXFOLD  the built pixfold; SHELL  the shell that runs pixfold-gallery (default sh)
# Exit status 0 when the case passed, 1 when it failed, 77 when this machine cannot run it.
# shellcheck disable=SC2015 # "check && check || fail" is meant: fail ends the case
set -u
# The checks here read bytes, whatever the names are in; each run names its own locale.
LC_ALL=C
export LC_ALL
case_name=$1
pixfold=$2
shell=${3:-sh}
case $pixfold in /*) ;; *) pixfold=$PWD/$pixfold ;; esac
root=$(cd "$(dirname "$0")/../.." && pwd)
tool=$root/tools/pixfold-gallery
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

# Runs pixfold-gallery on the folder with the environment that follows, without PIXFOLD
# unless the caller gives it; leaves its status, stdout and stderr in status, out and err.
gallery() {
    dir=$1
    shift
    env PIXFOLD="$pixfold" "$@" "$shell" "$tool" "$dir" >out 2>err
    status=$?
}

# A folder of pictures under the given names, each a copy of a sample with its PPM.
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
        cp -- "$samples/$from.ppm" "$dir/$name.ppm"
    done
}

# The names of the files in the folder, one per line, in byte order.
listing() {
    (cd -- "$1" && find . ! -name . -prune | sed 's|^\./||' | sort)
}

expect_status() {
    [ "$status" -eq "$1" ] || fail "status $status, expected $1; stderr: $(cat err)"
}

expect_no_stderr() {
    [ -s err ] && fail "unexpected standard error: $(cat err)"
    return 0
}

unescape() {
    sed 's/&lt;/</g; s/&gt;/>/g; s/&quot;/"/g; s/&amp;/\&/g'
}

# Checks a finished gallery: each page is what pixfold writes for its picture, the index is
# what pixfold writes for the list in byte order, every index link names an existing page,
# every back link an anchor of the index, and nothing temporary is left behind.
expect_gallery() {
    dir=$1
    shift
    (cd "$dir" && for file in *.jpg; do printf './%s\n' "$file"; done) | LC_ALL=C sort >list
    (cd "$dir" && env "$@" "$pixfold" <"$work/list" >"$work/index.expected") ||
        fail "pixfold cannot write the index of $dir"
    cmp -s index.expected "$dir/index.html" || fail "$dir/index.html differs from pixfold's index"
    while IFS= read -r line; do
        base=${line#./}
        base=${base%.jpg}
        (cd "$dir" && env "$@" "$pixfold" "$base" >"$work/page.expected") ||
            fail "pixfold cannot write the page of $base"
        cmp -s page.expected "$dir/$base.html" || fail "$dir/$base.html differs from pixfold's page"
    done <list

    tr -d '\r' <"$dir/index.html" | sed -n 's/^<a href="\([^"]*\)" name="\([^"]*\)">.*/\1/p' |
        unescape >hrefs
    tr -d '\r' <"$dir/index.html" | sed -n 's/^<a href="[^"]*" name="\([^"]*\)">.*/\1/p' |
        unescape >anchors
    [ "$(wc -l <hrefs)" -eq "$(wc -l <list)" ] || fail "the index has not one entry per picture"
    while IFS= read -r href; do
        [ -f "$dir/$href" ] || fail "index link $href reaches no page"
        tr -d '\r' <"$dir/$href" | sed -n 's/^<p><a href="index.html#\([^"]*\)">BACK.*/\1/p' |
            unescape >backs
        [ "$(wc -l <backs)" -eq 2 ] || fail "$href has not two back links"
        while IFS= read -r anchor; do
            [ "$anchor.html" = "$href" ] || fail "$href links back to $anchor"
            grep -qxF -- "$anchor" anchors || fail "$href links back to a missing anchor $anchor"
        done <backs
    done <hrefs
    if listing "$dir" | grep '^\.pixfold-gallery'; then fail "temporary files left in $dir"; fi
}

# Compiles a locale here (input, character map, name), so no case needs it installed.
make_locale() {
    command -v localedef >/dev/null || skip "localedef is missing (Debian package locales)"
    mkdir -p locales
    localedef --no-warnings=ascii -c -i "$1" -f "$2" "locales/$3" 2>/dev/null ||
        skip "cannot compile the $1 $2 locale (Debian package locales)"
    locales=$work/locales
}

# A PATH with every program of the system except the named ones.
path_without() {
    mkdir -p bin-without
    ln -s /usr/bin/* bin-without/ 2>/dev/null
    for program in "$@"; do rm -f "bin-without/$program"; done
    path_without=$work/bin-without
}

case $case_name in
odd_names)
    # Names that HTML or the shell treat specially still make pages that link up.
    make_gallery g "salt & pepper" "100% zoom" "tartan.v2.v3" -dash "a<b>c" 'say "cheese"' \
        "trailing space " "it's" "back\\slash" "two  spaces"
    gallery g
    expect_status 0
    expect_no_stderr
    [ -s out ] && fail "unexpected standard output: $(cat out)"
    expect_gallery g
    [ -f "g/-dash.html" ] && [ -f "g/tartan.v2.v3.html" ] && [ -f "g/back\\slash.html" ] ||
        fail "pages missing: $(listing g)"
    # A second run replaces the pages with the same bytes.
    cp g/index.html index.first
    gallery g
    expect_status 0
    cmp -s index.first g/index.html || fail "a second run changed the index"
    ;;

sorting)
    # The index follows the byte order of the names, not the collation of the locale.
    make_locale en_US UTF-8 en_US.UTF-8
    make_gallery g B _u a Z -x
    gallery g LOCPATH="$locales" LC_ALL=en_US.UTF-8
    expect_status 0
    expect_no_stderr
    tr -d '\r' <g/index.html | sed -n 's/^<a href="[^"]*" name="\([^"]*\)">.*/\1/p' >order
    printf '%s\n' -x B Z _u a | cmp -s - order || fail "index order: $(tr '\n' ' ' <order)"
    ;;

shift_jis)
    # Double-byte names in a Shift-JIS locale: no warning, and every page links up. Each name
    # holds a character whose second byte is 0x5C, the backslash.
    make_locale ja_JP SHIFT_JIS ja_JP.SJIS
    cover=$(printf '\225\134\216\206')         # "cover"
    software=$(printf '\203\134\203\164\203\147') # "software"
    ability=$(printf '\224\134\227\315')         # "ability"
    make_gallery g "$cover" "$software" "$ability.v2" "$cover $software"
    gallery g LOCPATH="$locales" LC_ALL=ja_JP.SJIS
    expect_status 0
    expect_no_stderr
    expect_gallery g LOCPATH="$locales" LC_ALL=ja_JP.SJIS
    [ -f "g/$ability.v2.html" ] || fail "no page for the double-byte name with two dots"
    # The same names under a UTF-8 or an ASCII locale: still written, but warned about.
    for locale in C.UTF-8 C; do
        rm -f g/*.html
        gallery g LOCPATH="$locales" LC_ALL="$locale"
        expect_status 0
        [ "$(grep -c 'warning: .*Shift-JIS' err)" -eq 4 ] ||
            fail "under $locale: expected one warning per name: $(cat err)"
        grep -qF "warning: $ability.v2.jpg: " err || fail "warning does not name the file"
        expect_gallery g LOCPATH="$locales" LC_ALL="$locale"
    done
    ;;

warnings)
    # Names that browsers read as something else than the file name: warned about, written.
    make_gallery g "img-09:10" "a#b" "what?" "%41bc" "%2e%2E" "5%off" "100%" "%4" plain
    gallery g LC_ALL=C.UTF-8
    expect_status 0
    for name in "img-09:10.jpg: a browser reads the part before \":\"" \
        "a#b.jpg: a browser reads \"#\" or \"?\"" "what?.jpg: a browser reads \"#\" or \"?\"" \
        "%41bc.jpg: a browser reads \"%\" and two hexadecimal digits" \
        "%2e%2E.jpg: a browser reads \"%\" and two hexadecimal digits"; do
        grep -qF "pixfold-gallery: warning: $name" err || fail "no warning: $name"
    done
    [ "$(wc -l <err)" -eq 5 ] || fail "expected five warnings: $(cat err)"
    grep -E '5%off|100%|%4\.|plain' err && fail "warned about a name that is fine"
    expect_gallery g LC_ALL=C.UTF-8
    # Bytes outside ASCII under a UTF-8 locale, and the same gallery again under an unknown one.
    make_gallery h "caf$(printf '\303\251')"
    gallery h LC_ALL=C.UTF-8
    expect_status 0
    grep -qF "warning: caf$(printf '\303\251').jpg: browsers read the pages as Shift-JIS" err ||
        fail "no warning for a UTF-8 name: $(cat err)"
    [ -f "h/caf$(printf '\303\251').html" ] || fail "no page for a UTF-8 name"
    ;;

decoders)
    # Missing companions are decoded with djpeg, or jpegtopnm without it; existing ones stay.
    command -v djpeg >/dev/null || skip "djpeg is missing (Debian package libjpeg-turbo-progs)"
    command -v jpegtopnm >/dev/null || skip "jpegtopnm is missing (Debian package netpbm)"
    for decoder in djpeg jpegtopnm; do
        rm -rf g
        make_gallery g "a picture" "kept" "-dash.x"
        rm "g/a picture.ppm" "g/-dash.x.ppm"
        printf 'P6\n7 5\n255\n' >g/kept.ppm
        case $decoder in
        djpeg) gallery g ;;
        *) path_without djpeg && gallery g PATH="$path_without" ;;
        esac
        expect_status 0
        expect_no_stderr
        [ "$(sed -n 2p "g/a picture.ppm")" = "160 120" ] || fail "$decoder: wrong companion"
        [ "$(sed -n 2p "g/-dash.x.ppm")" = "120 120" ] || fail "$decoder: wrong companion"
        grep -q 'width="7" height="5"' g/kept.html || fail "$decoder: an existing PPM was replaced"
        expect_gallery g
    done
    # A file that is no JPEG stops the run before any page.
    rm -rf g
    make_gallery g first
    echo "not a picture" >"g/broken.jpg"
    gallery g
    expect_status 2
    grep -qF "broken.jpg: djpeg could not decode this picture" err || fail "stderr: $(cat err)"
    [ "$(listing g)" = "$(printf 'broken.jpg\nfirst.jpg\nfirst.ppm')" ] ||
        fail "files written after a decoder failure: $(listing g)"
    ;;

missing_decoder)
    # Without any decoder a missing companion is an error naming the packages, and nothing
    # is written; with every companion there, no decoder is needed.
    make_gallery g one two
    rm g/two.ppm
    before=$(listing g)
    path_without djpeg jpegtopnm
    gallery g PATH="$path_without"
    expect_status 2
    grep -q 'libjpeg-turbo-progs' err && grep -q 'netpbm' err || fail "stderr: $(cat err)"
    [ "$(listing g)" = "$before" ] || fail "files written without a decoder: $(listing g)"
    cp "$samples/clouds.ppm" g/two.ppm
    gallery g PATH="$path_without"
    expect_status 0
    expect_gallery g
    ;;

pixfold_failure)
    # A picture whose PPM header is cut short: pixfold stops with "Fatal Error", the run
    # stops with its status, and no page or index is replaced by a cut-short one.
    make_gallery g a b c
    printf 'P6\n' >g/b.ppm
    echo old page >g/b.html
    echo old index >g/index.html
    gallery g
    expect_status 2
    grep -qx 'Fatal Error' err || fail "pixfold's message is not passed on: $(cat err)"
    grep -qF "b.html: not written, pixfold stopped with status 2" err || fail "stderr: $(cat err)"
    [ "$(cat g/b.html)" = "old page" ] || fail "the failed page was replaced"
    [ "$(cat g/index.html)" = "old index" ] || fail "the index was replaced after a failure"
    [ -f g/a.html ] && [ ! -f g/c.html ] || fail "the run did not stop at b: $(listing g)"
    listing g | grep '^\.pixfold-gallery' && fail "temporary files left after a failure"
    # A pixfold that cannot be found.
    env PIXFOLD="$work/no-such-pixfold" "$shell" "$tool" g >out 2>err
    status=$?
    expect_status 2
    grep -q 'cannot find pixfold' err || fail "stderr: $(cat err)"
    ;;

refused_names)
    # Names the gallery cannot hold stop the run before anything is written.
    for name in index "line$(printf '\nbreak')" "ctrl$(printf '\032')z"; do
        rm -rf g
        make_gallery g fine "$name"
        rm "g/$name.ppm"
        before=$(listing g)
        gallery g
        expect_status 2
        [ "$(listing g)" = "$before" ] || fail "files written for a refused name: $(listing g)"
    done
    grep -q 'Ctrl-Z' err || fail "stderr: $(cat err)"
    ;;

installed_beside)
    # Without PIXFOLD, the pixfold beside the script is run, before any on PATH.
    mkdir -p bin
    cp "$tool" bin/pixfold-gallery
    cp "$pixfold" bin/pixfold
    make_gallery g one
    env -u PIXFOLD PATH=/usr/bin:/bin "$shell" bin/pixfold-gallery g >out 2>err
    status=$?
    expect_status 0
    expect_gallery g
    ;;

usage)
    "$shell" "$tool" --help >out 2>err
    status=$?
    expect_status 0
    expect_no_stderr
    grep -q '^Usage: pixfold-gallery DIR' out || fail "--help: $(cat out)"
    for arguments in "" "a b" "-x" "--frobnicate"; do
        # shellcheck disable=SC2086 # the arguments are split on purpose
        "$shell" "$tool" $arguments >out 2>err
        status=$?
        expect_status 2
        [ -s err ] || fail "no message for: $arguments"
    done
    env PIXFOLD="$pixfold" "$shell" "$tool" "$work/no such folder" >out 2>err
    status=$?
    expect_status 2
    grep -qF "no such folder: cannot enter" err || fail "stderr: $(cat err)"
    # A folder whose name starts with "-" is reached through ./
    make_gallery -g one
    gallery ./-g
    expect_status 0
    [ -f -g/one.html ] || fail "no page in ./-g"
    ;;

progress)
    # On a terminal the count of pages written shows on standard error; elsewhere nothing.
    command -v script >/dev/null || skip "script is missing (Debian package bsdutils)"
    make_gallery g one two three
    PIXFOLD=$pixfold script -qec "$shell '$tool' g" /dev/null >terminal </dev/null
    status=$?
    expect_status 0
    grep -q '4 of 4 pages written' terminal || fail "no progress: $(cat terminal)"
    gallery g
    expect_no_stderr
    ;;

*)
    echo "no such case: $case_name"
    exit 2
    ;;
esac
echo "PASS: $case_name"
