#!/bin/sh
# make install staged with DESTDIR: every file of an installation lies where
# the program and the desktop look for it, nothing but the program lies in
# bin (no settings file), the icons have their sizes, and the desktop entry and
# the AppStream metadata pass their validators. The HTML manual and the man
# page name the same keys.
# Usage: staged_install_test.sh BUILD_FOLDER [CMAKE]
set -eu
build=$1
cmake=${2:-cmake}
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

DESTDIR=$stage "$cmake" --install "$build" --prefix /usr >"$stage.log" || { cat "$stage.log"; fail "install failed"; }
rm -f "$stage.log"
root=$stage/usr
for file in bin/zarn share/applications/zarn.desktop share/metainfo/org.example.zarn.metainfo.xml \
  share/icons/hicolor/scalable/apps/zarn.svg share/zarn/help/index.html share/zarn/help/main-window.png \
  share/man/man1/zarn.1.gz; do
  [ -f "$root/$file" ] || fail "missing $file"
done
[ -x "$root/bin/zarn" ] || fail "bin/zarn is not executable"
[ "$(ls -A "$root/bin")" = zarn ] || fail "bin holds more than zarn: $(ls -A "$root/bin")"
[ -z "$(find "$stage" -name '*.ini' -o -name '*.ext')" ] || fail "a settings file was installed"
[ "$(ls -A "$stage")" = usr ] || fail "files outside the prefix: $(ls -A "$stage")"

for size in 16 32 48 64 128 256; do
  png=$root/share/icons/hicolor/${size}x${size}/apps/zarn.png
  [ -f "$png" ] || fail "missing the ${size}x${size} icon"
  # A PNG's width and height are the big-endian words at bytes 16 and 20.
  found=$(od -An -tu1 -j16 -N8 "$png" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }')
  [ "$found" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $found"
done

desktop-file-validate "$root/share/applications/zarn.desktop" || fail "desktop-file-validate"
entry=$root/share/applications/zarn.desktop
for line in 'Name=Zarn' 'Exec=zarn' 'Icon=zarn' 'Terminal=false' 'MimeType=inode/directory;' \
  'Categories=System;FileTools;FileManager;Utility;Qt;'; do
  grep -qxF "$line" "$entry" || fail "the desktop entry lacks $line"
done
appstreamcli validate --no-net "$root/share/metainfo/org.example.zarn.metainfo.xml" || fail "appstreamcli validate"
grep -qF '<launchable type="desktop-id">zarn.desktop</launchable>' "$root/share/metainfo/org.example.zarn.metainfo.xml" ||
  fail "the metadata does not launch zarn.desktop"

manual=$root/share/zarn/help/index.html
page=$(gzip -dc "$root/share/man/man1/zarn.1.gz")
for key in Enter Backspace Space Insert Ctrl+J F1 F2 F3 F4 Shift+F4 F5 F6 F7 F8 F9 F10 Menu Esc; do
  html=$(echo "$key" | sed 's|\([^+]*\)+\(.*\)|\1</kbd>+<kbd>\2|')
  grep -qF "<kbd>$html</kbd>" "$manual" || fail "the manual does not name $key"
  pattern=$(echo "$key" | sed 's/+/\\+/')
  echo "$page" | grep -qE "(^|[ \"])$pattern([ \".,]|$)" || fail "the man page does not name $key"
done
# Every picture and page the manual links to is installed with it.
for target in $(grep -o '\(src\|href\)="[^"#][^"]*"' "$manual" | sed 's/^[a-z]*="//; s/"$//'); do
  [ -f "$(dirname "$manual")/$target" ] || fail "the manual links to $target, which is not installed"
done
echo "staged install: all checks passed"
