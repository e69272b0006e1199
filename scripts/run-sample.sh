#!/usr/bin/env bash
# Sets up the machine, builds the programs and runs them under Wine: infstager stages the sample
# driver INFs, shows what was recorded and removes one again by name; then setup runs quietly on
# the sample distribution (samples/distribution, laid out in the build's bin/sample folder) and
# its log and exit code are shown. Last, setup runs with its wizard: on the user's X display to be
# clicked through when there is one, else under Xvfb, driven from Welcome to Finish with a
# screenshot of every page (build/sample-wizard/screenshots).
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$src/build}

bash "$src/scripts/install-deps.sh"
cmake -S "$src" -B "$build" -DVELMO_TARGET_ARCH="${VELMO_TARGET_ARCH:-x86_64}" >/dev/null
cmake --build "$build" -j "$(nproc)" --target infstager setup sample_distribution keepalive wizarddriver
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
specs=$("$run" winepath -w "$src/samples/specs")
# The products of the sample's two parts, as Windows Installer has them registered (under their
# packed product codes).
products="{5A0C7E2E-8F3B-4D1A-9C6E-2B7D4E1F3A21}=E2E7C0A5B3F8A1D4C9E6B2D7E4F1A312
{5A0C7E2E-8F3B-4D1A-9C6E-2B7D4E1F3A31}=E2E7C0A5B3F8A1D4C9E6B2D7E4F1A313"
registered='HKLM\Software\Microsoft\Windows\CurrentVersion\Installer\UserData\S-1-5-18\Products'
show_products() {
    for entry in $products; do
        if "$run" reg query "$registered\\${entry#*=}" >/dev/null 2>&1; then
            echo "   ${entry%%=*} installed"
        else
            echo "   ${entry%%=*} not installed"
        fi
    done
}
# A clean start: the parts' products of an earlier run are removed first.
for entry in $products; do
    "$run" msiexec /x "${entry%%=*}" /qn >/dev/null 2>&1 || true
done
# One quiet run: its command line, its exit code, the parts' products afterwards and the log.
quiet_run() {
    local what=$1
    shift
    rm -f "$sample/setup-sample.log" "$sample/tools/postprocess.log"
    echo "== $what: setup $* /qn /acceptlicenses yes /root $root"
    set +e
    "$run" "$setup" "$@" /qn /acceptlicenses yes /root "$root"
    local status=$?
    set -e
    # A Unix shell sees only the low 8 bits of the exit code; the log's last line has it whole.
    echo "== $what: exit code (low byte) $status"
    show_products
    echo "== $what: log ($sample/setup-sample.log, named by the sample's [Debug] Logging)"
    if [ -f "$sample/setup-sample.log" ]; then
        iconv -f UTF-16 -t UTF-8 "$sample/setup-sample.log" | tr -d '\r' | sed '1s/^\xEF\xBB\xBF//' | grep '^OrbelInstaller' || true
    else
        echo "(no log written)"
    fi
    echo "== $what: the post-processing program's calls, before and after each part ($sample/tools/postprocess.log)"
    if [ -f "$sample/tools/postprocess.log" ]; then
        tr -d '\r' < "$sample/tools/postprocess.log" | sed 's/^/   postprocess.exe /'
    else
        echo "(not started)"
    fi
    echo
}
quiet_run "install" 
quiet_run "change" "$specs\\change.ini"
quiet_run "remove" "$specs\\remove.ini"
echo "Each run loads the distribution (two parts on two volumes: bin/sample and bin/SAMPLE2), runs its"
echo "initialisation and installs, changes or removes the parts through Windows Installer, with the"
echo "sample's post-processing program (tools/postprocess.exe) before and after each part. The logs"
echo "above show setup's own lines; Windows Installer's log follows each part in the same file."

# The wizard, in a prefix of its own with Wine's X11 display driver (a copy of the window tests'
# template). With a usable X display the user clicks through it; otherwise it runs under Xvfb and
# the driver clicks Next and Finish, saving a screenshot of each page. The driver reports setup's
# exit code and the parts' products, and removes them again; the prefix goes afterwards.
display_usable() {
    [ -n "${DISPLAY:-}" ] || return 1
    if command -v xdpyinfo >/dev/null 2>&1; then
        timeout 5 xdpyinfo >/dev/null 2>&1
    else
        # A local display: its server's socket.
        local number=${DISPLAY#*:}
        [ "${DISPLAY%%:*}" = "" ] && [ -S "/tmp/.X11-unix/X${number%%.*}" ]
    fi
}
wizard="$build/sample-wizard"
rm -rf "$wizard"
mkdir -p "$wizard"
bash "$src/tests/wine/window-template.sh" "$run" "$build/wineprefix-x11"
codes=$(for entry in $products; do printf '%s ' "${entry%%=*}"; done)
if display_usable; then
    echo "== wizard: setup /root $root on the display $DISPLAY: click through it"
    mode=(/watch)
    export VELMO_USE_DISPLAY=1
    limit=1900
else
    echo "== wizard: setup /root $root under Xvfb, driven from Welcome to Finish"
    mode=()
    export VELMO_USE_DISPLAY=0
    limit=360
fi
set +e
# shellcheck disable=SC2086
timeout -k 10 "$limit" bash "$src/tests/wine/window-run.sh" "$run" "$build/wineprefix-x11" "$wizard" \
    "$build/bin/wizarddriver.exe" "$setup" "$root" "${mode[@]}" $codes | tr -d '\r' | sed 's/^/   /'
status=${PIPESTATUS[0]}
set -e
[ "$status" -eq 124 ] && echo "   (stopped after $limit s)"
echo "== wizard: screenshots"
ls "$wizard"/screenshots/*.png 2>/dev/null | sed 's/^/   /' || echo "   (none)"
[ "$status" -eq 0 ] && echo "== wizard: done" || echo "== wizard: failed (driver status $status)"
