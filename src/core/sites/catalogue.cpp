#include "core/sites/catalogue.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <stdexcept>
#include <unordered_map>

#include "core/sites/cutting_rules.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

// Source literals are UTF-8; they become CP932 once, when the tables are built.

struct SiteRow {
  const char* shortLabel;
  const char* displayLabel;
  const char* treeText;
  const char* logDirectory;
  const char* host;
  const char* frontPagePath;
  const char* basePath;  // follows the host in the base URL
  bool sizeProbe;
  PageLinesFrom pageLines;
  bool normalise;
  bool markersAreText;
  Lines (*cut)(const Lines& page);
};

constexpr auto kStream = PageLinesFrom::kStream;
constexpr auto kStreamThenEuc = PageLinesFrom::kStreamThenEuc;
constexpr auto kConvert = PageLinesFrom::kConvert;

// In fetch order; the row's position is the site number.
// clang-format off
constexpr SiteRow kSiteRows[] = {
    // short label, display label, log tree text, log directory, host, front-page path, base path, size probe, page lines, normalise, markers are text, cutting rules
    {"YOL", "Yomiuri On Line", "YOL", "YOL", "www.yomiuri.co.jp", "/index.html", "", true, kStream, true, false, CutYomiuri},
    {"アサヒ", "アサヒ・コム", "アサヒ", "ASAHI", "www.asahi.com", "/index.html", "/", true, kStreamThenEuc, true, false, CutAsahi},
    {"Impress", "Impress Watch", "Impress", "Impress", "www.watch.impress.co.jp", "/index.htm", "", false, kConvert, true, false, CutImpress},
    {"ZAKZAK", "ZAKZAK", "ZAKZAK", "ZAKZAK", "www.zakzak.co.jp", "/main.html", "/", true, kStream, true, true, CutZakzak},
    {"CNN", "CNN.co.jp", "CNN.co.jp", "CNN", "www.cnn.co.jp", "/index.html", "", true, kStream, true, true, CutCnn},
    {"中央日報", "中央日報", "中央日報", "Chuou", "japanese.joins.com", "/index.html", "", true, kConvert, true, true, CutChuou},
    {"毎日", "毎日新聞", "毎日新聞", "Mainichi", "www.mainichi.co.jp", "/main.html", "", true, kConvert, false, true, CutMainichi},
};
// clang-format on
static_assert(std::size(kSiteRows) == kSiteCount);

struct CategoryRow {
  int site;
  const char* genre;
  const char* checklistGenre;
  const char* treeText;
  const char* logFile;  // in the site's log directory
  const char* searchMarker;
  bool absoluteLinks;
  std::array<const char*, 3> markers;  // unused ones null
};

// The three section markers of ZAKZAK's one category, as the page carries them.
// clang-format off
constexpr const char* kZakFinal = "<FONT SIZE=2 COLOR=\"#0000CC\"><SPAN style=\"font-size: 10pt\">◆◆◆ニュース最終版◆◆◆</SPAN></FONT><BR>";
constexpr const char* kZakTopNews = "<FONT SIZE=2 COLOR=\"#0000CC\"><SPAN style=\"font-size: 10pt\">◆◆◆TODAY'S TOP NEWS◆◆◆</SPAN></FONT><BR>";
constexpr const char* kZakSports = "<FONT SIZE=2 COLOR=\"#0000CC\"><SPAN STYLE=\"font-size: 10pt\">◆◆◆サンスポＮＥＷＳ◆◆◆</SPAN></FONT><BR>";

