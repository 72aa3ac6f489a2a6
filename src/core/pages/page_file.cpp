#include "core/pages/page_file.h"

#include <charconv>
#include <set>

#include "core/settings/feed_list.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

std::string Escaped(const std::string& cp932) {
  std::string out;
  for (const char c : Cp932ToUtf8(cp932)) {
    switch (c) {
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// The value's text, escapes undone, in CP932; nullopt for an unknown escape.
std::optional<std::string> Unescaped(std::string_view value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\') {
      out += value[i];
      continue;
    }
    if (++i == value.size()) return std::nullopt;
    switch (value[i]) {
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case '\\':
        out += '\\';
        break;
      default:
        return std::nullopt;
    }
  }
  return out;
}

std::optional<int> Number(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

class Reader {
 public:
  explicit Reader(const SectionCheck& check) : check_(check) {}

  std::optional<PageFileProblem> Line(std::string_view line) {
    ++number_;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == '#') return std::nullopt;
    const size_t space = line.find(' ');
    const std::string_view key = line.substr(0, space);
    const std::string_view raw = space == std::string_view::npos ? "" : line.substr(space + 1);
    const std::optional<std::string> unescaped = Unescaped(raw);
    if (!unescaped) return Problem(CP932("\\ の後は n、r、t、\\ のどれかです"));
    constexpr char kMarker = '\x01';  // stands for what CP932 cannot hold
    const std::string value = Utf8ToCp932(*unescaped, std::string_view(&kMarker, 1));
    if (value.find(kMarker) != std::string::npos && unescaped->find(kMarker) == std::string::npos)
      return Problem(CP932("CP932 で表せない文字があります"));
    return Take(key, value);
  }

  std::optional<PageFileProblem> End() {
    if (auto problem = EndPage()) return problem;
    GiveIds(list_);
    return std::nullopt;
  }

  PageList& List() { return list_; }

 private:
  PageFileProblem Problem(std::string message) const { return {number_, std::move(message)}; }

  std::optional<PageFileProblem> Take(std::string_view key, const std::string& value) {
    if (key == "next-id") {
      const auto id = Number(value);
      if (!id || !list_.pages.empty()) return Problem(CP932("next-id は最初に、数で書きます"));
      list_.nextId = std::max(*id, 1);
      return std::nullopt;
    }
    if (key == "page") {
      if (auto problem = EndPage()) return problem;
      const auto id = value.empty() ? std::optional<int>(0) : Number(value);
      if (!id) return Problem(CP932("ページの ID は数で書きます"));
      if (*id > 0 && !ids_.insert(*id).second)
        return Problem(CP932("ID ") + value + CP932(" のページは前にもあります"));
      list_.pages.emplace_back().id = *id;
      pageLine_ = number_;
      return std::nullopt;
    }
    if (list_.pages.empty()) return Problem(CP932("page の行より前には書けません"));
    PageSource& page = list_.pages.back();
    if (key == "name" || key == "url") {
      const auto problem = key == "name" ? PageNameProblem(value) : settings::FeedUrlProblem(value);
      if (problem) return Problem(*problem);
      (key == "name" ? page.name : page.url) = value;
      return std::nullopt;
    }
    if (key == "enabled") {
      if (value != "on" && value != "off") return Problem(CP932("enabled は on か off です"));
      page.enabled = value == "on";
      return std::nullopt;
    }
    if (key == "section") {
      if (auto problem = EndSection()) return problem;
      if (auto problem = SectionNameProblem(value)) return Problem(*problem);
      if (page.sections.size() >= kPageSectionsMax)
        return Problem(CP932("セクションが多すぎます (100まで)"));
      page.sections.emplace_back().name = value;
      sectionLine_ = number_;
      return std::nullopt;
    }
    if (page.sections.empty()) return Problem(CP932("section の行より前には書けません"));
    PageSection& section = page.sections.back();
    if (key == "min-length") {
      const auto length = Number(value);
      if (!length || *length > kPageMinLengthMax)
        return Problem(CP932("min-length は 0 から 1000 までの数です"));
      section.minLength = *length;
      return std::nullopt;
    }
    std::string* field = key == "from"    ? &section.from
                         : key == "to"    ? &section.to
                         : key == "xpath" ? &section.xpath
                         : key == "css"   ? &section.css
                         : key == "links" ? &section.links
                                          : nullptr;
    if (!field) return Problem(CP932("知らないキーです: ") + Utf8ToCp932(key));
    *field = value;
    return std::nullopt;
  }

  std::optional<PageFileProblem> EndSection() {
    if (list_.pages.empty() || list_.pages.back().sections.empty() || !check_) return std::nullopt;
    if (auto problem = check_(list_.pages.back().sections.back()))
      return PageFileProblem{sectionLine_, *problem};
    return std::nullopt;
  }

  std::optional<PageFileProblem> EndPage() {
    if (auto problem = EndSection()) return problem;
    if (list_.pages.empty()) return std::nullopt;
    const PageSource& page = list_.pages.back();
    if (page.name.empty() || page.url.empty())
      return PageFileProblem{pageLine_, CP932("ページに name と url がありません")};
    return std::nullopt;
  }

  const SectionCheck& check_;
  PageList list_;
  std::set<int> ids_;
  int number_ = 0;
  int pageLine_ = 0;
  int sectionLine_ = 0;
};

}  // namespace

std::string FormatPages(const PageList& list) {
  std::string text = "# Quillet pages\nnext-id " + std::to_string(list.nextId) + "\n";
  for (const PageSource& page : list.pages) {
    text += "\npage " + std::to_string(page.id) + "\nname " + Escaped(page.name) + "\nurl " +
            Escaped(page.url) + "\n";
    if (!page.enabled) text += "enabled off\n";
    for (const PageSection& section : page.sections) {
      text += "section " + Escaped(section.name) + "\n";
      const auto put = [&text](const char* key, const std::string& value) {
        if (!value.empty()) text += std::string(key) + " " + Escaped(value) + "\n";
      };
      put("from", section.from);
      put("to", section.to);
      put("xpath", section.xpath);
      put("css", section.css);
      put("links", section.links);
      if (section.minLength > 0) text += "min-length " + std::to_string(section.minLength) + "\n";
    }
  }
  return text;
}

std::variant<PageList, PageFileProblem> ParsePages(std::string_view utf8,
                                                   const SectionCheck& check) {
  Reader reader(check);
  while (!utf8.empty()) {
    const size_t end = utf8.find('\n');
    if (auto problem = reader.Line(utf8.substr(0, end))) return *problem;
    utf8.remove_prefix(end == std::string_view::npos ? utf8.size() : end + 1);
  }
  if (auto problem = reader.End()) return *problem;
  return std::move(reader.List());
}

}  // namespace quillet
