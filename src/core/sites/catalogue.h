// The fixed catalogue of the seven sites and their 65 categories. All texts
// are CP932.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quillet {

inline constexpr int kSiteCount = 7;
inline constexpr int kCategoryCount = 65;

struct Site {
  int number;                // 0..6, fetch order and image index
  std::string shortLabel;    // "YOL", "アサヒ", ...
  std::string displayLabel;  // "Yomiuri On Line", ...
  int firstCategory;
  int lastCategory;          // inclusive
  std::string logDirectory;  // "YOL", "ASAHI", ...
};

struct Category {
  int index;
  int site;
  std::string genre;                 // genre column of the headline list
  std::string checklistGenre;        // connection dialog: "<display label> (<checklist genre>)"
  std::vector<std::string> markers;  // section marker lines (three for ZAKZAK)
  std::string logFile;               // relative path, '/' separated ("YOL/top.log")
  std::string searchMarker;          // log-search marker, "" for 毎日新聞
  bool absoluteLinks;
};

const std::vector<Site>& Sites();
const std::vector<Category>& Categories();

// The category whose section marker equals `line` (whole line, case-sensitive),
// among the markers of the site with short label `siteLabel`.
std::optional<int> CategoryOfMarker(const std::string& siteLabel, const std::string& line);

// Reads CheckRoute/<index> from the settings file afresh; default true.
bool IsCategoryEnabled(int categoryIndex);

// Site number of a display label (whole text, case-sensitive), or -1.
int SiteImageIndex(const std::string& displayLabel);

// The connection dialog's checklist item of a category.
std::string ChecklistLabel(int categoryIndex);

}  // namespace quillet
