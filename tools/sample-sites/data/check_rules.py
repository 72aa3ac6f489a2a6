#!/usr/bin/env python3
"""Cuts the bundled sample front pages the way Quillet's site extractors do and
prints what every category yields.

    check_rules.py            counts per category
    check_rules.py -v         every headline with its URL
    check_rules.py --check    compare the counts with EXPECTED.md (exit 1 on a
                              difference) and check the code guessing

Everything works on bytes, as the program does: the Shift_JIS pages are used as
received, the Asahi page is converted from EUC-JP without guessing, and the
Impress Watch, Chuou and Mainichi pages go through the code guesser. The
converters and the guesser below follow the program's own (byte arithmetic,
not Python codecs), so a page that the program would mis-guess fails here too.
"""

import argparse
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def sj(text):
    """A literal as CP932 bytes."""
    return text.encode("cp932")


# --------------------------------------------------------------------------
# Text operations


def split_text(data):
    """Lines at CR LF, lone CR, lone LF; a break at the very end makes no
    empty last line."""
    lines = re.split(rb"\r\n|\r|\n", data)
    if lines and lines[-1] == b"" and data[-1:] in (b"\r", b"\n"):
        lines.pop()
    if data == b"":
        return []
    return lines


def stream_to_lines(body, drop_last_byte):
    # The received-body scan may stop one byte before the end; pages that end
    # with a line break give the same lines either way.
    if drop_last_byte:
        body = body[:-1]
    return [line.split(b"\0", 1)[0] for line in split_text(body)]


def lines_text(lines):
    return b"".join(line + b"\r\n" for line in lines)


def trimmed_empty(line):
    return line.strip(bytes(range(0, 33))) == b""


def split_breaks(lines):
    lines = split_text(lines_text(lines).replace(b"<br>", b"\r\n"))
    return [line for line in lines if not trimmed_empty(line)]


# --------------------------------------------------------------------------
# Character codes


def jis_pair_to_sjis(j1, j2):
    if j1 < 0x5F:
        b1 = (((j1 + 1) >> 1) + 0x70) & 0xFF
    else:
        b1 = (((j1 + 1) >> 1) + 0xB0) & 0xFF
    if j1 & 1:
        b2 = j2 + 0x1F if j2 < 0x60 else j2 + 0x20
    else:
        b2 = j2 + 0x7E
    return bytes([b1, b2 & 0xFF])


def euc_to_sjis(data):
    out = bytearray()
    i = 0
    while i < len(data):
        c = data[i]
        if c < 0x81 or c > 0xFE:
            out.append(c)
            i += 1
        elif c == 0x8E:
            if i + 1 < len(data):
                out.append(data[i + 1])
            i += 2
        else:
            d = data[i + 1] if i + 1 < len(data) else 0
            out += jis_pair_to_sjis(c % 0x80, d % 0x80)
            i += 2
    return bytes(out)


def jis_to_sjis(data):
    out = bytearray()
    two = False
    i = 0
    while i < len(data):
        c = data[i]
        if c == 0x1B:
            nxt = data[i + 1] if i + 1 < len(data) else None
            if nxt == ord("$"):
                two = True
            elif nxt == ord("("):
                two = False
            i += 3
        elif two:
            d = data[i + 1] if i + 1 < len(data) else 0
            out += jis_pair_to_sjis(c, d)
            i += 2
        else:
            out.append(c)
            i += 1
    return bytes(out)


