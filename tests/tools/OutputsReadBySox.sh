#!/usr/bin/env bash
# Files that velmo-host writes, read by another program (sox) without a
# warning about their headers, in the sample formats it reports.
#
#   OutputsReadBySox.sh VELMO_HOST PLUGIN [RUNNER]
#
# RUNNER starts the host (wine-run.sh for a Windows build). Formats that the
# build's audio library does not write are left out.
set -euo pipefail
host=$1 plugin=$2 runner=${3:-}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

check() { # file expected-encoding expected-bits
    local out
    out=$(sox "$1" -n 2>&1) || { echo "FAIL: sox cannot read $1: $out"; status=1; return; }
    if [ -n "$out" ]; then
        echo "FAIL: sox says about $(basename "$1"): $out"
        status=1
    fi
    local encoding bits
    encoding=$(soxi -e "$1") bits=$(soxi -b "$1")
    if [ "$encoding" != "$2" ] || [ "$bits" != "$3" ]; then
        echo "FAIL: $(basename "$1") is $encoding, $bits bits; expected $2, $3 bits"
        status=1
    fi
}

for entry in "wav float Floating-Point-PCM 32" "wav double Floating-Point-PCM 64" \
    "wav 16 Signed-Integer-PCM 16" "wav 24 Signed-Integer-PCM 24" "wav 8 Unsigned-Integer-PCM 8" \
    "aiff float Floating-Point-PCM 32" "aiff 24 Signed-Integer-PCM 24" "flac 24 FLAC 24" \
    "w64 float Floating-Point-PCM 32" "caf 16 Signed-Integer-PCM 16"; do
    read -r ext format encoding bits <<<"$entry"
    file="$work/$format.$ext"
    if ! message=$($runner "$host" render "$plugin" --seconds 0.5 -p Punch=0.3 -o "$file" --format "$format" 2>&1); then
        grep -q "cannot write \.$ext files" <<<"$message" && continue
        echo "FAIL: $message"
        status=1
        continue
    fi
    check "$file" "${encoding//-/ }" "$bits"
done

# A file from a file: the input's format carries over.
$runner "$host" render "$plugin" -i "$work/24.wav" -o "$work/from-24.wav" >/dev/null
check "$work/from-24.wav" "Signed Integer PCM" 24

[ "$status" = 0 ] && echo PASS
exit "$status"
