// Test helpers for the cutting rules: page lines written in UTF-8, table-driven
// cut checks, the served sample pages turned into section documents the way
// the fetch run does it, and what EXPECTED.md says those documents hold.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <initializer_list>
#include <map>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/sites/catalogue.h"
#include "core/sites/front_page.h"
#include "core/sys/error.h"
#include "core/sys/file_system.h"
#include "core/text/text_codec.h"
#include "core/text/text_ops.h"

namespace quillet::test {

using CutRules = Lines (*)(const Lines& page);

// Lines written in UTF-8 here, as the CP932 lines the rules read and write.
inline Lines Sj(std::initializer_list<std::string_view> utf8) {
  Lines lines;
  for (std::string_view line : utf8)
    lines.push_back(Utf8ToCp932(line));
  return lines;
}

struct CutCase {
  const char* name;
  Lines page;
  Lines document;  // what `cut` makes of `page`
};

inline void ExpectCuts(CutRules cut, std::span<const CutCase> cases) {
  for (const CutCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(cut(c.page), c.document);
  }
}

struct CutErrorCase {
  const char* name;
  Lines page;
  const char* message;  // of the QuilletError `cut` must raise
};

inline void ExpectCutErrors(CutRules cut, std::span<const CutErrorCase> cases) {
  for (const CutErrorCase& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      cut(c.page);
      ADD_FAILURE() << "no error raised";
    } catch (const QuilletError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

// The page lines of the served sample page `file` (data/sample-sites), made
// from its bytes as the fetch run makes them from the body `site` receives.
inline Lines SamplePageLines(int site, const std::string& file) {
  std::string body;
  EXPECT_EQ(ReadWholeFile(QUILLET_SAMPLE_DIR "/" + file, body), ReadResult::kOk) << file;
  return PageLines(Sites()[static_cast<std::size_t>(site)].pageLines, body);
}

// The section document the fetch run cuts from the page lines of `site`:
// the site's rules, then break splitting where the site's row asks for it.
inline Lines SectionDocument(int site, const Lines& page) {
  const Site& s = Sites()[static_cast<std::size_t>(site)];
  Lines document = s.cut(page);
  if (s.normalise) SplitBreaks(document);
  return document;
}

// What a cut document holds per category: its marker lines and the headlines
// of its content lines (tags removed; lines left empty give none), each with
// the target of its link ("" for none).
struct SectionTally {
  int markers = 0;
  std::vector<std::string> headlines;
  std::vector<std::string> links;
};

inline std::map<int, SectionTally> TallySections(const Lines& document,
                                                 const std::string& siteLabel) {
  std::map<int, SectionTally> sections;
  int current = -1;
  for (const std::string& line : document) {
    if (std::optional<int> category = CategoryOfMarker(siteLabel, line)) {
      current = *category;
      ++sections[current].markers;
      continue;
    }
    EXPECT_NE(current, -1) << "content line before the first marker";
    std::string text = RemoveTags(line);
    if (text.empty()) continue;
    sections[current].headlines.push_back(std::move(text));
    sections[current].links.push_back(ExtractHref(line));
  }
  return sections;
}

// Headline counts of the categories of `site` from the tables of the sample
// pages' EXPECTED.md ("| category | genre | headlines |" rows).
inline std::map<int, int> ExpectedHeadlines(int site) {
  const Site& s = Sites()[static_cast<std::size_t>(site)];
  std::string text;
  EXPECT_EQ(ReadWholeFile(QUILLET_SAMPLE_DIR "/EXPECTED.md", text), ReadResult::kOk);
  std::map<int, int> counts;
  std::istringstream in(text);
  for (std::string row; std::getline(in, row);) {
    int category = 0;
    int headlines = 0;
    if (std::sscanf(row.c_str(), "| %d | %*[^|]| %d |", &category, &headlines) == 2 &&
        category >= s.firstCategory && category <= s.lastCategory)
      counts[category] = headlines;
  }
  return counts;
}

}  // namespace quillet::test
