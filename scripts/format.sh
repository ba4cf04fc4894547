#!/usr/bin/env bash
# Lays out every C and C++ source of the repository by .clang-format.
#
#   ./scripts/format.sh           rewrites the files in place
#   ./scripts/format.sh --check   changes nothing; lists the files that differ and fails
#
# The layout is clang-format 14's (Debian 12); another version may lay out a
# few constructs differently.
set -euo pipefail
cd "$(dirname "$0")/.."

format=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$format" ]; then
    echo "format: clang-format is not installed (Debian package clang-format)" >&2
    exit 2
fi

case "${1:-}" in
    "") mode=(-i) ;;
    --check) mode=(--dry-run -Werror) ;;
    *) echo "usage: $0 [--check]" >&2; exit 2 ;;
esac

sources() { # every tracked source, or outside a git checkout every source but the build trees'
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files -z -- '*.c' '*.cpp' '*.h'
    else
        find . \( -name 'build*' -o -name dist -o -name '.*' ! -name . \) -prune -o \
            -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) -print0
    fi
}
sources | xargs -0 "$format" "${mode[@]}"
