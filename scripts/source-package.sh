#!/usr/bin/env bash
# Fetches a Debian source package with apt-get and unpacks it, once, into
# DIR/PACKAGE; prints that folder. apt-get checks the files against the
# signed archive index. The newest version comes first; as a mirror may lack
# it, older versions of the same release are tried after it. apt needs
# deb-src entries (./scripts/install-deps.sh adds them).
#
#   scripts/source-package.sh PACKAGE DIR [PATH...]
#
# With PATHs (relative to the source tree's top) only those files are taken
# from the upstream tarball, which is quicker for a large package; Debian's
# patches must leave them alone then, else the whole package is unpacked.
set -euo pipefail

package="${1:?usage: source-package.sh PACKAGE DIR [PATH...]}"
dir="${2:?usage: source-package.sh PACKAGE DIR [PATH...]}"
shift 2
paths=("$@")
mkdir -p "$dir"
dir="$(cd "$dir" && pwd)"
target="$dir/$package"

# One fetch at a time per package, whichever build asks first.
exec 9>"$dir/.$package.lock"
flock 9

# The stamp names what was taken (empty: everything).
wanted="${paths[*]}"
if [ ! -f "$target/.velmo-unpacked" ] || [ "$(cat "$target/.velmo-unpacked")" != "$wanted" ]; then
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
        orig=$(ls ./*.orig.tar.* 2>/dev/null | grep -v '\.asc$' | head -n 1 || true)
        debian=$(ls ./*.debian.tar.* 2>/dev/null | head -n 1 || true)
        patched=""
        if [ "${#paths[@]}" -gt 0 ] && [ -n "$orig" ] && [ -n "$debian" ]; then
            for p in "${paths[@]}"; do
                if tar -xOf "$debian" --wildcards 'debian/patches/*' 2>/dev/null | grep -q "^+++ b/$p\b"; then
                    patched=1
                fi
            done
        fi
        if [ "${#paths[@]}" -gt 0 ] && [ -n "$orig" ] && [ -z "$patched" ]; then
            mkdir -p "$target"
            tar -xf "$orig" -C "$target" --strip-components=1 --wildcards "${paths[@]/#/*/}"
        else
            dpkg-source --no-copy -x "$dsc" "$target" >/dev/null 2>&1
        fi
    )
    rm -rf "$download"
    printf '%s' "$wanted" >"$target/.velmo-unpacked"
fi
echo "$target"
