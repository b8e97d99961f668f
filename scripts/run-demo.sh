#!/usr/bin/env bash
# Installs the dependencies, builds the engine and runs the demonstration from
# the repository root (it reads Data/ and shaders/ from its working directory).
# Escape or the window's close button ends it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVARNO_TESTS=OFF
cmake --build build -j "$(nproc)" --target varno-demo varno-showcase varno-gui-example

if [[ -z ${DISPLAY-} ]]; then
    # No desktop: run on a virtual screen. Ctrl+C ends the program normally.
    source scripts/xvfb.sh
    start_xvfb
    echo "No DISPLAY: running on the virtual screen $DISPLAY (Ctrl+C quits)."
fi
exec ./build/varno-demo
