#!/usr/bin/env bash
# quillet-cli feeds: the list in quillet.ini, refusals that write nothing, and
# a fetch whose feeds fail. Usage: feeds_test.sh QUILLET_CLI
set -u
cli=$1
. "$(dirname "$0")/../support/checks.sh"
f() { "$cli" feeds "$@" --home "$work"; }

check "add prints the id" test "$(f add ニュース http://a.test/rss)" = 1
check "add, cp932" test "$(f add "$(printf '速報' | iconv -t CP932)" HTTPS://b.test --encoding cp932)" = 2
f disable 1
check "list" test "$(f list)" = $'1\toff\tニュース\thttp://a.test/rss\t未取得\n2\ton\t速報\tHTTPS://b.test\t未取得'
cp "$work/quillet.ini" "$work/before.ini"
refuse() { # refuse MESSAGE ARGS...: exit 1, the message on stderr, nothing on stdout
  f "${@:2}" >"$work/out" 2>"$work/err"
  check "refused: $1" test $? -eq 1 -a ! -s "$work/out" -a "$(cat "$work/err")" = "$1"
}
refuse フィード名にタブや改行は使えません add $'a\tb' http://x
refuse "URL は http:// か https:// で始めてください" add n ftp://x
refuse "ID 3 のフィードはありません" remove 3
check "refusals write nothing" cmp -s "$work/before.ini" "$work/quillet.ini"

# Each feed's state from Feeds/state.txt, in Japan's time; one that cannot be
# read leaves the column empty and is named.
mkdir -p "$work/Feeds"
printf 'QuilletFeedState 1\r\nfeed\t1\tresult\tfetched\t1000000000\t3\r\n%s\r\n' \
  $'feed\t2\tresult\tfailed\t1000000000\tHTTP 503' $'feed\t2\twait\t4102444800\tbackoff' >"$work/Feeds/state.txt"
check "list: the states" test "$(TZ=JST-9 f list | cut -f1,5)" = \
  $'1\t2001/09/09 10:46 に取得 (3 件)\n2\t2001/09/09 10:46 に失敗: HTTP 503、2100/01/01 09:00 まで待機'
mv "$work/Feeds/state.txt" "$work/state.txt" && mkdir "$work/Feeds/state.txt"
f list >"$work/out" 2>"$work/err"
check "list: a state file that cannot be read" test $? -eq 0 -a "$(cut -f4- "$work/out")" = $'http://a.test/rss\t\nHTTPS://b.test\t' \
  -a "$(cat "$work/err")" = "ファイル $work/Feeds/state.txt は開けません"
rmdir "$work/Feeds/state.txt"

# A feed's log: printed as a category's by log --feed, and searched.
mkdir -p "$work/Feeds"
printf '%s\t%s\t%s\t1\r\n' 新着 http://a.test/1 2026/12/07 古い記事 http://a.test/2 2026/12/06 |
  iconv -t CP932 >"$work/Feeds/1.log"
q() { "$cli" "$@" --home "$work"; }
check "log --feed" test "$(q log --feed 1)" = $'2026/12/07\t新着\thttp://a.test/1\n2026/12/06\t古い記事\thttp://a.test/2'
q log --feed 9 >"$work/out" 2>"$work/err"
check "log --feed: an id no feed has exits 1" test $? -eq 1 -a ! -s "$work/out" -a "$(cat "$work/err")" = "ID 9 のフィードはありません"
check "search: a feed's rows" test "$(q search 記事 2>/dev/null)" = $'ニュース\t2026/12/06\tフィード\t古い記事\thttp://a.test/2'

f remove 1 && f enable 2 && f add c http://c.test >/dev/null
check "remove, enable" test "$(f list | cut -f1,2)" = $'2\ton\n3\ton'

# No site, and feeds that fail through a proxy that refuses: each named with
# what to check and the reason; exit 1, as nothing downloaded.
printf '[HTTP]\r\nProxy=127.0.0.1:1\r\n[CheckRoute]\r\n%s\n' "$(printf '%s=0\r\n' $(seq 0 64))" >>"$work/quillet.ini"
"$cli" fetch --home "$work" >"$work/out" 2>"$work/err"
check "fetch with every feed failed exits 1" test $? -eq 1 -a ! -s "$work/out"
refused="プロキシ 127.0.0.1 に接続できません。ネットワークの接続と、接続設定のプロキシを確かめてください。詳細: Connection refused (Error #111)"
check "... names them, and nothing else" test "$(cat "$work/err")" = "速報: $refused"$'\n'"c: $refused"

# OPML in, one edit with what it passed over counted and named; a malformed
# file writes nothing; out, a document that imports into an empty folder.
cat >"$work/in.opml" <<'OPML'
<?xml version="1.0"?>
<opml version="2.0"><body><outline text="技術">
  <outline text="ディー" xmlUrl="http://d.test/rss"/><outline title="e" xmlUrl="http://e.test/"/>
</outline><outline text="b" xmlUrl="https://B.TEST/"/><outline text="d2" xmlUrl="http://d.test/rss"/>
<outline text="ftp" xmlUrl="ftp://f.test/"/></body></opml>
OPML
f import "$work/in.opml" >"$work/out" 2>"$work/err"
check "import" test $? -eq 0 -a "$(cat "$work/out")" = "2 件のフィードを追加しました (2 件は登録済み、1 件は追加できないため飛ばしました)" \
  -a "$(cat "$work/err")" = "「ftp」は追加できません: URL は http:// か https:// で始めてください"
check "... enabled, at the end" test "$(f list | tail -n 2 | cut -f1-4)" = $'4\ton\tディー\thttp://d.test/rss\n5\ton\te\thttp://e.test/'
cp "$work/quillet.ini" "$work/before.ini"
printf '<opml>\n<body><outline text="x" xmlUrl="http://x.test/">\n</opml>\n' >"$work/bad.opml"
refuse "OPML ファイルが正しくありません (3 行目、8 桁目): Opening and ending tag mismatch: outline line 2 and opml" import "$work/bad.opml"
refuse "ファイル $work/none.opml はありません" import "$work/none.opml"
check "a file that cannot be read writes nothing" cmp -s "$work/before.ini" "$work/quillet.ini"
f export >"$work/out.opml"
check "export is well-formed" xmllint --noout "$work/out.opml"
mkdir "$work/other"
"$cli" feeds import "$work/out.opml" --home "$work/other" >/dev/null
check "... and brings the list into another folder" test "$("$cli" feeds list --home "$work/other" | cut -f3,4)" = "$(f list | cut -f3,4)"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
