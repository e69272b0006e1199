#!/usr/bin/env bash
# Runs one window-test program under an X server of its own (Xvfb on a free display chosen by the
# server itself), in its own copy of the window-test prefix with its own wineserver, so that
# window tests run in parallel without sharing a display, a desktop or a foreground window.
# Screenshots go to the folder named by VELMO_SCREENSHOTS (a Windows path).
set -u
run="$1"        # the build's wine-run script
template="$2"   # the template prefix (window-template.sh)
work="$3"       # this test's folder: prefix copy and screenshots
shift 3         # the program and its arguments
eval "$(grep '^export' "$run")"
# The loader itself: wine-run would put its own prefix back.
loader="$(sed -n 's/^exec \(.*\) "\$@"$/\1/p' "$run")"

rm -rf "$work/prefix"
mkdir -p "$work/screenshots"
# Hard links: fast; the registry files are copied, since Wine rewrites them.
cp -al "$template" "$work/prefix"
for f in "$work"/prefix/*.reg; do cp --remove-destination "$(readlink -f "$template/$(basename "$f")")" "$f"; done
export WINEPREFIX="$work/prefix"
export VELMO_SCREENSHOTS="Z:$(printf '%s' "$work/screenshots" | tr / '\\')"

# VELMO_USE_DISPLAY=1: the windows go to the display in DISPLAY (a user's screen) instead.
xvfb=
if [ "${VELMO_USE_DISPLAY:-}" != 1 ]; then
    displayfile="$work/display"
    : > "$displayfile"
    Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp 9>"$displayfile" </dev/null >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 1 100); do
        [ -s "$displayfile" ] && break
        sleep 0.05
    done
    if [ ! -s "$displayfile" ]; then
        kill "$xvfb" 2>/dev/null
        echo "Xvfb did not start" >&2
        exit 1
    fi
    export DISPLAY=":$(head -n1 "$displayfile")"
fi

cleanup() {
    wineserver -k </dev/null >/dev/null 2>&1
    wineserver -w </dev/null >/dev/null 2>&1
    if [ -n "$xvfb" ]; then
        kill "$xvfb" 2>/dev/null
        wait "$xvfb" 2>/dev/null
    fi
    rm -rf "$work/prefix"
}
trap cleanup EXIT

# The wineserver starts detached from CTest's pipes.
wineserver -p </dev/null >/dev/null 2>&1
"$loader" "$@"
status=$?
exit $status
