#!/usr/bin/env bash
# Cuts the power under pixfold-gallery at a random moment, again and again, and tells what each
# cut left of the gallery on the disk and whether the next run mended it.
#
#   tests/power-cut/run.sh [--runs 20] [--gallery build/dev/pixfold-gallery] [--photos DIR]
#                          [--size N] [--after 10] [--update] [--force] [--dirty-limit MIB]
#                          [--mount-options OPTIONS] [--seed N] [--keep]
#
# --runs     the cuts, each on a fresh copy of the disk
# --gallery  the pixfold-gallery to test; pixfold is taken from beside it
# --photos   the photographs (default build/power-cut/photos, made on first use by
#            scripts/make-photo-folder test: 21 photographs, about 21 MB)
# --size     passed on as --size N (default: none, the gallery's own box)
# --after    the cut falls from 0.2 s after the start up to this many seconds after the end
#            of a whole run
# --update   the disk already holds a gallery of every other photograph, made and synced long
#            ago; the run adds the rest (new files), and replaces the manifest
# --force    the run that is cut (and the clean build) is given --force, and so replaces every
#            file of the old gallery; the next run is not, as a user runs it again
# --mount-options  mounts the disk with these options besides the defaults (noauto_da_alloc)
# --dirty-limit  lets the disk hold no more than this many MiB of dirty pages (the loop device's
#            strict_limit and max_bytes), as on a machine short of memory: writeback then starts
#            early, with the files dirtied first (default: the kernel's limits)
# --seed     the seed of the cut times (default: the time), printed so a series can be repeated
# --keep     keep the disk images, as the cut left them, of the galleries that the next run
#            did not mend (build/power-cut/not-mended-SEED-RUN.img)
#
# Needs root and Linux (loop devices, ext4; e2fsprogs). Prints a line per cut and a Markdown
# table; the log of every run is kept in build/power-cut/last-log.
#
# The disk: a 512 MiB ext4 image made by mkfs.ext4 as Debian configures it (4 KiB blocks, a
# journal), on a loop device whose backing file lies on tmpfs, mounted with no options, so with
# the defaults: data=ordered, delalloc, auto_da_alloc, commit=5. The photographs go in first and
# are synced; the kernel's writeback settings are left as they are, and printed.
#
# A cut: pixfold-gallery runs on the mounted image in a process group of its own (its pixfold
# children with it). At the moment drawn, the whole group is stopped (SIGSTOP), and the backing
# file is copied. What the loop device has written into that file is what the disk holds after
# a power cut at that moment; the file system's dirty pages, never written, are lost, as they
# are to a power cut. Nothing here syncs or freezes the mounted file system: that would write
# out the very pages that a power cut loses.
#
# Limits of the method:
# - The gallery stops, but the kernel does not: its flusher threads and the journal's commit
#   thread may write to the loop device while the file is copied, and a copy taken across such
#   a write is torn, a state that the disk never was in (a commit block without the blocks it
#   commits). So the file is copied twice, and again, until two copies in a row are equal:
#   then every block held the same bytes from its read in the first copy to its read in the
#   second, a span that holds the moment between the two copies, and the first copy is the disk
#   as it was at that moment. The kernel may have gone on for a few milliseconds after the stop;
#   that is a cut a little later, while the gallery happened to be idle. Copies retaken are
#   counted.
# - The disk is one that writes every block it acknowledges, in the order the loop device
#   completes them, and each whole: a disk with a volatile cache that reorders writes between
#   flushes, or tears a block, is not modelled. Nor are errors of the disk itself.
# - The moment is drawn in time, so short phases (the few milliseconds between a rename and the
#   next write) are hit rarely; many runs, not one, are the test.
# - Writeback writes a file only once its pages are older than dirty_expire_centisecs (30 s by
#   default) or memory runs short; a run shorter than that leaves almost nothing of its new
#   files on the disk, whatever the build. --update covers the case that does reach the disk
#   early: a file renamed over an existing one (the manifest) is written at its rename; and
#   --dirty-limit makes writeback start within the run, as a long run or a busy machine does.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
command_line="tests/power-cut/run.sh$(printf ' %q' "$@")"
runs=20
gallery=build/dev/pixfold-gallery
photos=""
size=""
after=10
update=0
seed=$(date +%s)
keep=0
dirty_limit=""
force=0
mount_extra=""
while [ $# -gt 0 ]; do
    case "$1" in
    --runs) runs=$2; shift 2 ;;
    --gallery) gallery=$2; shift 2 ;;
    --photos) photos=$2; shift 2 ;;
    --size) size=$2; shift 2 ;;
    --after) after=$2; shift 2 ;;
    --update) update=1; shift ;;
    --force) force=1; shift ;;
    --mount-options) mount_extra=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    --dirty-limit) dirty_limit=$2; shift 2 ;;
    *) echo "tests/power-cut/run.sh: unknown option $1" >&2; exit 2 ;;
    esac
