#include "core/log/category_log.h"

#include "core/log/log_store.h"

namespace quillet {

Lines& CategoryLog::Open(const std::string& path) {
  if (open_ && path == path_) return lines_;
  Flush();
  open_ = false;
  lines_ = LoadLogFile(path);
  path_ = path;
  open_ = true;
  return lines_;
}

void CategoryLog::MarkForSave() {
  if (needsSave_) return;
  PrepareLogFile(path_);
  needsSave_ = true;
}

void CategoryLog::Flush() {
  if (!open_ || !needsSave_) return;
  needsSave_ = false;
  SaveLogFile(path_, lines_);
}

}  // namespace quillet