def detect_code(s):
    """Returns (code, 0-based offset of the byte at which it was decided)."""
    n = len(s)
    for i in range(min(512, n - 1)):
        if s[i] < 0x08 or s[i] == 0xFF:
            return 1, i
    code = 0
    i = 0  # 0-based; the scan runs while i < n - 1 (never the last byte)
    where = None
    while code in (0, 6) and i < n - 1:
        c = s[i]
        start = i
        if c == 0x1B:
            i += 1
            if s[i] == ord("$"):
                i += 1
                if i < n and s[i] == ord("B"):
                    code = 2
                elif i < n and s[i] == ord("@"):
                    code = 3
        elif c < 0x08 or c == 0xFF:
            code = 1
        elif c <= 0x7F:
            pass
        elif 0x81 <= c <= 0x8D or 0x8F <= c <= 0x9F:
            code = 5
        elif c == 0x8E:
            i += 1
            d = s[i]
            if 0x40 <= d <= 0x7E or 0x80 <= d <= 0xA0 or 0xE0 <= d <= 0xFC:
                code = 5
            elif 0xA1 <= d <= 0xDF:
                code = 6
        elif 0xA1 <= c <= 0xDF:
            i += 1
            d = s[i]
            if 0xF0 <= d <= 0xFE:
                code = 4
            elif 0xA1 <= d <= 0xDF:
                code = 6
            elif 0xE0 <= d <= 0xEF:
                code = 6
                while d >= 0x40 and i < n and code == 6:
                    if d >= 0x81:
                        if d <= 0x8D or 0x8F <= d <= 0x9C:
                            code = 5
                        elif 0xFD <= d <= 0xFE:
                            code = 4
                    i += 1
                    d = s[i] if i < n else 0
            elif d <= 0x9F:
                code = 5
        elif 0xF0 <= c <= 0xFE:
            code = 4
        elif 0xE0 <= c <= 0xEF:
            i += 1
            d = s[i]
            if 0x40 <= d <= 0x7E or 0x80 <= d <= 0xA0:
                code = 5
            elif 0xFD <= d <= 0xFE:
                code = 4
            elif 0xA1 <= d <= 0xFC:
                code = 6
        if code not in (0, 6) and where is None:
            where = start
        i += 1
    return code, where


def convert_to_sjis(data):
    code, _ = detect_code(data)
    if code in (2, 3):
        return jis_to_sjis(data)
    if code == 4:
        return euc_to_sjis(data)
    return data


# --------------------------------------------------------------------------
# Catalogue (only what the cut and the walk need)

CATEGORIES = {}  # index -> (markers, genre label, absolute links)


def category(index, markers, genre, absolute=False):
    if isinstance(markers, str):
        markers = [markers]
    CATEGORIES[index] = ([sj(m) for m in markers], genre, absolute)


for i, (m, g) in enumerate([
        ("<!-- /topnews/headline=start -->", "トップ"),
        ("<!-- /news/shuyo start -->", "主要"),
        ("<!-- /news/kokusai=start -->", "国際"),
        ("<!-- /news/shakai=start -->", "社会"),
        ("<!-- /news/sports=start -->", "スポーツ"),
        ("<!-- /news/seiji=start -->", "政治"),
        ("<!-- /news/keizai=start -->", "経済"),
        ("<!-- /news/okuyami start -->", "おくやみ"),
        ("<!-- /news/column start -->", "コラム")]):
    category(i, m, g)
for i, (m, g) in enumerate([
        ("TopTitle", "トップ"), ("Top 5", "最新"), ("international", "国際"),
        ("national", "社会"), ("sports", "スポーツ"), ("business", "経済"),
        ("politics", "政治"), ("culture", "文化芸能"), ("people", "ひと"),
        ("obituaries", "おくやみ")]):
    category(9 + i, "<!-- Start of %s -->" % m, g)
for i, (m, g) in enumerate([
        ("トップニュース", "トップ"), ("ヘッドライン・インターネット", "ネット"),
        ("ヘッドライン・パソコン", "ＰＣ"), ("ヘッドライン・アキバ", "アキバ"),
        ("ヘッドライン・ブロードバンド", "ＢＢ"), ("ヘッドライン・ケータイ", "携帯"),
        ("ヘッドライン・デジタルオーディオ／ビジュアル", "ＡＶ"),
        ("ヘッドライン・ゲーム", "ゲーム"), ("ヘッドライン・投資情報", "投資情報"),
        ("ヘッドライン・Windows用オンラインソフト", "Wソフト"),
        ("ヘッドライン・Mac用オンラインソフト", "Mソフト"),
        ("ヘッドライン・シネマ情報", "シネマ")]):
    category(19 + i, "<!--●●●●●%s●●●●●-->" % m, g, 19 + i in (24, 27, 28, 29))
