#include "app/cli/terminal.h"

#include <unistd.h>

#include <cstdio>

#include "core/text/text_codec.h"

namespace quillet {

Terminal::Terminal(bool utf8) : utf8_(utf8), progressOnTty_(isatty(STDERR_FILENO) != 0) {}

std::string Terminal::Out(const std::string& cp932) const {
  return utf8_ ? Cp932ToUtf8(cp932) : cp932;
}
std::string Terminal::In(const std::string& text) const {
  return utf8_ ? Utf8ToCp932(text) : text;
}

void Terminal::PrintRow(const std::vector<std::string>& fields) {
  ClearProgress();
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += '\t';
    line += Out(fields[i]);
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

void Terminal::WriteRow(std::initializer_list<std::string_view> fields) {
  ClearProgress();
  row_.clear();
  for (const std::string_view& field : fields) {
    if (&field != fields.begin()) row_ += '\t';
    if (utf8_) {
      AppendCp932ToUtf8(row_, field);
    } else {
      row_ += field;
    }
  }
  row_ += '\n';
  std::fwrite(row_.data(), 1, row_.size(), stdout);
}

void Terminal::Progress(const std::string& text) {
  if (!progressOnTty_) return;
  std::fprintf(stderr, "\r%s\x1b[K", Out(text).c_str());
  std::fflush(stderr);
  progressShown_ = true;
}

void Terminal::ClearProgress() {
  if (!progressShown_) return;
  std::fputs("\r\x1b[K", stderr);
  progressShown_ = false;
}

void Terminal::Message(const std::string& cp932) {
  ClearProgress();
  std::fprintf(stderr, "%s\n", Out(cp932).c_str());
}

}  // namespace quillet
