#!/usr/bin/env bash
# The engine as a user gets it, from a finished build folder:
#   1. `cmake --install` into a temporary prefix; a one-file program built with
#      nothing but `g++ ... $(pkg-config --cflags --libs varno-decode)` decodes
#      a corpus image with no SDL or GL, as the installed varno-inspect does;
#   2. the Debian package made by CPack, installed with apt;
#   3. the starter project copied from the installed package to a folder
#      outside the repository, built against the package only, run on the X
#      display: its first frame shows the crate, a real Escape ends it with 0;
#   4. the installed varno-inspect reads a corpus model; find_package(Varno 99)
#      fails with CMake's version message; the guide's code compiles;
#   5. the API reference builds from the installed headers with no warning.
# Needs root or sudo (apt), an X display (Xvfb) and doxygen. The package is
# removed again at the end unless it was installed before.
#
# usage: package_test.sh BUILD-DIR [STARTER-SCREENSHOT-OUT]
set -u
build=$(realpath "$1")
shot=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
corpus=$repo/tests/corpus
. "$repo/tests/e2e/common.sh"

sudo=
[[ $(id -u) == 0 ]] || sudo=sudo
installed_before=false
dpkg-query -W -f='${Status}' libvarno-dev 2>/dev/null | grep -q "install ok installed" &&
    installed_before=true
cleanup() {
    rm -rf "$work"
    if ! $installed_before; then
        $sudo apt-get remove -y -q -o DPkg::Lock::Timeout=300 libvarno-dev >/dev/null 2>&1 || true
    fi
}
trap cleanup EXIT

# Runs a step quietly, showing its output only when it fails.
quiet() {
    local name=$1
    shift
    "$@" >"$work/$name.log" 2>&1 || {
        fail "$name: $* exited with status $?"
        tail -n 30 "$work/$name.log"
        return 1
    }
}

# 1. A temporary prefix and pkg-config.
prefix=$work/prefix
quiet install cmake --install "$build" --prefix "$prefix"
pcdir=$(dirname "$(find "$prefix" -name varno-decode.pc | head -n 1)")
image=$corpus/bmp/assimp_m_rifl.bmp
decode() {
    local flags
    flags=$(PKG_CONFIG_PATH=$pcdir pkg-config --cflags --libs varno-decode) &&
        g++ "$here/decode_image.cpp" $flags -o "$work/decode_image"
}
if quiet pkg-config decode; then
    # (LD_LIBRARY_PATH for a shared build)
    LD_LIBRARY_PATH=$(dirname "$pcdir") "$work/decode_image" "$image" >"$work/decoded" 2>&1 ||
        fail "decode_image: $(cat "$work/decoded")"
    expected="varno $(PKG_CONFIG_PATH=$pcdir pkg-config --modversion varno-decode)"
    [[ $(head -n 1 "$work/decoded") == "$expected" ]] ||
        fail "decode_image says \"$(head -n 1 "$work/decoded")\", pkg-config \"$expected\""
    [[ $(tail -n 1 "$work/decoded") == "$("$prefix/bin/varno-inspect" image "$image")" ]] ||
        fail "decode_image and varno-inspect disagree: $(cat "$work/decoded")"
    ! ldd "$work/decode_image" | grep -qE "libSDL|libGL" ||
        fail "decode_image links SDL or GL: $(ldd "$work/decode_image")"
fi

# 2. The Debian package, installed as a user installs it.
quiet cpack cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb"
deb=$(ls "$work"/deb/libvarno-dev_*.deb 2>/dev/null | head -n 1)
if [[ -z $deb ]]; then
    fail "cpack made no libvarno-dev package"
else
    quiet apt $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
        -o DPkg::Lock::Timeout=300 "$deb"
fi

# 3. The starter, out of tree, against the installed package only.
game=$work/mygame
cp -r /usr/share/varno/starter "$game"
quiet starter-configure env -u CMAKE_PREFIX_PATH cmake -S "$game" -B "$game/build"
quiet starter-build cmake --build "$game/build"
! grep -q "$repo" "$game/build/CMakeCache.txt" || fail "the starter's build refers to $repo"
if [[ -x $game/build/mygame ]]; then
    (cd "$game/build" && SDL_AUDIODRIVER=dummy exec ./mygame >"$work/game.out" 2>"$work/game.err") &
    pid=$!
    title="My Varno Game"
    timeout 20 xdotool search --sync --onlyvisible --name "$title" >/dev/null ||
        fail "starter: no window named \"$title\""
    # The first frame: the sky and the lit, textured crate (brown) in the middle.
    crate_drawn() {
        "$import" -window root "$work/starter.png" &&
            crate=$(/usr/bin/convert "$work/starter.png" -crop 300x300+362+234 +repage \
                -fx "r>g&&g>b&&r-b>0.08" -format "%[fx:mean]" info:) &&
            awk -v s="$crate" 'BEGIN { exit !(s > 0.3) }'
    }
    retry_for 15 crate_drawn || fail "starter: no crate on screen (brown share ${crate-none})"
    echo "starter: brown share of the centre ${crate-none}"
    [[ -z $shot ]] || cp "$work/starter.png" "$shot"
    # No window manager here: give the window the keyboard and leave the
    # pointer at the centre, where free-look stops turning, before the key.
    wid=$(xdotool search --onlyvisible --name "$title" | head -n 1)
    [[ -n $wid ]] && timeout 5 xdotool windowfocus --sync "$wid"
    timeout 5 xdotool mousemove --sync 512 384
    xdotool key Escape
    wait_for_exit starter
    [[ $rc == 0 ]] || fail "starter: exit status $rc: $(cat "$work/game.err")"
fi

# 4. The installed tool, the version check and the guide's code.
/usr/bin/varno-inspect model "$corpus/3ds/assimp_jeep1.3ds" >"$work/inspect" 2>&1 ||
    fail "varno-inspect: $(cat "$work/inspect")"
grep -qx "kind 3ds" "$work/inspect" || fail "varno-inspect: $(head -n 3 "$work/inspect")"

mkdir -p "$work/too-new"
cat >"$work/too-new/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.16)
project(TooNew LANGUAGES NONE)
find_package(Varno 99 CONFIG REQUIRED)
EOF
if cmake -S "$work/too-new" -B "$work/too-new/build" >"$work/too-new.log" 2>&1; then
    fail "find_package(Varno 99) succeeded"
elif ! grep -q 'with requested version "99"' "$work/too-new.log"; then
    fail "find_package(Varno 99): $(cat "$work/too-new.log")"
fi

# Every C++ block of the guide, one after the other in one file.
awk '/^```cpp$/ { on = 1; next } /^```$/ { on = 0 } on' "$repo/docs/getting-started.md" \
    >"$work/guide.cpp"
[[ -s $work/guide.cpp ]] || fail "no C++ code in docs/getting-started.md"
guide() {
    local flags
    flags=$(pkg-config --cflags varno) &&
        g++ -std=c++17 -Wall -Wextra -Werror -fsyntax-only $flags "$work/guide.cpp"
}
quiet guide guide

# 5. The API reference: every installed header says what it holds, and every
# warning fails.
missing=$(grep -L '^/// \\file' $(find "$prefix/include/varno" -name '*.h') | sed "s|$prefix/||")
[[ -z $missing ]] || fail "headers with no \\file comment:" $missing
quiet docs cmake --build "$build" --target varno-docs

finish "package checks passed"
