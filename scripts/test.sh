#!/usr/bin/env bash
# Installs the dependencies, builds and runs the whole test suite:
#   1. the normal build (warnings are errors) and every test through ctest,
#   2. the same tests built with AddressSanitizer and UndefinedBehaviorSanitizer,
#   3. a short run of every libFuzzer target (clang),
#   4. the engine as a user gets it, from the normal build: the Debian package
#      installed with apt, the starter project built against it out of tree
#      and run, pkg-config, the installed tools, the API reference.
# Without a DISPLAY it runs the window tests on a private Xvfb.
# FUZZ_SECONDS sets the length of each fuzz run (default 20; 0 skips them).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-20}

bash scripts/install-deps.sh --test

if [[ -z ${DISPLAY-} ]]; then
    source scripts/xvfb.sh
    start_xvfb
fi
export SDL_VIDEODRIVER=x11

echo "== Build and test"
cmake -S . -B build -DVARNO_WERROR=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== Build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DVARNO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs"

if ((fuzz_seconds > 0)); then
    echo "== Fuzz each decoder for ${fuzz_seconds} s"
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -DVARNO_FUZZ=ON -DVARNO_ENGINE=OFF \
        -DVARNO_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build build-fuzz -j "$jobs"
    bash fuzz/run_all.sh build-fuzz "$fuzz_seconds"
fi

echo "== Package the normal build, install it and build against it"
bash tests/package/package_test.sh build
echo "== All tests passed"
