#!/usr/bin/env bash
# End to end: the program runs from the repository root as the README runs it,
# prints its start-up transcript, draws the knight, the help text, the logo and
# the frame rate, answers real keys (light, wire-frame, bounding boxes), and
# quits with status 0 on Escape and on a window close request; on classic SDL
# and on sdl12-compat. Needs an X display (Xvfb).
#
# usage: demo_test.sh DEMO-BINARY SEND-CLOSE-BINARY
set -u
demo=$1
send_close=$2
here=$(cd "$(dirname "$0")" && pwd)
title="Varno Engine - Simple Window Example"
. "$(dirname "$0")/common.sh"

# Starts the program and waits (bounded) until its window is up and frames run.
start_demo() {
    local name=$1
    shift
    env "$@" "$demo" >"$work/$name.out" 2>"$work/$name.err" &
    pid=$!
    local last
    last=$(tail -n 1 "$here/startup_transcript.txt")
    for _ in $(seq 1 200); do
        grep -qxF "$last" "$work/$name.out" 2>/dev/null && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    if ! timeout 10 xdotool search --sync --onlyvisible --name "$title" >/dev/null; then
        fail "$name: no window named \"$title\""
        cat "$work/$name.out" "$work/$name.err"
    fi
    sleep 0.3
}

