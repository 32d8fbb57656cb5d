#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs the Debian packages that the guest test needs, only when missing.
# Kept apart from scripts/deps: only the guest test needs qemu.
set -eu
missing=""
for p in qemu-system-x86 busybox-static cpio; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing missing packages:$missing"
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
$SUDO apt-get update -qq
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
