// Cutting a user's page on a generated ~1 MB news page as sites write them
// today (navigation, inline scripts and JSON, SVG icons, cards of links with
// nested headings and data attributes, Japanese text in UTF-8): between two
// texts, by XPath and by CSS, each on a page decoded afresh; a further
// section on a page already parsed; libxml2's HTML parse alone; and the same XPath by `xmllint
// --html --xpath` on the same file, a process started per run, for the ratio.
//
//   page_cut_bench [benchmark flags]
//   page_cut_bench --write-input PATH   writes the page to PATH and exits
#include <benchmark/benchmark.h>
#include <libxml/HTMLparser.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "core/pages/page_document.h"

namespace quillet {
namespace {

constexpr size_t kPageSize = 1024 * 1024;
const std::string kUrl = "https://www.example.jp/";
const std::string kXPath = "//section[@id='latest']//article[contains(@class,'card')]";
const std::string kCss = "section#latest article.card";
// Literals below are UTF-8, the page's encoding; the section's texts are CP932.
const std::string kFrom = "<section id=\"latest\"";
const std::string kTo = "</section>";

const std::string& Page() {
  static const std::string page = [] {
    const char* headlines[] = {
        "政府、来年度予算案を閣議決定　過去最大の規模に",
        "東京都心で桜が満開　平年より５日早く",
        "台風１５号、関東に接近　交通機関に乱れ",
        "日経平均が一時５００円安　半導体株に売り",
        "新型ノートＰＣを発表、重さは１キロ切る",
        "プロ野球開幕、延長戦を制し白星発進",
    };
    std::string html =
        "<!DOCTYPE html><html lang=\"ja\"><head><meta charset=\"utf-8\">"
        "<title>ニュース｜Example</title><link rel=\"alternate\" "
        "type=\"application/rss+xml\" href=\"/rss.xml\">"
        "<script>window.__STATE__={\"user\":null,\"flags\":[1,2,3],\"html\":\"<a href=x>\"};"
        "</script><style>.card{display:flex}.card h3{font-size:1rem}</style></head><body>"
        "<header class=\"site-header\"><nav aria-label=\"メイン\"><ul>";
    for (int i = 0; i < 30; ++i) {
      html += "<li class=\"nav-item\"><a class=\"nav-link\" href=\"/category/" + std::to_string(i) +
              "/\"><svg viewBox=\"0 0 24 24\" aria-hidden=\"true\"><path "
              "d=\"M12 2L2 7l10 5 10-5-10-5z\"/></svg><span>カテゴリ" +
              std::to_string(i) + "</span></a></li>";
    }
    html += "</ul></nav></header><main id=\"main\">";
    const auto cards = [&](const std::string& id, int count, int start) {
      html += "<section id=\"" + id + "\" class=\"stream\"><h2>" + id + "</h2>";
      for (int i = start; i < start + count; ++i) {
        html += "<article class=\"card card--news\" data-id=\"" + std::to_string(i) +
                "\" data-track='{\"pos\":" + std::to_string(i) +
                "}'><a class=\"card__link\" href=\"/articles/2026/12/08/" + std::to_string(i) +
                ".html?ref=top&amp;pos=" + std::to_string(i) +
                "\"><div class=\"card__media\"><picture><source srcset=\"/img/" +
                std::to_string(i) + ".webp\" type=\"image/webp\"><img src=\"/img/" +
                std::to_string(i) +
                ".jpg\" alt=\"\" loading=\"lazy\" width=\"320\" "
                "height=\"180\"></picture></div><div class=\"card__body\"><h3 "
                "class=\"card__title\">" +
                headlines[i % 6] + "（" + std::to_string(i) +
                "）</h3><p class=\"card__lead\">記事の要約がここに入ります。詳しくは本文で"
                "&hellip;</p><time datetime=\"2026-12-08T06:00:00+09:00\">12月8日 "
                "6:00</time></div></a><!-- card " +
                std::to_string(i) + " --></article>\n";
      }
      html += "</section>";
    };
    cards("ranking", 100, 0);
    cards("latest", 400, 100);
    int next = 500;
    while (html.size() < kPageSize) {
      cards("more" + std::to_string(next), 100, next);
      html += "<script type=\"application/ld+json\">{\"@type\":\"ItemList\",\"n\":" +
              std::to_string(next) + "}</script>";
      next += 100;
    }
    html += "</main><footer><p>&copy; Example</p></footer></body></html>";
    return html;
  }();
  return page;
}

PageSection Section(const std::string& from, const std::string& to, const std::string& xpath,
                    const std::string& css) {
  PageSection section;
  section.from = from;  // ASCII: the same in CP932
  section.to = to;
  section.xpath = xpath;
  section.css = css;
  return section;
}

void Cut(benchmark::State& bench, const PageSection& section) {
  size_t links = 0;
  for (auto _ : bench) {
    PageDocument document(Page(), "text/html; charset=UTF-8", kUrl);
    const SectionCut cut = document.Cut(section);
    if (!cut.problem.empty()) bench.SkipWithError("the section cut nothing");
    links = cut.links.size();
    benchmark::DoNotOptimize(links);
  }
  bench.counters["links"] = static_cast<double>(links);
  bench.SetBytesProcessed(bench.iterations() * static_cast<int64_t>(Page().size()));
}

void BM_CutByTexts(benchmark::State& bench) {
  Cut(bench, Section(kFrom, kTo, "", ""));
}
BENCHMARK(BM_CutByTexts)->Unit(benchmark::kMillisecond);

void BM_CutByXPath(benchmark::State& bench) {
  Cut(bench, Section("", "", kXPath, ""));
}
BENCHMARK(BM_CutByXPath)->Unit(benchmark::kMillisecond);

void BM_CutByCss(benchmark::State& bench) {
  Cut(bench, Section("", "", "", kCss));
}
BENCHMARK(BM_CutByCss)->Unit(benchmark::kMillisecond);

// A further section on a page already parsed: the parse is not repeated.
void BM_FurtherSectionByXPath(benchmark::State& bench) {
  PageDocument document(Page(), "text/html; charset=UTF-8", kUrl);
  const PageSection section = Section("", "", kXPath, "");
  document.Cut(section);
  for (auto _ : bench) {
    const SectionCut cut = document.Cut(section);
    benchmark::DoNotOptimize(cut.links.size());
  }
}
BENCHMARK(BM_FurtherSectionByXPath)->Unit(benchmark::kMillisecond);

// The parse every XPath or CSS cut starts with, as the reference.
void BM_LibxmlHtmlParse(benchmark::State& bench) {
  const std::string& page = Page();
  for (auto _ : bench) {
    htmlDocPtr doc =
        htmlReadMemory(page.data(), static_cast<int>(page.size()), nullptr, "UTF-8",
                       HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                           HTML_PARSE_NONET | HTML_PARSE_COMPACT | HTML_PARSE_IGNORE_ENC);
    benchmark::DoNotOptimize(doc);
    xmlFreeDoc(doc);
  }
  bench.SetBytesProcessed(bench.iterations() * static_cast<int64_t>(Page().size()));
}
BENCHMARK(BM_LibxmlHtmlParse)->Unit(benchmark::kMillisecond);

// The same XPath by xmllint on the page in a file, its start-up included.
void BM_XmllintXPath(benchmark::State& bench) {
  char path[] = "/tmp/page_cut_bench_XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) {
    bench.SkipWithError("no temporary file");
    return;
  }
  close(fd);
  std::ofstream(path, std::ios::binary) << Page();
  const std::string command =
      "xmllint --html --xpath \"" + kXPath + "\" " + path + " >/dev/null 2>&1";
  for (auto _ : bench) {
    if (std::system(command.c_str()) != 0) bench.SkipWithError("xmllint failed or is missing");
  }
  std::remove(path);
}
BENCHMARK(BM_XmllintXPath)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace quillet

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write-input") == 0) {
    std::ofstream(argv[2], std::ios::binary) << quillet::Page();
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