// Grouped by site, in site order; the row's position is the category index.
constexpr CategoryRow kCategoryRows[] = {
    // site, genre, checklist genre, log tree text, log file, log-search marker, absolute links, section markers
    {0, "トップ", "トップ", "トップ", "top.log", "<!--YOL_top-->", false, {"<!-- /topnews/headline=start -->"}},
    {0, "主要", "主要", "主要", "shuyou.log", "<!--YOL_shuyou-->", false, {"<!-- /news/shuyo start -->"}},
    {0, "国際", "国際", "国際", "kokusai.log", "<!--YOL_kokusai-->", false, {"<!-- /news/kokusai=start -->"}},
    {0, "社会", "社会", "社会", "shakai.log", "<!--YOL_shakai-->", false, {"<!-- /news/shakai=start -->"}},
    {0, "スポーツ", "スポーツ", "スポーツ", "sports.log", "<!--YOL_sports-->", false, {"<!-- /news/sports=start -->"}},
    {0, "政治", "政治", "政治", "seiji.log", "<!--YOL_seiji-->", false, {"<!-- /news/seiji=start -->"}},
    {0, "経済", "経済", "経済", "keizai.log", "<!--YOL_keizai-->", false, {"<!-- /news/keizai=start -->"}},
    {0, "おくやみ", "おくやみ", "おくやみ", "okuyami.log", "<!--YOL_okuyami-->", false, {"<!-- /news/okuyami start -->"}},
    {0, "コラム", "コラム", "コラム", "column.log", "<!--YOL_column-->", false, {"<!-- /news/column start -->"}},
    {1, "トップ", "トップ", "トップ", "top.log", "<!--ASAHI_top-->", false, {"<!-- Start of TopTitle -->"}},
    {1, "最新", "最新５ニュース", "最新５ニュース", "top5.log", "<!--ASAHI_top5-->", false, {"<!-- Start of Top 5 -->"}},
    {1, "国際", "国際", "国際", "international.log", "<!--ASAHI_international-->", false, {"<!-- Start of international -->"}},
    {1, "社会", "社会", "社会", "national.log", "<!--ASAHI_national-->", false, {"<!-- Start of national -->"}},
    {1, "スポーツ", "スポーツ", "スポーツ", "sports.log", "<!--ASAHI_sports-->", false, {"<!-- Start of sports -->"}},
    {1, "経済", "経済", "経済", "business.log", "<!--ASAHI_business-->", false, {"<!-- Start of business -->"}},
    {1, "政治", "政治", "政治", "politics.log", "<!--ASAHI_politics-->", false, {"<!-- Start of politics -->"}},
    {1, "文化芸能", "文化・芸能", "文化・芸能", "culture.log", "<!--ASAHI_culture-->", false, {"<!-- Start of culture -->"}},
    {1, "ひと", "ひと", "ひと", "people.log", "<!--ASAHI_people-->", false, {"<!-- Start of people -->"}},
    {1, "おくやみ", "おくやみ", "おくやみ", "obituaries.log", "<!--ASAHI_obituaries-->", false, {"<!-- Start of obituaries -->"}},
    {2, "トップ", "トップ", "トップ", "top.log", "<!--Impr_top-->", false, {"<!--●●●●●トップニュース●●●●●-->"}},
    {2, "ネット", "インターネット", "インターネット", "internet.log", "<!--Impr_internet-->", false, {"<!--●●●●●ヘッドライン・インターネット●●●●●-->"}},
    {2, "ＰＣ", "パソコン", "パソコン", "pc.log", "<!--Impr_pc-->", false, {"<!--●●●●●ヘッドライン・パソコン●●●●●-->"}},
    {2, "アキバ", "アキバ", "アキバ", "akiba.log", "<!--Impr_akiba-->", false, {"<!--●●●●●ヘッドライン・アキバ●●●●●-->"}},
    {2, "ＢＢ", "ブロードバンド", "ブロードバンド", "broadband.log", "<!--Impr_broadband-->", false, {"<!--●●●●●ヘッドライン・ブロードバンド●●●●●-->"}},
    {2, "携帯", "携帯", "携帯", "keitai.log", "<!--Impr_keitai-->", true, {"<!--●●●●●ヘッドライン・ケータイ●●●●●-->"}},
    {2, "ＡＶ", "デジタルAV", "デジタルＡＶ", "av.log", "<!--Impr_av-->", false, {"<!--●●●●●ヘッドライン・デジタルオーディオ／ビジュアル●●●●●-->"}},
    {2, "ゲーム", "ゲーム", "ゲーム", "game.log", "<!--Impr_game-->", false, {"<!--●●●●●ヘッドライン・ゲーム●●●●●-->"}},
    {2, "投資情報", "投資情報", "投資情報", "toushi.log", "<!--Impr_toushi-->", true, {"<!--●●●●●ヘッドライン・投資情報●●●●●-->"}},
    {2, "Wソフト", "Winソフト", "Winソフト", "winsoft.log", "<!--Impr_winsoft-->", true, {"<!--●●●●●ヘッドライン・Windows用オンラインソフト●●●●●-->"}},
    {2, "Mソフト", "Macソフト", "Macソフト", "macsoft.log", "<!--Impr_macsoft-->", true, {"<!--●●●●●ヘッドライン・Mac用オンラインソフト●●●●●-->"}},
    {2, "シネマ", "シネマ", "シネマ", "cinema.log", "<!--Impr_cinema-->", false, {"<!--●●●●●ヘッドライン・シネマ情報●●●●●-->"}},
    {3, "トップ", "トップ", "トップ", "top.log", "<!--ZAK_top-->", false, {kZakFinal, kZakTopNews, kZakSports}},
    {4, "トップ", "トップ", "トップ", "top.log", "<!--CNN_top-->", false, {"<!-- CNN Top News -->"}},
    {4, "最新", "最新ニュース", "最新", "latest.log", "<!--CNN_latest-->", false, {"<!-- CNN Latest News -->"}},
    {4, "注目", "注目のニュース", "注目", "chumoku.log", "<!--CNN_chumoku-->", false, {"<!-- CNN Chumoku News -->"}},
    {4, "国際", "国際", "国際", "world.log", "<!--CNN_world-->", false, {"<!-- CNN World News -->"}},
    {4, "日本", "日本", "日本", "japan.log", "<!--CNN_japan-->", false, {"<!-- CNN Japan News -->"}},
    {4, "米国", "米国", "米国", "us.log", "<!--CNN_us-->", false, {"<!-- CNN U.S. News -->"}},
    {4, "経済", "経済＆マネー", "経済＆マネー", "business.log", "<!--CNN_business-->", false, {"<!-- CNN Business News -->"}},
    {4, "スポーツ", "スポーツ", "スポーツ", "sports.log", "<!--CNN_sports-->", false, {"<!-- CNN Sports News -->"}},
    {4, "テクノロジ", "テクノロジー", "テクノロジー", "tech.log", "<!--CNN_tech-->", false, {"<!-- CNN Tech News -->"}},
    {4, "こぼれ話", "こぼれ話", "こぼれ話", "fringe.log", "<!--CNN_fringe-->", false, {"<!-- CNN Fringe News -->"}},
    {4, "ｴﾝﾀﾃｲﾝﾒﾝﾄ", "エンタテインメント", "エンタテインメント", "showbiz.log", "<!--CNN_showbiz-->", false, {"<!-- CNN Showbiz News -->"}},
    {5, "トップ", "トップ", "トップ", "top.log", "<!--Chuou_top-->", false, {"<!-- Chuou top -->"}},
    {5, "最新", "最新", "最新", "latest1.log", "<!--Chuou_latest-->", false, {"<!-- Chuou latest -->"}},
    {5, "特集", "特集", "特集", "tokusyu.log", "<!--Chuou_tokusyu-->", false, {"<!-- Chuou tokusyu -->"}},
    {5, "南北", "南北新時代", "南北新時代", "nanboku.log", "<!--Chuou_nanboku-->", false, {"<!-- Chuou nanboku -->"}},
    {5, "政治", "政治", "政治", "politics.log", "<!--Chuou_politics-->", false, {"<!-- Chuou politics -->"}},
    {5, "経済", "経済", "経済", "business.log", "<!--Chuou_business-->", false, {"<!-- Chuou business -->"}},
    {5, "社会", "社会", "社会", "society.log", "<!--Chuou_society-->", false, {"<!-- Chuou society -->"}},
    {5, "北朝鮮", "北朝鮮", "北朝鮮", "chousen.log", "<!--Chuou_chousen-->", false, {"<!-- Chuou chousen -->"}},
    {5, "スポーツ", "スポーツ", "スポーツ", "sports.log", "<!--Chuou_sports-->", false, {"<!-- Chuou sports -->"}},
    {5, "文化芸能", "文化・芸能", "文化・芸能", "culture.log", "<!--Chuou_culture-->", false, {"<!-- Chuou culture -->"}},
    {5, "ｶｰﾄｩｰﾝ", "カートゥーン", "カートゥーン", "cartoon.log", "<!--Chuou_cartoon-->", false, {"<!-- Chuou cartoon -->"}},
    {5, "社説", "社説", "社説", "obit.log", "<!--Chuou_obit-->", false, {"<!-- Chuou obit -->"}},
    {5, "コラム", "コラム", "コラム", "column.log", "<!--Chuou_column-->", false, {"<!-- Chuou column -->"}},
    {6, "トップ", "トップ", "トップ", "top.log", "", false, {"<!-- Mainichi top -->"}},
    {6, "最新", "最新", "最新", "latest.log", "", false, {"<!-- Mainichi latest -->"}},
    {6, "国際", "国際", "国際", "kokusai.log", "", false, {"<!-- Mainichi kokusai -->"}},
    {6, "社会", "社会", "社会", "shakai.log", "", false, {"<!-- Mainichi shakai -->"}},
    {6, "IT", "IT", "IT", "it.log", "", false, {"<!-- Mainichi IT -->"}},
    {6, "スポーツ", "スポーツ", "スポーツ", "sports.log", "", false, {"<!-- Mainichi sports -->"}},
    {6, "政治", "政治", "政治", "seiji.log", "", false, {"<!-- Mainichi seiji -->"}},
    {6, "経済", "経済", "経済", "keizai.log", "", false, {"<!-- Mainichi keizai -->"}},
    {6, "人事訃報", "人事・訃報", "人事・訃報", "jinji.log", "", false, {"<!-- Mainichi jinji -->"}},
};
// clang-format on
static_assert(std::size(kCategoryRows) == kCategoryCount);

}  // namespace

