// The headline list as the extraction fills it: the window's list view and
// the terminal printer each implement it.
#pragma once

#include <memory>
#include <string>

namespace quillet {

// The record a row of the headline list owns.
struct NewsItem {
  std::string site;
  std::string headline;  // "" for a separator row
  std::string url;
  std::string genre;
  // Its category's log held no record of it when the run began (without
  // logs: no earlier run of this process met it).
  bool isNew = false;
  bool watched = false;  // it holds a keyword of the watch list as the run began
};

class HeadlineSink {
 public:
  virtual ~HeadlineSink() = default;
  // Appends a row at the end: caption (site label), genre, headline, the
  // site's image index (-1 for none) and the row's record.
  virtual void AppendRow(const std::string& caption, const std::string& genre,
                         const std::string& headline, int imageIndex,
                         std::unique_ptr<NewsItem> item) = 0;
};

}  // namespace quillet
