#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the Debian package from a configured and built tree, unpacks it and
# checks what a user's system would receive. HARDENED is ON for a tree built
# with TYRESCOPE_HARDENING (the release preset), whose binary must show it.
#   check-deb.sh BUILD_DIR SCRATCH_DIR APP_ID VERSION UDEV_RULE UDEV_RULES_DIR "ICON_SIZES" HARDENED
set -eu

build=$1 scratch=$2 app_id=$3 version=$4 udev_rule=$5 udev_dir=$6 icon_sizes=$7 hardened=$8
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
ddeb="$scratch/out/tyrescope-dbgsym_${version}_${arch}.ddeb"

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
depends_on 'libjs-dygraphs' || fail "Depends lacks libjs-dygraphs, which --report inlines"
depends_on 'libqt6[a-z]*6(t64)?' || fail "Depends lacks a libqt6 library (shlibdeps not run?)"
depends_on 'libhidapi-hidraw0' || fail "Depends lacks libhidapi-hidraw0"
pass "control fields"

# Binary: stripped, its debug symbols in the -dbgsym package under its build id.
bin=$root/usr/bin/tyrescope
begin
if [ -x "$bin" ] && file -b "$bin" | grep -q '^ELF .* executable'; then
    file -b "$bin" | grep -q ', stripped' || fail "usr/bin/tyrescope is not stripped"
    ! readelf -SW "$bin" | grep -qF ' .comment ' || fail "usr/bin/tyrescope keeps .comment"
    build_id=$(readelf -n "$bin" | sed -n 's/^ *Build ID: *//p')
    debug_file=usr/lib/debug/.build-id/$(echo "$build_id" | cut -c1-2)/$(echo "$build_id" | cut -c3-).debug
    if [ -z "$build_id" ]; then
        fail "usr/bin/tyrescope has no build id"
    elif [ ! -f "$ddeb" ]; then
        fail "no debug symbols package $(basename "$ddeb")"
    else
        dpkg-deb -x "$ddeb" "$scratch/dbgsym"
        [ -f "$scratch/dbgsym/$debug_file" ] || fail "$(basename "$ddeb") lacks $debug_file"
        [ "$(dpkg-deb -f "$ddeb" Depends)" = "tyrescope (= $version)" ] ||
            fail "$(basename "$ddeb") depends on '$(dpkg-deb -f "$ddeb" Depends)'"
    fi
    pass "usr/bin/tyrescope is a stripped ELF executable, debug symbols in $(basename "$ddeb")"
else
    fail "usr/bin/tyrescope missing or not an ELF executable"
fi

# Hardening, as Debian's build flags give it: immediate binding and a read-only
# relocation segment, libc calls checked where the size is known, stack canaries.
begin
if [ "$hardened" = ON ]; then
    readelf -dW "$bin" | grep -Eq '\((FLAGS|FLAGS_1)\).*[ :](BIND_NOW|NOW)( |$)' ||
        fail "no BIND_NOW in the dynamic section (linked without -z now)"
    readelf -lW "$bin" | grep -q GNU_RELRO || fail "no GNU_RELRO segment (linked without -z relro)"
    readelf --dyn-syms -W "$bin" | grep -Eq ' __[a-z_]+_chk(@|$)' ||
        fail "no fortified libc calls (__*_chk; built without _FORTIFY_SOURCE?)"
    readelf --dyn-syms -W "$bin" | grep -q ' __stack_chk_fail' ||
        fail "no stack protector (__stack_chk_fail)"
    pass "hardening: BIND_NOW, RELRO, fortified calls, stack protector"
else
    echo "skipped: hardening checks (this tree is built without TYRESCOPE_HARDENING; ctest --preset release checks them)"
fi

# Run paths: the loader reads an empty or relative entry from the folder the
# program is started in, so neither the installed program nor one of the build
# tree may hold such an entry (CMake pads a built program's run path with
# empty ones to make room for an install run path).
begin
programs=0
# Copies staged for the virtual machine's test are that test's, and may be a build old.
for program in "$bin" $(find "$build" -path '*/vm-work' -prune -o -type f -perm -u+x -print); do
    readelf -h "$program" >/dev/null 2>&1 || continue
    programs=$((programs + 1))
    readelf -dW "$program" | sed -n 's/.*(R\(UN\)\{0,1\}PATH).*\[\(.*\)\]$/\2/p' | tr ':' '\n' |
        grep -qvE '^(/|\$ORIGIN(/|$)|\$\{ORIGIN\}(/|$))' &&
        fail "${program#"$build"/} looks for libraries in the current folder:" \
            "$(readelf -dW "$program" | grep -E '\(R(UN)?PATH\)')"
done
pass "no run path of $programs programs looks in the current folder"

