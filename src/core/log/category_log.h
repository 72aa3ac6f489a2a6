// The log of the category being merged, kept in memory while its headlines are
// processed and written once when the category ends. The first headline that
// needs a save checks at once that the file can be written, so a save error
// surfaces at the same headline as it would with a write per headline.
#pragma once

#include <string>

#include "core/text/text_ops.h"

namespace quillet {

class CategoryLog {
 public:
  CategoryLog() = default;
  CategoryLog(const CategoryLog&) = delete;
  CategoryLog& operator=(const CategoryLog&) = delete;

  // The lines of the log at `path`, loaded on first use. Switching to another
  // path first saves the previous log when it needs saving.
  Lines& Open(const std::string& path);

  // Notes that the open log must be written (even when unchanged). Raises the
  // log store's create error when the file cannot be written.
  void MarkForSave();

  // Writes the open log when it needs saving.
  void Flush();

 private:
  std::string path_;
  Lines lines_;
  bool open_ = false;
  bool needsSave_ = false;
};

}  // namespace quillet
