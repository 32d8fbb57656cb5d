#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs the Windows build's tests (CTest label `windows`, build/windows) under Wine on a
# virtual X display of their own, and waits for Wine's server to end with them. The
# Wine prefix is build/windows/wine (tests/windows/wine-run.sh makes it), never ~/.wine.
#   tests/windows/run-wine-tests.sh [CTEST ARGUMENTS...]
set -eu
cd "$(dirname "$0")/../.."
[ -f build/windows/CTestTestfile.cmake ] ||
  { echo "run-wine-tests: build/windows is not built (scripts/windows builds it)" >&2; exit 1; }
export WINEPREFIX="$PWD/build/windows/wine"
started=$(date +%s)
status=0
xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
  status=0
  ctest --preset windows "$@" || status=$?
  # Wine keeps its server a moment after the last program; the display must outlive it.
  wineserver --wait 2>/dev/null || true
  exit "$status"' sh "$@" || status=$?
echo "run-wine-tests: $(($(date +%s) - started)) s" >&2
exit "$status"
