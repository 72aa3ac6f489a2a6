#include "core/settings/browser_choice.h"

#include "core/settings/settings.h"
#include "core/sys/file_system.h"
#include "core/text/cp932.h"
#include "core/text/text_codec.h"

namespace quillet {

bool IsWebUrl(const std::string& url) {
  const std::string lower = Cp932Lower(url.substr(0, 8));
  return lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0;
}

BrowserAction ChooseBrowserAction(const std::string& url) {
  BrowserAction action;
  action.url = url;
  if (!IsWebUrl(url)) {
    action.message = CP932("このURLは開けません") + "\n\n" + url;
    action.caption = "Quillet";
    return action;
  }
  const settings::Behaviour stored = settings::ReadSettings().behaviour;
  if (!stored.newWindowOnly) {
    action.kind = BrowserAction::Kind::kOpenDefault;
    return action;
  }
  const bool ie = stored.ieSelect;
  const std::string& path = ie ? stored.iePath : stored.nnPath;
  const std::string fsPath = Cp932ToUtf8(path);
  if (!path.empty() && FileExists(fsPath)) {
    action.kind = BrowserAction::Kind::kStartProgram;
    action.program = fsPath;
    return action;
  }
  action.message = CP932("ファイルが見つかりません") + "\n\n" + path;
  action.caption =
      ie ? CP932("Internet Explorerが見つかりません") : CP932("Netscape Navigaterが見つかりません");
  return action;
}

}  // namespace quillet
