// The pages file, "pages.txt" beside the settings file, which is also the
// format pages are exported, shared and imported in: plain UTF-8 text, one
// "key value" a line, the value the rest of the line after one space, with
// "\n", "\r", "\t" and "\\" standing for a line break, a carriage return, a
// TAB and a backslash. Lines that are empty or begin with "#" are comments.
//
//   next-id 4
//   page 3
//   name 町の新聞
//   url https://example.jp/
//   enabled off
//   section 主要ニュース
//   from <ul class="headlines">
//   to </ul>
//   min-length 4
//   section 経済
//   css .economy a
//
// "page" opens a page (its id, or nothing in a file written by hand), whose
// "name" and "url" follow; "section" opens one of its sections, followed by
// its rule's keys: "from", "to", "xpath", "css", "links", "min-length".
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "core/pages/page_list.h"

namespace quillet {

// The file's text for `list`, LF line ends.
std::string FormatPages(const PageList& list);

// Where a file cannot be read as pages and why (CP932).
struct PageFileProblem {
  int line = 0;
  std::string message;
};

// Checks a section's rule once its keys are read; nullopt when it can be used.
using SectionCheck = std::function<std::optional<std::string>(const PageSection&)>;

// The pages of the text, or the first line that makes it unusable: an
// unknown key, a key out of its place, a page without name or URL, a name,
// URL or number that could not be stored, a text CP932 cannot hold, a page id
// given twice, a section whose rule `check` refuses. Line ends LF or CR LF.
std::variant<PageList, PageFileProblem> ParsePages(std::string_view utf8,
                                                   const SectionCheck& check = {});

}  // namespace quillet
