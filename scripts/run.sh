#!/usr/bin/env bash
# The main job: installs what is needed, builds the plug-in Velmo.so and the
# test host, and renders audio through the plug-in with velmo-host render.
#
#   ./scripts/run.sh [INPUT] [options...]
#   ./scripts/run.sh --help
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

usage() {
    cat <<'EOF'
usage: ./scripts/run.sh [INPUT] [options]

Builds the plug-in (build/wrapper/Velmo.so) and renders INPUT through it,
block by block, at the file's own sample rate: any mono or stereo file
libsndfile reads. Without INPUT it renders a generated stereo test signal
(drums, hats and bass). The result goes to out/NAME-velmo.wav unless -o
names another file; the input, the settings, the output and the peak and RMS
levels are printed. The first run installs the Debian packages it needs.

options (those of velmo-host render; see `build/tools/velmo-host render --help`):
  -i, --input FILE         the same as INPUT
  -o, --output FILE        the output; its extension names the format (.wav,
                           .aiff, .flac, .ogg, .mp3, ...)
  -p, --param NAME=VALUE   Gain, Punch or Color, a number from 0 to 1; once for
                           each parameter (the README's table gives the units)
      --format NAME        the output's samples: 8, 16, 24, 32, float, double,
                           ulaw, alaw (default: the input's where it fits)
      --rate HZ            the generated signal's sample rate (default 44100);
                           with INPUT only the file's own rate
      --block N            frames per block handed to the plug-in (default 512)
      --seconds S          the generated signal's length (default 4)
      --load-state FILE    a state chunk saved before (velmo-host state)
      --save-state FILE    saves the plug-in's state chunk at the end
      --bypass             the host's soft bypass: the input passes unchanged
      --no-progress        no progress line on the terminal
      --stats              the render's speed and peak memory at the end
  -h, --help               this help

exit status: 0 done, 1 failed (a file or the plug-in), 2 bad command line.

examples:
  ./scripts/run.sh
  ./scripts/run.sh song.wav -p Punch=0.6 -p Color=0.4 -p Gain=0.45
  ./scripts/run.sh song.flac -o out/song-wide.flac -p Punch=0.5 --format 24
EOF
}

for arg in "$@"; do
    case "$arg" in
        -h | --help) usage; exit 0 ;;
        --) break ;;
    esac
done

input=()
name="test-signal"
if [ $# -gt 0 ] && [ "${1#-}" = "$1" ]; then
    input=(-i "$1")
    name="$(basename "${1%.*}")"
    shift
fi

output=(-o "out/$name-velmo.wav")
for arg in "$@"; do
    case "$arg" in
        -o | --output | --output=*) output=() ;;
    esac
done

./scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux -j"$(nproc)" --target velmo_plugin velmo-host

mkdir -p out
plugin="$root/build/wrapper/Velmo.so"
echo "plug-in: $plugin"
exec ./build/tools/velmo-host render "$plugin" "${input[@]}" "${output[@]}" "$@"
