#!/usr/bin/env bash
# Measures pixfold against the floor programs and writes a table of the results.
#
#   bench/run.sh [--pictures "100000 1000000"] [--memory "1000 1000000"] [--starts 300]
#                [--pairs 9] [--work DIR] [--table FILE] [--keep] [--any-filesystem]
#
# --pictures  gallery sizes for the index-mode timing and the system-call count
# --memory    gallery sizes for the peak resident set
# --starts    picture-mode process starts per timed batch
# --pairs     interleaved pixfold/floor pairs per measurement; medians are reported
# --work      where the gallery and the pages go, in a new directory made there; must be on
#             tmpfs (default: under /dev/shm)
# --table     where the table is written besides standard output (default build/bench/results.md)
# --keep      leave the gallery in place afterwards
# --any-filesystem  work on whatever filesystem --work (or the temporary directory) is on, with
#             a warning: for a smoke run on a machine without tmpfs, never for figures
#
# It builds the bench preset first (the shipped static pixfold and the bench programs), writes
# one gallery of the largest size needed, and takes every smaller list from its first lines.
# Every timing is a pair, pixfold then its floor, repeated; the ratio reported is the median
# of the pairs' ratios, so load that comes and goes on a shared machine hits both sides alike.
# Both programs write to regular files on tmpfs: a character device such as /dev/null would
# count as a console for pixfold, whose output is unbuffered there by design.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
command_line="bench/run.sh$(printf ' %q' "$@")"
pictures="100000 1000000"
memory="1000 1000000"
starts=300
pairs=9
work=""
table="$root/build/bench/results.md"
keep=0
any_filesystem=0
while [ $# -gt 0 ]; do
    case "$1" in
    --pictures) pictures=$2; shift 2 ;;
    --memory) memory=$2; shift 2 ;;
    --starts) starts=$2; shift 2 ;;
    --pairs) pairs=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --table) table=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    --any-filesystem) any_filesystem=1; shift ;;
    *) echo "bench/run.sh: unknown option $1" >&2; exit 2 ;;
    esac
done

mkdir -p "$(dirname "$table")"
table=$(cd "$(dirname "$table")" && pwd)/$(basename "$table")

say() { echo "bench: $*" >&2; }
die() { echo "bench: $*" >&2; exit 1; }

# GNU time, not the shell keyword: its -f %M is the peak resident set in KiB.
gnu_time=/usr/bin/time
[ -x "$gnu_time" ] && "$gnu_time" -f %M true >/dev/null 2>&1 ||
    die "GNU time is needed at $gnu_time (Debian package: time)"
command -v strace >/dev/null || die "strace is needed (Debian package: strace)"
strace -f -c -o /dev/null true 2>/dev/null ||
    die "strace cannot trace here (ptrace refused?); the system-call count needs it"

say "building the bench preset"
(cd "$root" && cmake --preset bench >/dev/null && cmake --build --preset bench >/dev/null)
build="$root/build/bench"
pixfold="$build/pixfold"
floor_index="$build/bench/floor_index"
floor_picture="$build/bench/floor_picture"
spawn_timer="$build/bench/spawn_timer"

largest=0
for n in $pictures $memory; do if [ "$n" -gt "$largest" ]; then largest=$n; fi; done
[ "$largest" -ge 1 ] || die "no gallery size given"

# The gallery lives on tmpfs: a few KiB of memory per picture (a page per PPM file, its inode
# and its directory entry), about 9 KiB all told.
if [ -n "$work" ]; then
    mkdir -p "$work"
    work=$(mktemp -d "$work/pixfold-bench.XXXXXX") # never remove what was there before
elif [ "$(stat -f -c %T /dev/shm 2>/dev/null)" = tmpfs ]; then
    work=$(mktemp -d /dev/shm/pixfold-bench.XXXXXX)
elif [ "$any_filesystem" -eq 1 ]; then
    work=$(mktemp -d)
else
    die "no tmpfs at /dev/shm: give --work on a tmpfs"
fi
filesystem=$(stat -f -c %T "$work")
if [ "$filesystem" != tmpfs ]; then
    [ "$any_filesystem" -eq 1 ] || die "$work is not on tmpfs"
    say "WARNING: $work is on $filesystem, not tmpfs: these timings compare with nothing"
