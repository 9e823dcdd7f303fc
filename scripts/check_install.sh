#!/usr/bin/env bash
# Installs a build into a scratch DESTDIR and checks what a lab's desktop and package tools will
# see: every file in its place, the desktop entry, the AppStream metadata and the man pages valid,
# the man pages naming every option the programs offer, the installed programs running, and the
# Debian package declaring what it needs.
#
#   scripts/check_install.sh BUILD_DIR        (run by CTest as "install_check")
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: check_install.sh BUILD_DIR}" && pwd)
id=org.vexlan.Vexlan
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dest=$scratch/root
usr=$dest/usr
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

DESTDIR=$dest cmake --install "$build" --prefix /usr >"$scratch/install.log" 2>&1 ||
  { cat "$scratch/install.log"; fail "cmake --install"; exit 1; }

# ---- every file in its place ---------------------------------------------------------------
expected=(bin/vexlan bin/vexlan-cli bin/vexlan-unit-sim
          share/applications/$id.desktop share/metainfo/$id.metainfo.xml
          share/icons/hicolor/scalable/apps/$id.svg
          share/man/man1/vexlan.1 share/man/man1/vexlan-cli.1 share/man/man1/vexlan-unit-sim.1
          share/doc/vexlan/USER_GUIDE.md)
for size in 16 24 32 48 64 128 256; do expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png"); done
for f in "$root"/data/*.ini "$root"/data/bmp/* "$root"/data/edid/*; do
  expected+=("share/vexlan/${f#"$root"/data/}")
done
for f in "${expected[@]}"; do [ -s "$usr/$f" ] || fail "not installed: /usr/$f"; done
for size in 16 24 32 48 64 128 256; do
  png=$usr/share/icons/hicolor/${size}x${size}/apps/$id.png
  [ -f "$png" ] || continue
  read -r w h < <(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print(*struct.unpack(">II", d[16:24]))' "$png")
  [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "$id.png in ${size}x${size} is ${w}x${h}"
done

# ---- desktop entry, metadata, man pages ----------------------------------------------------------
desktop-file-validate "$usr/share/applications/$id.desktop" || fail "desktop-file-validate"
grep -qx "Exec=vexlan" "$usr/share/applications/$id.desktop" || fail "the desktop entry does not start vexlan"
appstreamcli validate --no-net --explain "$usr/share/metainfo/$id.metainfo.xml" >"$scratch/as.log" 2>&1 ||
  { cat "$scratch/as.log"; fail "appstreamcli validate"; }

version=$("$usr/bin/vexlan-cli" --version 2>&1 | grep -o '[0-9][0-9.]*' | head -1)
[ -n "$version" ] || fail "the installed vexlan-cli --version printed no version"
for program in vexlan vexlan-cli vexlan-unit-sim; do
  page=$usr/share/man/man1/$program.1
  [ -f "$page" ] || continue
  mandoc -Tlint -Wwarning "$page" || fail "mandoc finds fault with $program.1"
  groff -man -ww -z "$page" 2>&1 | grep . && fail "groff warns about $program.1"
  grep -q "^\.TH .*\"Vexlan $version\"" "$page" || fail "$program.1 is not the page of version $version"
  # every option and subcommand the program lists is in its page
  help=$(QT_QPA_PLATFORM=offscreen "$usr/bin/$program" --help 2>&1)
  words=$(grep -o -- '--[a-z][a-z0-9-]*' <<<"$help" | sort -u)
  [ "$program" = vexlan-cli ] &&
    words+=" $(sed -n '/^Subcommands:/,/^$/s/^  \([a-z][a-z0-9-]*\) .*/\1/p' <<<"$help")"
  text=$(MANWIDTH=200 man -l "$page" 2>/dev/null)
  for w in $words; do grep -qw -- "$w" <<<"$text" || fail "$program.1 does not describe $w"; done
done

# ---- the installed programs run from where they are installed ------------------------------
"$usr/bin/vexlan-unit-sim" --version >/dev/null || fail "the installed vexlan-unit-sim does not run"
QT_QPA_PLATFORM=offscreen "$usr/bin/vexlan" --version >/dev/null || fail "the installed vexlan does not run"

# ---- the Debian package ---------------------------------------------------------------------
if command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null; then
  (cd "$build" && cpack -G DEB -B "$scratch/deb" >"$scratch/cpack.log" 2>&1) ||
    { cat "$scratch/cpack.log"; fail "cpack -G DEB"; }
  deb=$(ls "$scratch"/deb/vexlan_*.deb 2>/dev/null | head -1)
  if [ -n "$deb" ]; then
    depends=$(dpkg-deb -f "$deb" Depends)
    for need in libqt6widgets6 libqt6serialport6 libqt6network6 qt6-qpa-plugins libstdc++6; do
      grep -q "$need" <<<"$depends" || fail "the package does not depend on $need (Depends: $depends)"
    done
    contents=$(dpkg-deb -c "$deb")
    for f in usr/bin/vexlan usr/bin/vexlan-cli usr/share/applications/$id.desktop usr/share/vexlan/m41_timing_pattern.ini; do
      grep -q " \./$f\$" <<<"$contents" || fail "the package lacks /$f"
    done
    echo "package: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB; Depends: $depends"
  else
    fail "cpack wrote no vexlan_*.deb"
  fi
else
  echo "dpkg-deb or dpkg-shlibdeps missing: the package is not checked"
fi

[ "$failures" -eq 0 ] && echo "install check: ${#expected[@]} files in place, all valid"
[ "$failures" -eq 0 ]
