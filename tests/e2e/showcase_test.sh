#!/usr/bin/env bash
# End to end: the showcase runs from the repository root, draws its scene with
# stencil shadows, takes real keys (shadow technique, light, volumes, boxes)
# and quits with status 0 on Escape. A screenshot of the scene is kept for a
# look.
#
# usage: showcase_test.sh SHOWCASE-BINARY [SCREENSHOT-OUT]
set -u
showcase=$1
shot=${2:-$(mktemp --suffix=.png)}
. "$(dirname "$0")/common.sh"

start_program "$showcase" "Varno Engine - Showcase"

if [[ -n $import ]]; then
    # The scene, not an empty sky: many colours, ground and models.
    scene_drawn() {
        "$import" -window root "$shot"
        colours=$(/usr/bin/convert "$shot" -format %k info: 2>/dev/null || echo 0)
        ((colours > 500))
    }
    retry_for 8 scene_drawn || fail "the screenshot holds only $colours colours"
    echo "screenshot: $shot ($colours colours)"
fi

if [[ -n $import ]]; then
    # T cycles the shadows: stencil volumes, shadow map, none, and back. The
    # line that names the technique changes with each press, and the third
    # press brings the first one back.
    line() {
        "$import" -window root -crop 420x18+0+114 +repage "$work/line$1.png"
    }
    differs() {
        local pixels
        pixels=$(/usr/bin/compare -metric AE "$work/line$1.png" "$work/line$2.png" null: 2>&1)
        [[ $pixels != 0 ]]
    }
    same() { ! differs "$1" "$2"; }
    line 0
    for press in 1 2 3; do
        xdotool key t
        if ((press < 3)); then
            retry_for 8 eval "line $press && differs $press $((press - 1))" ||
                fail "the shadow technique's line did not change at press $press"
        else
            retry_for 8 eval "line 3 && same 3 0" ||
                fail "a third press of T did not bring the stencil volumes back"
        fi
    done
    differs 2 0 || fail "the shadow map and no shadows show the same line"
fi

xdotool key v b c
xdotool keydown Left
sleep 0.5
xdotool keyup Left
kill -0 "$pid" 2>/dev/null || fail "the showcase ended while keys were sent"
xdotool key Escape
wait_for_exit
[[ $rc == 0 ]] || fail "exit status $rc"
grep -q "^Data/Showcase/jeep1.jpg$" "$work/out" || fail "the jeep's texture was not loaded"
if [[ -s $work/err ]]; then
    fail "messages on standard error: $(cat "$work/err")"
fi

finish "showcase checks passed"
