// Message boxes of the program (CP932 text), with a hook that lets tests
// record them instead of waiting for a click.
#pragma once

#include <functional>
#include <string>

class QWidget;

namespace quillet {

enum class MessageIcon { kStop, kExclamation, kInformation };

// Shows a modal box with an OK button, owned by `owner` (may be null).
void ShowMessage(QWidget* owner, const std::string& text, const std::string& caption,
                 MessageIcon icon);

// While set, ShowMessage calls the hook instead of showing anything.
using MessageHook =
    std::function<void(const std::string& text, const std::string& caption, MessageIcon icon)>;
void SetMessageHookForTesting(MessageHook hook);

}  // namespace quillet
