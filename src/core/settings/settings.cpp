#include "core/settings/settings.h"

#include <optional>

#include "core/sys/error.h"
#include "core/sys/profile_file.h"
#include "core/sys/program_dir.h"
#include "core/text/text_codec.h"

namespace quillet::settings {
namespace {

constexpr std::string_view kMain = "Main";
constexpr std::string_view kCheckRoute = "CheckRoute";
constexpr std::string_view kHttp = "HTTP";
constexpr std::string_view kView = "View";

std::optional<std::string> Read(std::string_view section, std::string_view key) {
  return ProfileRead(SettingsFilePath(), section, key);
}

}  // namespace

std::string SettingsFilePath() {
  return SettingsDirectory() + "quillet.ini";
}

std::string ReadString(std::string_view section, std::string_view key, const std::string& def) {
  return Read(section, key).value_or(def);
}

int ReadInteger(std::string_view section, std::string_view key, int def) {
  auto text = Read(section, key);
  if (!text) return def;
  return ParseProfileInteger(*text).value_or(def);
}

bool ReadBool(std::string_view section, std::string_view key, bool def) {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void WriteString(std::string_view section, std::string_view key, std::string_view value) {
  const std::string path = SettingsFilePath();
  if (!ProfileWrite(path, section, key, value)) {
    throw QuilletError(FileNameForMessage(path) + CP932(" に書き込めません"));
  }
}

void WriteStrings(std::string_view section,
                  const std::vector<std::pair<std::string, std::string>>& values) {
  const std::string path = SettingsFilePath();
  const bool written = ProfileEdit(path, [&](ProfileDocument& doc) {
    for (const auto& [key, value] : values)
      doc.Set(section, key, value);
  });
  if (!written) throw QuilletError(FileNameForMessage(path) + CP932(" に書き込めません"));
}

void WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

void WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

Geometry ReadGeometry(const Geometry& current) {
  Geometry g;
  g.left = ReadInteger(kMain, "Left", current.left);
  g.top = ReadInteger(kMain, "Top", current.top);
  g.width = ReadInteger(kMain, "Width", current.width);
  g.height = ReadInteger(kMain, "Height", current.height);
  g.maximized = ReadBool(kMain, "Maximized", false);
  return g;
}

bool HasGeometry() {
  const ProfileDocument doc = ProfileLoad(SettingsFilePath());
  for (const char* key : {"Left", "Top", "Width", "Height", "Maximized"})
    if (doc.Get(kMain, key)) return true;
  return false;
}

void WriteGeometry(const Geometry& g) {
  WriteBool(kMain, "Maximized", g.maximized);
  WriteInteger(kMain, "Left", g.left);
  WriteInteger(kMain, "Top", g.top);
  WriteInteger(kMain, "Width", g.width);
  WriteInteger(kMain, "Height", g.height);
}

int TimerInterval() {
  return ReadInteger(kMain, "TimerInterval", 120);
}
bool AddNewsOnly() {
  return ReadBool(kMain, "AddNewsOnly", false);
}
bool SaveLog() {
  return ReadBool(kMain, "SaveLog", true);
}
bool NoAddEmpty() {
  return ReadBool(kMain, "NoAddEmpty", true);
}
bool NewWindowOnly() {
  return ReadBool(kMain, "NewWindowOnly", false);
}
bool IESelect() {
  return ReadBool(kMain, "IESelect", true);
}
std::string IEPath() {
  return ReadString(kMain, "IEPath", "");
}
std::string NNPath() {
  return ReadString(kMain, "NNPath", "");
}

Behaviour ReadBehaviour() {
  Behaviour b;
  b.noAddEmpty = NoAddEmpty();
  b.saveLog = SaveLog();
  b.addNewsOnly = AddNewsOnly();
  b.newWindowOnly = NewWindowOnly();
  b.ieSelect = IESelect();
  b.iePath = IEPath();
  b.nnPath = NNPath();
  b.timerInterval = TimerInterval();
  return b;
}

void WriteBehaviour(const Behaviour& b) {
  WriteBool(kMain, "NoAddEmpty", b.noAddEmpty);
  WriteBool(kMain, "SaveLog", b.saveLog);
  WriteBool(kMain, "AddNewsOnly", b.addNewsOnly);
  WriteBool(kMain, "NewWindowOnly", b.newWindowOnly);
  WriteBool(kMain, "IESelect", b.ieSelect);
  WriteString(kMain, "IEPath", b.iePath);
  WriteString(kMain, "NNPath", b.nnPath);
  WriteInteger(kMain, "TimerInterval", b.timerInterval);
}

ViewState ReadViewState() {
  // The file read once for the whole section.
  const ProfileDocument doc = ProfileLoad(SettingsFilePath());
  const auto flag = [&](std::string_view key) {
    const auto text = doc.Get(kView, key);
    return text && ParseProfileInteger(*text).value_or(0) != 0;
  };
  ViewState v;
  v.patrol = flag("Patrol");
  v.alwaysOnTop = flag("AlwaysOnTop");
  v.headlineColumns = doc.Get(kView, "HeadlineColumns").value_or("");
  v.logColumns = doc.Get(kView, "LogColumns").value_or("");
  v.searchColumns = doc.Get(kView, "SearchColumns").value_or("");
  v.searchFoldWidth = flag("SearchFoldWidth");
  return v;
}

void WriteMainViewState(const ViewState& v) {
  WriteStrings(kView, {{"Patrol", v.patrol ? "1" : "0"},
                       {"AlwaysOnTop", v.alwaysOnTop ? "1" : "0"},
                       {"HeadlineColumns", v.headlineColumns},
                       {"LogColumns", v.logColumns}});
}

void WriteSearchColumns(const std::string& widths) {
  WriteString(kView, "SearchColumns", widths);
}

void WriteSearchFoldWidth(bool fold) {
  WriteBool(kView, "SearchFoldWidth", fold);
}

bool CheckRoute(int categoryIndex) {
  return ReadBool(kCheckRoute, std::to_string(categoryIndex), true);
}

Proxy ReadProxy() {
  return {ReadString(kHttp, "Proxy", ""), ReadString(kHttp, "ProxyUserName", ""),
          ReadString(kHttp, "ProxyPassword", "")};
}

std::string JoinProxyEntry(const Proxy& p) {
  return p.address + '\t' + p.userName + '\t' + p.password;
}

Proxy SplitProxyEntry(std::string_view entry) {
  Proxy p;
  size_t first = entry.find('\t');
  if (first == std::string_view::npos) {
    p.address = entry;
    return p;
  }
  p.address = entry.substr(0, first);
  size_t second = entry.find('\t', first + 1);
  if (second == std::string_view::npos) {
    p.userName = entry.substr(first + 1);
    return p;
  }
  p.userName = entry.substr(first + 1, second - first - 1);
  p.password = entry.substr(second + 1);
  return p;
}

Connection ReadConnection() {
  Connection c;
  for (int i = 0; i < kCategoryCount; ++i)
    c.enabled[static_cast<size_t>(i)] = CheckRoute(i);
  c.proxy = ReadProxy();
  int count = ReadInteger(kHttp, "ProxyCount", 0);
  for (int n = 0; n < count; ++n) {
    const std::string suffix = std::to_string(n);
    c.proxyList.push_back(JoinProxyEntry({ReadString(kHttp, "ProxyList" + suffix, ""),
                                          ReadString(kHttp, "ProxyListUserName" + suffix, ""),
                                          ReadString(kHttp, "ProxyListPassword" + suffix, "")}));
  }
  return c;
}

void WriteConnection(const Connection& c) {
  for (int i = 0; i < kCategoryCount; ++i) {
    WriteBool(kCheckRoute, std::to_string(i), c.enabled[static_cast<size_t>(i)]);
  }
  WriteString(kHttp, "Proxy", c.proxy.address);
  WriteString(kHttp, "ProxyUserName", c.proxy.userName);
  WriteString(kHttp, "ProxyPassword", c.proxy.password);
  WriteInteger(kHttp, "ProxyCount", static_cast<int>(c.proxyList.size()));
  for (size_t n = 0; n < c.proxyList.size(); ++n) {
    const std::string suffix = std::to_string(n);
    Proxy entry = SplitProxyEntry(c.proxyList[n]);
    WriteString(kHttp, "ProxyList" + suffix, entry.address);
    WriteString(kHttp, "ProxyListUserName" + suffix, entry.userName);
    WriteString(kHttp, "ProxyListPassword" + suffix, entry.password);
  }
}

}  // namespace quillet::settings
