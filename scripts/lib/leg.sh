# What the legs of scripts/check/ share. A leg starts with
#
#   . "$(dirname "$0")/../lib/leg.sh"
#
# and then runs from the root of the checkout, stopping at the first command that fails.
set -eu
cd "$(dirname "$0")/../.."

# A part of the leg cannot run on this machine. On CI (CI=true) every part must run, so the leg
# fails; elsewhere the part is skipped, and says why.
cannot_run() { # reason
    if [ "${CI:-}" = true ]; then
        echo "FAILED: $1 (on CI every check must run)" >&2
        exit 1
    fi
    echo "SKIPPED: $1" >&2
}

# The whole leg cannot run here: it is skipped, or fails on CI.
skip_leg() { # reason
    cannot_run "$1"
    exit 0
}

# Skips the leg unless every command is on PATH.
need_commands() { # "Debian packages", command...
    packages=$1
    shift
    for command in "$@"; do
        command -v "$command" >/dev/null ||
            skip_leg "$command is missing (Debian packages: $packages)"
    done
}

# Skips the leg unless the Debian packages are installed; as root they are installed now.
need_packages() { # package...
    scripts/ensure-packages "$@" || skip_leg "needs the Debian packages $*"
}

# The native release build of the dev preset, which 10-native.sh makes and tests. A leg that
# needs the tool takes it from there; run on its own, it builds what is missing.
dev_build() { # [target...], pixfold by default
    [ -f build/dev/CMakeCache.txt ] || cmake --preset dev >/dev/null
    [ "$#" -gt 0 ] || set -- pixfold
    cmake --build --preset dev --target "$@" >/dev/null
}
