#!/usr/bin/env bash
# quillet-cli end to end through tinyproxy (basic authentication) in front of
# the sample sites. Usage: cli_test.sh QUILLET_CLI SAMPLE_SITES
set -u
cli=$1
sites=$2
. "$(dirname "$0")/../support/checks.sh"
home() { # home DIR PROXY [USER PASSWORD]: a program folder with its settings file
  mkdir -p "$1"
  printf '[HTTP]\r\nProxy=%s\r\nProxyUserName=%s\r\nProxyPassword=%s\r\n' "$2" "${3:-}" "${4:-}" \
    >"$1/quillet.ini"
}
sj() { printf '%s' "$1" | iconv -t CP932; }

"$sites" --port 0 >"$work/port" &
pids+=($!)
tport=$((20000 + RANDOM % 20000))
for _ in $(seq 50); do [ -s "$work/port" ] && break || sleep 0.1; done
printf 'User nobody\nGroup nogroup\nPort %s\nListen 127.0.0.1\nTimeout 30\nMaxClients 20\nLogLevel Error
BasicAuth reader s3cret\nUpstream http 127.0.0.1:%s\n' "$tport" "$(cat "$work/port")" >"$work/tinyproxy.conf"
tinyproxy -d -c "$work/tinyproxy.conf" >"$work/tinyproxy.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$tport") 2>/dev/null && break || sleep 0.1; done

# Fetch: one row per headline, four TAB-separated fields, exit 0.
home "$work/a" "127.0.0.1:$tport" reader s3cret
"$cli" fetch --home "$work/a" >"$work/a.out" 2>"$work/a.err"
check "fetch: exit 0, 286 rows" test $? -eq 0 -a "$(wc -l <"$work/a.out")" -eq 286
check "rows have four fields" test "$(awk -F'\t' 'NF != 4' "$work/a.out" | wc -l)" -eq 0
check "no progress on a non-terminal" test ! -s "$work/a.err"

"$cli" search 株 --home "$work/a" >"$work/s.out" 2>"$work/s.err"
check "search: exit 0, rows, their count" test $? -eq 0 -a -s "$work/s.out" -a \
  "$(cat "$work/s.err")" = "$(wc -l <"$work/s.out")件見つかりました"
check "search, cp932" cmp -s <("$cli" search "$(sj 株)" --encoding cp932 --home "$work/a" 2>/dev/null | iconv -f CP932 -t UTF-8) "$work/s.out"
# --fold-width: every site's fetched rows that hold ＣＯＰ３１, found as cop31.
holding() { awk -F'\t' -v k="$1" 'index($3, k) { print $1 "\t" $2 "\t" $3 "\t" $4 }' "$work/a.out" | sort -u; }
check "cop31 --fold-width finds ＣＯＰ３１" cmp -s <(holding ＣＯＰ３１) \
  <("$cli" search cop31 --fold-width --home "$work/a" 2>/dev/null | cut -f1,3,4,5 | sort)

"$cli" log 0 --home "$work/a" >"$work/l.out"
check "log: exit 0, the rows" test $? -eq 0 -a "$(wc -l <"$work/l.out")" -eq "$(grep -c $'^YOL\tトップ\t' "$work/a.out")"

# Newness: a fresh folder's first fetch --new prints every row, the next none.
home "$work/new" "127.0.0.1:$tport" reader s3cret
check "first fetch --new prints all" cmp -s <("$cli" fetch --new --home "$work/new") "$work/a.out"
"$cli" fetch --new --home "$work/new" >"$work/new.out"
check "second fetch --new: exit 0, no rows" test $? -eq 0 -a ! -s "$work/new.out"

# The watch list in either encoding; refusals exit 1 with their message and
# leave quillet.ini as it was. fetch --watch: headlines holding pC, any case.
home "$work/w" "127.0.0.1:$tport" reader s3cret
check "watch add" "$cli" watch add 株価 --home "$work/w"
check "watch add, cp932" "$cli" watch add "$(sj 日銀)" --encoding cp932 --home "$work/w"
check "watch list, cp932" \
  cmp -s <("$cli" watch list --encoding cp932 --home "$work/w") <(sj $'株価\n日銀\n')
cp "$work/w/quillet.ini" "$work/w.ini"
refused=(add "" add $'a\tb' add "$(printf '%0256d' 0)" add 株価 remove 東京)
messages=(キーワードが空です キーワードにタブや改行は使えません "キーワードが長すぎます (255バイトまで)"
  「株価」は既にウォッチリストにあります 「東京」はウォッチリストにありません)
for i in "${!messages[@]}"; do
  "$cli" watch "${refused[@]:2*i:2}" --home "$work/w" 2>"$work/w.err"
  check "refused: ${messages[i]}" test $? -eq 1 -a "$(cat "$work/w.err")" = "${messages[i]}"
