// The new headlines of one fetch run, as its end announces them: the count
// "新着 N件" (with the watched ones), and the first few headlines with their
// site, watched ones first.
#pragma once

#include <string>
#include <vector>

namespace quillet {

class RunNews {
 public:
  static constexpr size_t kListed = 5;  // headlines a notification lists

  // A new row of the headline list: its row number, site label and headline
  // (CP932), and whether it matches the watch list.
  void Add(int row, const std::string& siteLabel, const std::string& headline, bool watched);

  int Count() const { return static_cast<int>(news_.size()); }
  int WatchedCount() const { return watched_; }
  // The row of the first new headline, or -1.
  int FirstRow() const { return news_.empty() ? -1 : news_.front().row; }

  // "新着 N件", then " (ウォッチ M件)" when some are watched.
  std::string CountText() const;
  // Up to kListed lines "site: headline", the watched ones first, each group
  // in list order; "ほか N件" when more are new.
  std::string ListText() const;

 private:
  struct News {
    int row;
    std::string siteLabel;
    std::string headline;
    bool watched;
  };
  std::vector<News> news_;
  int watched_ = 0;
};

}  // namespace quillet
