#!/usr/bin/env bash
# quillet-cli pages: the pages file, refusals that write nothing, export and
# import, a section's log and its search. Usage: pages_test.sh QUILLET_CLI
set -u
cli=$1
. "$(dirname "$0")/../support/checks.sh"
p() { "$cli" pages "$@" --home "$work"; }
q() { "$cli" "$@" --home "$work"; }

check "add prints the id" test "$(p add 町の新聞 http://a.test/)" = 1
check "add, cp932" test "$(p add "$(printf '経済' | iconv -t CP932)" https://b.test/x --encoding cp932)" = 2
p cut 1 主要 --from '<ul class="news">' --to '</ul>' --min-length 4
p cut 1 話題 --css 'section#topics a' --links /topics/
p cut 2 全部
p disable 2
check "list" test "$(p list)" = "1	on	町の新聞	http://a.test/
	1	主要	--from '<ul class=\"news\">' --to '</ul>' --min-length 4
	2	話題	--css 'section#topics a' --links /topics/
2	off	経済	https://b.test/x
	1	全部	"

cp "$work/pages.txt" "$work/before.txt"
refuse() { # refuse MESSAGE ARGS...: exit 1, the message (its start) on stderr, nothing on stdout
  p "${@:2}" >"$work/out" 2>"$work/err"
  local status=$? err && err=$(cat "$work/err")
  check "refused: $1" test $status -eq 1 -a ! -s "$work/out" -a "${err#"$1"}" != "$err"
}
refuse ページ名が空です add '' http://x
refuse "URL は http:// か https:// で始めてください" add n ftp://x
refuse セクション名が空です cut 1 '' --css a
refuse "XPath 式が正しくありません" cut 1 s --xpath '//a['
refuse "CSS セレクタが正しくありません" cut 1 s --css 'a:hover'
refuse "切り出し方を一つ指定してください" cut 1 s --css a --xpath //a
refuse "ID 9 のページはありません" cut 9 s --css a
refuse "ID 9 のページはありません" remove 9
check "refusals write nothing" cmp -s "$work/before.txt" "$work/pages.txt"

# Out and in again: the same list in an empty folder, and nothing twice.
mkdir "$work/other"
p export >"$work/shared.txt"
o() { "$cli" pages "$@" --home "$work/other"; }
check "import" test "$(o import "$work/shared.txt")" = "2 件のページを追加しました"
check "... the same list" test "$(o list)" = "$(p list)"
check "import again skips" test "$(o import "$work/shared.txt")" = "0 件のページを追加しました、2 件は同じページがあるため飛ばしました"
printf 'page\nname n\nurl http://c.test/\nsection s\ncolour red\n' >"$work/bad.txt"
cp "$work/other/pages.txt" "$work/before.txt"
o import "$work/bad.txt" >"$work/out" 2>"$work/err"
check "a malformed file is refused with its line" test $? -eq 1 -a ! -s "$work/out" \
  -a "$(cat "$work/err")" = "$work/bad.txt の 5 行目: 知らないキーです: colour"
check "... writing nothing" cmp -s "$work/before.txt" "$work/other/pages.txt"

# A section's log: printed by log --page, searched under the page's name.
mkdir -p "$work/Pages"
printf '%s\t%s\t%s\t1\r\n' 駅前に新しい図書館 http://a.test/1 2026/12/07 | iconv -t CP932 >"$work/Pages/1-2.log"
check "log --page" test "$(q log --page 1 2)" = $'2026/12/07\t駅前に新しい図書館\thttp://a.test/1'
q log --page 1 3 >"$work/out" 2>"$work/err"
check "log --page: no such section" test $? -eq 1 -a "$(cat "$work/err")" = "町の新聞 にセクション 3 はありません"
check "search: a page's rows" test "$(q search 図書館 2>/dev/null)" = $'町の新聞\t2026/12/07\t話題\t駅前に新しい図書館\thttp://a.test/1'

p remove 1 && p enable 2
check "remove, enable" test "$(p list | cut -f1,2)" = $'2\ton\n\t1'

echo "$passed passed, $failed failed"
test "$failed" -eq 0
