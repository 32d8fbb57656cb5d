#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs a program of the Windows build under Wine: CTest's tests and the build's own
# steps (cmake/windows.cmake makes this the cross-compiling emulator).
#   wine-run.sh PREFIX QT PROGRAM [ARGUMENTS...]
# PREFIX is the Wine prefix, inside the build folder so the user's ~/.wine is left
# alone; it is made on first use. QT is the Qt scripts/windows built, whose DLLs and
# plugins the program finds through WINEPATH and QT_PLUGIN_PATH. Wine has no Arial:
# Liberation Sans, metrically the same, takes its place, as fontconfig has it on
# Linux, both for Windows' own font lookup and for the offscreen platform, which
# reads its fonts from QT_QPA_FONTDIR.
set -eu
prefix=$1 qt=$2
shift 2
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer prompts while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="
fonts=/usr/share/fonts/truetype/liberation

if [ ! -f "$prefix/.tyrescope-ready" ]; then
  mkdir -p "$prefix"
  (
    flock 9
    if [ ! -f "$prefix/.tyrescope-ready" ]; then
      wineboot --init >/dev/null 2>&1
      cp "$fonts"/LiberationSans-*.ttf "$prefix/drive_c/windows/Fonts/"
      wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans' /f \
        >/dev/null 2>&1
      wineserver --wait
      touch "$prefix/.tyrescope-ready"
    fi
  ) 9>"$prefix.lock"
fi

export WINEPATH="Z:$qt/bin"
export QT_PLUGIN_PATH="Z:$qt/plugins"
export QT_QPA_FONTDIR="${QT_QPA_FONTDIR:-Z:$fonts}"
exec wine "$@"
