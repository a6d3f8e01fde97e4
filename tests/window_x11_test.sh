#!/usr/bin/env bash
# The program on a virtual X display with a window manager, as a user starts
# it: the frame of its window has the outer size 599 x 464, as the form gives
# it, with its top left corner at 192, 110; a folder that cannot be entered is
# shown in a message box, and the program ends once it is closed. Skipped (77)
# where Xvfb, openbox, xdotool or the X utilities are missing.
#
# Usage: window_x11_test.sh TERVANIL
set -uo pipefail

tervanil=${1:?usage: window_x11_test.sh TERVANIL}
for tool in xvfb-run openbox xdotool xwininfo xprop; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done

if [[ ${TERVANIL_ON_DISPLAY:-} != 1 ]]; then
    TERVANIL_ON_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

# The X display of xvfb-run, whatever the environment says.
export QT_QPA_PLATFORM=xcb
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT

openbox >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done
passed=0
failed=0
verdict() { # verdict OK DESCRIPTION
    if [[ $1 == 1 ]]; then
        passed=$((passed + 1))
        echo "ok - $2"
    else
        failed=$((failed + 1))
        echo "not ok - $2"
    fi
}

# The frame, once the window manager has framed the window and the window has
# taken its size: "X Y WIDTH HEIGHT" of the outer frame.
frame() {
    local window extents x y width height left right top bottom
    window=$(xdotool search --onlyvisible --name 'Tervanil \( for' 2>/dev/null | head -n 1)
    [[ -n $window ]] || return 1
    extents=$(xprop -id "$window" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.* = //p')
    [[ -n $extents ]] || return 1
    IFS=', ' read -r left right top bottom <<<"$extents"
    read -r x y width height < <(xwininfo -id "$window" |
        awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4}
             /^  Width/ {w = $2} /^  Height/ {h = $2} END {print x, y, w, h}')
    echo "$((x - left)) $((y - top)) $((width + left + right)) $((height + top + bottom))" \
        "(frame $left $right $top $bottom)"
}

# The window in a folder of records.
printf '(;GM[1]FF[4]SZ[9];B[ee])\n' >"$work/a.sgf"
"$tervanil" "$work" >/dev/null 2>&1 &
app=$!
pids+=($app)
found=
for _ in $(seq 100); do
    found=$(frame) && [[ $found == "192 110 599 464 "* ]] && break
    sleep 0.1
done
echo "framed window: ${found:-none}"
[[ $found == "192 110 599 464 "* ]] && ok=1 || ok=0
verdict $ok "the frame lies at 192, 110 with the outer size 599 x 464"
kill "$app" 2>/dev/null
wait "$app" 2>/dev/null

# A folder that cannot be entered: the message box, captioned with the
# program's name, and no window; Enter closes the box and ends the program.
"$tervanil" "$work/absent" >/dev/null 2>&1 &
app=$!
pids+=($app)
box=
for _ in $(seq 100); do
    box=$(xdotool search --onlyvisible --name '^tervanil$' 2>/dev/null | head -n 1)
    [[ -n $box ]] && break
    sleep 0.1
done
[[ -n $box ]] && ok=1 || ok=0
verdict $ok "a folder that cannot be entered is shown in a message box"
[[ -z $(xdotool search --onlyvisible --name 'Tervanil \( for' 2>/dev/null) ]] && ok=1 || ok=0
verdict $ok "no window opens for a folder that cannot be entered"
[[ -n $box ]] && xdotool windowactivate --sync "$box" key Return 2>/dev/null
ended=0
for _ in $(seq 50); do
    kill -0 "$app" 2>/dev/null || { ended=1; break; }
    sleep 0.1
done
status=1
((ended)) && { wait "$app"; status=$?; }
((ended && status == 0)) && ok=1 || ok=0
verdict $ok "closing the message box ends the program with exit code 0 (ended $ended, status $status)"

echo "$passed passed, $failed failed"
((failed == 0))
