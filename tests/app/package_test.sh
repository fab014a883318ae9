#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from a build folder and checks it as a packager would: its files,
# its computed dependencies, stripped binaries, the desktop entry, the AppStream metainfo and
# the manual pages, and lintian. Usage: tests/app/package_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
checks=0
fail() { echo "FAIL: $*"; echo "$checks passed, 1 failed"; exit 1; }
pass() { checks=$((checks + 1)); }

rm -f "$build"/wavelathe_*.deb
(cd "$build" && cpack -G DEB >/dev/null) || fail "cpack could not build the package"
debs=("$build"/wavelathe_*_amd64.deb)
[ -f "${debs[0]}" ] || fail "no wavelathe_VERSION_amd64.deb"
deb=${debs[0]}
[ "$(basename "$deb")" = "wavelathe_1.08_amd64.deb" ] || fail "package named $(basename "$deb")"
pass

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' > "$work/files"
for f in /usr/bin/wavelathe /usr/lib/wavelathe/wavelathe /usr/lib/wavelathe/wavelathe-job \
         /usr/lib/wavelathe/wavelathe-cmd /usr/lib/wavelathe/wavelathe-probe /usr/lib/wavelathe/wavelathe-lookup /usr/lib/wavelathe/BladeEnc /usr/lib/wavelathe/l3dec \
         /usr/lib/wavelathe/CDDA /usr/lib/wavelathe/Help.txt /usr/lib/wavelathe/Readme.txt \
         /usr/share/applications/wavelathe.desktop \
         /usr/share/metainfo/org.example.wavelathe.metainfo.xml \
         /usr/share/icons/hicolor/scalable/apps/wavelathe.svg \
         /usr/share/icons/hicolor/48x48/apps/wavelathe.png \
         /usr/share/icons/hicolor/128x128/apps/wavelathe.png \
         /usr/share/icons/hicolor/256x256/apps/wavelathe.png \
         /usr/share/doc/wavelathe/copyright /usr/share/doc/wavelathe/changelog.gz \
         /usr/share/man/man1/BladeEnc.1.gz \
         /usr/share/man/man1/l3dec.1.gz /usr/share/man/man1/CDDA.1.gz \
         /usr/share/man/man1/wavelathe.1.gz /usr/share/man/man1/wavelathe-cmd.1.gz; do
  grep -qx "$f" "$work/files" || fail "$f is not in the package"
done
pass

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6dbus6 libmp3lame0 libsndfile1 libmpg123-0 libcdio19 \
           libcdio-paranoia2 xdg-utils; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
recommends=$(dpkg-deb -f "$deb" Recommends)
grep -q qt6-wayland <<<"$recommends" && grep -q fonts- <<<"$recommends" \
  || fail "Recommends lacks qt6-wayland or the fonts: $recommends"
pass

dpkg-deb -x "$deb" "$work/root"
for exe in wavelathe wavelathe-job wavelathe-cmd BladeEnc l3dec CDDA; do
  file "$work/root/usr/lib/wavelathe/$exe" | grep -q ", stripped" || fail "$exe is not stripped"
done
[ "$(readlink "$work/root/usr/bin/wavelathe")" = "../lib/wavelathe/wavelathe" ] \
  || fail "/usr/bin/wavelathe is not a link to the program"
pass

desktop-file-validate "$work/root/usr/share/applications/wavelathe.desktop" \
  || fail "the desktop entry is invalid"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.example.wavelathe.metainfo.xml" \
  >"$work/as.log" 2>&1 || { cat "$work/as.log"; fail "the metainfo does not validate"; }
pass

for page in "$work"/root/usr/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done
pass
# Debian's own checker: no error and no warning.
lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 \
  || { cat "$work/lintian.log"; fail "lintian reports errors or warnings"; }
pass
echo "package $(basename "$deb"): $(wc -l <"$work/files") entries"
echo "$checks passed, 0 failed"
