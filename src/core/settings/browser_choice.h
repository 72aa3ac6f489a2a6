// How an article is opened, decided from the settings file (read afresh on
// every launch): the desktop's handler for the URL, the chosen browser
// program, or a message instead.
#pragma once

#include <string>

namespace quillet {

struct BrowserAction {
  enum class Kind {
    kOpenDefault,   // hand `url` to the desktop's default handler
    kStartProgram,  // start `program` with `url` as its single argument
    kMessage,       // show `message` with `caption`; nothing is started
  };
  Kind kind = Kind::kMessage;
  std::string program;  // file-system path (UTF-8)
  std::string url;      // CP932, as the row holds it
  std::string message;  // CP932
  std::string caption;  // CP932
};

// True for URLs whose scheme is http or https (letter case ignored).
bool IsWebUrl(const std::string& url);

// Only web URLs are opened: a page can put "file:" or a program path into a
// link, and such a URL gets the message "このURLは開けません" instead.
BrowserAction ChooseBrowserAction(const std::string& url);

}  // namespace quillet
