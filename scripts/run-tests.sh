#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test under Wine.
#   BUILD_DIR   build folder (default: build beside the sources)
#   JOBS        parallel build and test jobs (default: number of cores)
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$src/build}
jobs=${JOBS:-$(nproc)}

bash "$src/scripts/install-deps.sh"
cmake -S "$src" -B "$build" -DVELMO_TARGET_ARCH="${VELMO_TARGET_ARCH:-x86_64}" >/dev/null
cmake --build "$build" -j "$jobs"
# The 32-bit programs as shipped are built too, so that the i686 build never breaks unseen.
if [ "${VELMO_TARGET_ARCH:-x86_64}" != i686 ]; then
    cmake -S "$src" -B "$build-i686" -DVELMO_TARGET_ARCH=i686 >/dev/null
    cmake --build "$build-i686" -j "$jobs" --target setup infstager zksysinfo postprocess
fi
cd "$build"
ctest --output-on-failure --no-tests=error -j "$jobs"