# Compares standard output with the expected transcript line by line; a line
# of the transcript ending in " *" only fixes the text before it.
check_transcript() {
    local name=$1
    local n=0
    local expected actual
    mapfile -t expected <"$here/startup_transcript.txt"
    mapfile -t actual <"$work/$name.out"
    for expected_line in "${expected[@]}"; do
        actual_line=${actual[$n]-<missing>}
        if [[ $expected_line == *" *" ]]; then
            prefix=${expected_line% \*}
            [[ ${actual_line:0:${#prefix}} == "$prefix" && ${#actual_line} -gt ${#prefix} ]] ||
                fail "$name: line $((n + 1)) is \"$actual_line\", expected \"$expected_line\""
        elif [[ $actual_line != "$expected_line" ]]; then
            fail "$name: line $((n + 1)) is \"$actual_line\", expected \"$expected_line\""
        fi
        n=$((n + 1))
    done
}

# Screenshots of the running program, and what they show.
magick=/usr/bin/convert
shots=${DEMO_SCREENSHOTS:-$work}
shot() {
    "$import" -window root "$shots/$1.png"
}
# The share of pixels in a region (WxH+X+Y) that satisfy an fx condition.
share() {
    "$magick" "$shots/$1.png" -crop "$2" +repage -fx "$3" -format "%[fx:mean]" info:
}
# The mean difference of two screenshots in a region, 0 to 1.
difference() {
    "$magick" "$shots/$1.png" "$shots/$2.png" -crop "$3" +repage -compose difference \
        -composite -colorspace gray -format "%[fx:mean]" info:
}
# How much neighbouring pixels in a region differ, 0 to 1: a wire-frame
# picture alternates lines and background where a filled one is smooth.
roughness() {
    "$magick" "$shots/$1.png" -crop "$2" +repage -colorspace gray \( +clone -roll +1+0 \) \
        -compose difference -composite -format "%[fx:mean]" info:
}
above() {
    awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'
}

# Takes screenshot $1 until the check $2 passes on it, for up to 8 s.
shot_and_check() {
    shot "$1" && "$2"
}
until_shot() {
    retry_for 8 shot_and_check "$1" "$2"
}
# The checks on the latest screenshots (they read check_screens' locals); each
# keeps its measure for the report.
scene_drawn() {
    knightShare=$(share start "$knight" "r-b>0.12")
    logoShare=$(share start "$logo" "r>0.5")
    above "$knightShare" 0.08 && above "$logoShare" 0.10
}
light_moved() {
    lit=$(difference still lit "$column")
    above "$lit" "$litMin"
}
# The knight's roughness in screenshot $1 over that of the filled picture.
wire_ratio() {
    awk -v w="$(roughness "$1" "$knight")" -v s="$smooth" 'BEGIN { print w / s }'
}
wireframe_on() {
    wire=$(wire_ratio wire)
    above "$wire" 1.4
}
wireframe_off() {
    above 1.2 "$(wire_ratio filled)"
}
boxes_drawn() {
    boxes=$(difference filled boxes "$column")
    above "$boxes" "$boxesMin"
}

check_screens() {
    [[ -n $import ]] || { fail "screens: ImageMagick's import is missing"; return; }
    local knight="150x270+470+255" column="120x380+225+10" text="400x60+0+58"
    local logo="206x76+816+690" rate="190x16+0+0"
    local knightShare textShare logoShare rateShare calm litMin boxesMin smooth
    local lit=0 wire=0 boxes=0
    xdotool mousemove 1000 700
    sleep 0.5
    until_shot start scene_drawn
    sleep 0.5
    shot still
    textShare=$(share start "$text" "r>0.55&&g>0.3&&b<0.35")
    rateShare=$(share start "$rate" "r>0.75&&g>0.75&&b>0.75")
    echo "knight $knightShare, help text $textShare, logo $logoShare, frame rate $rateShare"
    above "$knightShare" 0.08 || fail "screens: no knight in the centre ($knightShare)"
    above "$textShare" 0.03 || fail "screens: no help text rows ($textShare)"
    above "$logoShare" 0.10 || fail "screens: no logo in the corner ($logoShare)"
    above "$rateShare" 0.03 || fail "screens: no frame rate ($rateShare)"

    # The left column stands still: only a key press changes it. A loaded
    # machine may hold a frame back for a while, so each effect is looked for
    # on fresh screenshots for a few seconds.
    calm=$(difference start still "$column")
    litMin=$(awk -v c="$calm" 'BEGIN { print c * 3 + 0.002 }')
    boxesMin=$(awk -v c="$calm" 'BEGIN { print c * 3 + 0.0005 }')
    smooth=$(roughness still "$knight")
    for _ in 1 2 3; do
        xdotool keydown Left
        sleep 0.4
        xdotool keyup Left
        until_shot lit light_moved && break
    done
    xdotool key q
    until_shot wire wireframe_on
    xdotool key q
    until_shot filled wireframe_off
    xdotool key space
    until_shot boxes boxes_drawn
    xdotool key space
    echo "column changes: still $calm, light moved $lit, boxes $boxes;" \
        "knight wire-frame/filled roughness $wire"
    above "$lit" "$litMin" || fail "screens: holding Left did not change the shading"
    above "$wire" 1.4 || fail "screens: q gave no wire-frame picture"
    above "$boxes" "$boxesMin" || fail "screens: space drew no bounding boxes"
}

check_log() {
    local name=$1
    [[ $(tail -n 1 Varno_Engine.log) == "Logger stopped..." ]] ||
        fail "$name: the log does not end with \"Logger stopped...\""
}

# 1. The picture, the keys, the caption's frame rate; Escape ends the program
# with status 0.
start_demo escape
check_screens
caption=$(xdotool search --onlyvisible --name "$title" getwindowname 2>/dev/null | head -n 1)
if [[ $caption =~ ^"$title Current FPS: "([0-9]+)$ ]]; then
    echo "frame rate in the caption: ${BASH_REMATCH[1]}"
else
    fail "escape: caption is \"$caption\""
fi
xdotool key Escape
wait_for_exit escape
[[ $rc == 0 ]] || fail "escape: exit status $rc"
check_transcript escape
check_log escape
# Debug builds name any GL error a frame leaves behind; there must be none.
! grep -m 3 "^GL error" "$work/escape.err" || fail "escape: frames raised GL errors"

# 2. The window's close request ends it with status 0.
start_demo close
"$send_close" "$title" || fail "close: could not send the close request"
wait_for_exit close
[[ $rc == 0 ]] || fail "close: exit status $rc"
check_transcript close

# 3. The same on sdl12-compat, the SDL 1.2 API over SDL2.
compat=/usr/lib/x86_64-linux-gnu/sdl12-compat
if [[ -e $compat/libSDL-1.2.so.0 ]]; then
    start_demo compat LD_LIBRARY_PATH=$compat
    xdotool key Escape
    wait_for_exit compat
    [[ $rc == 0 ]] || fail "compat: exit status $rc"
    check_transcript compat
    start_demo compat-close LD_LIBRARY_PATH=$compat
    "$send_close" "$title" || fail "compat-close: could not send the close request"
    wait_for_exit compat-close
    [[ $rc == 0 ]] || fail "compat-close: exit status $rc"
else
    fail "sdl12-compat is not installed ($compat)"
fi

# 4. No display: the start-up error is shown and the program ends non-zero.
timeout 20 env -u DISPLAY SDL_VIDEODRIVER=x11 "$demo" >"$work/nodisplay.out" 2>"$work/nodisplay.err"
rc=$?
[[ $rc != 0 && $rc != 124 ]] || fail "nodisplay: exit status $rc"
grep -q "^Error: SDL Could not be initialized: " "$work/nodisplay.err" ||
    fail "nodisplay: no error message on standard error: $(cat "$work/nodisplay.err")"

finish "all end-to-end checks passed"
