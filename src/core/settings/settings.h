// Access to the settings file "quillet.ini" in the program directory. Every
// call opens the file afresh; nothing is cached. Writes raise QuilletError
// "<path> に書き込めません" and stop at the key that failed.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillet::settings {

inline constexpr int kCategoryCount = 65;

std::string SettingsFilePath();

std::string ReadString(std::string_view section, std::string_view key, const std::string& def);
int ReadInteger(std::string_view section, std::string_view key, int def);
bool ReadBool(std::string_view section, std::string_view key, bool def);

void WriteString(std::string_view section, std::string_view key, std::string_view value);
// Several keys of one section in one write of the file, in this order.
void WriteStrings(std::string_view section,
                  const std::vector<std::pair<std::string, std::string>>& values);
void WriteInteger(std::string_view section, std::string_view key, int value);
void WriteBool(std::string_view section, std::string_view key, bool value);

// Section Main: window geometry. Defaults are the window's current bounds.
struct Geometry {
  int left = 408;
  int top = 156;
  int width = 505;
  int height = 657;
  bool maximized = false;
};
Geometry ReadGeometry(const Geometry& current);
// True when the file holds any of the geometry's keys.
bool HasGeometry();
// Writes Maximized, Left, Top, Width, Height in this order.
void WriteGeometry(const Geometry& geometry);

// Section Main: behaviour.
int TimerInterval();   // minutes, default 120
bool AddNewsOnly();    // default false
bool SaveLog();        // default true
bool NoAddEmpty();     // default true
bool NewWindowOnly();  // default false
bool IESelect();       // default true
std::string IEPath();  // default ""
std::string NNPath();  // default ""

struct Behaviour {
  bool noAddEmpty = true;
  bool saveLog = true;
  bool addNewsOnly = false;
  bool newWindowOnly = false;
  bool ieSelect = true;
  std::string iePath;
  std::string nnPath;
  int timerInterval = 120;
};
Behaviour ReadBehaviour();
// Writes NoAddEmpty, SaveLog, AddNewsOnly, NewWindowOnly, IESelect, IEPath,
// NNPath, TimerInterval in this order.
void WriteBehaviour(const Behaviour& behaviour);

// Section View: what the user left set in the windows, kept across starts.
// Older copies pass the section over.
struct ViewState {
  bool patrol = false;           // Patrol: the patrol timer on
  bool alwaysOnTop = false;      // AlwaysOnTop
  std::string headlineColumns;   // HeadlineColumns, LogColumns, SearchColumns:
  std::string logColumns;        // the widths the user set, "60,60"; "" for
  std::string searchColumns;     // the program's own
  bool searchFoldWidth = false;  // SearchFoldWidth: 全角と半角を区別しない
};
ViewState ReadViewState();
// Writes Patrol, AlwaysOnTop, HeadlineColumns and LogColumns in one go.
void WriteMainViewState(const ViewState& state);
// Writes SearchColumns.
void WriteSearchColumns(const std::string& widths);
// Writes SearchFoldWidth.
void WriteSearchFoldWidth(bool fold);

// Section CheckRoute: key "0".."64", default enabled.
bool CheckRoute(int categoryIndex);

// Section HTTP.
struct Proxy {
  std::string address;  // "host:port", "host" or "" for a direct connection
  std::string userName;
  std::string password;
};
Proxy ReadProxy();

// A proxy-list entry as the connection dialog holds it: address, TAB, user
// name, TAB, password.
std::string JoinProxyEntry(const Proxy& proxy);
// Splits at the first TAB and the next one; the rest is the password.
Proxy SplitProxyEntry(std::string_view entry);

struct Connection {
  std::array<bool, kCategoryCount> enabled{};
  Proxy proxy;
  std::vector<std::string> proxyList;  // entries as JoinProxyEntry makes them
};
Connection ReadConnection();
// Writes CheckRoute 0..64, Proxy, ProxyUserName, ProxyPassword, ProxyCount,
// then ProxyList<n>, ProxyListUserName<n>, ProxyListPassword<n> per entry.
// Keys of a longer list written before stay in the file.
void WriteConnection(const Connection& connection);

}  // namespace quillet::settings
