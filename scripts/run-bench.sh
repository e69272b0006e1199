#!/usr/bin/env bash
# Sets up the machine, builds the benchmarks (tests/bench, in the build type that ships) and runs
# them under Wine, printing one "BENCH <name> key=value ..." line per measurement. Both sides of
# every comparison are measured in the same run. Never part of CI.
#   BUILD_DIR     build folder (default: build-bench beside the sources)
#   BENCH_ROUNDS  rounds of each quiet-install and load comparison (default 3)
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$src/build-bench}
rounds=${BENCH_ROUNDS:-3}

bash "$src/scripts/install-deps.sh"
# The programs are measured as they ship: optimised.
cmake -S "$src" -B "$build" -DVELMO_TARGET_ARCH="${VELMO_TARGET_ARCH:-x86_64}" -DVELMO_BENCH=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "${JOBS:-$(nproc)}" --target feature_bench long_value_bench install_bench load_bench keepalive >/dev/null
run="$build/wine-run"
eval "$(grep '^export' "$run")"
bash "$src/tests/wine/start.sh" "$run" "$build/bin/keepalive.exe"
trap 'bash "$src/tests/wine/stop.sh" "$run"' EXIT

bench="$build/bin/bench"
win() { "$run" winepath -w "$1"; }
"$run" "$build/bin/feature_bench.exe" "$(win "$bench/feature_tree.msi")" | tr -d '\r'
"$run" "$build/bin/long_value_bench.exe" "$(win "$bench/feature_tree.msi")" | tr -d '\r'
"$run" "$build/bin/install_bench.exe" "$(win "$build/bin/setup.exe")" "$rounds" \
    "$(win "$bench/dist1")" "$(win "$bench/dist5")" "$(win "$bench/dist10")" | tr -d '\r'
"$run" "$build/bin/load_bench.exe" "$(win "$build/bin/setup.exe")" "$rounds" \
    "$(win "$bench/load1")" "$(win "$bench/load10")" "$(win "$bench/load30")" | tr -d '\r'
