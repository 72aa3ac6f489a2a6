#include "ui/text_table.h"

#include <cassert>
#include <limits>
#include <stdexcept>

namespace quillet {
namespace {

// Offsets are 32 bits: half the index of 64-bit ones, and 4 GiB of list text
// is far beyond what the program's memory would hold anyway.
void CheckRoom(size_t used, size_t more) {
  if (more > std::numeric_limits<uint32_t>::max() - used)
    throw std::length_error("list text beyond 4 GiB");
}

}  // namespace

void TextTable::Reserve(size_t rows, size_t bytes) {
  bytes_.reserve(bytes_.size() + bytes);
  ends_.reserve(ends_.size() + rows * fields_);
  icons_.reserve(icons_.size() + rows);
}

void TextTable::Add(std::initializer_list<std::string_view> texts, int icon) {
  assert(texts.size() == fields_);
  size_t more = 0;
  for (std::string_view text : texts)
    more += text.size();
  CheckRoom(bytes_.size(), more);
  for (std::string_view text : texts) {
    bytes_.append(text);
    ends_.push_back(static_cast<uint32_t>(bytes_.size()));
  }
  icons_.push_back(static_cast<int8_t>(icon));
}

std::string_view TextTable::Field(size_t row, size_t field) const {
  const size_t at = row * fields_ + field;
  const size_t begin = at == 0 ? 0 : ends_[at - 1];
  return std::string_view(bytes_).substr(begin, ends_[at] - begin);
}

}  // namespace quillet
