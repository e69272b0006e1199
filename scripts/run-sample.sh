#!/usr/bin/env bash
# Sets up the machine, builds the programs and runs infstager on the sample INF folder under Wine:
# stages the sample driver INFs, shows what was recorded, then removes one again by name.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$src/build}

bash "$src/scripts/install-deps.sh"
cmake -S "$src" -B "$build" -DVELMO_TARGET_ARCH="${VELMO_TARGET_ARCH:-x86_64}" >/dev/null
cmake --build "$build" -j "$(nproc)" --target infstager keepalive
run="$build/wine-run"
eval "$(grep '^export' "$run")"
bash "$src/tests/wine/start.sh" "$run" "$build/bin/keepalive.exe"
trap 'bash "$src/tests/wine/stop.sh" "$run"' EXIT

key='HKLM\SOFTWARE\Zekova Systems\ZK-TARN\Signed INFs'
samples=$("$run" winepath -w "$src/samples/infs")
infstager=$("$run" winepath -w "$build/bin/infstager.exe")

echo "== infstager installINFs $samples\\"
"$run" "$infstager" installINFs "$samples\\"
echo "== recorded under $key"
"$run" reg query "$key" | tr -d '\r' | grep -i 'REG_SZ' || echo "(nothing recorded)"
echo "== staged in the INF store"
ls "$WINEPREFIX/drive_c/windows/inf" | grep -i velmo_sample || true
echo "== infstager velmo_sample_b.inf (removal by name)"
"$run" "$infstager" velmo_sample_b.inf
"$run" reg query "$key" | tr -d '\r' | grep -i 'REG_SZ' || echo "(nothing recorded)"
ls "$WINEPREFIX/drive_c/windows/inf" | grep -i velmo_sample || true
