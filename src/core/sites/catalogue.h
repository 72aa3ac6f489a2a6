// The fixed catalogue of the seven sites and their 65 categories: every fact
// about them (labels, addresses, markers, log files, the texts of the windows)
// comes from its two tables. All texts are CP932.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/text_ops.h"

namespace quillet {

inline constexpr int kSiteCount = 7;
inline constexpr int kCategoryCount = 65;

// How a site's front-page body becomes its page lines.
enum class PageLinesFrom {
  kStream,         // the body as received
  kStreamThenEuc,  // the body's lines converted from EUC-JP without detection
  kConvert,        // the body's code guessed and converted
};

struct Site {
  int number;                // 0..6, fetch order and image index
  std::string shortLabel;    // "YOL", "アサヒ", ...
  std::string displayLabel;  // "Yomiuri On Line", ...
  std::string treeText;      // the site's node in the log tree
  int firstCategory;
  int lastCategory;          // inclusive
  std::string logDirectory;  // "YOL", "ASAHI", ...
  std::string host;
  std::string frontPagePath;
  std::string baseUrl;  // prefix of relative links: "http://" + host, "/" at the end for some
  bool sizeProbe;       // a HEAD request for the size before the GET
  PageLinesFrom pageLines;
  bool normalise;  // SplitBreaks on the section document
  // Its marker lines are no HTML comments (the rules' own lines, or text of
  // the page): passed over, so that they give no headline.
  bool markersAreText;
  Lines (*cut)(const Lines& page);  // the site's cutting rules

  std::string FrontPageUrl() const { return "http://" + host + frontPagePath; }
};

struct Category {
  int index;
  int site;
  std::string genre;                 // genre column of the headline list
  std::string checklistGenre;        // connection dialog: "<display label> (<checklist genre>)"
  std::string treeText;              // the category's node in the log tree
  std::vector<std::string> markers;  // section marker lines (three for ZAKZAK)
  std::string logFile;               // relative path, '/' separated ("YOL/top.log")
  std::string searchMarker;          // log-search marker, "" for 毎日新聞
  bool absoluteLinks;                // links taken as they are, without the base URL
};

const std::vector<Site>& Sites();
const std::vector<Category>& Categories();

// The category whose log file is `logFile` ("CNN/top.log"): how the cutting
// rules name the categories they open. Raises std::logic_error for a name the
// catalogue does not hold.
const Category& CategoryNamed(std::string_view logFile);

// The category whose section marker equals `line` (whole line, case-sensitive),
// among the markers of the site with short label `siteLabel`.
std::optional<int> CategoryOfMarker(const std::string& siteLabel, const std::string& line);

// The connection dialog's checklist item of a category.
std::string ChecklistLabel(int categoryIndex);

}  // namespace quillet