done
check "refusals write nothing" cmp -s "$work/w.ini" "$work/w/quillet.ini"
"$cli" watch remove "$(sj 株価)" --encoding cp932 --home "$work/w" && "$cli" watch remove 日銀 \
  --home "$work/w" && "$cli" watch add pC --home "$work/w"
check "watch remove" test "$("$cli" watch list --home "$work/w")" = pC
"$cli" fetch --watch --home "$work/w" >"$work/w.out"
check "fetch --watch: the rows with pc" \
  cmp -s "$work/w.out" <(LC_ALL=C awk -F'\t' 'index(tolower($3), "pc")' "$work/a.out")
check "fetch --new --watch: no new rows" test -z "$("$cli" fetch --new --watch --home "$work/w")"
# The watch list folds widths when [Watch] FoldWidth says so.
"$cli" watch add cop31 --home "$work/w"
sed -i 's/^\[Watch\]\r$/&\nFoldWidth=1\r/' "$work/w/quillet.ini"
check "fetch --watch, widths folded: ＣＯＰ３１ too" test "$("$cli" fetch --watch --home "$work/w" | grep -c ＣＯＰ３１)" -eq "$(grep -c ＣＯＰ３１ "$work/a.out")"

# The pages in today's style: each with its Content-Type and its source's
# bytes in its code, through the proxy and at the server's own address; 304 for
# its ETag; the feed one announces on its host.
today=$(dirname "$0")/../../tools/sample-sites/today
served() { # served TYPE SOURCE CODE CURL_ARGS...: the answer's type and bytes
  curl -s -D "$work/head" -o "$work/body" "${@:4}" &&
    test "$(tr -d '\r' <"$work/head" | sed -n 's/^Content-Type: //p')" = "$1" &&
    iconv -f UTF-8 -t "$3" "$2" | cmp -s - "$work/body"
}
proxy=(-x "127.0.0.1:$(cat "$work/port")")
check "today's UTF-8 page" served "text/html; charset=utf-8" "$today/machi.html" UTF-8 \
  "${proxy[@]}" http://news.quillet.test/today/machi.html
check "today's Shift_JIS page: no charset in its type" served text/html "$today/keizai.html" CP932 \
  "${proxy[@]}" http://news.quillet.test/today/keizai.html
etag=$(tr -d '\r' <"$work/head" | sed -n 's/^ETag: //p')
check "... 304 for its ETag" test "$(curl -s -o /dev/null -w '%{http_code}' -H "If-None-Match: $etag" \
  "${proxy[@]}" http://news.quillet.test/today/keizai.html)" = 304
check "... at the server's own address" served text/html "$today/keizai.html" CP932 --noproxy '*' \
  "http://127.0.0.1:$(cat "$work/port")/today/keizai.html"
