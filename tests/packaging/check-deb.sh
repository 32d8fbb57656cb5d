#!/bin/sh
# Builds the Debian package from a configured and built tree, unpacks it and
# checks what a user's system would receive.
#   check-deb.sh BUILD_DIR SCRATCH_DIR APP_ID VERSION UDEV_RULE UDEV_RULES_DIR "ICON_SIZES"
set -eu

build=$1 scratch=$2 app_id=$3 version=$4 udev_rule=$5 udev_dir=$6 icon_sizes=$7
match_line='SUBSYSTEM=="hidraw", KERNELS=="0003:0000:0001.*", TAG+="uaccess"'

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
# Reports a group of checks as passed only when none of them failed.
section_failures=0
begin() { section_failures=$failures; }
pass() { [ "$failures" -ne "$section_failures" ] || echo "ok: $*"; }

rm -rf "$scratch"
mkdir -p "$scratch/out" "$scratch/root" "$scratch/control" "$scratch/bin"

arch=$(dpkg --print-architecture)
deb="$scratch/out/tyrescope_${version}_${arch}.deb"

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log" >&2
    echo "FAIL: cpack could not build the package (is the tyrescope target built?)" >&2
    exit 1
fi
if [ ! -f "$deb" ]; then
    echo "FAIL: expected $deb; cpack made:" >&2
    ls "$scratch/out" >&2
    exit 1
fi
pass "package $(basename "$deb")"

dpkg-deb -x "$deb" "$scratch/root"
dpkg-deb -e "$deb" "$scratch/control"
root=$scratch/root

# Control fields
field() { dpkg-deb -f "$deb" "$1"; }
begin
[ "$(field Package)" = tyrescope ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Section)" ] || fail "no Section"
depends=$(field Depends)
echo "Depends: $depends"
# Depends is a comma-separated list; compare package names, not substrings.
depends_on() {
    echo "$depends" | tr ',' '\n' | sed 's/^ *//; s/[ (].*//' | grep -Eqx "$1"
}
depends_on 'fonts-liberation' || fail "Depends lacks fonts-liberation"
depends_on 'libqt6[a-z]*6(t64)?' || fail "Depends lacks a libqt6 library (shlibdeps not run?)"
depends_on 'libhidapi-hidraw0' || fail "Depends lacks libhidapi-hidraw0"
pass "control fields"

# Binary
bin=$root/usr/bin/tyrescope
begin
if [ -x "$bin" ] && file -b "$bin" | grep -q '^ELF .* executable'; then
    pass "usr/bin/tyrescope is an ELF executable"
else
    fail "usr/bin/tyrescope missing or not an ELF executable"
fi

# Desktop entry
begin
desktop=$root/usr/share/applications/$app_id.desktop
if [ -f "$desktop" ]; then
    # Hints and warnings count too: they are what a packager's lint reports.
    if ! out=$(desktop-file-validate "$desktop" 2>&1) || [ -n "$out" ]; then
        fail "desktop-file-validate: $out"
    fi
    grep -qx "Icon=$app_id" "$desktop" || fail "desktop entry does not name the icon $app_id"
    exec_bin=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
    [ -x "$root/usr/bin/$exec_bin" ] || fail "Exec=$exec_bin is not in the package's usr/bin"
    pass "desktop entry $app_id.desktop"
else
    fail "no desktop entry usr/share/applications/$app_id.desktop"
fi

# Icons: one per size, and each really is that size.
for n in $icon_sizes; do
    begin
    icon=$root/usr/share/icons/hicolor/${n}x${n}/apps/$app_id.png
    if [ ! -f "$icon" ]; then
        fail "no ${n}x${n} icon"
    elif ! file -b "$icon" | grep -q "^PNG image data, $n x $n,"; then
        fail "${n}x${n} icon is $(file -b "$icon")"
    else
        pass "${n}x${n} icon"
    fi
done

# AppStream metainfo, alone and together with the desktop entry it launches.
begin
metainfo=$root/usr/share/metainfo/$app_id.metainfo.xml
if [ -f "$metainfo" ]; then
    out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $out"
    grep -q "<id>$app_id</id>" "$metainfo" || fail "metainfo id is not $app_id"
    grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
        fail "metainfo does not launch $app_id.desktop"
    out=$(appstreamcli validate-tree --no-net "$root" 2>&1) || fail "appstreamcli validate-tree: $out"
    pass "metainfo $app_id.metainfo.xml"
else
    fail "no metainfo usr/share/metainfo/$app_id.metainfo.xml"
fi

# udev rule: the exact match line, in a file that sorts before
# 73-seat-late.rules, where udev turns the uaccess tag into an ACL.
begin
rule=$root/usr/$udev_dir/$udev_rule
if [ -f "$rule" ]; then
    grep -qxF "$match_line" "$rule" || fail "$udev_rule lacks the line $match_line"
    first=$(printf '%s\n' "$udev_rule" 73-seat-late.rules | LC_ALL=C sort | head -n 1)
    [ "$first" = "$udev_rule" ] || fail "$udev_rule sorts after 73-seat-late.rules"
    pass "udev rule usr/$udev_dir/$udev_rule"
else
    fail "no udev rule usr/$udev_dir/$udev_rule"
fi

# Maintainer scripts: present, executable, and they never fail the install or
# the removal, whether udevadm is missing or fails.
cat >"$scratch/bin/udevadm" <<'EOF'
#!/bin/sh
exit 1
EOF
chmod +x "$scratch/bin/udevadm"
for script in postinst postrm; do
    begin
    s=$scratch/control/$script
    if [ ! -x "$s" ]; then
        fail "no executable $script"
        continue
    fi
    for action in configure remove purge upgrade; do
        PATH=/nonexistent /bin/sh "$s" "$action" || fail "$script $action fails without udevadm"
        PATH="$scratch/bin:/usr/bin:/bin" /bin/sh "$s" "$action" ||
            fail "$script $action fails when udevadm fails"
    done
    pass "$script"
done

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed; the unpacked package is in $root" >&2
    exit 1
fi
echo "all package checks passed"