ZAK_FINAL = ('<FONT SIZE=2 COLOR="#0000CC"><SPAN style="font-size: 10pt">'
             '◆◆◆ニュース最終版◆◆◆</SPAN></FONT><BR>')
ZAK_TOP = ('<FONT SIZE=2 COLOR="#0000CC"><SPAN style="font-size: 10pt">'
           "◆◆◆TODAY'S TOP NEWS◆◆◆</SPAN></FONT><BR>")
ZAK_SPORTS = ('<FONT SIZE=2 COLOR="#0000CC"><SPAN STYLE="font-size: 10pt">'
              '◆◆◆サンスポＮＥＷＳ◆◆◆</SPAN></FONT><BR>')
category(31, [ZAK_FINAL, ZAK_TOP, ZAK_SPORTS], "トップ")
for i, (m, g) in enumerate([
        ("Top", "トップ"), ("Latest", "最新"), ("Chumoku", "注目"),
        ("World", "国際"), ("Japan", "日本"), ("U.S.", "米国"),
        ("Business", "経済"), ("Sports", "スポーツ"), ("Tech", "テクノロジ"),
        ("Fringe", "こぼれ話"), ("Showbiz", "ｴﾝﾀﾃｲﾝﾒﾝﾄ")]):
    category(32 + i, "<!-- CNN %s News -->" % m, g)
for i, (m, g) in enumerate([
        ("top", "トップ"), ("latest", "最新"), ("tokusyu", "特集"),
        ("nanboku", "南北"), ("politics", "政治"), ("business", "経済"),
        ("society", "社会"), ("chousen", "北朝鮮"), ("sports", "スポーツ"),
        ("culture", "文化芸能"), ("cartoon", "ｶｰﾄｩｰﾝ"), ("obit", "社説"),
        ("column", "コラム")]):
    category(43 + i, "<!-- Chuou %s -->" % m, g)
for i, (m, g) in enumerate([
        ("top", "トップ"), ("latest", "最新"), ("kokusai", "国際"),
        ("shakai", "社会"), ("IT", "IT"), ("sports", "スポーツ"),
        ("seiji", "政治"), ("keizai", "経済"), ("jinji", "人事訃報")]):
    category(56 + i, "<!-- Mainichi %s -->" % m, g)


def mk(index):
    return CATEGORIES[index][0][0]


# --------------------------------------------------------------------------
# Cutting rules


def cut_yomiuri(lines):
    rows = [("/topnews/headline=start", "/topnews/headline=end"),
            ("/news/shuyo start", "/news/shuyo end"),
            ("/news/kokusai=start", "/news/kokusai=end"),
            ("/news/shakai=start", "/news/shakai=end"),
            ("/news/sports=start", "/news/sports=end"),
            ("/news/seiji=start", "/news/seiji=end"),
            ("/news/keizai=start", "/news/keizai=end"),
            ("/news/okuyami start", "/news/okuyami end"),
            ("/news/column start", "/news/column end")]
    rows = [(sj("<!-- %s -->" % a), sj("<!-- %s -->" % b)) for a, b in rows]
    doc = []
    collecting = top = False
    prefix = b""
    for line in lines:
        for k, (start, end) in enumerate(rows):
            if line == start:
                collecting = True
                top = top or k == 0
            if line == end:
                collecting = False
                if k == 0:
                    top = False
        if collecting:
            doc.append(prefix + line if top else line)
        if sj("[全文へ]") in line:
            p = line.find(b"<a href")
            q = line.find(b">")
            # These pages put "<a href" ahead of the first ">" on every such
            # line, where every reading of the positions agrees.
            assert 0 <= p < q, line
            prefix = line[p:q + 1]
    return doc


def cut_asahi(lines):
    names = ["TopTitle", "Top 5", "international", "national", "sports",
             "business", "politics", "culture", "people", "obituaries"]
    starts = [sj("<!-- Start of %s -->" % n) for n in names]
    ends = [sj("<!-- End of %s -->" % n) for n in names]
    doc = []
    collecting = pairing = False
    pending = b""
    for line in lines:
        if line == starts[0]:
            collecting = True
        if line == ends[0]:
            collecting = False
        opened = False
        for k in range(1, 10):
            if line == starts[k]:
                collecting = pairing = True
                doc.append(line)
                opened = True
                break
            if line == ends[k]:
                collecting = pairing = False
        if opened:
            continue
        if pairing:
            if pending == b"":
                pending = line
            else:
                doc.append(sj("・") + pending + line)
                pending = b""
        elif collecting:
            doc.append(line)
    return doc


