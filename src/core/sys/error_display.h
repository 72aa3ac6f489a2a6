// The top-level error display: where an error that no handler absorbs ends
// up. The window shows a message box, the terminal prints to stderr.
#pragma once

#include <exception>
#include <string>

namespace quillet {

class ErrorDisplay {
 public:
  virtual ~ErrorDisplay() = default;
  // `message` is CP932 text, already as it is to be shown.
  virtual void ShowError(const std::string& message) = 0;
};

// The message with a "." appended unless it is empty or already ends in one.
inline std::string TopLevelErrorText(const std::string& message) {
  if (message.empty() || message.back() == '.') return message;
  return message + ".";
}

// Runs `handler`; an exception that escapes it goes to the display.
template <typename Handler>
void RunGuarded(ErrorDisplay& display, Handler&& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    display.ShowError(TopLevelErrorText(e.what()));
  }
}

}  // namespace quillet
