#!/usr/bin/env bash
# The Debian package end to end: made by scripts/package, clean under lintian
# and the desktop validators, and its unpacked programs run and fetch.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
id=io.github.quillet.Quillet
version=$(sed -n 's/^project(Quillet VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
. "$root/tests/support/checks.sh"
if ! deb=$("$root/scripts/package" 2>"$work/package.log") || [ ! -f "$deb" ]; then
  tail -n 40 "$work/package.log" >&2
  echo "FAILED: scripts/package made no package" >&2
  echo "0 passed, 1 failed"
  exit 1
fi
echo "package: $deb"

# lintian: errors fail; what else it says is shown.
lintian --fail-on error --display-info "$deb" >"$work/lintian.out" 2>&1
check "lintian reports no error" test $? -eq 0
grep -v '^running with root privileges' "$work/lintian.out" >&2

check "package name and version" test "$(dpkg-deb -f "$deb" Package Version | tr '\n' ' ')" \
  = "Package: quillet Version: $version "
check "library dependencies from dpkg-shlibdeps" grep -q 'libqt6widgets6 (>=' \
  <(dpkg-deb -f "$deb" Depends)

unpacked=$work/root
dpkg-deb -x "$deb" "$unpacked"
usr=$unpacked/usr
for program in quillet quillet-cli; do
  check "$program in /usr/bin" test -x "$usr/bin/$program"
  check "$program(1) compressed" gzip -t "$usr/share/man/man1/$program.1.gz"
  check "$program(1) names the program folder's files" grep -q 'quillet\.ini' \
    <(zcat "$usr/share/man/man1/$program.1.gz")
done
check "copyright file" grep -q '^License: MIT' "$usr/share/doc/quillet/copyright"
check "changelog entry of this version" grep -q "^quillet ($version)" \
  <(zcat "$usr/share/doc/quillet/changelog.gz")

desktop=$usr/share/applications/$id.desktop
metainfo=$usr/share/metainfo/$id.metainfo.xml
check "desktop entry valid (no word from desktop-file-validate)" test -z "$(desktop-file-validate "$desktop" 2>&1)"
check "desktop entry runs quillet" grep -qx 'Exec=quillet' "$desktop"
check "desktop entry's icon is the id" grep -qx "Icon=$id" "$desktop"
check "desktop entry in Japanese" grep -q '^Comment\[ja\]=' "$desktop"
appstreamcli validate --no-net "$metainfo" >"$work/appstream.out" 2>&1
check "metainfo valid" test $? -eq 0
cat "$work/appstream.out" >&2
check "metainfo id" grep -q "<id>$id</id>" "$metainfo"
check "metainfo launches the desktop entry" \
  grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo"
check "metainfo release of this version" grep -q "<release version=\"$version\"" "$metainfo"

icons=$usr/share/icons/hicolor
for size in 16 22 24 32 48 64 128 256; do
  check "icon ${size}x$size" grep -q "PNG image data, $size x $size," \
    <(file -b "$icons/${size}x$size/apps/$id.png")
done
check "scalable icon" grep -q '^<svg ' "$icons/scalable/apps/$id.svg"

# The unpacked programs, with the Qt of the system.
check "quillet --version" test "$("$usr/bin/quillet" --version)" = "quillet $version"
check "quillet-cli --version" test "$("$usr/bin/quillet-cli" --version)" = "quillet-cli $version"

"$root/build-package/quillet-sample-sites" --port 0 >"$work/port" &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
mkdir "$work/home"
printf '[HTTP]\r\nProxy=127.0.0.1:%s\r\n' "$(cat "$work/port")" >"$work/home/quillet.ini"
"$usr/bin/quillet-cli" fetch --home "$work/home" >"$work/fetch.out" 2>"$work/fetch.err"
check "unpacked quillet-cli fetch exits 0" test $? -eq 0
cat "$work/fetch.err" >&2
check "fetch prints rows" test "$(wc -l <"$work/fetch.out")" -gt 0
check "logs in the --home folder" test -s "$work/home/YOL/top.log"
check "nothing written beside the programs" test "$(ls "$usr/bin")" = "$(printf 'quillet\nquillet-cli')"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
