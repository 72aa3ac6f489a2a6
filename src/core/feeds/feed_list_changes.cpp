#include "core/feeds/feed_list_changes.h"

#include <algorithm>

#include "core/settings/feed_list.h"

namespace quillet {

void PutFeedListChanges(settings::SettingsEdit& edit, const std::vector<FeedListChange>& changes) {
  std::vector<settings::FeedSource> feeds = edit.Stored().feeds.feeds;
  bool changed = false;
  for (const FeedListChange& change : changes) {
    const auto feed = std::ranges::find(feeds, change.id, &settings::FeedSource::id);
    if (feed == feeds.end() || feed->url != change.askedUrl) continue;
    if (change.switchOff && feed->enabled) {
      feed->enabled = false;
      changed = true;
    }
    if (change.newUrl.empty() || settings::FeedUrlProblem(change.newUrl)) continue;
    std::vector<settings::FeedSource> others = feeds;
    others.erase(others.begin() + (feed - feeds.begin()));
    if (settings::FeedUrlClash(others, change.newUrl)) continue;
    feed->url = change.newUrl;
    changed = true;
  }
  if (changed) settings::PutFeeds(edit, feeds);
}

}  // namespace quillet
