#include "core/log/log_rows.h"

#include "core/log/log_blocks.h"

namespace quillet {

void ForEachLogFileLine(const std::string& path,
                        const std::function<void(std::string_view)>& line) {
  LogBlocks log(path);
  if (log.Missing()) return;
  if (log.Failed()) log.ThrowCannotOpen();
  // In blocks of whole lines, so that a large log is never held twice.
  std::vector<char> buffer;
  log.Read(buffer, 0, [&](std::string_view block) {
    const size_t nul = block.find('\0');  // as ParseLogText: a NUL byte ends the text
    ForEachLine(block.substr(0, nul), line);
    return nul == std::string_view::npos;
  });
}

}  // namespace quillet
