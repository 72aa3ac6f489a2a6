// A page body through the line splitting, the break splitting and the
// extraction walk. Lines of the form "#N" become the marker of the site's N-th
// category, so that the walk reaches its categories.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/headlines/headline_merge.h"
#include "core/headlines/site_items.h"
#include "core/settings/settings.h"
#include "core/sites/catalogue.h"
#include "core/sys/file_system.h"
#include "core/sys/program_dir.h"

namespace {

class CountingList : public quillet::HeadlineSink {
 public:
  void AppendRow(const std::string&, const std::string&, const std::string& headline, int,
                 std::unique_ptr<quillet::NewsItem> item) override {
    if (item->headline != headline || headline.find('\t') != std::string::npos) std::abort();
    ++rows;
  }
  size_t rows = 0;
};

const std::string& Home() {
  static const std::string home = [] {
    char pattern[] = "/tmp/quillet-fuzz-XXXXXX";
    std::string dir = mkdtemp(pattern);
    // Logging off: the log merge has its own target; here the walk is fuzzed.
    quillet::WriteFileAtomic(dir + "/quillet.ini", "[Main]\r\nSaveLog=0\r\nNoAddEmpty=0\r\n");
    return dir;
  }();
  return home;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  quillet::SetProgramDirectory(Home());
  const quillet::Site& site = quillet::Sites()[data[0] % quillet::kSiteCount];
  const std::string body(reinterpret_cast<const char*>(data) + 1, size - 1);

  quillet::Lines lines;
  quillet::StreamToLines(lines, body);
  if (data[0] & 0x80) quillet::SplitBreaks(lines);
  const int count = site.lastCategory - site.firstCategory + 1;
  for (std::string& line : lines) {
    if (line.size() >= 2 && line[0] == '#' && line[1] >= '0' && line[1] <= '9') {
      const auto& category =
          quillet::Categories()[static_cast<size_t>(site.firstCategory + (line[1] - '0') % count)];
      line = category.markers[static_cast<size_t>(line.size()) % category.markers.size()];
    }
  }
  static const quillet::settings::Settings settings = quillet::settings::ReadSettings();
  quillet::HeadlineMerge merge;
  merge.BeginRun(settings);
  CountingList list;
  merge.Merge(quillet::SiteItems(site, lines, settings.connection.enabled), list);
  if (list.rows > lines.size()) std::abort();
  return 0;
}
