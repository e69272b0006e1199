#!/usr/bin/env bash
# Sets up the machine, builds the programs and runs them under Wine: infstager stages the sample
# driver INFs, shows what was recorded and removes one again by name; then setup runs quietly on
# the sample distribution (samples/distribution, laid out in the build's bin/sample folder) and
# its log and exit code are shown.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$src/build}

bash "$src/scripts/install-deps.sh"
cmake -S "$src" -B "$build" -DVELMO_TARGET_ARCH="${VELMO_TARGET_ARCH:-x86_64}" >/dev/null
cmake --build "$build" -j "$(nproc)" --target infstager setup sample_distribution keepalive
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

echo
sample="$build/bin/sample"
root=$("$run" winepath -w "$sample")
setup=$("$run" winepath -w "$build/bin/setup.exe")
rm -f "$sample/setup-sample.log"
echo "== setup /qn /acceptlicenses yes /root $root"
set +e
"$run" "$setup" /qn /acceptlicenses yes /root "$root"
status=$?
set -e
# A Unix shell sees only the low 8 bits of the exit code; the log holds the whole story.
echo "== log ($sample/setup-sample.log, named by the sample's [Debug] Logging)"
if [ -f "$sample/setup-sample.log" ]; then
    iconv -f UTF-16 -t UTF-8 "$sample/setup-sample.log" | tr -d '\r'
else
    echo "(no log written)"
fi
echo "== exit code: low byte $status (minus the code of the error that ended the run)"
echo "The start-up reads the configuration and its page records, takes the mutex, opens the log,"
echo "checks the operating system, the rights and the Windows Installer engine; the run stops at"
echo "the first step that is not built yet, whose error the log names."
