#include "core/headlines/feed_items.h"

#include <memory>

#include "core/headlines/headline_merge.h"
#include "core/log/category_log.h"
#include "core/settings/settings.h"
#include "core/sys/program_dir.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

// Keys of the feeds among the headlines seen: below 0, so never a category's.
int SeenKey(int feedId) {
  return -feedId;
}

void AppendRow(const FetchState& state, HeadlineSink& list, bool isNew) {
  list.AppendRow(state.siteLabel, state.genre, state.headline, -1,
                 std::make_unique<NewsItem>(
                     NewsItem{state.siteLabel, state.headline, state.url, state.genre, isNew}));
}

}  // namespace

void MergeFeedItems(FetchState& state, const settings::FeedSource& source, const Feed& feed,
                    HeadlineSink& list) {
  state.siteLabel = source.name;
  state.siteName = source.name;
  state.logPath = DataDirectory() + settings::FeedLogFile(source.id);
  state.insertPos = 0;
  state.headline.clear();
  state.url.clear();
  state.genre = settings::FeedGenre();
  CategoryLog log(state.logPath);
  if (!state.settings.behaviour.noAddEmpty) AppendRow(state, list, false);
  for (const FeedItem& item : feed.items) {
    if (item.title.empty()) continue;
    state.headline = item.title;
    state.url = item.link;
    state.genre = item.category.empty() ? settings::FeedGenre() : item.category;
    ReplaceTabs(state.headline);
    ReplaceTabs(state.url);
    const MergedHeadline merged = MergeHeadline(state, log, SeenKey(source.id), true);
    if (merged.listed) AppendRow(state, list, merged.isNew);
  }
  log.Flush();
}

}  // namespace quillet
