#!/usr/bin/env bash
# Builds the Windows plug-in for x86-64 and for 32-bit x86 with Debian's
# mingw-w64 cross compilers, with everything it links inside it:
#
#   dist/windows/x64/Velmo.dll    (and velmo-host.exe, the test host)
#   dist/windows/x86/Velmo.dll    (and velmo-host.exe)
#
#   ./scripts/build-windows.sh [--all]
#
# Installs what it needs with apt-get first. With --all it also builds the
# tests of both builds (scripts/test.sh runs them under wine).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

targets=(--target velmo_plugin velmo-host)
[ "${1:-}" = "--all" ] && targets=()

./scripts/install-deps.sh --windows
./scripts/prepare-juce.sh build-deps/juce

jobs=$(nproc)
for build in "x64 x86_64 windows-x64 build-win64" "x86 i686 windows-x86 build-win32"; do
    read -r name arch preset binary_dir <<<"$build"
    ./scripts/windows-deps.sh "$arch" "build-deps/$arch"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$jobs" "${targets[@]}"

    mkdir -p "dist/windows/$name"
    # Without debug information: that stays in the build folder's copy.
    "$arch-w64-mingw32-strip" -o "dist/windows/$name/Velmo.dll" "$binary_dir/wrapper/Velmo.dll"
    "$arch-w64-mingw32-strip" -o "dist/windows/$name/velmo-host.exe" "$binary_dir/tools/velmo-host.exe"
    # The maths layer's code is musl's and glibc's: their licences go with the library.
    cp build-deps/src/musl/COPYRIGHT "dist/windows/$name/musl-COPYRIGHT.txt"
    cp build-deps/src/glibc/COPYING.LIB "dist/windows/$name/glibc-COPYING.LIB.txt"
    echo "build-windows: dist/windows/$name/Velmo.dll ($(du -k "dist/windows/$name/Velmo.dll" | cut -f1) kB)"
done
