// The news pages in today's style that the sample server serves for the
// user's pages (cut by rules the user writes): HTML5, one in UTF-8 and one in
// Shift_JIS, on a host of their own. today/EXPECTED.md says what rules cut
// them and what those give.
#pragma once

#include <array>
#include <string_view>

namespace quillet {

inline constexpr std::string_view kTodayPageHost = "news.quillet.test";

struct TodayPage {
  std::string_view file;  // in the folder of today's pages, made from today/ at build time
  std::string_view path;  // on kTodayPageHost
  std::string_view contentType;
};

inline constexpr std::array<TodayPage, 2> kTodayPages = {{
    {"machi.html", "/today/machi.html", "text/html; charset=utf-8"},
    // Its code named by its meta tag alone.
    {"keizai.html", "/today/keizai.html", "text/html"},
}};

}  // namespace quillet