check "the announced feed on the pages' host" cmp -s "$(dirname "$sites")/sample-feeds/kurashi.rdf" \
  <(curl -s "${proxy[@]}" http://news.quillet.test/kurashi/index.rdf)

# Pages: tried without a log, fetched after the sites and before the feeds,
# each section with its log; why a section or a page gives nothing is named.
home "$work/p" "127.0.0.1:$tport" reader s3cret
printf '[CheckRoute]\r\n%s' "$(printf '%s=0\r\n' $(seq 1 64))" >>"$work/p/quillet.ini"
pg() { "$cli" pages "$@" --home "$work/p"; }
pg add みなと新報 http://news.quillet.test/today/machi.html >/dev/null
pg cut 1 ニュース --from '<ul class="headlines">' --to '</ul>' && pg cut 1 地域 --css '.topics a' --links /chiiki/2026/
pg add 経済 http://news.quillet.test/today/keizai.html >/dev/null && pg cut 2 経済 --css '#keizai-news li > a'
pg cut 2 無い --css '#nothing a'
pg add 変わった http://news.quillet.test/today/keizai.html >/dev/null && pg cut 3 主要 --from '<div id="top">'
pg test 1 >"$work/p.out" 2>"$work/p.err"
check "pages test: the sections' headlines, nothing logged" test $? -eq 0 -a "$(cut -f1 "$work/p.out" | uniq -c | tr -s ' ')" = \
  $' 10 ニュース\n 6 地域' -a "$(sed -n 7p "$work/p.out")" = $'ニュース\t朝市に〓の開き３００枚、昼前に完売\thttp://news.quillet.test/news/2026/1207-07.html' \
  -a ! -s "$work/p.err" -a ! -e "$work/p/Pages"
check "pages test: why a section cuts nothing" test "$(pg test 2 2>&1 >/dev/null)" = "無い: CSS セレクタに合う要素がありません"
check "feeds find" test "$("$cli" feeds find http://news.quillet.test/today/machi.html --home "$work/p")" = \
  $'くらし通信\thttp://news.quillet.test/kurashi/index.rdf'
"$cli" fetch --home "$work/p" >"$work/p.out" 2>"$work/p.err"
check "fetch: exit 0, the sites' rows, then the pages'" test $? -eq 0 -a "$(cut -f1 "$work/p.out" | uniq)" = $'YOL\nみなと新報\n経済'
check "... each section in its log, in the page's order" test "$("$cli" log --page 1 2 --home "$work/p" | wc -l)" -eq 6 \
  -a "$("$cli" log --page 1 1 --home "$work/p" | head -n1 | cut -f2)" = 港まつり　２日間で過去最多の１８万人
check "... asked again with their validators, the same rows" cmp -s <("$cli" fetch --home "$work/p" 2>/dev/null) "$work/p.out"
check "... which answered 304: kept rows shown" test "$(grep -c $'^page\t1\t\(item\t\|result\tunchanged\t\)' "$work/p/Feeds/state.txt")" -eq 17
check "... a section that cuts nothing, a page that gives no headline" test "$(cat "$work/p.err")" = \
  "警告: 経済: 無い: CSS セレクタに合う要素がありません
警告: 変わった: 主要: 開始テキストが見つかりません
変わった: 見出しが見つかりません（ページの作りが変わったのかもしれません）。ページのフィードを探すか (接続設定のフィード、quillet-cli feeds find URL)、切り出し方を「試す」で確かめてください"

# Usage errors exit 2; an error that ends the run exits 1 with its message.
for args in frobnicate "fetch --nope" "log 65" watch "watch add" "watch drop x" "log 0 --new" \
  "search --fold-width" "log 0 --fold-width" "log --feed" "search x --feed 1"; do
  "$cli" $args --home "$work/a" >/dev/null 2>&1
  check "usage error: $args" test $? -eq 2
done
"$cli" 2>"$work/e.err"
check "no command: said in one line before the usage" test $? -eq 2 -a \
  "$(head -n2 "$work/e.err")" = $'quillet-cli: missing command\nUsage: quillet-cli COMMAND [OPTIONS]'
check "log -1: a bad INDEX" grep -q "INDEX must be" <("$cli" log -1 --home "$work/a" 2>&1)
for args in help -h "search --help" --version; do
  check "$args: exit 0, on stdout" test -n "$("$cli" $args 2>/dev/null)"
done
"$cli" fetch --home "$work/missing" >/dev/null 2>"$work/e.err"
check "--home missing: exit 2, said so" test $? -eq 2 -a ! -e "$work/missing" -a \
  "$(grep -c "no such folder: $work/missing/" "$work/e.err")" -eq 1

# Without --home or QUILLET_HOME: the settings and the logs in the XDG folders,
# made for the user alone.
xdg() { env -u QUILLET_HOME -u XDG_CONFIG_HOME -u XDG_DATA_HOME HOME="$work/user" "$cli" "$@"; }
mkdir "$work/user" && xdg watch add 株価
check "XDG: quillet.ini in ~/.config/quillet, its folder 0700" test -s "$work/user/.config/quillet/quillet.ini" \
  -a "$(stat -c %a "$work/user/.config/quillet")" = 700
cp "$work/a/quillet.ini" "$work/user/.config/quillet/quillet.ini"
check "XDG: a fetch" cmp -s <(xdg fetch) "$work/a.out"
check "... its logs in ~/.local/share/quillet" test -s "$work/user/.local/share/quillet/YOL/top.log"
home "$work/u" "127.0.0.1:$tport" reader wrong
"$cli" fetch --home "$work/u" >/dev/null 2>"$work/u.err"
check "wrong proxy password: exit 1, the site, what to check, the reason" test $? -eq 1 -a "$(cat "$work/u.err")" = \
  "Yomiuri On Line: 認証を求められました (401)。接続設定のプロキシのユーザー名とパスワードを確かめてください。詳細: Unauthorized."
script -qec "'$cli' fetch --home '$work/u'" /dev/null >"$work/u.tty"
check "on a terminal: progress, cleared before the message" grep -q $'\r\e\[KYomiuri On Line: 認証' "$work/u.tty"

# The network check, in a namespace with nothing but loopback: without a proxy
# the fetch is not tried (2); a loopback proxy is a way out (refused there: 1).
if unshare -n true 2>/dev/null; then
  home "$work/n" "" && home "$work/m" "127.0.0.1:1"
  unshare -n "$cli" fetch --home "$work/n" >/dev/null 2>"$work/n.err"
  check "no network: exit 2, said so" test $? -eq 2 -a "$(cat "$work/n.err")" = ネットワークに接続されていません
  unshare -n "$cli" fetch --home "$work/m" >/dev/null 2>&1
  check "loopback proxy passes the check" test $? -eq 1
else echo "network namespaces unavailable: network check not exercised" >&2; fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
