// The extraction walk of the sites with relative links (all but Impress Watch)
// done the plain way, the log read and rewritten for every headline: the oracle
// of the real walk's tests and the baseline of the benchmarks. A walk is the
// first run of a process: a row is new when the log as the walk first read it
// held no record of it, and with the logs off every row is new.
#pragma once

#include <map>
#include <string>

#include "core/log/log_store.h"
#include "core/settings/settings.h"
#include "core/sites/catalogue.h"
#include "core/text/text_ops.h"
#include "support/reference_log.h"
#include "support/temp_home.h"

namespace quillet::test {

struct ReferenceWalk {
  const settings::Settings& settings;
  const Site& site;
  std::string genre, headline, url, logPath;
  int32_t insertPos = 0;
};

inline void ReferenceAddNewsItem(ReferenceWalk& s, RecordingList& list, int category,
                                 std::map<std::string, Lines>& logsAtStart) {
  const std::string& label = s.site.shortLabel;
  if (s.headline.empty()) {
    if (!s.settings.behaviour.noAddEmpty) list.rows.push_back({label, s.genre, "", 0, {}});
    return;
  }
  Lines lines = LoadLogFile(s.logPath);
  const Lines& atStart = logsAtStart.try_emplace(s.logPath, lines).first->second;
  const bool isNew = !s.settings.behaviour.saveLog || FindLogRecord(atStart, s.headline) < 0;
  const bool enabled = s.settings.connection.enabled[static_cast<size_t>(category)],
             shown = FindShownLogRecord(lines, s.headline) >= 0;
  if (s.settings.behaviour.addNewsOnly && shown) return;
  if (s.settings.behaviour.saveLog) {
    if (!shown) s.insertPos = RecordHeadline(lines, s.headline, s.url, enabled, s.insertPos);
    SaveLogFile(s.logPath, lines);
  }
  if (enabled)
    list.rows.push_back(
        {label, s.genre, s.headline, 0, {label, s.headline, s.url, s.genre, isNew}});
}

// The walk of `site`'s section document, as the first run of a process.
inline void ReferenceExtractHeadlines(const settings::Settings& settings, const Site& site,
                                      const Lines& document, RecordingList& list) {
  ReferenceWalk s{settings, site, {}, {}, {}, {}};
  int category = -1;
  std::map<std::string, Lines> logsAtStart;
  for (const std::string& line : document) {
    std::string previous = s.genre, text = line;
    if (auto marker = CategoryOfMarker(site.shortLabel, line)) {
      const Category& c = Categories()[static_cast<size_t>(*marker)];
      category = *marker;
      s.genre = c.genre;
      s.logPath = DataDirectory() + c.logFile;
      s.insertPos = 0;
      if (c.site >= 3) text.clear();
    } else if (category < 0) {
      continue;
    }
    s.url = site.baseUrl + ExtractHref(text);
    s.headline = RemoveTags(text);
    if (!(s.genre == previous && s.headline.empty()))
      ReferenceAddNewsItem(s, list, category, logsAtStart);
  }
}

}  // namespace quillet::test
