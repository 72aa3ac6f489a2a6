// Writes a program folder of large category logs for the search figures:
// every category log gets RECORDS records of realistic CP932 headlines (mixed
// Japanese and ASCII words, numbers, dates, URLs), newest first, CR LF, from a
// fixed seed, so every run writes the same bytes.
//
//   make_search_logs DIR [RECORDS]
//
// The keywords of scripts/bench-scale are planted at known rates: "Tokyo" (any
// case) in about one headline in nine, "Zeppelin" in about one in 200,000, and
// "首相" in about one in fifty. Prints the searched log files, one a line.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/log/log_search.h"
#include "core/sites/catalogue.h"
#include "core/sys/file_system.h"
#include "core/sys/program_dir.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

// A small deterministic generator (splitmix64), the same on every platform.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }
  bool OneIn(uint64_t n) { return Next() % n == 0; }

 private:
  uint64_t state_;
};

// Words in UTF-8, converted once. The Japanese ones include characters whose
// trail byte is an ASCII letter or '\' (ア, ソ, 表, 能, 予, 十).
const std::vector<std::string>& JapaneseWords() {
  static const std::vector<std::string> words = [] {
    std::vector<std::string> out;
    for (const char* w :
         {"政府",   "発表",   "東京",   "大阪",   "経済",     "株価",   "円高",     "円安",
          "選手",   "優勝",   "開幕",   "事故",   "容疑者",   "逮捕",   "警察",     "市場",
          "会議",   "合意",   "予算",   "国会",   "野党",     "与党",   "ソフト",   "アジア",
          "表明",   "能力",   "十月",   "予定",   "調査",     "結果",   "新型",     "発売",
          "ゲーム", "携帯",   "電話",   "ネット", "サービス", "開始",   "中止",     "延期",
          "地震",   "台風",   "被害",   "死亡",   "負傷",     "火災",   "首都",     "大統領",
          "訪問",   "会談",   "協議",   "企業",   "決算",     "増益",   "減益",     "社長",
          "辞任",   "就任",   "映画",   "公開",   "ソニー",   "トヨタ", "アメリカ", "中国",
          "韓国",   "北朝鮮", "ロシア", "欧州",   "で",       "が",     "を",       "に",
          "の",     "と",     "は",     "も",     "へ",       "、",     "。",       "「",
          "」",     "・",     "　",     "ｶｰﾄｩｰﾝ", "ﾆｭｰｽ"}) {
      out.push_back(Utf8ToCp932(w));
    }
    return out;
  }();
  return words;
}

const std::vector<std::string>& AsciiWords() {
  static const std::vector<std::string> words = {
      "NASA",   "IT",     "PC",      "Windows", "Mac",    "iPhone", "Apple", "Google",
      "NHK",    "FIFA",   "G7",      "OS",      "CPU",    "AI",     "Linux", "Intel",
      "NTT",    "DVD",    "Web",     "online",  "USB",    "LAN",    "GPS",   "TV",
      "shares", "Nikkei", "project", "update",  "Sports", "World",  "Cup",   "Olympic"};
  return words;
}

std::string Token(Random& r) {
  switch (r.Below(10)) {
    case 0:
    case 1:
      return AsciiWords()[r.Below(AsciiWords().size())];
    case 2:
      return std::to_string(r.Below(2000)) + (r.OneIn(2) ? Utf8ToCp932("人") : "%");
    default:
      return JapaneseWords()[r.Below(JapaneseWords().size())];
  }
}

std::string Headline(Random& r) {
  static const std::string kPrimeMinister = Utf8ToCp932("首相");
  static const char* const kTokyo[] = {"Tokyo", "TOKYO", "tokyo", "ToKyo"};
  std::string h;
  const size_t tokens = 6 + r.Below(10);
  const size_t tokyoAt = r.OneIn(9) ? r.Below(tokens) : tokens;
  const size_t zeppelinAt = r.OneIn(200000) ? r.Below(tokens) : tokens;
  const size_t primeMinisterAt = r.OneIn(50) ? r.Below(tokens) : tokens;
  for (size_t i = 0; i < tokens; ++i) {
    if (i == tokyoAt) h += kTokyo[r.Below(4)];
    if (i == zeppelinAt) h += r.OneIn(2) ? "Zeppelin" : "ZEPPELIN";
    if (i == primeMinisterAt) h += kPrimeMinister;
    h += Token(r);
    if (r.OneIn(4)) h += ' ';
  }
  return h;
}

void WriteLog(const std::string& path, int category, int records, Random& r) {
  const Site& site = Sites()[static_cast<size_t>(Categories()[static_cast<size_t>(category)].site)];
  std::string text;
  text.reserve(static_cast<size_t>(records) * 110);
  int day = 0;
  for (int i = 0; i < records; ++i) {
    if (r.OneIn(40)) ++day;  // newest first: dates go back as the file goes on
    char date[16];
    std::snprintf(date, sizeof date, "%04d/%02d/%02d", 2026 - day / 336, 12 - day / 28 % 12,
                  28 - day % 28);
    text += Headline(r);
    text += '\t';
    text += site.baseUrl;
    text += "/news/" + std::to_string(category) + "/" + std::to_string(records - i) + ".htm\t";
    text += date;
    text += r.OneIn(3) ? "\t0\r\n" : "\t1\r\n";
  }
  ForceDirectories(DirectoryOf(path));
  if (!WriteFileAtomic(path, text)) {
    std::perror(path.c_str());
    std::exit(1);
  }
}

}  // namespace
}  // namespace quillet

int main(int argc, char** argv) {
  using namespace quillet;
  if (argc < 2 || argc > 3) {
    std::fputs("usage: make_search_logs DIR [RECORDS]\n", stderr);
    return 2;
  }
  SetProgramDirectory(argv[1]);
  const int records = argc == 3 ? std::atoi(argv[2]) : 100000;
  Random r(20261205);
  for (int c = 0; c < kCategoryCount; ++c) {
    const std::string path = LogFilePath(c);
    WriteLog(path, c, records, r);
    std::puts(path.c_str());
  }
  return 0;
}
