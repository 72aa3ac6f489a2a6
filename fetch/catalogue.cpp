#include "fetch/catalogue.h"

#include "platform/text_codec.h"
#include "settings/settings.h"

namespace quillet {
namespace {

// The three section markers of ZAKZAK's one category, as the page carries them.
constexpr const char* kZak1 =
    "<FONT SIZE=2 COLOR=\"#0000CC\"><SPAN style=\"font-size: 10pt\">◆◆◆ニュース最終版◆◆◆</SPAN></FONT><BR>";
constexpr const char* kZak2 =
    "<FONT SIZE=2 COLOR=\"#0000CC\"><SPAN style=\"font-size: 10pt\">◆◆◆TODAY'S TOP NEWS◆◆◆</SPAN></FONT><BR>";
constexpr const char* kZak3 =
    "<FONT SIZE=2 COLOR=\"#0000CC\"><SPAN STYLE=\"font-size: 10pt\">◆◆◆サンスポＮＥＷＳ◆◆◆</SPAN></FONT><BR>";

struct SiteRow {
  const char* shortLabel;
  const char* displayLabel;
  int first;
  int last;
  const char* logDirectory;
};

constexpr SiteRow kSiteRows[kSiteCount] = {
    {"YOL", "Yomiuri On Line", 0, 8, "YOL"},
    {"アサヒ", "アサヒ・コム", 9, 18, "ASAHI"},
    {"Impress", "Impress Watch", 19, 30, "Impress"},
    {"ZAKZAK", "ZAKZAK", 31, 31, "ZAKZAK"},
    {"CNN", "CNN.co.jp", 32, 42, "CNN"},
    {"中央日報", "中央日報", 43, 55, "Chuou"},
    {"毎日", "毎日新聞", 56, 64, "Mainichi"},
};

struct CategoryRow {
  int index;
  int site;
  const char* genre;
  const char* checklistGenre;
  std::vector<const char*> markers;
  const char* logFile;
  const char* searchMarker;
  bool absoluteLinks;
};

// Source literals are UTF-8; they become CP932 once, when the tables are built.
const std::vector<CategoryRow>& CategoryRows() {
  static const std::vector<CategoryRow> rows = {
      {0, 0, "トップ", "トップ", {"<!-- /topnews/headline=start -->"}, "YOL/top.log", "<!--YOL_top-->", false},
      {1, 0, "主要", "主要", {"<!-- /news/shuyo start -->"}, "YOL/shuyou.log", "<!--YOL_shuyou-->", false},
      {2, 0, "国際", "国際", {"<!-- /news/kokusai=start -->"}, "YOL/kokusai.log", "<!--YOL_kokusai-->", false},
      {3, 0, "社会", "社会", {"<!-- /news/shakai=start -->"}, "YOL/shakai.log", "<!--YOL_shakai-->", false},
      {4, 0, "スポーツ", "スポーツ", {"<!-- /news/sports=start -->"}, "YOL/sports.log", "<!--YOL_sports-->", false},
      {5, 0, "政治", "政治", {"<!-- /news/seiji=start -->"}, "YOL/seiji.log", "<!--YOL_seiji-->", false},
      {6, 0, "経済", "経済", {"<!-- /news/keizai=start -->"}, "YOL/keizai.log", "<!--YOL_keizai-->", false},
      {7, 0, "おくやみ", "おくやみ", {"<!-- /news/okuyami start -->"}, "YOL/okuyami.log", "<!--YOL_okuyami-->", false},
      {8, 0, "コラム", "コラム", {"<!-- /news/column start -->"}, "YOL/column.log", "<!--YOL_column-->", false},
      {9, 1, "トップ", "トップ", {"<!-- Start of TopTitle -->"}, "ASAHI/top.log", "<!--ASAHI_top-->", false},
      {10, 1, "最新", "最新５ニュース", {"<!-- Start of Top 5 -->"}, "ASAHI/top5.log", "<!--ASAHI_top5-->", false},
      {11, 1, "国際", "国際", {"<!-- Start of international -->"}, "ASAHI/international.log", "<!--ASAHI_international-->", false},
      {12, 1, "社会", "社会", {"<!-- Start of national -->"}, "ASAHI/national.log", "<!--ASAHI_national-->", false},
      {13, 1, "スポーツ", "スポーツ", {"<!-- Start of sports -->"}, "ASAHI/sports.log", "<!--ASAHI_sports-->", false},
      {14, 1, "経済", "経済", {"<!-- Start of business -->"}, "ASAHI/business.log", "<!--ASAHI_business-->", false},
      {15, 1, "政治", "政治", {"<!-- Start of politics -->"}, "ASAHI/politics.log", "<!--ASAHI_politics-->", false},
      {16, 1, "文化芸能", "文化・芸能", {"<!-- Start of culture -->"}, "ASAHI/culture.log", "<!--ASAHI_culture-->", false},
      {17, 1, "ひと", "ひと", {"<!-- Start of people -->"}, "ASAHI/people.log", "<!--ASAHI_people-->", false},
      {18, 1, "おくやみ", "おくやみ", {"<!-- Start of obituaries -->"}, "ASAHI/obituaries.log", "<!--ASAHI_obituaries-->", false},
      {19, 2, "トップ", "トップ", {"<!--●●●●●トップニュース●●●●●-->"}, "Impress/top.log", "<!--Impr_top-->", false},
      {20, 2, "ネット", "インターネット", {"<!--●●●●●ヘッドライン・インターネット●●●●●-->"}, "Impress/internet.log", "<!--Impr_internet-->", false},
      {21, 2, "ＰＣ", "パソコン", {"<!--●●●●●ヘッドライン・パソコン●●●●●-->"}, "Impress/pc.log", "<!--Impr_pc-->", false},
      {22, 2, "アキバ", "アキバ", {"<!--●●●●●ヘッドライン・アキバ●●●●●-->"}, "Impress/akiba.log", "<!--Impr_akiba-->", false},
      {23, 2, "ＢＢ", "ブロードバンド", {"<!--●●●●●ヘッドライン・ブロードバンド●●●●●-->"}, "Impress/broadband.log", "<!--Impr_broadband-->", false},
      {24, 2, "携帯", "携帯", {"<!--●●●●●ヘッドライン・ケータイ●●●●●-->"}, "Impress/keitai.log", "<!--Impr_keitai-->", true},
      {25, 2, "ＡＶ", "デジタルAV", {"<!--●●●●●ヘッドライン・デジタルオーディオ／ビジュアル●●●●●-->"}, "Impress/av.log", "<!--Impr_av-->", false},
      {26, 2, "ゲーム", "ゲーム", {"<!--●●●●●ヘッドライン・ゲーム●●●●●-->"}, "Impress/game.log", "<!--Impr_game-->", false},
      {27, 2, "投資情報", "投資情報", {"<!--●●●●●ヘッドライン・投資情報●●●●●-->"}, "Impress/toushi.log", "<!--Impr_toushi-->", true},
      {28, 2, "Wソフト", "Winソフト", {"<!--●●●●●ヘッドライン・Windows用オンラインソフト●●●●●-->"}, "Impress/winsoft.log", "<!--Impr_winsoft-->", true},
      {29, 2, "Mソフト", "Macソフト", {"<!--●●●●●ヘッドライン・Mac用オンラインソフト●●●●●-->"}, "Impress/macsoft.log", "<!--Impr_macsoft-->", true},
      {30, 2, "シネマ", "シネマ", {"<!--●●●●●ヘッドライン・シネマ情報●●●●●-->"}, "Impress/cinema.log", "<!--Impr_cinema-->", false},
      {31, 3, "トップ", "トップ", {kZak1, kZak2, kZak3}, "ZAKZAK/top.log", "<!--ZAK_top-->", false},
      {32, 4, "トップ", "トップ", {"<!-- CNN Top News -->"}, "CNN/top.log", "<!--CNN_top-->", false},
      {33, 4, "最新", "最新ニュース", {"<!-- CNN Latest News -->"}, "CNN/latest.log", "<!--CNN_latest-->", false},
      {34, 4, "注目", "注目のニュース", {"<!-- CNN Chumoku News -->"}, "CNN/chumoku.log", "<!--CNN_chumoku-->", false},
      {35, 4, "国際", "国際", {"<!-- CNN World News -->"}, "CNN/world.log", "<!--CNN_world-->", false},
      {36, 4, "日本", "日本", {"<!-- CNN Japan News -->"}, "CNN/japan.log", "<!--CNN_japan-->", false},
      {37, 4, "米国", "米国", {"<!-- CNN U.S. News -->"}, "CNN/us.log", "<!--CNN_us-->", false},
      {38, 4, "経済", "経済＆マネー", {"<!-- CNN Business News -->"}, "CNN/business.log", "<!--CNN_business-->", false},
      {39, 4, "スポーツ", "スポーツ", {"<!-- CNN Sports News -->"}, "CNN/sports.log", "<!--CNN_sports-->", false},
      {40, 4, "テクノロジ", "テクノロジー", {"<!-- CNN Tech News -->"}, "CNN/tech.log", "<!--CNN_tech-->", false},
      {41, 4, "こぼれ話", "こぼれ話", {"<!-- CNN Fringe News -->"}, "CNN/fringe.log", "<!--CNN_fringe-->", false},
      {42, 4, "ｴﾝﾀﾃｲﾝﾒﾝﾄ", "エンタテインメント", {"<!-- CNN Showbiz News -->"}, "CNN/showbiz.log", "<!--CNN_showbiz-->", false},
      {43, 5, "トップ", "トップ", {"<!-- Chuou top -->"}, "Chuou/top.log", "<!--Chuou_top-->", false},
      {44, 5, "最新", "最新", {"<!-- Chuou latest -->"}, "Chuou/latest1.log", "<!--Chuou_latest-->", false},
      {45, 5, "特集", "特集", {"<!-- Chuou tokusyu -->"}, "Chuou/tokusyu.log", "<!--Chuou_tokusyu-->", false},
      {46, 5, "南北", "南北新時代", {"<!-- Chuou nanboku -->"}, "Chuou/nanboku.log", "<!--Chuou_nanboku-->", false},
      {47, 5, "政治", "政治", {"<!-- Chuou politics -->"}, "Chuou/politics.log", "<!--Chuou_politics-->", false},
      {48, 5, "経済", "経済", {"<!-- Chuou business -->"}, "Chuou/business.log", "<!--Chuou_business-->", false},
      {49, 5, "社会", "社会", {"<!-- Chuou society -->"}, "Chuou/society.log", "<!--Chuou_society-->", false},
      {50, 5, "北朝鮮", "北朝鮮", {"<!-- Chuou chousen -->"}, "Chuou/chousen.log", "<!--Chuou_chousen-->", false},
      {51, 5, "スポーツ", "スポーツ", {"<!-- Chuou sports -->"}, "Chuou/sports.log", "<!--Chuou_sports-->", false},
      {52, 5, "文化芸能", "文化・芸能", {"<!-- Chuou culture -->"}, "Chuou/culture.log", "<!--Chuou_culture-->", false},
      {53, 5, "ｶｰﾄｩｰﾝ", "カートゥーン", {"<!-- Chuou cartoon -->"}, "Chuou/cartoon.log", "<!--Chuou_cartoon-->", false},
      {54, 5, "社説", "社説", {"<!-- Chuou obit -->"}, "Chuou/obit.log", "<!--Chuou_obit-->", false},
      {55, 5, "コラム", "コラム", {"<!-- Chuou column -->"}, "Chuou/column.log", "<!--Chuou_column-->", false},
      {56, 6, "トップ", "トップ", {"<!-- Mainichi top -->"}, "Mainichi/top.log", "", false},
      {57, 6, "最新", "最新", {"<!-- Mainichi latest -->"}, "Mainichi/latest.log", "", false},
      {58, 6, "国際", "国際", {"<!-- Mainichi kokusai -->"}, "Mainichi/kokusai.log", "", false},
      {59, 6, "社会", "社会", {"<!-- Mainichi shakai -->"}, "Mainichi/shakai.log", "", false},
      {60, 6, "IT", "IT", {"<!-- Mainichi IT -->"}, "Mainichi/it.log", "", false},
      {61, 6, "スポーツ", "スポーツ", {"<!-- Mainichi sports -->"}, "Mainichi/sports.log", "", false},
      {62, 6, "政治", "政治", {"<!-- Mainichi seiji -->"}, "Mainichi/seiji.log", "", false},
      {63, 6, "経済", "経済", {"<!-- Mainichi keizai -->"}, "Mainichi/keizai.log", "", false},
      {64, 6, "人事訃報", "人事・訃報", {"<!-- Mainichi jinji -->"}, "Mainichi/jinji.log", "", false},
  };
  return rows;
}

}  // namespace

const std::vector<Site>& Sites() {
  static const std::vector<Site> sites = [] {
    std::vector<Site> out;
    for (int i = 0; i < kSiteCount; ++i) {
      const SiteRow& r = kSiteRows[i];
      out.push_back({i, Utf8ToCp932(r.shortLabel), Utf8ToCp932(r.displayLabel), r.first, r.last,
                     r.logDirectory});
    }
    return out;
  }();
  return sites;
}

const std::vector<Category>& Categories() {
  static const std::vector<Category> categories = [] {
    std::vector<Category> out;
    for (const CategoryRow& r : CategoryRows()) {
      Category c{r.index, r.site, Utf8ToCp932(r.genre), Utf8ToCp932(r.checklistGenre), {},
                 r.logFile, r.searchMarker, r.absoluteLinks};
      for (const char* m : r.markers) c.markers.push_back(Utf8ToCp932(m));
      out.push_back(std::move(c));
    }
    return out;
  }();
  return categories;
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

bool IsCategoryEnabled(int categoryIndex) { return settings::CheckRoute(categoryIndex); }

int SiteImageIndex(const std::string& displayLabel) {
  for (const Site& site : Sites()) {
    if (site.displayLabel == displayLabel) return site.number;
  }
  return -1;
}

std::string ChecklistLabel(int categoryIndex) {
  const Category& c = Categories().at(static_cast<size_t>(categoryIndex));
  return Sites()[static_cast<size_t>(c.site)].displayLabel + " (" + c.checklistGenre + ")";
}

}  // namespace quillet
