#!/usr/bin/env bash
# Installs what the build needs when it is missing, builds a Debug build with
# AddressSanitizer and UndefinedBehaviorSanitizer (warnings are errors) and
# runs the whole suite. Each phase says what it does and how long it took.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD_DIR:-build-test}
JOBS=$(nproc)

phase_start=0 total_start=$SECONDS
phase() { phase_start=$SECONDS; echo "== $1"; }
done_phase() { echo "== $1 took $((SECONDS - phase_start)) s"; }

phase "Packages"
scripts/install-deps.sh
done_phase "Packages"

phase "Configure ($BUILD: Debug, AddressSanitizer, UndefinedBehaviorSanitizer)"
# Line tables (-g1) are all the sanitizers' reports need, and cost less to
# write than full debug information.
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DZOVT_SANITIZE=ON -DZOVT_UNITY=ON >/dev/null
done_phase "Configure"

phase "Build"
cmake --build "$BUILD" -j"$((JOBS + 1))"
done_phase "Build"

phase "Tests"
export QT_QPA_PLATFORM=offscreen
status=0
(cd "$BUILD" && ctest --output-on-failure -j"$JOBS") || status=$?
done_phase "Tests"
echo "== All phases took $((SECONDS - total_start)) s"
exit $status
