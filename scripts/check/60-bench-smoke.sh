#!/bin/sh
# The benchmark kit at a tiny size: proves that it builds, that the floors write the very pages
# pixfold writes, and that bench/run.sh produces its whole table. Timings at this size mean
# nothing and are not judged; the full run is described in docs/benchmarks.md.
. "$(dirname "$0")/../lib/leg.sh"

[ -x /usr/bin/time ] || skip_leg "GNU time is missing (Debian package: time)"
need_commands strace strace
strace -f -c -o /dev/null true 2>/dev/null ||
    skip_leg "strace cannot trace on this machine (ptrace not permitted)"

work_option=""
if [ "$(stat -f -c %T /dev/shm 2>/dev/null)" != tmpfs ]; then
    echo "note: /dev/shm is no tmpfs here; the smoke run uses a temporary directory instead" >&2
    work_option="--any-filesystem"
fi

table=build/bench/smoke-results.md
HOT_PATHS_MIN_TIME=0.01 bench/run.sh --pictures 2000 --memory "100 2000" --starts 20 --pairs 2 \
    --table "$table" $work_option >/dev/null

# The table must hold every measurement, each with a number.
for row in "index wall time, 2000 pictures" "index processor time, 2000 pictures" \
    "picture mode wall time per process start" "picture mode processor time per process start" \
    "system calls per entry, 2000 pictures" "peak resident set, index of 2000 pictures" \
    "peak resident set, picture mode"; do
    grep -Eq "^\| $row[^|]*\| [0-9.]+ \| [0-9.]+ \|" "$table" || {
        echo "FAILED: the table has no figures for: $row" >&2
        exit 1
    }
done
for timing in parse_header_line make_entry_names/1252/0 make_entry_names/932/1 translate_output_block; do
    grep -q "^$timing " "$table" || {
        echo "FAILED: the hot-path timings lack $timing" >&2
        exit 1
    }
done
echo "bench smoke: table complete in $table"
