#!/usr/bin/env bash
# The main job: installs what is needed, builds the plug-in Velmo.so and the
# test host, and renders audio through the plug-in.
#
#   ./scripts/run.sh [INPUT] [velmo-host options...]
#
# INPUT is any audio file libsndfile reads (mono or stereo); without one a
# stereo test signal is generated. The result goes to out/, and the input and
# output peak and RMS levels are printed. Options such as -p Punch=0.6,
# -p Color=0.4, --block 256 or --rate 48000 are passed to velmo-host render.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

./scripts/install-deps.sh

cmake --preset linux >/dev/null
cmake --build --preset linux -j"$(nproc)" --target velmo_plugin velmo-host

input=()
name="test-signal"
if [ $# -gt 0 ] && [ "${1#-}" = "$1" ]; then
    input=(-i "$1")
    name="$(basename "${1%.*}")"
    shift
fi

mkdir -p out
plugin="$root/build/wrapper/Velmo.so"
echo "plug-in: $plugin"
./build/tools/velmo-host render "$plugin" "${input[@]}" -o "out/$name-velmo.wav" "$@"
