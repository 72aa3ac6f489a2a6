// Text leaves the program in the encoding asked for.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class Terminal {
 public:
  explicit Terminal(bool utf8);

  std::string Out(const std::string& cp932) const;
  std::string In(const std::string& text) const;

  void PrintRow(const std::vector<std::string>& fields);
  // The same row into a buffer of rows that goes to stdout in large writes:
  // when it fills and at FlushRows.
  void WriteRow(std::initializer_list<std::string_view> fields);
  void FlushRows();
  // One updating line on a terminal; nothing otherwise.
  void Progress(const std::string& text);
  void ClearProgress();
  void Message(const std::string& cp932);

 private:
  bool utf8_;
  bool progressOnTty_;
  bool progressShown_ = false;
  std::vector<char> rows_;  // WriteRow's rows not yet written: rows_[0, rowsEnd_)
  size_t rowsEnd_ = 0;
  std::vector<char> converted_;  // the same in UTF-8
};

}  // namespace quillet