fi
need_kib=$((largest * 9 + 65536))
available_kib=$(awk '/^MemAvailable:/ {print $2}' /proc/meminfo)
[ "$available_kib" -gt $((need_kib * 5 / 4)) ] ||
    die "a gallery of $largest pictures needs about $((need_kib / 1024)) MiB; $((available_kib / 1024)) MiB available"
if [ "$keep" -eq 0 ]; then
    trap 'status=$?; say "removing $work"; rm -rf "$work"; exit $status' EXIT
fi
gallery="$work/gallery"
out="$work/out"
mkdir -p "$gallery" "$out"

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
say "writing a gallery of $largest pictures in $gallery"
generate_start=$(date +%s.%N)
"$build/bench/make_gallery" "$gallery" "$largest"
generate_seconds=$(echo "$generate_start $(date +%s.%N)" | awk '{printf "%.1f", $2 - $1}')
for n in $pictures $memory; do head -n "$n" "$gallery/list.txt" >"$gallery/list-$n.txt"; done
cd "$gallery"

median() { sort -g | awk '{v[NR] = $1} END {if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.4f", a / b}'; }
verdict() { awk -v v="$1" -v limit="$2" 'BEGIN {print (v <= limit) ? "met" : "MISSED"}'; }

# Both programs must write the same page, or the comparison says nothing.
same_page() {
    cmp -s "$1" "$2" || die "pixfold and the floor wrote different pages: $1 $2"
}

rows=()
row() { rows+=("| $1 | $2 | $3 | $4 | $5 |"); }

# Runs interleaved pairs: pixfold, then its floor, each started count times by spawn_timer with
# this standard input. Sets wall_a, wall_b, wall_ratio, wall_pairs and cpu_a, cpu_b, cpu_ratio,
# cpu_pairs: the medians of the times and of the pairs' ratios. Wall time is the target; the
# processor time (user and system) beside it is not inflated by waiting for a busy processor.
time_pairs() { # count input output_a output_b -- command_a... -- command_b...
    local count=$1 input=$2 output_a=$3 output_b=$4
    shift 5
    local command_a=() command_b=()
    while [ "$1" != -- ]; do command_a+=("$1"); shift; done
    shift
    command_b=("$@")
    local walls_a=() walls_b=() wall_ratios=() cpus_a=() cpus_b=() cpu_ratios=()
    local result wa ca wb cb
    for ((pair = 0; pair < pairs; pair++)); do
        result=$("$spawn_timer" "$count" "$input" "$output_a" "${command_a[@]}")
        read -r wa ca <<<"$result"
        result=$("$spawn_timer" "$count" "$input" "$output_b" "${command_b[@]}")
        read -r wb cb <<<"$result"
        walls_a+=("$wa") walls_b+=("$wb") wall_ratios+=("$(ratio "$wa" "$wb")")
        cpus_a+=("$ca") cpus_b+=("$cb") cpu_ratios+=("$(ratio "$ca" "$cb")")
    done
    wall_a=$(printf '%s\n' "${walls_a[@]}" | median)
    wall_b=$(printf '%s\n' "${walls_b[@]}" | median)
    wall_ratio=$(printf '%s\n' "${wall_ratios[@]}" | median)
    wall_pairs="${wall_ratios[*]}"
    cpu_a=$(printf '%s\n' "${cpus_a[@]}" | median)
    cpu_b=$(printf '%s\n' "${cpus_b[@]}" | median)
    cpu_ratio=$(printf '%s\n' "${cpu_ratios[@]}" | median)
    cpu_pairs="${cpu_ratios[*]}"
}
per_start() { awk -v t="$1" -v k="$2" 'BEGIN {printf "%.0f", t / k * 1e6}'; }

# Index mode: whole runs.
for n in $pictures; do
    list="$gallery/list-$n.txt"
    "$spawn_timer" 1 "$list" "$out/index-pixfold.html" "$pixfold" >/dev/null # warm-up
    "$spawn_timer" 1 "$list" "$out/index-floor.html" "$floor_index" >/dev/null
    same_page "$out/index-pixfold.html" "$out/index-floor.html"
    say "index mode, $n pictures: $pairs pairs"
    time_pairs 1 "$list" "$out/index-pixfold.html" "$out/index-floor.html" \
        -- "$pixfold" -- "$floor_index"
    row "index wall time, $n pictures (s)" "$(printf %.3f "$wall_a")" "$(printf %.3f "$wall_b")" \
        "$(printf %.3f "$wall_ratio") (pairs: $wall_pairs)" "≤ 1.10: $(verdict "$wall_ratio" 1.10)"
    row "index processor time, $n pictures (s)" "$(printf %.3f "$cpu_a")" \
        "$(printf %.3f "$cpu_b")" "$(printf %.3f "$cpu_ratio") (pairs: $cpu_pairs)" ""
