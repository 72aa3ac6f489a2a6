#include "app/cli/terminal.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "core/text/text_codec.h"

namespace quillet {
namespace {

// Rows are written out in pieces of about this size.
constexpr size_t kRowsBufferSize = 1 << 20;

}  // namespace

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
  // Room for the row at its longest: every field converted, a TAB or the
  // line break after each.
  size_t room = 0;
  for (const std::string_view& field : fields)
    room += (utf8_ ? Cp932ToUtf8Room(field.size()) : field.size()) + 1;
  if (rows_.size() - rowsEnd_ < room) {
    FlushRows();
    rows_.resize(std::max(rows_.size(), std::max(room, kRowsBufferSize)));
  }
  char* out = rows_.data() + rowsEnd_;
  for (const std::string_view& field : fields) {
    if (&field != fields.begin()) *out++ = '\t';
    if (utf8_) {
      out = WriteCp932AsUtf8(out, field);
    } else {
      out = std::copy(field.begin(), field.end(), out);
    }
  }
  *out++ = '\n';
  rowsEnd_ = static_cast<size_t>(out - rows_.data());
}

void Terminal::FlushRows() {
  std::fwrite(rows_.data(), 1, rowsEnd_, stdout);
  rowsEnd_ = 0;
  std::fflush(stdout);
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
