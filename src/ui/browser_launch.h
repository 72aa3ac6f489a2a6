// Open article and Copy URL, the two actions every headline list offers.
#pragma once

#include <string>

class QWidget;

namespace quillet {

// Where URLs and browser programs go. The desktop's opener is the default;
// tests put a recording one in its place.
class UrlOpener {
 public:
  virtual ~UrlOpener() = default;
  // Hands a URL (UTF-8) to the desktop's default handler; false on failure.
  virtual bool OpenUrl(const std::string& url) = 0;
  // Starts `program` with `url` as its single argument (no shell).
  virtual bool StartProgram(const std::string& program, const std::string& url) = 0;
};

// Replaces the opener (nullptr restores the desktop's). The caller keeps
// ownership.
void SetUrlOpener(UrlOpener* opener);

// Opens the article as the settings say (see ChooseBrowserAction); a message
// box owned by `owner` reports a missing browser or a URL that is not opened.
void OpenArticle(const std::string& url, QWidget* owner);

// Puts the URL (CP932) on the clipboard as plain text.
void CopyUrl(const std::string& url);

}  // namespace quillet
