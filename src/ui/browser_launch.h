// Open article and Copy URL, the two actions every headline list offers.
#pragma once

#include <functional>
#include <string>

class QWidget;

namespace quillet {

// Where URLs and browser programs go. The desktop's opener is the default;
// tests put a recording one in its place.
class UrlOpener {
 public:
  // Called, possibly later, when a launch failed, with what failed (CP932).
  using Failed = std::function<void(const std::string& reason)>;
  virtual ~UrlOpener() = default;
  // Hands a URL (UTF-8) to the desktop's default handler.
  virtual void OpenUrl(const std::string& url, Failed failed) = 0;
  // Starts `program` with `url` as its single argument (no shell).
  virtual void StartProgram(const std::string& program, const std::string& url, Failed failed) = 0;
};

// Replaces the opener (nullptr restores the desktop's). The caller keeps
// ownership.
void SetUrlOpener(UrlOpener* opener);

// Opens the article as the settings say (see ChooseBrowserAction); a message
// box owned by `owner` reports a missing browser, a URL that is not opened,
// and a launch that failed, with the URL and what failed.
void OpenArticle(const std::string& url, QWidget* owner);

// Puts the URL (CP932) on the clipboard as plain text.
void CopyUrl(const std::string& url);

}  // namespace quillet
