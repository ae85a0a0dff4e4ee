#!/usr/bin/env bash
# Runs one end-to-end case: the tool in a fresh directory, every byte it writes compared.
#
#   run_case.sh CASE_DIR TOOL [TOOL_ARGS...]
#
# TOOL and its arguments are how to start the tool under test (a native binary, or a runner
# and an .exe). A case directory holds:
#   args     optional; bash that sets the array `args` (the tool's arguments; none without it)
#   stdin    optional; standard input (empty without it)
#   files/   optional; copied into the directory the tool runs in
#   setup    optional; bash run in that directory first; exit 77 skips the case with its reason
#   run      optional; bash that runs "${tool[@]}" itself (redirections, limits); the default is
#            "${tool[@]}" "${args[@]}" <stdin >stdout 2>stderr
#   expected files: stdout, stderr, status (or output, for both streams sent to one file)
# With BLESS=1 the case's expected files are written from this run instead: review them.
set -u
case_dir=$(cd "$1" && pwd)
shift
tool=("$@")
work=$(mktemp -d "${TMPDIR:-/tmp}/pixfold-e2e.XXXXXX")
trap 'chmod -R u+rwx "$work" 2>/dev/null; rm -rf "$work"' EXIT

mkdir "$work/run"
[ -d "$case_dir/files" ] && cp -R "$case_dir/files/." "$work/run/"
if [ -f "$case_dir/stdin" ]; then cp "$case_dir/stdin" "$work/stdin"; else : >"$work/stdin"; fi
args=()
[ -f "$case_dir/args" ] && source "$case_dir/args"

cd "$work/run" || exit 1
if [ -f "$case_dir/setup" ]; then
    source "$case_dir/setup"
    status=$?
    [ "$status" -eq 0 ] || exit "$status"
fi
export out="$work/stdout" err="$work/stderr" in="$work/stdin"
if [ -f "$case_dir/run" ]; then
    source "$case_dir/run"
else
    "${tool[@]}" "${args[@]}" <"$in" >"$out" 2>"$err"
fi
echo $? >"$work/status"
[ -f "$case_dir/output" ] && cat "$out" >"$work/output"

if [ "${BLESS:-0}" = 1 ]; then
    streams="stdout stderr"
    [ -f "$case_dir/output" ] && streams=output
    for stream in $streams status; do cp "$work/$stream" "$case_dir/$stream"; done
    exit 0
fi

[ -f "$case_dir/status" ] || { echo "the case has no expected status"; exit 1; }
failed=0
for stream in stdout stderr status output; do
    [ -f "$case_dir/$stream" ] || continue
    if ! cmp -s "$case_dir/$stream" "$work/$stream"; then
        echo "$stream differs from the expected:"
        diff <(od -c "$case_dir/$stream") <(od -c "$work/$stream") | head -40
        failed=1
    fi
done
exit "$failed"