const std::vector<Site>& Sites() {
  static const std::vector<Site> sites = [] {
    std::vector<Site> out;
    for (int i = 0; i < kSiteCount; ++i) {
      const SiteRow& r = kSiteRows[i];
      int first = kCategoryCount;
      int last = -1;
      for (int c = 0; c < kCategoryCount; ++c) {
        if (kCategoryRows[c].site != i) continue;
        first = std::min(first, c);
        last = c;
      }
      out.push_back({i, Utf8ToCp932(r.shortLabel), Utf8ToCp932(r.displayLabel),
                     Utf8ToCp932(r.treeText), first, last, r.logDirectory, r.host, r.frontPagePath,
                     std::string("http://") + r.host + r.basePath, r.sizeProbe, r.pageLines,
                     r.normalise, r.markersAreText, r.cut});
    }
    return out;
  }();
  return sites;
}

const std::vector<Category>& Categories() {
  static const std::vector<Category> categories = [] {
    std::vector<Category> out;
    for (int i = 0; i < kCategoryCount; ++i) {
      const CategoryRow& r = kCategoryRows[i];
      Category c{i,
                 r.site,
                 Utf8ToCp932(r.genre),
                 Utf8ToCp932(r.checklistGenre),
                 Utf8ToCp932(r.treeText),
                 {},
                 std::string(kSiteRows[r.site].logDirectory) + "/" + r.logFile,
                 r.searchMarker,
                 r.absoluteLinks};
      for (const char* m : r.markers) {
        if (m != nullptr) c.markers.push_back(Utf8ToCp932(m));
      }
      out.push_back(std::move(c));
    }
    return out;
  }();
  return categories;
}

const Category& CategoryNamed(std::string_view logFile) {
  static const std::unordered_map<std::string_view, const Category*> byLogFile = [] {
    std::unordered_map<std::string_view, const Category*> index;
    for (const Category& category : Categories())
      index.emplace(category.logFile, &category);
    return index;
  }();
  const auto at = byLogFile.find(logFile);
  if (at == byLogFile.end()) throw std::logic_error("no category logs to " + std::string(logFile));
  return *at->second;
}

std::optional<int> CategoryOfMarker(const std::string& siteLabel, const std::string& line) {
  for (const Site& site : Sites()) {
    if (site.shortLabel != siteLabel) continue;
    for (int i = site.firstCategory; i <= site.lastCategory; ++i) {
      for (const std::string& marker : Categories()[static_cast<size_t>(i)].markers) {
        if (marker == line) return i;
      }
    }
  }
  return std::nullopt;
}

std::string ChecklistLabel(int categoryIndex) {
  const Category& c = Categories().at(static_cast<size_t>(categoryIndex));
  return Sites()[static_cast<size_t>(c.site)].displayLabel + " (" + c.checklistGenre + ")";
}

}  // namespace quillet
