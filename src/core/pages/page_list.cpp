#include "core/pages/page_list.h"

#include "core/settings/feed_list.h"
#include "core/text/cp932.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

std::optional<std::string> NameProblem(std::string_view name, const char* what) {
  const std::string subject = Utf8ToCp932(what);
  if (name.empty()) return subject + CP932("が空です");
  if (name.find_first_of("\t\r\n") != std::string_view::npos)
    return subject + CP932("にタブや改行は使えません");
  if (name.size() > settings::kFeedNameMax) return subject + CP932("が長すぎます (255バイトまで)");
  if (Cp932EndsMidCharacter(name)) return subject + CP932("の最後の文字が欠けています");
  return std::nullopt;
}

// The value as one word of a POSIX shell: as it is when it holds nothing the
// shell reads, else in single quotes.
std::string ShellWord(const std::string& value) {
  if (!value.empty() &&
      value.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                              "0123456789/._-:@%+=,") == std::string::npos)
    return value;
  std::string quoted = "'";
  for (const char c : value)
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

std::optional<std::string> PageNameProblem(std::string_view name) {
  return NameProblem(name, "ページ名");
}

std::optional<std::string> SectionNameProblem(std::string_view name) {
  return NameProblem(name, "セクション名");
}

void GiveIds(PageList& list) {
  for (const PageSource& page : list.pages)
    list.nextId = std::max(list.nextId, page.id + 1);
  for (PageSource& page : list.pages) {
    if (page.id == 0) page.id = list.nextId++;
  }
}

PageSource* FindPage(PageList& list, std::string_view idText) {
  for (PageSource& page : list.pages) {
    if (std::to_string(page.id) == idText) return &page;
  }
  return nullptr;
}

std::string PageLogFile(int id, size_t number) {
  return "Pages/" + std::to_string(id) + "-" + std::to_string(number) + ".log";
}

int PageSeenKey(int id, size_t number) {
  // Feeds take -id; pages' ids stay far below any feed's.
  return -1'000'000'000 + id * static_cast<int>(kPageSectionsMax + 1) + static_cast<int>(number);
}

const std::string& PageGenre() {
  return CP932("ページ");
}

std::string SectionRuleText(const PageSection& section) {
  std::string text;
  const auto option = [&text](const char* name, const std::string& value) {
    if (value.empty()) return;
    text += (text.empty() ? "" : " ") + std::string(name) + " " + ShellWord(value);
  };
  option("--from", section.from);
  option("--to", section.to);
  option("--xpath", section.xpath);
  option("--css", section.css);
  option("--links", section.links);
  if (section.minLength > 0) option("--min-length", std::to_string(section.minLength));
  return text;
}

}  // namespace quillet
