#!/bin/sh
# Each fuzz target for a short, bounded time: the targets build, run, and find nothing new.
# The long runs are scripts/fuzz with a longer time (docs/fuzzing.md).
set -eu
cd "$(dirname "$0")/../.."
if ! command -v clang++ >/dev/null; then
    if [ "${CI:-}" = true ]; then
        echo "fuzz smoke: clang++ is missing on CI (Debian packages clang, libclang-rt-14-dev)"
        exit 1
    fi
    echo "SKIPPED fuzz smoke: clang++ is missing (install clang and libclang-rt-14-dev)"
    exit 0
fi
exec scripts/fuzz "${PIXFOLD_FUZZ_SMOKE_SECONDS:-20}"
