// The extraction walk done the plain way, reading and rewriting the category's
// log file for every headline. Tests compare the real walk against it and the
// benchmarks measure what keeping the log in memory saves.
#pragma once

#include "core/headlines/extraction.h"
#include "core/log/log_store.h"
#include "core/settings/settings.h"
#include "core/sites/catalogue.h"
#include "core/sys/program_dir.h"
#include "support/temp_home.h"

namespace quillet::test {

inline void ReferenceAddNewsItem(TFetchState& s, RecordingList& list, int category) {
  if (s.FHeadline.empty()) {
    if (!settings::NoAddEmpty()) list.rows.push_back({s.FSiteLabel, s.FGenre, "", 0, {}});
    return;
  }
  Lines lines = LoadLogFile(s.FLogPath);
  const bool enabled = IsCategoryEnabled(category);
  if (settings::AddNewsOnly()) {
    if (FindShownLogRecord(lines, s.FHeadline) >= 0) return;
    if (settings::SaveLog()) {
      s.FInsertPos = RecordHeadline(lines, s.FHeadline, s.FURL, enabled, s.FInsertPos);
      SaveLogFile(s.FLogPath, lines);
    }
  } else if (settings::SaveLog()) {
    if (FindShownLogRecord(lines, s.FHeadline) < 0) {
      s.FInsertPos = RecordHeadline(lines, s.FHeadline, s.FURL, enabled, s.FInsertPos);
    }
    SaveLogFile(s.FLogPath, lines);
  }
  if (enabled) list.rows.push_back({s.FSiteLabel, s.FGenre, s.FHeadline, 0, {}});
}

// The walk for sites with relative links only (every site but Impress Watch).
inline void ReferenceExtractHeadlines(TFetchState& s, const Lines& document, RecordingList& list) {
  s.FInsertPos = 0;
  int category = -1;
  for (const std::string& line : document) {
    std::string previous = s.FGenre, text = line;
    if (auto marker = CategoryOfMarker(s.FSiteLabel, line)) {
      const Category& c = Categories()[static_cast<size_t>(*marker)];
      category = *marker;
      s.FGenre = c.genre;
      s.FLogPath = ProgramDirectory() + c.logFile;
      s.FInsertPos = 0;
      s.FMarker = line;
      if (c.site >= 3) text.clear();
    } else if (category < 0) {
      continue;
    }
    s.FURL = s.FBaseURL + ExtractHref(text);
    s.FHeadline = RemoveTags(text);
    if (!(s.FGenre == previous && s.FHeadline.empty())) ReferenceAddNewsItem(s, list, category);
  }
}

}  // namespace quillet::test
