#include "core/feeds/feed_import.h"

#include <unordered_set>

#include "core/text/cp932.h"
#include "core/text/text_codec.h"

namespace quillet {

FeedImport ImportFeeds(std::vector<settings::FeedSource> list,
                       const std::vector<OpmlFeed>& outlines) {
  FeedImport import;
  // A set of the compared forms keeps a long file from being checked
  // against the list once per outline.
  std::unordered_set<std::string> urls;
  urls.reserve(list.size() + outlines.size());
  for (const settings::FeedSource& feed : list)
    urls.insert(settings::ComparableFeedUrl(feed.url));
  import.feeds = std::move(list);
  for (const OpmlFeed& outline : outlines) {
    std::string name = outline.name;
    if (name.size() > settings::kFeedNameMax) {
      name.resize(settings::kFeedNameMax);
      if (Cp932EndsMidCharacter(name)) name.pop_back();
    }
    std::optional<std::string> problem = settings::FeedUrlProblem(outline.url);
    if (!problem) problem = settings::FeedNameProblem(name);
    if (problem) {
      import.refused.push_back(CP932("「") + outline.name + CP932("」は追加できません: ") +
                               *problem);
    } else if (!urls.insert(settings::ComparableFeedUrl(outline.url)).second) {
      ++import.known;
    } else {
      import.feeds.push_back({0, std::move(name), outline.url, true});
      ++import.added;
    }
  }
  return import;
}

std::string ImportSummary(const FeedImport& import) {
  std::string summary = std::to_string(import.added) + CP932(" 件のフィードを追加しました");
  const std::string known = std::to_string(import.known) + CP932(" 件は登録済み");
  const std::string refused = std::to_string(import.refused.size()) + CP932(" 件は追加できない");
  std::string why;
  if (import.known > 0 && !import.refused.empty()) {
    why = known + CP932("、") + refused;
  } else if (import.known > 0) {
    why = known + CP932("の");
  } else if (!import.refused.empty()) {
    why = refused;
  } else {
    return summary;
  }
  return summary + " (" + why + CP932("ため飛ばしました)");
}

}  // namespace quillet