done

# Picture mode: batches of process starts, each start straight from posix_spawn.
base=$(head -n 1 "$gallery/list.txt")
base=${base%.jpg}
"$pixfold" "$base" >"$out/picture-pixfold.html"
"$floor_picture" "$base" >"$out/picture-floor.html"
same_page "$out/picture-pixfold.html" "$out/picture-floor.html"
"$spawn_timer" "$starts" /dev/null "$out/picture-pixfold.html" "$pixfold" "$base" >/dev/null
"$spawn_timer" "$starts" /dev/null "$out/picture-floor.html" "$floor_picture" "$base" >/dev/null
say "picture mode: $pairs pairs of $starts starts"
time_pairs "$starts" /dev/null "$out/picture-pixfold.html" "$out/picture-floor.html" \
    -- "$pixfold" "$base" -- "$floor_picture" "$base"
row "picture mode wall time per process start (µs)" "$(per_start "$wall_a" "$starts")" \
    "$(per_start "$wall_b" "$starts")" "$(printf %.3f "$wall_ratio") (pairs: $wall_pairs)" \
    "≤ 1.15: $(verdict "$wall_ratio" 1.15)"
row "picture mode processor time per process start (µs)" "$(per_start "$cpu_a" "$starts")" \
    "$(per_start "$cpu_b" "$starts")" "$(printf %.3f "$cpu_ratio") (pairs: $cpu_pairs)" ""

# System calls: strace counts every call of the process, start-up and exit included.
syscall_total() { awk '$NF == "total" {print $4}' "$1"; }
syscall_detail() {
    awk '$NF != "total" && $1 ~ /^[0-9.]+$/ {c = $4; name = $NF
         if (c + 0 >= 100) big = big sprintf("%s %s, ", name, c); else other += c}
         END {printf "%sother %d", big, other}' "$1"
}
for n in $pictures; do
    list="$gallery/list-$n.txt"
    say "system calls, $n pictures"
    strace -f -c -o "$out/strace-pixfold.txt" "$pixfold" <"$list" >"$out/index-pixfold.html"
    strace -f -c -o "$out/strace-floor.txt" "$floor_index" <"$list" >"$out/index-floor.html"
    ca=$(syscall_total "$out/strace-pixfold.txt")
    cb=$(syscall_total "$out/strace-floor.txt")
    pa=$(awk -v c="$ca" -v n="$n" 'BEGIN {printf "%.3f", c / n}')
    pb=$(awk -v c="$cb" -v n="$n" 'BEGIN {printf "%.3f", c / n}')
    row "system calls per entry, $n pictures" "$pa" "$pb" \
        "pixfold: $(syscall_detail "$out/strace-pixfold.txt")" "≤ 3.1: $(verdict "$pa" 3.1)"
done
strace -f -c -o "$out/strace-pixfold.txt" "$pixfold" "$base" >"$out/picture-pixfold.html"
strace -f -c -o "$out/strace-floor.txt" "$floor_picture" "$base" >"$out/picture-floor.html"
row "system calls per picture-mode start" "$(syscall_total "$out/strace-pixfold.txt")" \
    "$(syscall_total "$out/strace-floor.txt")" "" ""

