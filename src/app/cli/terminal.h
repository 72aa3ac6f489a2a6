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
  // The same row into stdout's buffer, without a flush.
  void WriteRow(std::initializer_list<std::string_view> fields);
  // One updating line on a terminal; nothing otherwise.
  void Progress(const std::string& text);
  void ClearProgress();
  void Message(const std::string& cp932);

 private:
  bool utf8_;
  bool progressOnTty_;
  bool progressShown_ = false;
  std::string row_;
};

}  // namespace quillet