IMP_TOP_TABLE = b'<table border="0" width="468" cellspacing="5" cellpadding="0">'
IMP_TABLE_A = b"<table border=0 width=468 cellspacing=3 cellpadding=0>"
IMP_TABLE_B = b'<table border="0" width="468" cellspacing="3" cellpadding="0">'


def cut_impress(lines):
    doc = []
    top = table = False
    held = b""
    for line in lines:
        if line == mk(19):
            top = True
            doc.append(line)
            continue
        if top and line == IMP_TOP_TABLE:
            table = True
            continue
        if top and table:
            held += line
        if top and table and line == b"</a></b></td></tr>":
            doc.append(held)
            break
    section = table = False
    held = b""
    for line in lines:
        if section and table and line == b"</table>":
            section = table = False
            held = b""
        if section and table and sj("<!--●●●●●") in line:
            section = table = False
            held = b""
        opened = False
        for k in range(20, 31):
            if line == mk(k):
                section = True
                if k == 22:
                    table = True
                doc.append(line)
                opened = True
                break
        if opened:
            continue
        if section and line == IMP_TABLE_A:
            table = True
        if section and line == IMP_TABLE_B:
            table = True
        if section and table:
            if line == b"</a></td></tr>":
                doc.append(held)
                held = b""
            else:
                held += line
    return doc


def cut_zakzak(lines):
    final_m, top_m, sports_m = CATEGORIES[31][0]
    doc = []
    final = topnews = sports = ready = items = pending_on = False
    pending = b""
    for line in lines:
        if line == final_m:
            final = True
            doc.append(line)
        if line == top_m:
            topnews = True
            doc.append(line)
        if line == sports_m:
            sports = True
            doc.append(line)
        if final and line.startswith(b'<SPAN style="font-size: 12pt">'):
            items = True
            continue
        if topnews and line.startswith(b'<FONT SIZE=3><SPAN style="font-size: 12pt">'):
            ready = True
        if ready and topnews and line.startswith(b'<A HREF="'):
            items = True
        if sports and line.startswith(b'<FONT SIZE=+1><SPAN STYLE="font-size: 12pt">'):
            items = True
            continue
        if items and final and len(doc) > 1 and line == b"":
            break
        if items and topnews and len(doc) > 1 and line == b"":
            break
        if items and sports and line.startswith(b'<DIV ALIGN="right">'):
            break
        for flag in (final, topnews):
            if items and flag and line != b"" and line != b"</A><BR>":
                if pending_on:
                    doc.append(pending + line)
                    pending_on = False
                else:
                    pending = line
                    pending_on = True
        if items and sports and line != b"":
            doc.append(line)
    return doc


def cut_cnn(lines):
    blocks = [
        (b"<!-- __________[ WORLD ]_________________________________[ JAPAN ]__________ -->",
         mk(35), mk(36)),
        (b"<!-- __________[ U.S. ]_________________________________[ BUSINESS ]__________ -->",
         mk(37), mk(38)),
        (b"<!--// __________[ SPORTS ]_________________________________[ TECH ]__________ -->",
         mk(39), mk(40)),
        (b"<!--// __________[ FRINGE ]_________________________________[ SHOWBIZ ]__________ -->",
         mk(41), mk(42)),
    ]
    doc = []
    listing = False
    counters = [0, 0, 0, 0]
    for line in lines:
        if b'<span class="headline">' in line:
            doc.append(mk(32))
            doc.append(line)
        if sj('<span class="t2header">最新ニュース') in line:
            doc.append(mk(33))
            listing = True
        if sj('<span class="t2header">注目のニュース') in line:
            doc.append(mk(34))
            listing = True
        for k, (comment, left, _) in enumerate(blocks):
            if comment in line:
                doc.append(left)
                counters[k] = 2
        if listing and line.startswith(b"</div>"):
            listing = False
        for k, (_, _, right) in enumerate(blocks):
            if counters[k] > 0 and line.startswith(b"</div>"):
                if counters[k] == 2:
                    doc.append(right)
                counters[k] -= 1
        for k in range(4):
            if counters[k] > 0 and line.startswith(b'<LI><a href="'):
                doc.append(line)
        if listing:
            if line.startswith(b'<LI><a href="'):
                doc.append(line)
            if line.startswith(b'<a href="') and b'<img src="' not in line:
                doc.append(line)
    return doc


