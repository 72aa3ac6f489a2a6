#!/usr/bin/env bash
# Builds the served sample front pages from their UTF-8 sources in src/:
# converts each to its site's character code with iconv and gives it CR LF
# line ends, then converts it back and compares, so that a character the
# target code cannot hold (or maps one way only) fails the build.
set -euo pipefail
cd "$(dirname "$0")"

# file  iconv target code
pages=(
  "yomiuri.html CP932"
  "asahi.html EUC-JP"
  "impress.html ISO-2022-JP"
  "zakzak.html CP932"
  "cnn.html CP932"
  "chuou.html EUC-JP"
  "mainichi.html CP932"
)

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

for entry in "${pages[@]}"; do
  read -r file code <<<"$entry"
  src="src/$file"
  if grep -q $'\r' "$src"; then
    echo "$src: has CR bytes; keep the sources with LF line ends" >&2
    exit 1
  fi
  # CR LF first, so that the ISO-2022-JP encoder sees the line ends as the
  # ASCII characters they are.
  sed 's/$/\r/' "$src" >"$tmp/crlf"
  iconv -f UTF-8 -t "$code" "$tmp/crlf" >"$tmp/out"
  iconv -f "$code" -t UTF-8 "$tmp/out" >"$tmp/back"
  if ! cmp -s "$tmp/crlf" "$tmp/back"; then
    echo "$src: does not survive the round trip through $code:" >&2
    diff "$tmp/crlf" "$tmp/back" | head -20 >&2
    exit 1
  fi
  # Plain JIS X 0208 (plus half-width katakana on the Shift_JIS pages): no
  # vendor extensions, no JIS X 0212, no escape sequences beyond ESC $ B and
  # ESC ( B.
  case $code in
    CP932)
      # Lead bytes 0x85-0x87 and 0xEB-0xFC hold the vendor extensions
      # (circled numbers, NEC/IBM kanji) and user-defined characters.
      if ! python3 - "$tmp/out" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
i = 0
while i < len(data):
    c = data[i]
    if 0x81 <= c <= 0x9F or 0xE0 <= c <= 0xFC:
        if 0x85 <= c <= 0x87 or c >= 0xEB:
            sys.exit("vendor extension at byte %d" % i)
        i += 2
    else:
        i += 1
PY
      then
        echo "$src: uses characters outside JIS X 0208 and half-width katakana" >&2
        exit 1
      fi ;;
    EUC-JP)
      if LC_ALL=C grep -q $'[\x8e\x8f]' "$tmp/out"; then
        echo "$src: uses half-width katakana or JIS X 0212 in EUC-JP" >&2
        exit 1
      fi ;;
    ISO-2022-JP)
      escapes=$(LC_ALL=C grep -ao $'\x1b..' "$tmp/out" | sort -u | tr -d '\033\n')
      if [[ "$escapes" != '$B(B' ]]; then
        echo "$src: unexpected escape sequences: $escapes" >&2
        exit 1
      fi ;;
  esac
  mv "$tmp/out" "$file"
  echo "$file: $code, $(wc -c <"$file") bytes, $(wc -l <"$file") lines"
done
