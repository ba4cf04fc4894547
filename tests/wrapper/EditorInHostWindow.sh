#!/usr/bin/env bash
# The editor as a person sees it: velmo-host opens it inside a real X11 window
# (run this under Xvfb), screenshots are compared with the artwork, and mouse
# events turn a knob, reset one and click the buttons.
#
#   EditorInHostWindow.sh VELMO_HOST PLUGIN RESOURCES ARTIFACTS [RUNNER LINUX_SHOT]
#
# RUNNER starts the host (wine-run.sh for a Windows build, whose Win32 window
# wine shows as an X11 window of the same title); the first screenshot must
# then equal LINUX_SHOT, the Linux build's, pixel for pixel but for the meter.
set -euo pipefail
host=$1 plugin=$2 resources=$3 artifacts=$4 runner=${5:-} linux_shot=${6:-}

work=$(mktemp -d)
hostpid=""
cleanup() {
    [ -n "$hostpid" ] && kill "$hostpid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$artifacts"

fail() {
    echo "FAIL: $*"
    echo "--- velmo-host output:"
    cat "$work/host.log" || true
    exit 1
}

# A stand-in for the desktop's browser launcher that records what it was given.
mkdir -p "$work/bin"
cat >"$work/bin/xdg-open" <<SCRIPT
#!/bin/sh
printf '%s\n' "\$@" >>"$work/browser.log"
SCRIPT
chmod +x "$work/bin/xdg-open"

PATH="$work/bin:$PATH" ${runner:+"$runner"} "$host" editor "$plugin" -p Gain=0.37 -p Punch=1 --play --seconds 120 \
    >"$work/host.log" 2>&1 &
hostpid=$!

wait_for() { # pattern [seconds]
    for _ in $(seq $((${2:-10} * 10))); do
        grep -q -- "$1" "$work/host.log" && return 0
        kill -0 "$hostpid" 2>/dev/null || fail "velmo-host ended early"
        sleep 0.1
    done
    fail "no line matching '$1'"
}

# (A first Windows run makes wine's prefix first, which takes a while.)
wait_for "^editor open: window" 90
if [ -z "$runner" ]; then
    window=$(sed -n 's/^editor open: window \(0x[0-9a-f]*\), .*/\1/p' "$work/host.log")
else
    window=$(xdotool search --sync --onlyvisible --name '^Velmo$' | head -n 1)
fi
sleep 1.5

shoot() { # name
    import -window "$window" "$work/$1.png"
    cp "$work/$1.png" "$artifacts/editor-$1.png"
}

# expect_region shot x y w h image [image-x image-y] [overlay overlay-x overlay-y]:
# the region of the screenshot shows the background image region with the
# overlay (a frame of a strip) drawn over it.
expect_region() {
    local shot=$1 x=$2 y=$3 w=$4 h=$5 under=$6 ux=${7:-$2} uy=${8:-$3} over=${9:-} ox=${10:-0} oy=${11:-0}
    local expected="$work/expected.png"
    if [ -n "$over" ]; then
        convert "$resources/$under" -crop "${w}x${h}+${ux}+${uy}" +repage \
            \( "$resources/$over" -crop "${w}x${h}+${ox}+${oy}" +repage \) -composite "$expected"
    else
        convert "$resources/$under" -crop "${w}x${h}+${ux}+${uy}" +repage "$expected"
    fi
    convert "$work/$shot.png" -crop "${w}x${h}+${x}+${y}" +repage "$work/actual.png"
    local differing
    differing=$(compare -metric AE -fuzz 3% "$work/actual.png" "$expected" null: 2>&1 || true)
    [ "${differing%% *}" = "0" ]
}

# expect_shown name region...: takes screenshots until the region shows what
# expect_region expects (a repaint can take a moment), for up to 5 seconds.
expect_shown() {
    local name=$1
    shift
    for _ in $(seq 50); do
        shoot "$name"
        expect_region "$name" "$@" && return 0
        sleep 0.1
    done
    return 1
}

shoot open
[ "$(identify -format '%w %h' "$work/open.png")" = "450 480" ] || fail "the window is not 450 by 480"

expect_region open 0 0 70 100 background.png || fail "background top left"
expect_region open 380 300 70 150 background.png || fail "background right"
expect_region open 70 450 318 30 bottom_bar.png 70 0 || fail "bottom bar"
expect_region open 0 451 67 29 bottom_bar.png 0 1 link_button.png 0 0 || fail "link button"
# Punch 1 shows the last of 66 frames, Gain 0.37 frame 23 of 65, Color 0 frame 0.
expect_region open 126 110 201 201 background.png 126 110 punch_knob.png 0 $((65 * 201)) || fail "Punch knob at 1"
expect_region open 298 329 70 70 background.png 298 329 small_knob.png 0 $((23 * 70)) || fail "Gain knob at 0.37"
expect_region open 78 329 70 70 background.png 78 329 small_knob.png 0 0 || fail "Color knob at 0"
# Processing and the compressor are on: both switches show their down images.
expect_region open 388 450 62 30 bottom_bar.png 388 0 power_down.png 0 0 || fail "power button on"
expect_region open 200 403 51 22 background.png 200 403 switch_down.png 0 0 || fail "compressor switch on"

if [ -n "$linux_shot" ]; then
    [ -f "$linux_shot" ] || fail "no Linux screenshot at $linux_shot (the Linux build's tests make it)"
    meter_off=(-fill black -draw "rectangle 80,19 364,82")
    convert "$linux_shot" "${meter_off[@]}" "$work/linux.png"
    convert "$work/open.png" "${meter_off[@]}" "$work/this.png"
    differing=$(compare -metric AE "$work/this.png" "$work/linux.png" null: 2>&1 || true)
    [ "$differing" = "0" ] || fail "$differing pixels differ from the Linux editor's"
fi

# The meter shows one of its lit frames while the test signal plays.
meter_frame=""
for frame in $(seq 1 25); do
    if expect_region open 80 19 285 64 background.png 80 19 meter.png 0 $((frame * 64)); then
        meter_frame=$frame
        break
    fi
done
[ -n "$meter_frame" ] || fail "the meter shows no lit frame"
echo "meter at frame $meter_frame"

# Dragging the Punch knob down turns it down: the host hears the new value.
xdotool mousemove --window "$window" 226 210 mousedown 1 \
    mousemove --window "$window" 226 230 mousemove --window "$window" 226 250 mouseup 1
wait_for "^automate 1 0\."
punch=$(sed -n 's/^automate 1 \([0-9.]*\) .*/\1/p' "$work/host.log" | tail -n 1)
frame=$(awk -v v="$punch" 'BEGIN { printf "%d", v * 65 }')
expect_shown punch 126 110 201 201 background.png 126 110 punch_knob.png 0 $((frame * 201)) \
    || fail "Punch knob at $punch (frame $frame)"

# A double click on Gain returns it to 0.5.
xdotool mousemove --window "$window" 333 364 click --repeat 2 --delay 80 1
wait_for "^automate 0 0.5 "

# The power switch bypasses the chain: its picture goes back to the normal image.
xdotool mousemove --window "$window" 419 465 click 1
expect_shown bypassed 388 450 62 30 bottom_bar.png 388 0 power.png 0 0 || fail "power button off"

# The link button opens the maker's site and changes nothing else.
before=$(grep -c '^automate' "$work/host.log")
xdotool mousemove --window "$window" 30 465 click 1
for _ in $(seq 50); do [ -s "$work/browser.log" ] && break; sleep 0.1; done
grep -qx "https://www.tallowick.com/velmo" "$work/browser.log" || fail "the browser was not asked for the web site"
[ "$(grep -c '^automate' "$work/host.log")" = "$before" ] || fail "the link button changed a parameter"

# Closing: the host closes the editor and the plug-in, and ends normally.
# (Signals do not reach a Windows program: its window is closed with Alt+F4.)
if [ -z "$runner" ]; then
    kill -TERM "$hostpid"
else
    xdotool key --window "$window" alt+F4 2>/dev/null
fi
wait "$hostpid" || fail "velmo-host ended with an error"
hostpid=""
grep -q "^editor closed" "$work/host.log" || fail "the editor was not closed"
grep -q "Punch    $punch" "$work/host.log" || fail "Punch did not keep the knob's value"
grep -q "Gain     0.5 " "$work/host.log" || fail "Gain is not back at 0.5"
! grep -q "^audioMaster\(Begin\|End\)Edit" "$work/host.log" || fail "the editor sent edit gestures"
echo "PASS (screenshots in $artifacts)"