def cut_chuou(lines):
    def at(i):
        if i >= len(lines):
            raise IndexError("line %d asked of a page of %d lines" % (i, len(lines)))
        return lines[i]

    doc = []
    latest = False
    for i, line in enumerate(lines):
        if b"<font class=headline " in line:
            doc += [mk(43), line + at(i + 2)]
        for frag in (b"<font class=headline2 ", b"<font class=headline3>"):
            if frag in line:
                if not latest:
                    doc.append(mk(44))
                    latest = True
                doc.append(line + at(i + 1))
    genre = False
    heads = [(sj(f), mk(k)) for f, k in [
        ("<font color=#AC0030><b> 政治 ", 47), ("<font color=#AC0030><b> 経済 ", 48),
        ("<font color=#AC0030><b> 社会 ", 49), ("<font color=#AC0030><b> 北朝鮮 ", 50),
        ("<font color=#AC0030><b>スポーツ ", 51), ("<font color=#AC0030><b>文化・芸能", 52)]]
    for i, line in enumerate(lines):
        if sj("<font color=#AC0030><b>[特集]") in line:
            doc += [mk(45), at(i + 2)]
        if sj("<font color=#AC0030><b>[南北新時代]") in line:
            doc += [mk(46), at(i + 2)]
        for frag, marker in heads:
            if frag in line:
                genre = True
                doc.append(marker)
        if line.startswith(b'<a href="/php/manhwa.php">'):
            doc += [mk(53), line]
        if genre and line.startswith(b'<li><a href="'):
            doc.append(line + at(i + 1))
    for i, line in enumerate(lines):
        if sj("<font color=#000000><b>社説") in line:
            doc += [mk(54), at(i + 1) + at(i + 2)]
        if sj("<font color=#000000><b>コラム") in line:
            doc += [mk(55), at(i + 1) + at(i + 2)]
    return doc


def cut_mainichi(lines):
    def at(i):
        if i >= len(lines):
            raise IndexError("line %d asked of a page of %d lines" % (i, len(lines)))
        return lines[i]

    frag = {k: sj(v) for k, v in {
        "top": "<!---- ニュースセレクション---->",
        "latest": "<!-----ニュースセレクション2---->",
        "kokusai": "<!-----　Kokusai　----->", "shakai": "<!-----　Shakai　----->",
        "it": "<!-----　IT　----->", "sports": "<!-----　Sports　----->",
        "seiji": "<!-----　Seiji　----->", "keizai": "<!-----　Keizai　----->",
        "jinji": "<!-----　Jinji　----->"}.items()}
    square = sj("■")
    doc = []
    mode = "off"
    for i, line in enumerate(lines):
        if frag["top"] in line:
            doc += [mk(56), line]
        if frag["latest"] in line:
            doc.append(mk(57))
            mode = "latest"
            continue
        if mode == "latest" and line == b"</a>":
            mode = "off"
        if frag["kokusai"] in line:
            doc.append(mk(58))
            mode = "list"
        if mode == "list" and line == b"</font>":
            mode = "off"
        if frag["shakai"] in line:
            doc.append(mk(59))
            mode = "society"
        if mode == "society" and line == b"</font>":
            mode = "off"
        if frag["it"] in line:
            doc.append(mk(60))
            mode = "it"
        if mode == "it" and line == b"</font>":
            mode = "off"
        for name, k in (("sports", 61), ("seiji", 62), ("keizai", 63), ("jinji", 64)):
            if frag[name] in line:
                doc.append(mk(k))
                mode = "list"
        if mode == "latest":
            if line != b'<br clear="all">':
                doc.append(line)
        elif mode == "list":
            if line.startswith(square):
                doc.append(line + at(i + 1))
        elif mode == "society":
            if square in line:
                doc.append(line + at(i + 1))
        elif mode == "it":
            if square in line:
                doc.append(line + at(i + 2))
    return doc


