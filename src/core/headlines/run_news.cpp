#include "core/headlines/run_news.h"

#include <algorithm>

#include "core/text/text_codec.h"

namespace quillet {

void RunNews::Add(int row, const std::string& siteLabel, const std::string& headline,
                  bool watched) {
  news_.push_back({row, siteLabel, headline, watched});
  if (watched) ++watched_;
}

std::string RunNews::CountText() const {
  std::string text = CP932("新着 ") + std::to_string(news_.size()) + CP932("件");
  if (watched_ > 0) text += CP932(" (ウォッチ ") + std::to_string(watched_) + CP932("件)");
  return text;
}

std::string RunNews::ListText() const {
  std::vector<const News*> order;
  for (const News& n : news_)
    order.push_back(&n);
  std::stable_partition(order.begin(), order.end(), [](const News* n) { return n->watched; });
  std::string text;
  const size_t listed = std::min(order.size(), kListed);
  for (size_t i = 0; i < listed; ++i) {
    if (i > 0) text += '\n';
    text += order[i]->siteLabel + ": " + order[i]->headline;
  }
  if (order.size() > listed)
    text += '\n' + CP932("ほか ") + std::to_string(order.size() - listed) + CP932("件");
  return text;
}

}  // namespace quillet