# Peak resident set, the median of a few runs: the kernel's count moves by a few pages.
peak_kib() { # program, list file or "", then arguments
    local program=$1 input=$2
    shift 2
    for run in 1 2 3 4 5; do
        "$gnu_time" -f %M -o "$out/time.txt" "$program" "$@" <"${input:-/dev/null}" >"$out/peak.html"
        cat "$out/time.txt"
    done | median
}
# The resident set counted page by page (smaps_rollup) once the program has read the whole list
# and waits for more: GNU time's figure comes from counters that the kernel keeps per processor
# and adds up in batches of 32 pages, so it moves in steps of 128 KiB; this one does not.
# The list goes through a pipe that stays open until the count is taken.
resident_kib_after_list() { # program list
    local fifo="$out/list.fifo" pid state waited=0 kib
    rm -f "$fifo"
    mkfifo "$fifo"
    "$1" <"$fifo" >"$out/resident.html" &
    pid=$!
    exec 7>"$fifo"
    cat "$2" >&7
    # Seen twice in a read of standard input (system call 0, descriptor 0) with the pipe drained.
    local seen=0
    while [ "$seen" -lt 2 ] && [ "$waited" -lt 6000 ]; do
        sleep 0.05
        waited=$((waited + 1))
        state=$(cat "/proc/$pid/syscall" 2>/dev/null) || break
        case "$state" in
        "0 0x0 "*) seen=$((seen + 1)) ;;
        *) seen=0 ;;
        esac
    done
    kib=$(awk '/^Rss:/ {print $2}' "/proc/$pid/smaps_rollup" 2>/dev/null || true)
    exec 7>&-
    wait "$pid" || die "$1 failed on $2"
    echo "${kib:-n/a}"
}

mib() { awk -v k="$1" 'BEGIN {printf "%.2f", k / 1024}'; }
first_peak="" last_peak="" first_exact="" last_exact=""
for n in $memory; do
    say "peak memory, $n pictures"
    ka=$(peak_kib "$pixfold" "$gallery/list-$n.txt")
    kb=$(peak_kib "$floor_index" "$gallery/list-$n.txt")
    ea=$(resident_kib_after_list "$pixfold" "$gallery/list-$n.txt")
    eb=$(resident_kib_after_list "$floor_index" "$gallery/list-$n.txt")
    if [ -z "$first_peak" ]; then first_peak=$ka first_exact=$ea; fi
    last_peak=$ka last_exact=$ea
    row "peak resident set, index of $n pictures (MiB)" "$(mib "$ka")" "$(mib "$kb")" \
        "counted page by page after the list: pixfold $ea KiB, floor $eb KiB" \
        "≤ 1.5: $(verdict "$(mib "$ka")" 1.5)"
done
spread() {
    case "$1$2" in
    *n/a*) echo n/a ;;
    *) awk -v a="$1" -v b="$2" 'BEGIN {d = b - a; if (d < 0) d = -d; printf "%.2f", d / 1024}' ;;
    esac
}
row "peak resident set, spread across sizes (MiB)" "$(spread "$first_peak" "$last_peak")" "" \
    "page by page: $(spread "$first_exact" "$last_exact") MiB" \
    "≤ 0.2: $(verdict "$(spread "$first_peak" "$last_peak")" 0.2)"
ka=$(peak_kib "$pixfold" "" "$base")
kb=$(peak_kib "$floor_picture" "" "$base")
row "peak resident set, picture mode (MiB)" "$(mib "$ka")" "$(mib "$kb")" "" "≤ 1.5: $(verdict "$(mib "$ka")" 1.5)"

load_after=$(cut -d' ' -f1-3 /proc/loadavg)

say "hot paths in user space"
micro=$("$build/bench/hot_paths" --benchmark_min_time="${HOT_PATHS_MIN_TIME:-0.5}" 2>/dev/null)

{
    echo "## pixfold against the floor"
    echo
    echo "Command: \`$command_line\`, $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo
    echo "Machine: $(awk -F': ' '/^model name/ {print $2; exit}' /proc/cpuinfo)$(grep -qw hypervisor /proc/cpuinfo && echo ' (virtual machine)'), $(nproc) cores," \
        "$(awk '/^MemTotal:/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo)," \
        "Linux $(uname -r), $(ldd --version 2>/dev/null | head -n 1 | sed 's/^ldd //'), $(c++ --version | head -n 1)," \
        "LANG=${LANG:-unset}; load average before $load_before, after $load_after"
    echo
    echo "Gallery: $largest pictures on $filesystem, written in $generate_seconds s; picture mode runs \`pixfold $base\`" \
        "$starts times per batch; $pairs interleaved pairs per timing."
    echo
    echo "| measure | pixfold | floor | ratio / detail | target |"
    echo "|---|---|---|---|---|"
    printf '%s\n' "${rows[@]}"
    echo
    echo '```'
    echo "$micro"
    echo '```'
} | tee "$table"
say "table written to $table"
