#!/usr/bin/env bash
# Two quillet-cli edits of one program folder at once, round after round:
# each exits 0 and every feed and keyword added is listed afterwards, once.
# Usage: concurrent_edits_test.sh QUILLET_CLI
set -u
cli=$1
. "$(dirname "$0")/../support/checks.sh"
rounds=100

# add NAME...: the feed (f*, g*, h*) or keyword (k*) of each name added by its
# own process, all at once; a command that fails is named in $work/failed.
add() {
  local name running=()
  for name; do
    case $name in
      k*) "$cli" watch add "$name" --home "$work" & ;;
      *) "$cli" feeds add "$name" "http://127.0.0.1:9/$name.xml" --home "$work" >/dev/null & ;;
    esac
    running+=("$!:$name")
  done
  for name in "${running[@]}"; do wait "${name%%:*}" || echo "add ${name#*:}: exit $?" >>"$work/failed"; done
}
# same WHAT EXPECTED LISTED: each line of EXPECTED listed once; names the lines
# lost and those listed twice.
same() {
  local lost twice
  lost=$(comm -23 <(sort <<<"$2") <(sort -u <<<"$3"))
  twice=$(sort <<<"$3" | uniq -d)
  [ -z "$lost$twice" ] && return
  echo "$1: $(grep -c . <<<"$lost") of $(wc -l <<<"$2") lost:" $(head -10 <<<"$lost") \
    "...; listed twice:" $(head -10 <<<"$twice") >&2
  return 1
}

for r in $(seq $rounds); do add "f$r" "k$r"; done
for r in $(seq $rounds); do add "g$r" "h$r"; done

check "every add exited 0" test ! -s "$work/failed"
feeds=$("$cli" feeds list --home "$work")
check "feeds add beside watch add, no feed lost" \
  same "feeds" "$(seq -f 'f%g' $rounds)" "$(cut -f3 <<<"$feeds" | grep '^f')"
check "watch add beside feeds add, no keyword lost" \
  same "keywords" "$(seq -f 'k%g' $rounds)" "$("$cli" watch list --home "$work")"
check "two feeds add, no feed lost" \
  same "feeds" "$(seq -f 'g%g' $rounds; seq -f 'h%g' $rounds)" "$(cut -f3 <<<"$feeds" | grep '^[gh]')"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
