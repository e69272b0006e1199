#!/usr/bin/env bash
# Test fixture clean-up: ends every process of the test prefix and its wineserver.
set -u
eval "$(grep '^export' "$1")"
wineserver -k </dev/null >/dev/null 2>&1
wineserver -w </dev/null >/dev/null 2>&1
exit 0