done

cd "$root"
export LC_ALL=C
say() { echo "power cut: $*" >&2; }
die() {
    say "$*"
    exit 1
}
absolute() { case $1 in /*) printf '%s\n' "$1" ;; *) printf '%s\n' "$root/$1" ;; esac; }

[ "$(uname -s)" = Linux ] || die "this needs Linux"
[ "$(id -u)" -eq 0 ] || die "this needs root (loop devices, mounts)"
for tool in losetup mkfs.ext4 e2fsck dumpe2fs mount umount mountpoint findmnt setsid cmp diff; do
    command -v "$tool" >/dev/null || die "$tool is missing (Debian packages mount, e2fsprogs, util-linux, diffutils)"
done
gallery=$(absolute "$gallery")
[ -x "$gallery" ] || die "$gallery: no such program; build it first"
pixfold=$(dirname "$gallery")/pixfold
[ -x "$pixfold" ] || die "$pixfold: no such program, beside the gallery"
if [ -z "$photos" ]; then
    photos=$root/build/power-cut/photos
    if [ ! -d "$photos" ]; then
        say "making the photo folder $photos"
        scripts/make-photo-folder test "$photos" >&2
    fi
fi
photos=$(absolute "$photos")
mapfile -t all_photos < <(find "$photos" -maxdepth 1 -type f -iname '*.jp*g' -printf '%f\n' | sort)
[ "${#all_photos[@]}" -ge 2 ] || die "no photos in $photos"
size_option=()
[ -z "$size" ] || size_option=(--size "$size")
force_option=()
[ "$force" -eq 0 ] || force_option=(--force)
mkdir -p build/power-cut
log=$root/build/power-cut/last-log
: >"$log"

# --- clean-up on every exit ----------------------------------------------------------------
work=$(mktemp -d /dev/shm/pixfold-power-cut.XXXXXX)
mnt=$work/mnt
mkdir "$mnt"
loop=""
bdi=""
group=""
# The loop device's own writeback limits, back to the kernel's.
free_bdi() {
    if [ -n "$bdi" ]; then
        echo 100 >"$bdi/max_ratio" || true
        echo 0 >"$bdi/strict_limit" || true
        bdi=""
    fi
}
clean_up() {
    if [ -n "$group" ]; then
        kill -KILL -- "-$group" 2>/dev/null || true
        wait "$group" 2>/dev/null || true
    fi
    if mountpoint -q "$mnt"; then umount "$mnt" 2>/dev/null || umount -l "$mnt" || true; fi
    free_bdi
    if [ -n "$loop" ]; then losetup -d "$loop" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap clean_up EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

attach() { # IMAGE: the image's file system, mounted on $mnt with the defaults
    loop=$(losetup --find --show "$1")
    if [ -n "$dirty_limit" ]; then
        local device
        device=/sys/class/bdi/$(cat "/sys/block/${loop#/dev/}/dev")
        if [ "$(cat "$device/max_ratio")" != 100 ] || [ "$(cat "$device/strict_limit")" != 0 ]; then
            die "$device: its limits were changed before"
        fi
        bdi=$device
        echo 1 >"$bdi/strict_limit"
        echo $((dirty_limit * 1048576)) >"$bdi/max_bytes"
    fi
    mount -t ext4 ${mount_extra:+-o "$mount_extra"} "$loop" "$mnt"
}
detach() {
    umount "$mnt"
    free_bdi
    losetup -d "$loop"
    loop=""
}
# Runs the gallery over the image's photographs into its gallery, in the foreground, in the
# folders given, with the status in `status`.
run_gallery() { # SRC OUT LOG [OPTION...]
    status=0
    PIXFOLD=$pixfold "$gallery" "${size_option[@]}" "${@:4}" "$1" "$2" >"$3" 2>&1 || status=$?
}
now() { date +%s.%N; }
seconds_since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }

# --- the disk, as it is before every run ---------------------------------------------------
say "making the disk: mkfs.ext4 with $(dpkg-query -W -f '${Package} ${Version}' e2fsprogs 2>/dev/null || echo e2fsprogs)"
template=$work/template.img
truncate -s 512M "$template"
mkfs.ext4 -q -F "$template"
attach "$template"
mount_options=$(findmnt -n -o OPTIONS "$mnt")
mkdir "$mnt/photos"
if [ "$update" -eq 1 ]; then
    # The old gallery: every other photograph, long on the disk with the manifest naming them.
    for ((at = 0; at < ${#all_photos[@]}; at += 2)); do
        cp -p -- "$photos/${all_photos[at]}" "$mnt/photos/"
    done
    run_gallery "$mnt/photos" "$mnt/gallery" "$work/old.log"
    [ "$status" -eq 0 ] || die "the old gallery could not be made: $(cat "$work/old.log")"
fi
for name in "${all_photos[@]}"; do
    [ -e "$mnt/photos/$name" ] || cp -p -- "$photos/$name" "$mnt/photos/"
done
sync -f "$mnt"
# mkfs leaves the inode tables to be zeroed by the kernel after the first mount; that writing
# is done before any run, so that no run's disk is busy with it.
groups=$(dumpe2fs -h "$loop" 2>/dev/null | awk -F: '/^Inode count/ { i = $2 } /^Inodes per group/ { g = $2 } END { print int(i / g) }')
for ((wait_for = 0; wait_for < 120; ++wait_for)); do
    zeroed=$(dumpe2fs "$loop" 2>/dev/null | grep -c ITABLE_ZEROED || true)
    [ "$zeroed" -lt "$groups" ] || break
    sleep 0.5
done
detach
block_size=$(dumpe2fs -h "$template" 2>/dev/null | awk -F: '/^Block size/ { print $2 + 0 }')
features=$(dumpe2fs -h "$template" 2>/dev/null | sed -n 's/^Filesystem features: *//p')

# --- a clean build, the reference ----------------------------------------------------------
reference=$work/reference
cp --sparse=always "$template" "$work/run.img"
attach "$work/run.img"
started=$(now)
run_gallery "$mnt/photos" "$mnt/gallery" "$work/clean.log" "${force_option[@]}"
duration=$(seconds_since "$started")
[ "$status" -eq 0 ] || die "the clean build failed: $(cat "$work/clean.log")"
cp -a "$mnt/gallery" "$reference"
detach
rm "$work/run.img"
if [ -e "$reference/.pixfold-gallery/journal" ] || [ -e "$reference/.pixfold-gallery/work" ]; then
    die "the clean build left its journal or work folder"
fi

say "gallery: $gallery"
say "command: $command_line (seed $seed)"
say "disk: ext4, ${block_size}-byte blocks, $features; mounted $mount_options"
say "writeback: vm.dirty_expire_centisecs=$(cat /proc/sys/vm/dirty_expire_centisecs)" \
    "vm.dirty_writeback_centisecs=$(cat /proc/sys/vm/dirty_writeback_centisecs)" \
    "vm.dirty_background_ratio=$(cat /proc/sys/vm/dirty_background_ratio)" \
    "vm.dirty_ratio=$(cat /proc/sys/vm/dirty_ratio)"
[ -z "$dirty_limit" ] || say "dirty pages of the disk: at most $dirty_limit MiB (strict_limit)"
say "photos: ${#all_photos[@]}$([ "$update" -eq 0 ] || echo ", every other one in a gallery made before")"
say "clean run: $duration s; cuts from 0.2 s to $after s after that; load: $(cut -d' ' -f1-3 /proc/loadavg)"

# --- what a cut left -----------------------------------------------------------------------
# The files of a picture that the lines of a manifest or journal call made (the newest line of
# each picture, and only when it is no claim), one path a line.
named_files() { # FILE [SKIP_FIRST_LINE]
    [ -f "$1" ] || return 0
    awk -F'\t' -v skip="${2:-0}" '
        function unescape(s,   out, i, c) {
            out = ""
            for (i = 1; i <= length(s); ++i) {
                c = substr(s, i, 1)
                if (c == "\\" && i < length(s)) {
                    c = substr(s, ++i, 1)
                    c = c == "n" ? "\n" : c == "t" ? "\t" : c
                }
                out = out c
            }
            return out
        }
        NR == 1 && skip { next }
        NF == 3 { line[unescape($3)] = $0 }
        END {
            for (source in line) {
                split(line[source], field, "\t")
                split(field[1], number, " ")
                if (number[6] ~ /p/) continue
                name = source
                sub(/\.(jpg|JPG|jpeg|JPEG)$/, "", name)
                link = field[2] == "" ? name : unescape(field[2])
                print name ".html"
                print "t/" name ".jpg"
                # The companion of the thumbnail: in the state since link names came, beside
                # the thumbnail before.
                print ".pixfold-gallery/sizes/t/" link ".ppm"
                print "t/" name ".ppm"
                if (number[4] != 0) print name ".jpg"
                if (number[6] ~ /c/) print name ".ppm"
            }
        }' "$1"
}

# Whether a file came whole to the disk; prints nothing, "empty", "cut short" or "differs" (whole
# by its kind, and not the clean build's bytes: with --update, the index of the old gallery).
damage() { # FILE REFERENCE
    local file=$1 clean=$2
    if [ ! -s "$file" ]; then echo empty; return; fi
    if cmp -s -- "$file" "$clean"; then return; fi
    if [ -f "$clean" ] && cmp -- "$file" "$clean" 2>&1 | grep -q '^cmp: EOF on'; then
        echo "cut short"
        return
    fi
    case $file in
    *.html) [ "$(tail -c 9 -- "$file" | od -An -c | tr -d ' ')" = '</html>\r\n' ] || { echo "cut short"; return; } ;;
    *.jpg) [ "$(head -c 2 -- "$file" | od -An -tx1 | tr -d ' ')$(tail -c 2 -- "$file" | od -An -tx1 | tr -d ' ')" = ffd8ffd9 ] || { echo "cut short"; return; } ;;
    esac
    echo differs
}

