#include "core/pages/page_store.h"

#include <variant>

#include "core/pages/page_file.h"
#include "core/settings/settings.h"
#include "core/sys/error.h"
#include "core/sys/file_system.h"
#include "core/sys/program_dir.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

PageList ReadPagesAt(const std::string& path) {
  std::string bytes;
  if (ReadWholeFile(path, bytes) == ReadResult::kFailed)
    throw QuilletError(CP932("ファイル ") + FileNameForMessage(path) + CP932(" は開けません"));
  auto parsed = ParsePages(bytes);
  if (const auto* problem = std::get_if<PageFileProblem>(&parsed)) {
    throw QuilletError(FileNameForMessage(path) + CP932(" の ") + std::to_string(problem->line) +
                       CP932(" 行目: ") + problem->message);
  }
  return std::get<PageList>(std::move(parsed));
}

}  // namespace

std::string PageFilePath() {
  return SettingsDirectory() + "pages.txt";
}

PageList ReadPages() {
  return ReadPagesAt(PageFilePath());
}

PageList ReadPagesOrNone() {
  try {
    return ReadPages();
  } catch (const QuilletError&) {
    return {};
  }
}

void EditPages(const std::function<void(PageList&)>& change) {
  const std::string path = PageFilePath();
  const settings::SettingsLock lock;
  const PageList stored = ReadPagesAt(path);
  PageList edited = stored;
  change(edited);
  GiveIds(edited);
  if (edited == stored) return;
  if (!ForceDirectories(DirectoryOf(path)) || !WriteFileAtomic(path, FormatPages(edited), 0600))
    throw QuilletError(FileNameForMessage(path) + CP932(" に書き込めません"));
}

}  // namespace quillet