# --------------------------------------------------------------------------
# Headline walk


def extract_href(line):
    work = line.replace(b" ", b"")
    pos = work.lower().find(b'<ahref="')
    if pos < 0:
        return b""
    rest = work[pos + len(b'<ahref="'):]
    end = rest.find(b'"')
    return rest if end < 0 else rest[:end]


def remove_tags(line):
    while True:
        lt = line.find(b"<")
        gt = line.find(b">")
        if lt < 0 or gt < 0 or gt < lt:
            return line
        line = line[:lt] + line[gt + 1:]


def extract_headlines(doc, site_indexes, base_url, erase_markers):
    """Returns [(category index, headline, url)], one per list row; a
    separator row (shown only when NoAddEmpty is off) has an empty headline."""
    markers = {}
    for k in site_indexes:
        for m in CATEGORIES[k][0]:
            markers[m] = k
    rows = []
    genre = b""
    current = None
    absolute = False
    assert not doc or doc[0] in markers, "document does not start with a marker"
    for line in doc:
        previous = genre
        if line in markers:
            current = markers[line]
            genre = sj(CATEGORIES[current][1])
            absolute = CATEGORIES[current][2]
            if erase_markers:
                line = b""
        target = extract_href(line)
        url = target if absolute else base_url + target
        headline = remove_tags(line)
        if genre == previous and headline == b"":
            continue
        rows.append((current, headline, url))
    return rows


# --------------------------------------------------------------------------
# Sites

SITES = [
    # number, file, base URL, page lines, normalise, cut, indexes, erase markers
    (0, "yomiuri.html", b"http://www.yomiuri.co.jp", "stream", True, cut_yomiuri, range(0, 9), False),
    (1, "asahi.html", b"http://www.asahi.com/", "euc", True, cut_asahi, range(9, 19), False),
    (2, "impress.html", b"http://www.watch.impress.co.jp", "guess", True, cut_impress, range(19, 31), False),
    (3, "zakzak.html", b"http://www.zakzak.co.jp/", "stream", True, cut_zakzak, range(31, 32), True),
    (4, "cnn.html", b"http://www.cnn.co.jp", "stream", True, cut_cnn, range(32, 43), True),
    (5, "chuou.html", b"http://japanese.joins.com", "guess", True, cut_chuou, range(43, 56), True),
    (6, "mainichi.html", b"http://www.mainichi.co.jp", "guess", False, cut_mainichi, range(56, 65), True),
]

EXPECTED_CODE = {"impress.html": 2, "chuou.html": 4, "mainichi.html": 5}


def page_lines(body, how, drop_last_byte):
    if how == "stream":
        return stream_to_lines(body, drop_last_byte)
    if how == "euc":
        return split_text(euc_to_sjis(lines_text(stream_to_lines(body, drop_last_byte))))
    return split_text(convert_to_sjis(body.split(b"\0", 1)[0]))


def run_site(site, drop_last_byte=False):
    number, name, base, how, normalise, cut, indexes, erase = site
    with open(os.path.join(HERE, name), "rb") as f:
        body = f.read()
    doc = cut(page_lines(body, how, drop_last_byte))
    if normalise:
        doc = split_breaks(doc)
    return extract_headlines(doc, indexes, base, erase)


def read_expected():
    """Counts from the '| index | ... | count |' rows of EXPECTED.md."""
    counts = {}
    with open(os.path.join(HERE, "EXPECTED.md"), encoding="utf-8") as f:
        for line in f:
            m = re.match(r"\|\s*(\d+)\s*\|[^|]*\|\s*(\d+)\s*\|", line)
            if m:
                counts[int(m.group(1))] = int(m.group(2))
    return counts


