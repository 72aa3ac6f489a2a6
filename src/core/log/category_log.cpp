#include "core/log/category_log.h"

#include <algorithm>
#include <numeric>

#include "core/log/log_store.h"
#include "core/text/cp932.h"

namespace quillet {
namespace {

// The index key: a line's first kKeyBytes bytes folded as StartsWithFolded
// folds them (a trail byte as it stands), zero-padded. A headline at least
// that long can only begin a line of the same key.
constexpr size_t kKeyBytes = 8;

uint64_t FoldedKey(std::string_view s) {
  uint64_t key = 0;
  bool trail = false;
  for (size_t i = 0; i < kKeyBytes; ++i) {
    unsigned char c = i < s.size() ? static_cast<unsigned char>(s[i]) : 0;
    if (!trail && c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + ('a' - 'A'));
    trail = !trail && IsCp932LeadByte(c);
    key = key << 8 | c;
  }
  return key;
}

// Splits text in the form FormatLogText writes (every line ending in CR LF, no
// other CR, LF or NUL) into line starts; false for any other text.
bool SplitWrittenForm(std::string_view text, std::vector<size_t>& starts) {
  starts.clear();
  if (text.find('\0') != std::string_view::npos) return false;
  for (size_t pos = 0; pos < text.size();) {
    const size_t lf = text.find('\n', pos);
    if (lf == std::string_view::npos || lf == pos || text.find('\r', pos) != lf - 1) return false;
    starts.push_back(pos);
    pos = lf + 1;
  }
  starts.push_back(text.size());
  return true;
}

}  // namespace

CategoryLog::CategoryLog(std::string path) : path_(std::move(path)), text_(ReadLogBytes(path_)) {
  // A log in another form (lone CR or LF, no final CR LF, a NUL) is read as
  // ParseLogText reads it and saved in the written form.
  if (!SplitWrittenForm(text_, lineStarts_)) {
    text_ = FormatLogText(ParseLogText(text_));
    SplitWrittenForm(text_, lineStarts_);
    changed_ = true;
  }
  BuildIndex();
}

std::string_view CategoryLog::LineRead(size_t i) const {
  return std::string_view(text_).substr(lineStarts_[i], lineStarts_[i + 1] - lineStarts_[i] - 2);
}

std::string_view CategoryLog::LineNow(size_t i) const {
  auto renewed = renewed_.find(i);
  return renewed != renewed_.end() ? std::string_view(renewed->second) : LineRead(i);
}

uint32_t CategoryLog::Bucket(uint64_t key) const {
  return static_cast<uint32_t>((key * 0x9E3779B97F4A7C15u) >> (64 - bucketBits_));
}

void CategoryLog::BuildIndex() {
  // Counting sort of the lines by bucket: a group lists its lines in order.
  const size_t lines = lineStarts_.size() - 1;
  bucketBits_ = 1;
  while ((size_t{1} << bucketBits_) < lines)
    ++bucketBits_;
  std::vector<uint32_t> bucketOf(lines);
  bucketStarts_.assign((size_t{1} << bucketBits_) + 1, 0);
  for (size_t i = 0; i < lines; ++i) {
    bucketOf[i] = Bucket(FoldedKey(LineRead(i)));
    ++bucketStarts_[bucketOf[i]];
  }
  std::partial_sum(bucketStarts_.begin(), bucketStarts_.end(), bucketStarts_.begin());
  bucketLines_.resize(lines);
  for (size_t i = lines; i-- > 0;)
    bucketLines_[--bucketStarts_[bucketOf[i]]] = i;
}

int CategoryLog::Find(std::string_view headline) const {
  return FindFolded(Cp932Lower(headline), false);
}

int CategoryLog::FindShown(std::string_view headline) const {
  return FindFolded(Cp932Lower(headline), true);
}

bool CategoryLog::HeldWhenRead(std::string_view headline) const {
  const std::string lower = Cp932Lower(headline);
  const auto matches = [&](size_t i) { return StartsWithFolded(LineRead(i), lower); };
  if (lower.size() >= kKeyBytes) {
    const uint32_t b = Bucket(FoldedKey(lower));
    for (size_t j = bucketStarts_[b]; j < bucketStarts_[b + 1]; ++j) {
      if (matches(bucketLines_[j])) return true;
    }
    return false;
  }
  for (size_t i = 0; i + 1 < lineStarts_.size(); ++i) {
    if (matches(i)) return true;
  }
  return false;
}

int CategoryLog::FindFolded(std::string_view lower, bool shownOnly) const {
  auto matches = [&](std::string_view line) {
    return StartsWithFolded(line, lower) && (!shownOnly || LogField(line, 3) == "1");
  };
  for (size_t i = 0; i < head_.size(); ++i) {
    if (matches(head_[i])) return static_cast<int>(i);
  }
  // The first line of text_ still as read that matches, then any renewed one above it.
  const size_t end = lineStarts_.size() - 1;
  size_t found = end;
  auto take = [&](size_t i) {
    if (i < bodyStart_ || renewed_.contains(i) || !matches(LineRead(i))) return false;
    found = i;
    return true;
  };
  if (lower.size() >= kKeyBytes) {
    const uint32_t b = Bucket(FoldedKey(lower));
    for (size_t j = bucketStarts_[b]; j < bucketStarts_[b + 1] && !take(bucketLines_[j]); ++j) {
    }
  } else {
    for (size_t i = bodyStart_; i < end && !take(i); ++i) {
    }
  }
  for (auto it = renewed_.begin(); it != renewed_.end() && it->first < found; ++it) {
    if (matches(it->second)) found = it->first;
  }
  return found == end ? -1 : static_cast<int>(head_.size() + found - bodyStart_);
}

int CategoryLog::Record(const std::string& headline, const std::string& url, bool enabled,
                        int insertPos) {
  const int r = Find(headline);
  if (r < 0) {
    Insert(std::min(static_cast<size_t>(std::max(insertPos, 0)), LineCount()),
           NewLogRecord(headline, url, enabled));
    return insertPos + 1;
  }
  if (enabled) Replace(static_cast<size_t>(r), NewLogRecord(headline, url, true));
  return insertPos;
}

void CategoryLog::Insert(size_t at, std::string record) {
  // Below head_, the lines of text_ above the position move up into head_.
  for (; head_.size() < at; ++bodyStart_) {
    auto renewed = renewed_.extract(bodyStart_);
    head_.push_back(renewed ? std::move(renewed.mapped()) : std::string(LineRead(bodyStart_)));
  }
  head_.insert(head_.begin() + static_cast<std::ptrdiff_t>(at), std::move(record));
  changed_ = true;
}

void CategoryLog::Replace(size_t at, std::string record) {
  if (at < head_.size()) {
    if (head_[at] == record) return;
    head_[at] = std::move(record);
  } else {
    const size_t i = bodyStart_ + (at - head_.size());
    if (LineNow(i) == record) return;
    renewed_[i] = std::move(record);
  }
  changed_ = true;
}

std::vector<std::string_view> CategoryLog::Pieces() const {
  static constexpr std::string_view kLineEnd = "\r\n";
  std::vector<std::string_view> pieces;
  for (const std::string& line : head_)
    pieces.insert(pieces.end(), {line, kLineEnd});
  size_t from = lineStarts_[bodyStart_];
  for (const auto& [i, line] : renewed_) {
    pieces.insert(pieces.end(),
                  {std::string_view(text_).substr(from, lineStarts_[i] - from), line, kLineEnd});
    from = lineStarts_[i + 1];
  }
  pieces.push_back(std::string_view(text_).substr(from));
  return pieces;
}

void CategoryLog::MarkForSave() {
  if (needsSave_) return;
  PrepareLogFile(path_);
  needsSave_ = true;
}

void CategoryLog::Flush() {
  if (!needsSave_) return;
  needsSave_ = false;
  if (!changed_) return;  // the file holds these bytes already
  SaveLogPieces(path_, Pieces());
  changed_ = false;
}

}  // namespace quillet
