// Throughput of the code guessing and the EUC-JP to Shift_JIS conversion on a
// generated ~20 MB EUC-JP news page (HTML markup around Japanese headlines),
// with glibc iconv EUC-JP -> CP932 on the same page for comparison; and of
// the CP932 to UTF-8 conversion on that page in CP932, beside glibc iconv's.
//
//   code_convert_bench [benchmark flags]
//   code_convert_bench --write-input PATH   writes the page to PATH and exits
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/code_convert.h"
#include "core/text/text_codec.h"

namespace {

constexpr size_t kPageSize = 20 * 1024 * 1024;

// Converts with glibc iconv into a buffer of `capacity` bytes; throws on any
// unconvertible input.
std::string Iconv(const char* to, const char* from, std::string_view in, size_t capacity) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
  std::string out(capacity, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1)) throw std::runtime_error(std::string("iconv to ") + to);
  out.resize(out.size() - dstLeft);
  return out;
}

std::string ToEuc(std::string_view utf8) {
  return Iconv("EUC-JP", "UTF-8", utf8, utf8.size() + 16);
}

// A front page of about kPageSize bytes: markup and URLs in ASCII, headlines,
// dates and lead paragraphs in Japanese, roughly half and half.
const std::string& EucPage() {
  static const std::string page = [] {
    const std::vector<std::string> headlines = {
        ToEuc("政府は来年度の予算案を閣議決定した"),
        ToEuc("東京都内で桜が満開に、花見客でにぎわう"),
        ToEuc("「ニュース速報」：台風１５号が関東地方に接近中"),
        ToEuc("株価が急落（日経平均は一時５００円安）"),
        ToEuc("コンピューター・ウイルスの被害が拡大、対策ソフトを緊急配布"),
        ToEuc("新型ノートＰＣを発表、重さは１キロを切る"),
        ToEuc("プロ野球開幕、巨人が延長戦を制す"),
        ToEuc("ｶﾞｿﾘﾝ価格が３週連続で値上がり"),
        ToEuc("鬱蒼とした森で希少な蝙蝠を発見、熙と漾の碑文も"),
    };
    const std::string lead = ToEuc(
        "関係者によると、同社は来月にも新しいサービスを始める予定で、"
        "利用者は月額５００円で最新のニュースを携帯電話から読めるようになる。");
    const std::string date = ToEuc("月");
    std::string html;
    html.reserve(kPageSize + 4096);
    html += "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\">";
    html += "<title>" + headlines[0] + "</title></head>\n<body>\n<table class=\"news\">\n";
    char buffer[160];
    for (unsigned n = 0; html.size() < kPageSize; ++n) {
      std::snprintf(
          buffer, sizeof buffer,
          "<tr><td class=\"hl\"><a href=\"http://www.example.co.jp/news/%02u/k%06u.html\">",
          n % 12 + 1, n);
      html += buffer;
      html += headlines[n % headlines.size()];
      std::snprintf(buffer, sizeof buffer, "</a> <span class=\"date\">(%u", n % 12 + 1);
      html += buffer;
      html += date;
      std::snprintf(buffer, sizeof buffer, "%02u %02u:%02u)</span></td></tr>\n", n % 28 + 1, n % 24,
                    n % 60);
      html += buffer;
      if (n % 8 == 7) html += "<tr><td class=\"lead\"><p>" + lead + "</p></td></tr>\n";
    }
    html += "</table>\n</body></html>\n";
    return html;
  }();
  return page;
}

// The same page with every byte above 0x7F replaced: guessing has to scan it
// to the end.
const std::string& AsciiPage() {
  static const std::string page = [] {
    std::string ascii = EucPage();
    for (char& c : ascii) {
      if (static_cast<unsigned char>(c) > 0x7F) c = 'x';
    }
    return ascii;
  }();
  return page;
}

void BM_EucToSjis(benchmark::State& state) {
  const std::string& page = EucPage();
  for (auto _ : state) {
    std::string sjis = quillet::EucToSjis(page);
    benchmark::DoNotOptimize(sjis.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_EucToSjis)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ConvertToSjis(benchmark::State& state) {
  const std::string& page = EucPage();
  if (quillet::DetectCode(page) != quillet::kCodeEuc) {
    state.SkipWithError("page not detected as EUC-JP");
    return;
  }
  for (auto _ : state) {
    std::string sjis = quillet::ConvertTo(page, quillet::kCodeSjis);
    benchmark::DoNotOptimize(sjis.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_ConvertToSjis)->Unit(benchmark::kMillisecond)->UseRealTime();

// Detection stops at the first deciding character, near the top of the page.
void BM_DetectCodeEucPage(benchmark::State& state) {
  const std::string& page = EucPage();
  for (auto _ : state)
    benchmark::DoNotOptimize(quillet::DetectCode(page));
}
BENCHMARK(BM_DetectCodeEucPage);

void BM_DetectCodeAsciiPage(benchmark::State& state) {
  const std::string& page = AsciiPage();
  for (auto _ : state)
    benchmark::DoNotOptimize(quillet::DetectCode(page));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_DetectCodeAsciiPage)->Unit(benchmark::kMillisecond)->UseRealTime();

// glibc iconv in the same process, without file input and output; the result
// must equal EucToSjis's.
void BM_IconvEucToCp932(benchmark::State& state) {
  const std::string& page = EucPage();
  std::string cp932;
  for (auto _ : state) {
    cp932 = Iconv("CP932", "EUC-JP", page, page.size());
    benchmark::DoNotOptimize(cp932.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
  if (cp932 != quillet::EucToSjis(page)) state.SkipWithError("iconv and EucToSjis differ");
}
BENCHMARK(BM_IconvEucToCp932)->Unit(benchmark::kMillisecond)->UseRealTime();

const std::string& Cp932Page() {
  static const std::string page = quillet::EucToSjis(EucPage());
  return page;
}

void BM_Cp932ToUtf8(benchmark::State& state) {
  const std::string& page = Cp932Page();
  for (auto _ : state) {
    std::string utf8 = quillet::Cp932ToUtf8(page);
    benchmark::DoNotOptimize(utf8.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_Cp932ToUtf8)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriteCp932AsUtf8(benchmark::State& state) {
  const std::string& page = Cp932Page();
  std::vector<char> out(quillet::Cp932ToUtf8Room(page.size()));
  for (auto _ : state) {
    benchmark::DoNotOptimize(quillet::WriteCp932AsUtf8(out.data(), page));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_WriteCp932AsUtf8)->Unit(benchmark::kMillisecond)->UseRealTime();

// The page holds no byte that iconv cannot convert; the result must equal
// Cp932ToUtf8's.
void BM_IconvCp932ToUtf8(benchmark::State& state) {
  const std::string& page = Cp932Page();
  std::string utf8;
  for (auto _ : state) {
    utf8 = Iconv("UTF-8", "CP932", page, page.size() * 3);
    benchmark::DoNotOptimize(utf8.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
  if (utf8 != quillet::Cp932ToUtf8(page)) state.SkipWithError("iconv and Cp932ToUtf8 differ");
}
BENCHMARK(BM_IconvCp932ToUtf8)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write-input") == 0) {
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    const std::string& page = EucPage();
    out.write(page.data(), static_cast<std::streamsize>(page.size()));
    out.close();
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", argv[2]);
      return 1;
    }
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
