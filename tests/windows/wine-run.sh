#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs a program of the Windows build under Wine: CTest's tests and the build's own
# steps (cmake/windows.cmake makes this the cross-compiling emulator).
#   wine-run.sh PREFIX QT PROGRAM [ARGUMENTS...]
# PREFIX is the Wine prefix, inside the build folder so the user's ~/.wine is left
# alone; it is made on first use. QT is the Qt scripts/windows built, whose DLLs and
# plugins the program finds through WINEPATH and QT_PLUGIN_PATH, as it finds mingw-w64's. Wine has no Arial:
# Liberation Sans, metrically the same, takes its place, as fontconfig has it on
# Linux, both for Windows' own font lookup and for the offscreen platform, which
# reads its fonts from QT_QPA_FONTDIR. ClearType is on, as Windows has it unless told
# otherwise (with Wine's own default, thin strokes of small letters go missing).
set -eu
prefix=$1 qt=$2
shift 2
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer prompts while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="
fonts=/usr/share/fonts/truetype/liberation

ready="$prefix/.tyrescope-ready-2"
if [ ! -f "$ready" ]; then
  mkdir -p "$prefix"
  (
    flock 9
    if [ ! -f "$ready" ]; then
      wineboot --init >/dev/null 2>&1
      cp "$fonts"/LiberationSans-*.ttf "$prefix/drive_c/windows/Fonts/"
      wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans' /f \
        >/dev/null 2>&1
      wine reg add 'HKCU\Control Panel\Desktop' /v FontSmoothing /d 2 /f >/dev/null 2>&1
      wine reg add 'HKCU\Control Panel\Desktop' /v FontSmoothingType /t REG_DWORD /d 2 /f \
        >/dev/null 2>&1
      wineserver --wait
      touch "$ready"
    fi
  ) 9>"$prefix.lock"
fi

# mingw-w64's C++, gcc and thread runtimes, wherever the compiler keeps them.
runtimes=""
for dll in libstdc++-6.dll libwinpthread-1.dll; do
  runtimes="$runtimes;Z:$(dirname "$(realpath "$(x86_64-w64-mingw32-g++-posix -print-file-name=$dll)")")"
done
export WINEPATH="Z:$qt/bin$runtimes"
export QT_PLUGIN_PATH="Z:$qt/plugins"
export QT_QPA_FONTDIR="${QT_QPA_FONTDIR:-Z:$fonts}"
# Qt on Windows sends messages, and QtTest its results, to the debugger unless told to
# write them out as on Linux.
export QT_FORCE_STDERR_LOGGING=1
# Wine keeps the QT_ variables of Linux's Qt from Windows programs: it hands on only
# those spelt WINEQT_, without the WINE.
for name in $(env | sed -n 's/^\(QT_[A-Za-z0-9_]*\)=.*/\1/p'); do
  eval "export WINE$name=\"\$$name\""
done
exec wine "$@"
