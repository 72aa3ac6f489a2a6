// Test helpers: a fresh folder made the program directory for a test's lifetime,
// whole-file read and write, and a headline list that records its rows.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "core/headlines/headline_sink.h"
#include "core/sys/clock.h"
#include "core/sys/file_system.h"
#include "core/sys/program_dir.h"

namespace quillet::test {

class TempHome {
 public:
  TempHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillet-test-XXXXXX").string();
    dir_ = mkdtemp(pattern.data());
    SetProgramDirectory(dir_);
  }
  ~TempHome() {
    SetProgramDirectory("");
    SetClockForTesting(std::nullopt);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  TempHome(const TempHome&) = delete;
  TempHome& operator=(const TempHome&) = delete;
  std::string Dir() const { return dir_ + "/"; }
  std::string Path(const std::string& relative) const { return Dir() + relative; }

 private:
  std::string dir_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  if (!ForceDirectories(DirectoryOf(path)) || !WriteFileAtomic(path, bytes)) std::abort();
}

inline std::string ReadBytes(const std::string& path) {
  std::string bytes;
  ReadWholeFile(path, bytes);
  return bytes;
}

struct RecordedRow {
  std::string caption, genre, headline;
  int imageIndex;
  NewsItem item;
};

class RecordingList : public HeadlineSink {
 public:
  void AppendRow(const std::string& caption, const std::string& genre, const std::string& headline,
                 int imageIndex, std::unique_ptr<NewsItem> item) override {
    rows.push_back({caption, genre, headline, imageIndex, *item});
  }
  std::vector<std::string> Headlines() const {
    std::vector<std::string> out;
    for (const auto& r : rows)
      out.push_back(r.headline);
    return out;
  }
  std::vector<RecordedRow> rows;
};

}  // namespace quillet::test
