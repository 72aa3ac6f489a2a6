#!/usr/bin/env bash
# A fetch of the sample sites into a program folder whose 65 logs hold 100,000
# records each, against reading and rewriting once the logs the fetch changed
# (in one process: each file read whole, written to a temporary file, synced
# and renamed, as an atomic save does).
# Usage: fetch_scale.sh QUILLET_CLI SAMPLE_SITES [RECORDS]
# Prints one line: best of three runs of each, and their ratio. The folders
# go under $TMPDIR (TMPDIR=/dev/shm leaves the disk out of the figures).
set -euo pipefail
cli=$1
sites=$2
records=${3:-100000}
work=$(mktemp -d)
[ -n "${KEEP:-}" ] && echo "work folder: $work" >&2
server=
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT

"$sites" --port 0 >"$work/port" &
server=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
settings() { printf '[HTTP]\r\nProxy=127.0.0.1:%s\r\n' "$(cat "$work/port")" >"$1/quillet.ini"; }

# The logs of one fetch into an empty folder give each category its headlines.
mkdir "$work/seed" "$work/template"
settings "$work/seed"
"$cli" fetch --home "$work/seed" >/dev/null
settings "$work/template"
# Each log: older records (CP932 text, mixed case), and halfway down every
# other headline of today's page with an old date, so the fetch both renews
# records deep in the log and inserts new ones at the top.
(cd "$work/seed" && find . -name '*.log') | while read -r log; do
  mkdir -p "$(dirname "$work/template/$log")"
  LC_ALL=C mawk -v n="$records" -v name="$log" '
    { sub(/\r$/, ""); split($0, f, "\t"); if (NR % 2) seen[++k] = f[1] "\t" f[2] }
    END {
      word = "\x83\x6a\x83\x85\x81\x5b\x83\x58"  # "ニュース"
      for (i = 1; i <= n; i++) {
        if (i == int(n / 2)) for (j = 1; j <= k; j++) printf "%s\t2020/01/01\t1\r\n", seen[j]
        printf "%s Archive Story %d %s\thttp://example.jp/%s/%d.htm\t2021/%02d/%02d\t%d\r\n",
          word, i, name, name, i, 1 + i % 12, 1 + i % 28, i % 7 != 0
      }
    }' "$work/seed/$log" >"$work/template/$log"
done

fresh() { rm -rf "$work/run" && cp -r "$work/template" "$work/run" && sync; }
inodes() { (cd "$work/run" && find . -name '*.log' -printf '%p %i\n' | sort); }
best() { sort -n | head -n 1; }
TIMEFORMAT=%R

for _ in 1 2 3; do
  fresh
  inodes >"$work/before"
  { time "$cli" fetch --home "$work/run" >/dev/null; } 2>>"$work/fetch.times"
  inodes >"$work/after"
done
# A log the fetch wrote was replaced by a new file: its inode changed.
changed=$(join "$work/before" "$work/after" | awk '$2 != $3 { print $1 }')
rewrite='use IO::Handle;
  for my $f (@ARGV) {
    open(my $in, "<:raw", $f) or die "$f: $!"; my $bytes = do { local $/; <$in> }; close $in;
    open(my $out, ">:raw", "$f.new") or die "$f.new: $!"; print $out $bytes; $out->flush;
    $out->sync or die; close $out or die; rename("$f.new", $f) or die;
  }'
count=$(echo "$changed" | grep -c .)
bytes=$(cd "$work/template" && echo "$changed" | xargs cat | wc -c)

for _ in 1 2 3; do
  fresh
  cd "$work/run"
  { time perl -e "$rewrite" $changed; } 2>>"$work/rewrite.times"
  cd - >/dev/null
done

fetch_s=$(best <"$work/fetch.times")
rewrite_s=$(best <"$work/rewrite.times")
awk -v f="$fetch_s" -v c="$rewrite_s" -v n="$count" -v b="$bytes" -v r="$records" 'BEGIN {
  printf "fetch, 65 logs of %d records: %.2f s   read and rewrite of the %d changed logs (%.0f MB): %.2f s   ratio %.2f\n",
    r, f, n, b / 1e6, c, f / c }'
