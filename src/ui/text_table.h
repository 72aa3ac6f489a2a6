// Rows of CP932 text fields laid end to end in one byte buffer, each row with
// a small icon number: the storage of the long lists, a few bytes per row
// beyond the text instead of a string object per field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class TextTable {
 public:
  explicit TextTable(size_t fields) : fields_(fields) {}

  size_t Size() const { return icons_.size(); }
  // The bytes of text held.
  size_t Bytes() const { return bytes_.size(); }

  // Room for `rows` more rows holding `bytes` more text.
  void Reserve(size_t rows, size_t bytes);
  // Appends a row of exactly Fields() texts; `icon` is -1 for none.
  void Add(std::initializer_list<std::string_view> texts, int icon);

  std::string_view Field(size_t row, size_t field) const;
  int Icon(size_t row) const { return icons_[row]; }

 private:
  size_t fields_;
  std::string bytes_;
  std::vector<uint32_t> ends_;  // per row and field: where its text ends in bytes_
  std::vector<int8_t> icons_;
};

}  // namespace quillet
