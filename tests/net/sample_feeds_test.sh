#!/usr/bin/env bash
# The sample server's feeds through curl: over plain HTTP and over https in a
# CONNECT tunnel, trusted with the sample CA and refused with another, the
# proxy credentials asked on CONNECT, and the generated feeds of --feeds.
# Usage: sample_feeds_test.sh SAMPLE_SITES FEED_DIR TLS_DIR
set -u
sites=$1
feeds=$2
tls=$3
. "$(dirname "$0")/../support/checks.sh"
start() { # start NAME ARGS...: a server; its port in $work/NAME.port
  local name=$1
  shift
  "$sites" --port 0 "$@" >"$work/$name.port" &
  pids+=($!)
  for _ in $(seq 50); do [ -s "$work/$name.port" ] && break; sleep 0.1; done
}
get() { curl -s -x "127.0.0.1:$(cat "$work/$1.port")" "${@:2}"; }

start plain --feeds 20 --feed-list "$work/list"
check "list: 6 sample feeds and 20 generated" test "$(wc -l <"$work/list")" -eq 26
for file in kurashi.rdf sports.xml tech.atom; do
  url=$(grep -P "\thttp://.*/$(cut -c1-4 <<<"$file")" "$work/list" | cut -f2)
  check "$file over http" cmp -s <(get plain "$url") "$feeds/$file"
  check "$file over https" cmp -s <(get plain --cacert "$tls/ca.pem" "${url/http:/https:}") \
    "$feeds/$file"
  get plain --cacert "$tls/other-ca.pem" -o /dev/null "${url/http:/https:}"
  check "$file over https refused with another CA (curl exit 60)" test $? -eq 60
done
code=$(get plain --cacert "$tls/ca.pem" -o /dev/null -w '%{http_connect}' https://www.yomiuri.co.jp/)
check "no tunnel to a host without feeds" test "$code" = 403

# Generated feeds: each served in the encoding it declares, or failing as listed.
while IFS=$'\t' read -r name url; do
  get plain --cacert "$tls/ca.pem" -o "$work/feed" -w '%{http_code} %{content_type}\n' "$url" \
    >"$work/status"
  case $name in
    *404) check "$name: 404" grep -q '^404 ' "$work/status" ;;
    *binary) check "$name: binary" grep -q '^200 application/octet-stream' "$work/status" ;;
    *)
      encoding=$(grep -aoP -m1 '^<\?xml [^>]*encoding="\K[^"]+' "$work/feed")
      iconv -f "$encoding" -t UTF-8 "$work/feed" >"$work/feed.utf8"
      check "$name: 200, read as $encoding" test $? -eq 0 -a "$(cut -c1-3 "$work/status")" = 200
      check "$name: its title" grep -q "<title>ベンチ試験用フィード ${name:6:3}</title>" \
        "$work/feed.utf8"
      ;;
  esac
done < <(grep '^bench' "$work/list")

# Proxy credentials: asked on CONNECT as on every plain request.
start auth --auth reader:s3cret
url=https://feeds.quillet.test/tech/atom.xml
code=$(get auth --cacert "$tls/ca.pem" -o /dev/null -w '%{http_connect}' "$url")
check "CONNECT without credentials: 407" test "$code" = 407
check "CONNECT with credentials" cmp -s \
  <(get auth --cacert "$tls/ca.pem" --proxy-user reader:s3cret "$url") "$feeds/tech.atom"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
