#!/usr/bin/env bash
# Fetches a Debian source package with apt-get and unpacks it, once, into
# DIR/PACKAGE; prints that folder. apt-get checks the files against the
# signed archive index. The newest version comes first; as a mirror may lack
# it, older versions of the same release are tried after it. apt needs
# deb-src entries (./scripts/install-deps.sh adds them).
#
#   scripts/source-package.sh PACKAGE DIR
set -euo pipefail

package="${1:?usage: source-package.sh PACKAGE DIR}"
dir="${2:?usage: source-package.sh PACKAGE DIR}"
mkdir -p "$dir"
dir="$(cd "$dir" && pwd)"
target="$dir/$package"

# One fetch at a time per package, whichever build asks first.
exec 9>"$dir/.$package.lock"
flock 9

if [ ! -f "$target/.velmo-unpacked" ]; then
    download="$dir/.$package-download"
    rm -rf "$download" "$target"
    mkdir -p "$download"
    (
        cd "$download"
        if ! apt-get source -qq --download-only "$package" >/dev/null 2>&1; then
            ok=""
            for v in $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -r -V); do
                if apt-get source -qq --download-only "$package=$v" >/dev/null 2>&1; then
                    ok=1
                    break
                fi
            done
            if [ -z "$ok" ]; then
                echo "source-package: cannot fetch the source of $package (are deb-src entries set up? ./scripts/install-deps.sh)" >&2
                exit 1
            fi
        fi
        dsc=$(ls -t ./*.dsc | head -n 1)
        dpkg-source --no-copy -x "$dsc" "$target" >/dev/null 2>&1
    )
    rm -rf "$download"
    touch "$target/.velmo-unpacked"
fi
echo "$target"
