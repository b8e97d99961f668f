#!/usr/bin/env bash
# Remakes the screenshots in docs/ with the tests that take them, on a private
# Xvfb: the showcase and the GUI example (shown in the README) and the starter
# game (the guide). Needs a finished build; the starter's test installs the
# Debian package, so it needs root or sudo.
#
# usage: scripts/screenshots.sh [BUILD-DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
source scripts/xvfb.sh
start_xvfb
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
bash tests/e2e/showcase_test.sh "$build/varno-showcase" docs/showcase.png
bash tests/e2e/gui_test.sh "$build/varno-gui-example" docs/gui.png
# The starter's picture is taken before the package test's later checks,
# whose failures do not concern it.
bash tests/package/package_test.sh "$build" docs/starter.png || true
[[ -s docs/starter.png ]]
ls -l docs/showcase.png docs/gui.png docs/starter.png
