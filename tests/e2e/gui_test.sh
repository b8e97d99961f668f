#!/usr/bin/env bash
# End to end: the GUI example with real mouse input. The window is dragged by
# its bar, both buttons are clicked, the screenshot shows the result (the
# texts inside the window) and Escape ends the program with status 0. Then it
# is started with each runtime file missing in turn.
#
# usage: gui_test.sh GUI-EXAMPLE-BINARY [SCREENSHOT-OUT]
set -u
example=$1
shot=${2:-$(mktemp --suffix=.png)}
. "$(dirname "$0")/common.sh"

start_program "$example" "Varno Engine - GUI Example"

# The window spans (350, 250) to (670, 450); its drag bar is the top 20 rows.
xdotool mousemove 400 258
sleep 0.3
xdotool mousedown 1
sleep 0.2
for step in 1 2 3 4 5; do
    xdotool mousemove $((400 + step * 20)) $((258 + step * 10))
    sleep 0.1
done
xdotool mouseup 1
sleep 0.3
# Moved by (100, 50): the gear at (60, 70) and the switch at (200, 78) inside.
xdotool mousemove 530 390
sleep 0.3
xdotool click 1
sleep 0.3
xdotool mousemove 680 395
sleep 0.3
xdotool click 1
sleep 0.5
if [[ -n $import ]]; then
    # The panel's border colour where the moved window's top-left corner is,
    # and the empty background where it was.
    at() { /usr/bin/convert "$shot" -format "%[pixel:p{$1,$2}]" info:; }
    moved() {
        "$import" -window root "$shot" && [[ $(at 360 320) != "$(at 453 320)" ]]
    }
    retry_for 8 moved || fail "the window did not move on screen"
    echo "screenshot: $shot; moved corner $(at 453 320), old place $(at 360 320)"
    # The window's texts end inside it: nothing bright right of its edge.
    outside=$(/usr/bin/convert "$shot" -crop 250x50+772+440 +repage -fx "r>0.5" \
        -format "%[fx:mean]" info:)
    [[ $outside == 0 ]] || fail "text runs past the window's right edge ($outside)"
fi
xdotool key Escape
wait_for_exit
[[ $rc == 0 ]] || fail "exit status $rc"
for line in "Window moved to (450, 300)" "Clicked widget 1" "Clicked widget 2" "Switch is on"; do
    grep -qxF "$line" "$work/out" || fail "no line \"$line\" on standard output"
done
[[ ! -s $work/err ]] || fail "messages on standard error: $(cat "$work/err")"

((failures == 0)) || cat "$work/out"

# Started where a runtime file is missing (a shader source, the font sheet,
# the pointer), its last line names the file and it ends with status 1: no
# crash, no window left dark.
example=$(realpath "$example")
for missing in shaders/simpleTexture.vert Data/Font/font.tga Data/MousePointer.png; do
    mkdir -p "$work/run"
    cp -r shaders Data "$work/run"
    rm "$work/run/$missing"
    (cd "$work/run" && timeout 30 "$example" >out 2>&1)
    rc=$?
    [[ $rc == 1 ]] || fail "without $missing: exit status $rc"
    [[ $(tail -n 1 "$work/run/out") == *"$missing"* ]] ||
        fail "without $missing: the last line does not name it: $(tail -n 1 "$work/run/out")"
    rm -rf "$work/run"
done

finish "GUI example checks passed"
