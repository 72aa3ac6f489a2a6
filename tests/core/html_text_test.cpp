// HTML fragments to text: markup by HTML's tokenizer rules, character references.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text/html_text.h"

namespace quillet {
namespace {

using namespace std::string_literals;

TEST(HtmlText, ReadsFragmentsAsHtmlDoes) {
  const std::string fffd = "\xEF\xBF\xBD";
  // clang-format off
  const std::pair<std::string, std::string> rows[] = {
      // Inline tags go; <br> and block tags, start or end, become a space.
      {"M<b>&amp;</b>A", "M&A"}, {"<span class=\"x\">a</span><a href=\"/n?id=1&amp;p=2\">b</a><IMG SRC=x>c", "abc"},
      {"a<br>b<BR/>c</br>d", "a b c d"}, {"<p>a</p><DIV>b</div><li>c<h2>d</h2><td>e", " a  b  c d  e"},
      {"a<section>b<sectio>c<TABLE>d<z>e<Z>f", "a bc def"},
      // Quotes hold a ">" only around an attribute's value; an unquoted value
      // ends at ">"; a tag left open at the end drops the rest.
      {"<a title=\"x>y\" b='1>2'>t</a>", "t"}, {"<a b=x>y>", "y>"}, {"<a \"b>c", "c"},
      {"a</b x=\">\">c", "ac"}, {"a<b c", "a"},
      // A "<" that no letter, "/", "!" or "?" follows is text.
      {"台風<10号>接近", "台風<10号>接近"}, {"株価 <上昇>", "株価 <上昇>"}, {"1<2 <= 3<>", "1<2 <= 3<>"},
      // Comments, doctypes and bogus comments (<![CDATA[ too) end as HTML ends them.
      {"a<!-- b > c -->d", "ad"}, {"a<!--x--!>b<!--y---->c<!-- -- -->d", "abcd"},
      {"<!DOCTYPE html>a<?xml version=\"1.0\"?>b<!>c", "abc"}, {"<![CDATA[x>y]]>z", "y]]>z"},
      // Script and style content goes up to its end tag in any letter case.
      {"a<script>if (x<y) f(\"</b>\")</script>b", "ab"},
      {"a<SCRIPT type=\"t\">x</ScRiPt >b<style>p{}</STYLE\n/>c", "abc"}, {"a<script>x</scripty>y</</script>b", "ab"},
      // Named references, the legacy ones also without ";" (the longest that
      // matches); an "&" that starts none is text.
      {"&lt;&gt;&quot;&apos;&AMP;&copy;2026&yen;100", "<>\"'&©2026¥100"}, {"&amp&ampx&AMP &LT&copy 2026", "&&x& <© 2026"},
      {"&notit; &notin; &not", "¬it; ∉ ¬"}, {"&foo; & b AT&T &; &", "&foo; & b AT&T &; &"},
      {"&NotEqualTilde;&fjlig;&Afr;", "\xE2\x89\x82\xCC\xB8" "fj\xF0\x9D\x94\x84"},
      {"&CounterClockwiseContourIntegral;", "\xE2\x88\xB3"},
      // Numeric references, decimal and hex, ";" optional.
      {"&#8217;&#x2019;&#X2019&#12354;&#0038;", "’’’あ&"},
      {"&#38abc&#x26g&#xa0;&#XA0&#x7F;&#x7FF;&#x800;&#xFFFF;&#x10000;&#x10FFFF;&#9",
       "&abc&g\u00A0\u00A0\x7F\u07FF\u0800\uFFFF\U00010000\U0010FFFF\t"},
      // ... 0, surrogates and numbers past 0x10FFFF are U+FFFD, 0x80-0x9F
      // windows-1252's characters where it has one.
      {"&#0;&#xD800;&#xdfff;&#x110000;&#99999999999999999999;", fffd + fffd + fffd + fffd + fffd},
      {"&#128;&#x9F;&#150;&#x81;", "€Ÿ–\xC2\x81"},
      // NUL goes; bytes that are not UTF-8 pass.
      {"a\0b"s, "ab"}, {"\xFF<b>\xE3\x81</b>", "\xFF\xE3\x81"},
  };
  // clang-format on
  for (const auto& [html, text] : rows) {
    // A heap block of exactly the bytes: ASan sees any read past them.
    const std::vector<char> exact(html.begin(), html.end());
    EXPECT_EQ(HtmlToText(std::string_view(exact.data(), exact.size())), text) << html;
  }
}

}  // namespace
}  // namespace quillet
