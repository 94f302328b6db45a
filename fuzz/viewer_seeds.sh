#!/usr/bin/env bash
# Writes small seed files for the viewer's fuzz targets into
# <folder>/viewer_pages_fuzz and <folder>/viewer_findinfile_fuzz
# (default folder: fuzz/corpus beside this script).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/corpus}
pages="$out/viewer_pages_fuzz"
find="$out/viewer_findinfile_fuzz"
mkdir -p "$pages" "$find"
printf 'Plain text\r\nwith\ttabs and a NUL \0 byte\n' >"$pages/text"
printf '\x10\x04\x30\x04\x41\x00\x03\x26\xff\xfe\x0d\x00\x0a\x00' >"$pages/ucode"
printf '\x8f\xe0\xa8\xa2\xa5\xe2 \xb0\xb1\xb2\xdb' >"$pages/dos"
head -c 300 /dev/zero | tr '\0' 'A' >"$pages/long"
# Text length, text, start, file bytes.
printf '\x03abc\x00xxABCxxabc' >"$find/latin"
printf '\x02\xe0\xff\x01\xc0\xdf\xe0\xff' >"$find/cyrillic"
printf '\x01z\x05zzzzzzzzzz' >"$find/single"
