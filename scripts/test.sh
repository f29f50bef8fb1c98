#!/usr/bin/env bash
# Installs what the build needs when it is missing, builds a Debug build with
# AddressSanitizer and UndefinedBehaviorSanitizer and runs the whole suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
BUILD=${BUILD_DIR:-build-test}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZOVT_SANITIZE=ON >/dev/null
cmake --build "$BUILD"
export QT_QPA_PLATFORM=offscreen
cd "$BUILD" && ctest --output-on-failure -j"$(nproc)"
