#!/usr/bin/env bash
# Test fixture: makes the prefix when it is missing, then keeps one wineserver and one
# desktop alive for the whole run, detached from CTest's pipes (otherwise every test waits for
# Wine's services to close them, and every GUI test starts and stops a desktop of its own).
set -eu
run="$1"          # the build's wine-run script
keepalive="$2"    # the idle GUI program
eval "$(grep '^export' "$run")"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$run" wineboot -i </dev/null >/dev/null 2>&1
    # Windows, dialogs and message boxes run on the null display driver: no X server needed.
    "$run" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
    wineserver -w
fi
wineserver -p </dev/null >/dev/null 2>&1 || true
setsid "$run" "$keepalive" </dev/null >/dev/null 2>&1 &
# Wait until the desktop exists, so the first test does not pay for it.
for _ in $(seq 1 100); do
    pgrep -f 'explorer.exe /desktop' >/dev/null 2>&1 && break
    sleep 0.1
done
exit 0
