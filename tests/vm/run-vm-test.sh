#!/bin/sh
# SPDX-License-Identifier: MIT
# usage: run-vm-test.sh TEST_BINARY [FILE[=DIR]...] [-- TEST_ARGS...]
#
# Boots Debian's own kernel under qemu (TCG, no KVM needed) with a throw-away
# initramfs that holds busybox, the hid, hid-generic and uhid modules,
# TEST_BINARY, the FILEs (for instance the receiver emulator) and all their
# shared libraries, plus Qt's offscreen platform plugin and one font family.
# TEST_BINARY runs as the guest's only program, as root, with /dev/uhid; its
# exit status comes back through the sentinel line "TYRESCOPE-VM-RESULT rc=N"
# on the serial console and becomes this script's exit status.
#
# Environment: TYRESCOPE_VM_CACHE (kernel cache, default
# ~/.cache/tyrescope-vm), TYRESCOPE_VM_WORKDIR (initramfs and console log,
# default a temporary folder), TYRESCOPE_VM_TIMEOUT (seconds, default 300).
set -eu

[ $# -ge 1 ] || { echo "usage: $0 TEST_BINARY [FILE...] [-- TEST_ARGS...]" >&2; exit 2; }
TEST=$1; shift
FILES=""
while [ $# -gt 0 ] && [ "$1" != "--" ]; do FILES="$FILES $1"; shift; done
[ "${1:-}" = "--" ] && shift
TEST_ARGS="$*"

HERE=$(cd "$(dirname "$0")" && pwd)
"$HERE/install-vm-deps.sh"

CACHE=${TYRESCOPE_VM_CACHE:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/tyrescope-vm}
TIMEOUT=${TYRESCOPE_VM_TIMEOUT:-300}
mkdir -p "$CACHE"

# 1. The kernel and three modules, extracted (not installed) from the package
#    that linux-image-amd64 depends on now. The exact name matters: a glob
#    would fetch every kernel flavour, about 1 GB. apt's words are read, so it
#    must not translate them.
kernel_package() {
  LC_ALL=C apt-cache depends linux-image-amd64 2>/dev/null |
    awk '/Depends: linux-image-[0-9]/{print $2; exit}'
}
KPKG=$(kernel_package)
if [ -z "$KPKG" ]; then
  apt-get update -qq >/dev/null
  KPKG=$(kernel_package)
fi
[ -n "$KPKG" ] || { echo "cannot resolve the kernel package of linux-image-amd64" >&2; exit 2; }
KDIR="$CACHE/$KPKG"
if [ ! -f "$KDIR/.complete" ]; then
  echo "fetching $KPKG into $CACHE"
  rm -rf "$KDIR"; mkdir -p "$KDIR"
  (cd "$KDIR" && apt-get -o APT::Sandbox::User=root download "$KPKG" >/dev/null)
  dpkg-deb --fsys-tarfile "$KDIR/${KPKG}"_*.deb | tar -x -C "$KDIR" \
    --wildcards './boot/vmlinuz-*' \
    './lib/modules/*/kernel/drivers/hid/hid.ko' \
    './lib/modules/*/kernel/drivers/hid/hid-generic.ko' \
    './lib/modules/*/kernel/drivers/hid/uhid.ko'
  rm -f "$KDIR/${KPKG}"_*.deb
  touch "$KDIR/.complete"
fi
VMLINUZ=$(ls "$KDIR"/boot/vmlinuz-*)

# 2. The initramfs.
if [ -n "${TYRESCOPE_VM_WORKDIR:-}" ]; then
  WORK=$TYRESCOPE_VM_WORKDIR; mkdir -p "$WORK"
else
  WORK=$(mktemp -d); trap 'rm -rf "$WORK"' EXIT
fi
R="$WORK/root"
rm -rf "$R"
mkdir -p "$R/bin" "$R/proc" "$R/sys" "$R/dev" "$R/tmp" "$R/t" "$R/lib/modules" \
  "$R/t/plugins/platforms" "$R/t/fonts" "$R/etc/fonts"
cp /bin/busybox "$R/bin/"
for a in sh mount insmod poweroff sleep cat; do ln -sf busybox "$R/bin/$a"; done
cp "$KDIR"/lib/modules/*/kernel/drivers/hid/*.ko "$R/lib/modules/"

copy_with_libs() { # FILE DEST_DIR
  cp "$1" "$2/"
  ldd "$1" 2>/dev/null | awk '/=> \//{print $3} /^[ \t]*\/lib/{print $1}' |
    while read -r l; do
      mkdir -p "$R$(dirname "$l")"
      [ -e "$R$l" ] || cp -L "$l" "$R$l"
    done
}
copy_with_libs "$TEST" "$R/t"
# FILE=DIR puts a file in DIR, relative to the program's folder, such as a
# module the program loads from a path relative to itself.
for f in $FILES; do
  case "$f" in
    *=*) mkdir -p "$R/t/${f#*=}"; copy_with_libs "${f%%=*}" "$R/t/${f#*=}" ;;
    *) copy_with_libs "$f" "$R/t" ;;
  esac
done

# Qt's offscreen platform and one font family, for widget tests.
QT_PLUGINS=$(qtpaths6 --query QT_INSTALL_PLUGINS 2>/dev/null || echo /usr/lib/x86_64-linux-gnu/qt6/plugins)
if [ -f "$QT_PLUGINS/platforms/libqoffscreen.so" ]; then
  copy_with_libs "$QT_PLUGINS/platforms/libqoffscreen.so" "$R/t/plugins/platforms"
fi
for d in /usr/share/fonts/truetype/liberation /usr/share/fonts/truetype/dejavu; do
  [ -d "$d" ] && cp "$d"/*.ttf "$R/t/fonts/" && break
done
cat > "$R/etc/fonts/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig><dir>/t/fonts</dir><cachedir>/tmp/fontconfig</cachedir></fontconfig>
CONF

cat > "$R/init" <<INIT
#!/bin/sh
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp
insmod /lib/modules/hid.ko && insmod /lib/modules/hid-generic.ko && insmod /lib/modules/uhid.ko
cd /t
export HOME=/tmp XDG_RUNTIME_DIR=/tmp QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH=/t/plugins
export FONTCONFIG_FILE=/etc/fonts/fonts.conf QT_QPA_FONTDIR=/t/fonts
./$(basename "$TEST") $TEST_ARGS; RC=\$?
echo "TYRESCOPE-VM-RESULT rc=\$RC"
poweroff -f
INIT
chmod +x "$R/init"
(cd "$R" && find . | cpio -o -H newc --quiet | gzip -1) > "$WORK/initrd.gz"

# 3. Boot. The kernel console and the test's output come back on the serial
#    line; a hung guest is ended by the timeout and fails for want of a result.
LOG="$WORK/console.log"
timeout "$TIMEOUT" qemu-system-x86_64 -accel tcg -smp 2 -m 1024 -nographic \
  -no-reboot -net none -kernel "$VMLINUZ" -initrd "$WORK/initrd.gz" \
  -append "console=ttyS0 quiet panic=-1" </dev/null | tr -d '\r' | tee "$LOG" |
  sed 's/\x1b\[[0-9;?]*[A-Za-z]//g; s/\x1bc//g' |
  grep -av -e SeaBIOS -e iPXE -e 'Booting from' -e '^$' || true
RC=$(sed -n 's/^TYRESCOPE-VM-RESULT rc=\([0-9]*\).*/\1/p' "$LOG")
[ -n "$RC" ] || { echo "the guest reported no result (boot failure or timeout after ${TIMEOUT}s)"; exit 2; }
exit "$RC"
