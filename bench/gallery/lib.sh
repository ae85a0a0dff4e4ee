# What the gallery bench scripts share, sourced from the repository root with $root set:
# messages, paths, the two C programs they build, the photo folder and the figures of measure.
# shellcheck shell=bash

: "${root:?the repository root, set before sourcing lib.sh}"
say_prefix=${say_prefix:-gallery bench}
say() { echo "$say_prefix: $*" >&2; }
die() {
    say "$*"
    exit 1
}
absolute() { case $1 in /*) printf '%s\n' "$1" ;; *) printf '%s\n' "$root/$1" ;; esac; }

measure=$root/build/bench-gallery/measure
floor=$root/build/bench-gallery/floor

# Builds bench/gallery/measure.c when it is missing or older than its source.
build_measure() {
    if [ ! -x "$measure" ] || [ "$root/bench/gallery/measure.c" -nt "$measure" ]; then
        mkdir -p "$(dirname "$measure")"
        cc -O2 -Wall -Wextra -o "$measure" "$root/bench/gallery/measure.c" ||
            die "cannot build bench/gallery/measure.c (Debian package gcc)"
    fi
}

# Builds the floor likewise; -O3 lets the compiler take the filter's rows many pixels at a time.
# Prints why it cannot, and fails, when it cannot.
build_floor() {
    if [ ! -x "$floor" ] || [ "$root/bench/gallery/floor.c" -nt "$floor" ]; then
        mkdir -p "$(dirname "$floor")"
        if ! cc -O3 -Wall -Wextra -o "$floor" "$root/bench/gallery/floor.c" -ljpeg -lm -pthread >&2; then
            echo "cannot build bench/gallery/floor.c (Debian packages gcc, libjpeg62-turbo-dev)"
            return 1
        fi
    fi
}

# photo_folder [DIR]: the folder given, or the bench folder, made on first use.
photo_folder() {
    local photos=${1:-}
    if [ -z "$photos" ]; then
        photos=$root/build/bench-gallery/photos
        if [ ! -d "$photos" ]; then
            say "making the photo folder $photos"
            "$root/scripts/make-photo-folder" bench "$photos" >&2
        fi
    fi
    absolute "$photos"
}

# field FILE NAME: one value from a result line of measure; processor_seconds is user + system.
field() {
    if [ "$2" = processor_seconds ]; then
        awk -v u="$(field "$1" user_seconds)" -v s="$(field "$1" system_seconds)" \
            'BEGIN { printf "%.3f\n", u + s }'
    else
        sed -n "s/.*$2=\([^ ]*\).*/\1/p" "$1"
    fi
}

# The median of the numbers on standard input, or nothing when there are none.
median() {
    sort -g | awk '{ v[NR] = $1 } END {
        if (NR == 0) exit
        if (NR % 2) printf "%s", v[(NR + 1) / 2]; else printf "%s", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