# The modes without a window load no GUI library, and without a results store
# no Qt SQL: the window and the store are modules of their own, loaded only
# when a run needs them.
begin
for mode in "--read --simulate --format json" "--list-devices --simulate" "--help" "--version" \
    "--no-such-option" "--report /nonexistent/r.html --log /dev/null"; do
    # shellcheck disable=SC2086
    unneeded=$(LD_DEBUG=files "$bin" $mode 2>&1 >/dev/null |
        grep -o 'libQt6\(Widgets\|Gui\|Sql\)[^ ]*' | sort -u)
    [ -z "$unneeded" ] || fail "tyrescope $mode loads $(echo $unneeded)"
done
for module in tyrescope-window.so tyrescope-store.so; do
    [ -n "$(find "$root/usr/lib" -path "*/tyrescope/$module")" ] ||
        fail "the package lacks the module $module"
done
pass "the modes without a window load no GUI library, those without a store no Qt SQL"

# Debian's own checker, on both packages: no error and no warning; no hardening
# tag either where the tree is hardened.
begin
lintian_out=$(lintian --pedantic -I --fail-on none "$deb" "$ddeb" 2>&1) ||
    fail "lintian could not check the package: $lintian_out"
echo "$lintian_out" | sed 's/^/lintian: /'
echo "$lintian_out" | grep -E '^[EW]: ' >&2 && fail "lintian reports errors or warnings"
if [ "$hardened" = ON ] && echo "$lintian_out" | grep -E ' hardening-' >&2; then
    fail "lintian reports missing hardening"
fi
pass "lintian"

# Documents: licence, changelog and manual page where Debian's tools put them,
# the changelog's and the metainfo's newest entries naming this version.
doc=$root/usr/share/doc/tyrescope
begin
head -n 1 "$doc/copyright" 2>/dev/null |
    grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "usr/share/doc/tyrescope/copyright is missing or not in the machine-readable format"
changelog_top=$(gzip -dc "$doc/changelog.gz" 2>/dev/null | head -n 1)
echo "$changelog_top" | grep -q "^tyrescope ($version) " ||
    fail "changelog.gz starts with '$changelog_top', not version $version"
pass "copyright and changelog.gz"

begin
man=$root/usr/share/man/man1/tyrescope.1.gz
if [ -f "$man" ]; then
    gzip -t "$man" || fail "tyrescope.1.gz is not gzip-compressed"
    LC_ALL=C MANWIDTH=80 man --warnings -l "$man" >"$scratch/man.txt" 2>"$scratch/man.err" ||
        fail "man -l cannot render tyrescope.1.gz: $(cat "$scratch/man.err")"
    [ ! -s "$scratch/man.err" ] || fail "man -l warns: $(cat "$scratch/man.err")"
    man_text=$(col -b <"$scratch/man.txt")
    echo "$man_text" | grep -q '^EXIT STATUS' || fail "the manual page has no EXIT STATUS"
    # Every exit status --help gives, under EXIT STATUS.
    statuses=$(echo "$man_text" | sed -n '/^EXIT STATUS/,/^[A-Z]/p')
    for status in $("$bin" --help | sed -n 's/^ \{2,4\}\([0-9]\{1,3\}\)  .*/\1/p'); do
        echo "$statuses" | grep -Eq "(^ +|, )$status([ ,]|$)" ||
            fail "the manual page's EXIT STATUS leaves out $status"
    done
    # Every option --help prints, long or short, as a whole word of the page.
    options=$("$bin" --help | sed -n 's/^ \{1,\}\(-[^ ].*\)$/\1/p' | sed 's/  .*//' |
        grep -oE '(^|[ ,])--?[A-Za-z0-9][A-Za-z0-9-]*' | tr -d ' ,')
    [ -n "$options" ] || fail "found no options in tyrescope --help"
    for option in $options; do
        echo "$man_text" | grep -Eq -- "(^|[^A-Za-z0-9-])$option([^A-Za-z0-9-]|$)" ||
            fail "the manual page does not document $option"
    done
    pass "manual page tyrescope(1) documents $(echo "$options" | tr "\n" " ")"
else
    fail "no manual page usr/share/man/man1/tyrescope.1.gz"
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
    out=$(appstreamcli validate --pedantic --no-net "$metainfo" 2>&1) ||
        fail "appstreamcli validate: $out"
    # Pedantic notes count too, but for the id's capital letter: the id is also
    # the desktop file's name, which the window announces to the desktop.
    echo "$out" | grep -E '^[EWIP]: ' | grep -v ' cid-contains-uppercase-letter ' >&2 &&
        fail "appstreamcli validate --pedantic: $out"
    grep -q "<id>$app_id</id>" "$metainfo" || fail "metainfo id is not $app_id"
    newest=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$metainfo" | head -n 1)
    [ "$newest" = "$version" ] || fail "metainfo's newest release is '$newest', not $version"
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
