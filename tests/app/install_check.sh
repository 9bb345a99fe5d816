#!/usr/bin/env bash
# Installs a built tree into a temporary prefix and builds its Debian package, checking what
# lands where: the programs, the desktop entry (which desktop-file-validate must accept) and the
# icon; the package must depend on Debian's Qt packages.
#   install_check.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/kora-install.XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# A blank in the prefix, as in a home folder with one: the entry must still name the program.
prefix="$work/my prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }

for program in kora7740p-utility kora7740p-sim kora7740p; do
  [ -x "$prefix/bin/$program" ] || fail "bin/$program is not installed"
done
"$prefix/bin/kora7740p" --version | grep -q "^kora7740p [0-9]" || fail "the installed kora7740p does not run"
[ -s "$prefix/share/man/man1/kora7740p.1" ] || fail "the manual page of kora7740p is not installed"
icon="$prefix/share/icons/hicolor/scalable/apps/kora7740p-utility.svg"
[ -s "$icon" ] || fail "the icon is not installed"
grep -q '<svg' "$icon" || fail "the icon is not an SVG picture"
entry="$prefix/share/applications/kora7740p-utility.desktop"
[ -f "$entry" ] || fail "the desktop entry is not installed"
desktop-file-validate "$entry" || fail "desktop-file-validate rejects the entry"
grep -qxF "Exec=\"$prefix/bin/kora7740p-utility\"" "$entry" || fail "Exec does not name the installed program"
grep -qxF "TryExec=$prefix/bin/kora7740p-utility" "$entry" || fail "TryExec does not name the installed program"
grep -qx "Icon=kora7740p-utility" "$entry" || fail "Icon does not name the installed icon"
grep -qx "Categories=Development;Electronics;" "$entry" || fail "wrong Categories"

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/package" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/package/*.deb)
info=$(dpkg-deb --info "$deb")
echo "$info"
depends=$(echo "$info" | sed -n 's/^ Depends: //p')
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6 qt6-qpa-plugins; do
  [[ ", $depends," == *", $package"[\ ,]* ]] || fail "the package does not depend on $package: $depends"
done
contents=$(dpkg-deb --contents "$deb")
for file in ./usr/bin/kora7740p-utility ./usr/bin/kora7740p-sim ./usr/bin/kora7740p \
  ./usr/share/man/man1/kora7740p.1 \
  ./usr/share/bash-completion/completions/kora7740p \
  ./usr/share/applications/kora7740p-utility.desktop \
  ./usr/share/icons/hicolor/scalable/apps/kora7740p-utility.svg; do
  grep -q " $file\$" <<<"$contents" || fail "the package lacks $file"
done
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/kora7740p-utility.desktop |
  grep -qx "Exec=/usr/bin/kora7740p-utility" || fail "the packaged entry does not name /usr/bin"
echo "install and package OK"