journal_state() { # FILE
    local file=$1
    if [ ! -e "$file" ]; then echo absent; return; fi
    if [ ! -s "$file" ]; then echo empty; return; fi
    awk -F'\t' '
        { ++lines; split($1, number, " "); if (number[6] ~ /p/) ++claims; else ++made }
        END { printf "%d lines, %d made, %d claims", lines, made, claims }' "$file"
    [ "$(tail -c 1 -- "$file" | od -An -c | tr -d ' ')" = '\n' ] || printf ', the last cut short'
    echo
}

# --- the cuts ------------------------------------------------------------------------------
RANDOM=$seed
cuts_during=0
cuts_after=0
torn_copies=0
broken_total=0
named_by_manifest=0
named_by_journal=0
not_mended=0
differing_total=0
fsck_changes=0
for ((run = 1; run <= runs; ++run)); do
    cut_at=$(awk -v r="$(((RANDOM << 15) | RANDOM))" -v d="$duration" -v a="$after" \
        'BEGIN { printf "%.2f", 0.2 + r / 1073741824 * (d + a - 0.2) }')
    cp --sparse=always "$template" "$work/run.img"
    attach "$work/run.img"
    started=$(now)
    # setsid gives the gallery a process group of its own, shared with the pixfold it starts.
    setsid env PIXFOLD="$pixfold" "$gallery" "${size_option[@]}" "${force_option[@]}" "$mnt/photos" "$mnt/gallery" \
        >"$work/cut.log" 2>&1 &
    group=$!
    sleep "$(awk -v c="$cut_at" -v s="$started" -v n="$(now)" 'BEGIN { w = c - (n - s); print (w > 0 ? w : 0) }')"

    # The cut.
    kill -STOP -- "-$group" 2>/dev/null || true
    state=$(awk '{ print $3 }' "/proc/$group/stat" 2>/dev/null || echo gone)
    if [ "$state" != Z ] && [ "$state" != gone ]; then
        phase=during
        ((++cuts_during))
    else
        phase=after
        ((++cuts_after))
    fi
    # Until every process of the group has stopped; one inside a system call (D) stops when it
    # returns, and the copies below wait for the disk to rest.
    for ((tries = 0; tries < 100; ++tries)); do
        pgrep -s "$group" -r R,S >/dev/null || break
        sleep 0.02
    done
    cp --sparse=always "$work/run.img" "$work/cut.img"
    retaken=0
    for ((tries = 0; tries < 50; ++tries)); do
        cp --sparse=always "$work/run.img" "$work/again.img"
        if cmp -s "$work/cut.img" "$work/again.img"; then break; fi
        mv "$work/again.img" "$work/cut.img"
        ((++retaken))
    done
    [ "$tries" -lt 50 ] || die "the disk did not rest for two copies in a row"
    rm -f "$work/again.img"
    ((torn_copies += retaken)) || true
    kill -KILL -- "-$group" 2>/dev/null || true
    wait "$group" 2>/dev/null || true
    group=""
    detach
    rm "$work/run.img"

    # What the disk holds after the cut, once e2fsck has replayed its journal.
    fsck_status=0
    e2fsck -fy "$work/cut.img" >"$work/fsck.log" 2>&1 || fsck_status=$?
    [ "$fsck_status" -lt 4 ] || die "run $run: e2fsck could not repair the disk: $(cat "$work/fsck.log")"
    # A replayed journal, and free counts that the kernel keeps up to date only in memory, are
    # what every crash leaves; any other repair is counted.
    if awk '/Fix\? yes/ && previous !~ /count wrong/ { found = 1 } { previous = $0 } END { exit !found }' \
        "$work/fsck.log"; then
        ((++fsck_changes))
    fi
    attach "$work/cut.img"
    out=$mnt/gallery
    state_folder=$out/.pixfold-gallery
    journal=$(journal_state "$state_folder/journal")
    manifest=absent
    if [ -s "$state_folder/manifest" ]; then
        manifest="$(($(wc -l <"$state_folder/manifest") - 1)) pictures"
    elif [ -e "$state_folder/manifest" ]; then
        manifest=empty
    fi
    named_files "$state_folder/manifest" 1 >"$work/by-manifest"
    named_files "$state_folder/journal" >"$work/by-journal"
    broken=()
    differing=()
    if [ -d "$out" ]; then
        while IFS= read -r -d '' path; do
            relative=${path#"$out/"}
            case $relative in
            .pixfold-gallery/work/* | .pixfold-gallery/manifest | .pixfold-gallery/journal) continue ;;
            esac
            what=$(damage "$path" "$reference/$relative")
            case $what in
            "") ;;
            differs) differing+=("$relative") ;;
            *) broken+=("$relative: $what") ;;
            esac
        done < <(find "$out" -type f -print0)
    fi
    in_manifest=0
    in_journal=0
    for entry in "${broken[@]}"; do
        relative=${entry%: *}
        if grep -qxF -- "$relative" "$work/by-manifest"; then ((++in_manifest)); fi
        if grep -qxF -- "$relative" "$work/by-journal"; then ((++in_journal)); fi
    done
    ((broken_total += ${#broken[@]})) || true
    ((differing_total += ${#differing[@]})) || true
    ((named_by_manifest += in_manifest)) || true
    ((named_by_journal += in_journal)) || true

    # The next run, and whether it gives the clean build's gallery.
    [ "$keep" -eq 0 ] || cp --sparse=always "$work/cut.img" "$work/as-cut.img"
    run_gallery "$mnt/photos" "$out" "$work/mend.log"
    mended=yes
    why=""
    if [ "$status" -ne 0 ]; then mended=no; why="status $status: $(head -c 300 "$work/mend.log"); "; fi
    for left in journal work; do
        if [ -e "$state_folder/$left" ]; then mended=no; why="$why$left left; "; fi
    done
    if ! diff -r "$reference" "$out" >"$work/diff" 2>&1; then
        mended=no
        why="$why$(grep -c . "$work/diff") lines of diff -r: $(head -c 300 "$work/diff")"
    fi
    detach
    if [ "$mended" = no ]; then
        ((++not_mended))
        if [ "$keep" -eq 1 ]; then
            mv "$work/as-cut.img" "$root/build/power-cut/not-mended-$seed-$run.img"
        fi
    fi
    rm -f "$work/cut.img" "$work/as-cut.img"

    retaken_note=""
    [ "$retaken" -eq 0 ] || retaken_note=", copies retaken $retaken"
    line="run $run: cut at $cut_at s ($phase)$retaken_note; e2fsck $fsck_status; manifest: $manifest; journal: $journal; empty or cut short: ${#broken[@]} (named by the manifest $in_manifest, by the journal $in_journal); mended: $mended${why:+ ($why)}"
    echo "$line" >&2
    {
        echo "$line"
        for entry in "${broken[@]}"; do echo "    $entry"; done
        for entry in "${differing[@]}"; do echo "    $entry: whole, not the clean build's"; done
        sed 's/^/    e2fsck: /' "$work/fsck.log"
        sed 's/^/    cut run: /' "$work/cut.log"
        sed 's/^/    next run: /' "$work/mend.log"
    } >>"$log"
done

echo
echo "| runs | cuts during the run | cuts after it | files found empty or cut short | of them named by the manifest | named as made by the journal | galleries not mended by the next run |"
echo "|---:|---:|---:|---:|---:|---:|---:|"
echo "| $runs | $cuts_during | $cuts_after | $broken_total | $named_by_manifest | $named_by_journal | $not_mended |"
echo
echo "clean run $duration s; copies retaken because the disk moved under them: $torn_copies;" \
    "disks that e2fsck repaired beyond its journal: $fsck_changes;" \
    "whole files that were not the clean build's: $differing_total; load $(cut -d' ' -f1-3 /proc/loadavg)"
