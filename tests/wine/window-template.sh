#!/usr/bin/env bash
# Window-test fixture: makes the template prefix of the window tests once per build folder, with
# Wine's X11 display driver, unmanaged windows (no window manager to wait for) and nothing else
# of the null-driver prefix. Each window test runs in a hard-linked copy of it.
set -eu
run="$1"        # the build's wine-run script
template="$2"   # the template prefix
eval "$(grep '^export' "$run")"
# The loader itself: wine-run would put its own prefix back.
loader="$(sed -n 's/^exec \(.*\) "\$@"$/\1/p' "$run")"
export WINEPREFIX="$template"
if [ ! -f "$template/system.reg" ]; then
    rm -rf "$template"
    "$loader" wineboot -i </dev/null >/dev/null 2>&1
    "$loader" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f </dev/null >/dev/null 2>&1
    "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
    wineserver -w
fi
exit 0
