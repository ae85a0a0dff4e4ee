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
#
# Another platform (PIXFOLD_E2E_PLATFORM, its names from the most specific on, for instance
# "windows-932 windows") takes a case's <name>-FILE before FILE where the platform differs:
#   <name>-stdout, -stderr, -status, -output   what the platform legitimately does instead
#   <name>-note     why the platform differs, printed with the result
#   <name>-setup    bash run after setup, for what only that platform needs
#   <name>-skip     the reason why the case cannot happen there; the case is skipped, saying so
# With PIXFOLD_E2E_NAMES (a command), every file whose name holds a byte above 0x7F is renamed
# by that command to the name the platform's system gives those bytes.
set -u
case_dir=$(cd "$1" && pwd)
shift
tool=("$@")
read -ra variants <<<"${PIXFOLD_E2E_PLATFORM:-}"

# The case's FILE for this platform: <name>-FILE of the first platform name that has one.
platform_file() {
    local variant
    for variant in "${variants[@]}"; do
        [ -f "$case_dir/$variant-$1" ] && echo "$case_dir/$variant-$1" && return 0
    done
    return 1
}
if skip=$(platform_file skip); then
    echo "skipped on ${variants[0]}: $(cat "$skip")"
    exit 77
fi
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
if platform_setup=$(platform_file setup); then
    source "$platform_setup" || exit 1
fi
if [ -n "${PIXFOLD_E2E_NAMES:-}" ]; then
    read -ra names_command <<<"$PIXFOLD_E2E_NAMES"
    : >"$work/names"
    count=0
    while IFS= read -r -d '' path; do
        count=$((count + 1))
        mv "$path" "${path%/*}/.name-$count"
        printf '%s\t%s\n' "${path%/*}/.name-$count" "$path" >>"$work/names"
    done < <(LC_ALL=C find . -name $'*[\x80-\xff]*' -print0)
    if [ "$count" -gt 0 ] && ! "${names_command[@]}" <"$work/names"; then
        echo "could not give the case's files their names on this platform"
        exit 1
    fi
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
    for stream in $streams status; do
        if [ "${#variants[@]}" -eq 0 ]; then
            cp "$work/$stream" "$case_dir/$stream"
        else
            # Only what differs on the platform gets a file of its own, under its general name.
            expected=$(platform_file "$stream") || expected="$case_dir/$stream"
            cmp -s "$expected" "$work/$stream" || cp "$work/$stream" "$case_dir/${variants[-1]}-$stream"
        fi
    done
    exit 0
fi

[ -f "$case_dir/status" ] || { echo "the case has no expected status"; exit 1; }
if note=$(platform_file note); then
    echo "on ${variants[0]}: $(cat "$note")"
fi
failed=0
for stream in stdout stderr status output; do
    expected=$(platform_file "$stream") || expected="$case_dir/$stream"
    [ -f "$expected" ] || continue
    if ! cmp -s "$expected" "$work/$stream"; then
        echo "$stream differs from the expected ${expected##*/}:"
        diff <(od -c "$expected") <(od -c "$work/$stream") | head -40
        failed=1
    fi
done
exit "$failed"
