// The matching conventions shared by the sites' cutting rules: "contains"
// matches only at character starts, "begins with" compares bytes, and a rule
// that needs a page line past the last one ends the run.
#pragma once

#include <string>
#include <string_view>

#include "core/sites/catalogue.h"
#include "core/sys/error.h"
#include "core/text/cp932.h"
#include "core/text/text_ops.h"

namespace quillet {

inline bool LineContains(std::string_view line, std::string_view literal) {
  return Cp932Find(line, literal) != std::string_view::npos;
}

inline bool LineBeginsWith(std::string_view line, std::string_view prefix) {
  return line.substr(0, prefix.size()) == prefix;
}

// The (first) section marker of the category with this log file, as the
// catalogue holds it.
inline const std::string& SectionMarker(std::string_view logFile) {
  return CategoryNamed(logFile).markers[0];
}

// Page line `index`; raises "List index out of bounds (N)" past the last one.
inline const std::string& PageLine(const Lines& page, size_t index) {
  if (index >= page.size()) {
    throw QuilletError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return page[index];
}

}  // namespace quillet
