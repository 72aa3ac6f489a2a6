#!/usr/bin/env bash
# Two quillet-cli edits of one program folder at once, round after round:
# each exits 0 and every feed and keyword added is listed afterwards, once.
# Usage: concurrent_edits_test.sh QUILLET_CLI
set -u
cli=$1
. "$(dirname "$0")/../support/checks.sh"
rounds=100

# add NAME...: each name's feed (f*, g*) or keyword (k*) added at once by a process of its own.
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
same() { diff <(sort <<<"$1") <(sort <<<"$2") >&2; }  # same EXPECTED LISTED, each once

for r in $(seq $rounds); do add "f$r" "g$r" "k$r"; done

check "every add exited 0" test ! -s "$work/failed"
check "two feeds add beside a watch add, no feed lost" \
  same "$(seq -f 'f%g' $rounds; seq -f 'g%g' $rounds)" "$("$cli" feeds list --home "$work" | cut -f3)"
check "... no keyword lost" same "$(seq -f 'k%g' $rounds)" "$("$cli" watch list --home "$work")"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
