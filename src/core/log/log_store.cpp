#include "core/log/log_store.h"

#include <algorithm>

#include "core/pages/page_list.h"
#include "core/settings/feed_list.h"
#include "core/sites/catalogue.h"
#include "core/sys/clock.h"
#include "core/sys/error.h"
#include "core/sys/file_system.h"
#include "core/sys/program_dir.h"
#include "core/text/cp932.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

[[noreturn]] void ThrowCannotCreate(const std::string& path) {
  throw QuilletError(CP932("ファイル ") + FileNameForMessage(path) + CP932(" を作成できません"));
}

}  // namespace

std::string NewLogRecord(const std::string& headline, const std::string& url, bool enabled) {
  return headline + '\t' + url + '\t' + TodayShortDate() + '\t' + (enabled ? "1" : "0");
}

std::string LogFilePath(int categoryIndex) {
  return DataDirectory() + Categories().at(static_cast<size_t>(categoryIndex)).logFile;
}

std::string FeedLogFilePath(int feedId) {
  return DataDirectory() + settings::FeedLogFile(feedId);
}

std::string PageLogFilePath(int pageId, size_t section) {
  return DataDirectory() + PageLogFile(pageId, section);
}

Lines ParseLogText(std::string_view bytes) {
  Lines lines;
  StreamToLines(lines, bytes.substr(0, bytes.find('\0')));
  return lines;
}

std::string FormatLogText(const Lines& lines) {
  size_t total = 0;
  for (const std::string& line : lines)
    total += line.size() + 2;
  std::string text;
  text.reserve(total);
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::string ReadLogBytes(const std::string& path) {
  std::string bytes;
  if (ReadWholeFile(path, bytes) == ReadResult::kFailed) {
    throw QuilletError(CP932("ファイル ") + FileNameForMessage(path) + CP932(" は開けません"));
  }
  return bytes;
}

void PrepareLogFile(const std::string& path) {
  ForceDirectories(DirectoryOf(path));
  if (!CanReplaceFile(path)) ThrowCannotCreate(path);
}

void SaveLogPieces(const std::string& path, const std::vector<std::string_view>& pieces) {
  ForceDirectories(DirectoryOf(path));
  if (!WriteFileAtomic(path, pieces)) ThrowCannotCreate(path);
}

std::string_view LogField(std::string_view line, int k) {
  size_t start = 0;
  for (int i = 0; i < k; ++i) {
    size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) return {};
    start = tab + 1;
  }
  size_t end = line.find('\t', start);
  return line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

LogItem LogItemFromLine(std::string_view line) {
  return {std::string(LogField(line, 0)), std::string(LogField(line, 1)),
          std::string(LogField(line, 2))};
}
}  // namespace quillet
