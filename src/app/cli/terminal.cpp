#include "app/cli/terminal.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/text/text_codec.h"

namespace quillet {
namespace {

// WriteRow's rows go out in pieces of about this many CP932 bytes.
constexpr size_t kRowsBufferSize = 128 * 1024;

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
  size_t size = 1;  // the fields, the TABs between them and the line break
  for (const std::string_view& field : fields)
    size += field.size() + 1;
  if (rows_.size() - rowsEnd_ < size) {
    FlushRows();
    rows_.resize(std::max({rows_.size(), size, kRowsBufferSize}));
  }
  char* out = rows_.data() + rowsEnd_;
  for (const std::string_view& field : fields) {
    if (&field != fields.begin()) *out++ = '\t';
    std::memcpy(out, field.data(), field.size());
    out += field.size();
  }
  *out++ = '\n';
  rowsEnd_ = static_cast<size_t>(out - rows_.data());
}

// The rows are converted all at once: a lead byte at a field's end is never
// taken with the TAB or line break after it, so the text is what converting
// each field alone makes.
void Terminal::FlushRows() {
  const std::string_view rows(rows_.data(), rowsEnd_);
  if (rows.empty()) {
    // Nothing gathered; stdout is flushed all the same.
  } else if (utf8_) {
    converted_.resize(std::max(converted_.size(), Cp932ToUtf8Room(rows.size())));
    const char* end = WriteCp932AsUtf8(converted_.data(), rows);
    std::fwrite(converted_.data(), 1, static_cast<size_t>(end - converted_.data()), stdout);
  } else {
    std::fwrite(rows.data(), 1, rows.size(), stdout);
  }
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
