#!/bin/sh
# SPDX-License-Identifier: MIT
# Compares the window under Wine with the window on Linux, each on a virtual display of
# its own: the programs as `tyrescope --simulate` opens them, grabbed from the screen,
# and window_screenshot's picture of the same window in each build, with where each
# control is. Every control must be in the same place, and everything but the controls
# that show text equal pixel for pixel; window_compare (tests/ui) says how much the
# text differs. Needs build/dev and build/windows (scripts/windows makes both).
#   tests/windows/compare-window.sh [FOLDER]   the pictures go to FOLDER (build/windows/window)
set -eu
cd "$(dirname "$0")/../.."
tools=build/dev/tests
display() { xvfb-run -a -s "-screen 0 1280x1024x24 -br" "$@"; }

if [ "${1:-}" = --shoot ]; then
  # Inside xvfb-run: shows the program, waits until its whole window is on the screen
  # (found as the only thing not black), grabs the screen and ends the program.
  shot=$2 controls=$3
  shift 3
  XDG_RUNTIME_DIR=$(mktemp -d) "$@" --simulate >"$shot.log" 2>&1 &
  program=$!
  tries=0
  until [ $tries -ge 120 ] ||
    "$tools/ui/window_compare" "$shot" "$controls" "$shot" "$controls" "$shot" >/dev/null 2>&1; do
    sleep 0.5
    QT_QPA_PLATFORM=xcb "$tools/app/screen_grab" "$shot"
    tries=$((tries + 1))
  done
  sleep 1 # the first paint done
  QT_QPA_PLATFORM=xcb "$tools/app/screen_grab" "$shot"
  rm -f "$shot-side-by-side.png" "$shot-difference.png"
  kill "$program"
  wait "$program" || true
  exit 0
fi

out=${1:-build/windows/window}
mkdir -p "$out"
qt=$(sed -n 's/^TYRESCOPE_WINDOWS_QT:[A-Z]*=//p' build/windows/CMakeCache.txt 2>/dev/null || true)
[ -d "$qt" ] || {
  echo "compare-window: build/windows is not configured (scripts/windows does it)" >&2
  exit 1
}
[ -f build/dev/build.ninja ] || cmake --preset dev >/dev/null
cmake --build --preset dev --target tyrescope screen_grab window_screenshot window_compare >/dev/null
cmake --build --preset windows --target tyrescope window_screenshot >/dev/null
export WINEPREFIX="$PWD/build/windows/wine"
wine="tests/windows/wine-run.sh $WINEPREFIX $qt"
unset QT_QPA_PLATFORM # Wine's programs on the display, through Windows' own platform

display env QT_QPA_PLATFORM=xcb "$tools/ui/window_screenshot" --simulate \
  "$out/linux-window.png" "$out/linux-controls.txt"
display sh -c "$wine build/windows/window_screenshot.exe --simulate \
  '$out/wine-window.png' '$out/wine-controls.txt'; wineserver --wait"
display "$0" --shoot "$out/linux-screen.png" "$out/linux-controls.txt" \
  env QT_QPA_PLATFORM=xcb build/dev/app/tyrescope
display sh -c "'$0' --shoot '$out/wine-screen.png' '$out/linux-controls.txt' \
  $wine build/windows/Tyrescope.exe; wineserver --wait"

status=0
echo "== window_screenshot's pictures (linux-window.png, wine-window.png)"
"$tools/ui/window_compare" "$out/linux-window.png" "$out/linux-controls.txt" \
  "$out/wine-window.png" "$out/wine-controls.txt" "$out/window" || status=1
echo "== the programs on the screen (linux-screen.png, wine-screen.png)"
"$tools/ui/window_compare" "$out/linux-screen.png" "$out/linux-controls.txt" \
  "$out/wine-screen.png" "$out/wine-controls.txt" "$out/screen" || status=1
echo "compare-window: the pictures are in $out" >&2
exit "$status"
