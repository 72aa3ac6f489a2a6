// A category log held in memory while a site's headlines are merged into it:
// read once, its records found through an index of their first bytes, written
// once from its buffer. It answers as a plain search of the log's lines
// would (tests/support/reference_log.h is that search).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/text_ops.h"

namespace quillet {

class CategoryLog {
 public:
  // Reads the log at `path`; a missing file is an empty log. Raises
  // ReadLogBytes's error when the file cannot be read.
  explicit CategoryLog(std::string path);
  CategoryLog(const CategoryLog&) = delete;
  CategoryLog& operator=(const CategoryLog&) = delete;

  int Find(std::string_view headline) const;
  int FindShown(std::string_view headline) const;
  // Whether the file as read held a record of the headline (found as Find
  // finds it), whatever has been recorded since.
  bool HeldWhenRead(std::string_view headline) const;
  int Record(const std::string& headline, const std::string& url, bool enabled, int insertPos);

  // Notes that the log is to be saved. The first call raises the log store's
  // create error when the file cannot be written, so that the error surfaces
  // at the headline that needs the save.
  void MarkForSave();
  // Writes the log when it is to be saved and its bytes differ from the file's.
  void Flush();

 private:
  int FindFolded(std::string_view lower, bool shownOnly) const;
  size_t LineCount() const { return head_.size() + (lineStarts_.size() - 1 - bodyStart_); }
  std::string_view LineRead(size_t i) const;  // line i of the file as read
  std::string_view LineNow(size_t i) const;   // line i of the file, renewed or not
  uint32_t Bucket(uint64_t key) const;
  void BuildIndex();
  void Insert(size_t at, std::string record);
  void Replace(size_t at, std::string record);
  // The bytes the log is saved as, in order: its lines with their CR LF, the
  // unchanged runs of text_ as they stand.
  std::vector<std::string_view> Pieces() const;

  std::string path_;
  std::string text_;                  // the file's bytes, every line ending in CR LF
  std::vector<size_t> lineStarts_;    // where each line of text_ starts, then text_.size()
  std::vector<size_t> bucketStarts_;  // the index: the lines of text_, grouped by a hash of
  std::vector<size_t> bucketLines_;   // their first folded bytes, in line order per group
  int bucketBits_ = 0;
  Lines head_;                             // the lines above bodyStart_: records inserted
  size_t bodyStart_ = 0;                   // first line of text_ that follows head_
  std::map<size_t, std::string> renewed_;  // lines of text_ replaced in place
  bool changed_ = false;                   // the bytes differ from the file's
  bool needsSave_ = false;
};

}  // namespace quillet