# Literals that the cutting rules look for anywhere in a line. Equality and
# begins-with tests are anchored; a contains test on a multi-byte literal
# could also hit the trail byte of one character and the next, so the pages
# must hold these only on character boundaries for byte-wise and
# character-wise matching to agree.
CONTAINED = [sj(t) for t in [
    "[全文へ]", "<!--●●●●●", '<span class="t2header">最新ニュース',
    '<span class="t2header">注目のニュース', "<font color=#AC0030><b>[特集]",
    "<font color=#AC0030><b>[南北新時代]", "<font color=#AC0030><b> 政治 ",
    "<font color=#AC0030><b> 経済 ", "<font color=#AC0030><b> 社会 ",
    "<font color=#AC0030><b> 北朝鮮 ", "<font color=#AC0030><b>スポーツ ",
    "<font color=#AC0030><b>文化・芸能", "<font color=#000000><b>社説",
    "<font color=#000000><b>コラム", "<!---- ニュースセレクション---->",
    "<!-----ニュースセレクション2---->", "<!-----　Kokusai　----->",
    "<!-----　Shakai　----->", "<!-----　IT　----->", "<!-----　Sports　----->",
    "<!-----　Seiji　----->", "<!-----　Keizai　----->", "<!-----　Jinji　----->",
    "■"]]


def misaligned_hits(lines):
    """(line number, literal) of every contains-hit that starts on a trail byte."""
    hits = []
    for n, line in enumerate(lines):
        starts = set()
        i = 0
        while i < len(line):
            starts.add(i)
            c = line[i]
            i += 2 if (0x81 <= c <= 0x9F or 0xE0 <= c <= 0xFC) else 1
        for lit in CONTAINED:
            pos = line.find(lit)
            while pos >= 0:
                if pos not in starts:
                    hits.append((n + 1, lit))
                pos = line.find(lit, pos + 1)
    return hits


def row_problems(rows):
    """Headlines that would upset the log: a TAB splits the record's fields,
    and a headline that begins another of its category (letter case aside)
    makes the log look-up take one for the other."""
    problems = []
    for k, headline, url in rows:
        if b"\t" in headline or b"\t" in url:
            problems.append("TAB in %s" % show(headline))
    for k, a, _ in rows:
        for k2, b, _ in rows:
            if k == k2 and a is not b and b.lower().startswith(a.lower()):
                problems.append("%s begins %s" % (show(a), show(b)))
    return problems


def show(b):
    return b.decode("cp932", errors="backslashreplace").replace("\t", "\\t")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("-v", action="store_true", help="list every headline")
    ap.add_argument("--check", action="store_true", help="compare with EXPECTED.md")
    args = ap.parse_args()
    failures = 0
    expected = read_expected() if args.check else {}
    for site in SITES:
        number, name = site[0], site[1]
        all_rows = run_site(site)
        if run_site(site, drop_last_byte=True) != all_rows:
            print("%s: result depends on the last body byte" % name)
            failures += 1
        rows = [r for r in all_rows if r[1] != b""]
        separators = len(all_rows) - len(rows)
        with open(os.path.join(HERE, name), "rb") as f:
            body = f.read()
        code, where = detect_code(body)
        print("== site %d %s: %d headlines, %d separator rows; guessed code %s, decided at byte %s"
              % (number, name, len(rows), separators, code, where))
        if name in EXPECTED_CODE and code != EXPECTED_CODE[name]:
            print("   code %d, want %d" % (code, EXPECTED_CODE[name]))
            failures += 1
        if code == 5 and site[3] == "guess" and convert_to_sjis(body) != body:
            print("   a Shift_JIS page is changed by the guessing converter")
            failures += 1
        for n, lit in misaligned_hits(page_lines(body, site[3], False)):
            print("   line %d: %s found off a character boundary" % (n, show(lit)))
            failures += 1
        for problem in row_problems(rows):
            print("   " + problem)
            failures += 1
        for k in site[6]:
            mine = [r for r in rows if r[0] == k]
            note = ""
            if args.check and expected.get(k) != len(mine):
                note = "   <-- EXPECTED.md says %s" % expected.get(k)
                failures += 1
            print("  %2d %-10s %3d%s" % (k, CATEGORIES[k][1], len(mine), note))
            if args.v:
                for _, headline, url in mine:
                    print("       %s\n         %s" % (show(headline), show(url)))
    if args.check:
        print("OK" if failures == 0 else "%d difference(s)" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
