// The user's pages: news pages without a feed, each cut into sections by
// rules the user writes. Every section is a category of its own, with its own
// log. Inside the program the texts are CP932; the pages file is UTF-8
// (page_file.h).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// One section of a page: the part of the page that is cut, by texts, by an
// XPath expression or by a CSS selector (one of the three), and which of the
// links inside it are kept.
struct PageSection {
  std::string name;  // the genre of its rows
  // Between two texts of the page's source: "" for the start, "" for the end.
  std::string from;
  std::string to;
  std::string xpath;  // the elements an XPath expression selects over the page as HTML
  std::string css;    // the elements a CSS selector selects
  std::string links;  // keep only the links whose URL holds this; "" keeps every link
  int minLength = 0;  // pass over the links whose text has fewer characters

  bool operator==(const PageSection&) const = default;
};

struct PageSource {
  int id = 0;  // stable, from 1: names the logs; 0 for a page not yet stored
  std::string name;
  std::string url;  // http:// or https://
  bool enabled = true;
  std::vector<PageSection> sections;

  bool operator==(const PageSource&) const = default;
};

struct PageList {
  std::vector<PageSource> pages;
  int nextId = 1;  // the id the next new page gets: an id is never given twice

  bool operator==(const PageList&) const = default;
};

inline constexpr size_t kPageSectionsMax = 100;
inline constexpr int kPageMinLengthMax = 1000;

// Why a page or a section cannot have this name, as a message for the user
// (CP932); nullopt when it can. The rules of a feed's name: not empty, no TAB
// or line break, at most 255 bytes, no double-byte character cut off.
std::optional<std::string> PageNameProblem(std::string_view name);
std::optional<std::string> SectionNameProblem(std::string_view name);

// Gives the pages with id 0 the next ids, in order.
void GiveIds(PageList& list);

// The page with `idText` as its id ("3"), or nullptr.
PageSource* FindPage(PageList& list, std::string_view idText);

// The log of a page's section, relative to the data folder:
// "Pages/<id>-<n>.log", n counting the sections from 1.
std::string PageLogFile(int id, size_t number);

// Keys of the pages' sections among the headlines met: below every feed's.
int PageSeenKey(int id, size_t number);

// "ページ": the log tree's node of the pages.
const std::string& PageGenre();

// The `cut` options that make the section, as a terminal command takes
// them: "--from '<ul class=\"news\">' --to '</ul>' --min-length 4". Values
// are quoted for a POSIX shell when they need it.
std::string SectionRuleText(const PageSection& section);

}  // namespace quillet
