// User-interface seam: the one modal error box of the component and the
// string resources it shows.
#pragma once

#include <functional>
#include <string>

#include "platform/MessageBoxStrings.h"

namespace kelm::platform {

// The string resource `id` of the component's own module; `fallback` when
// the module has no such string or it cannot be loaded.
std::string LoadModuleString(unsigned id, const std::string& fallback);

// Shows a modal message box with an OK button and the error icon, owned by
// the calling thread's active window (none when there is none), and returns
// when the user has closed it. Off Windows, writes "<caption>: <text>" as one
// line to standard error.
void ShowErrorMessage(const std::string& text, const std::string& caption);

// Tests replace the message box; an empty function restores the real one.
using MessageShower = std::function<void(const std::string& text, const std::string& caption)>;
void SetMessageBoxForTesting(MessageShower shower);

namespace detail {
void ShowErrorMessageNative(const std::string& text, const std::string& caption);
}  // namespace detail

}  // namespace kelm::platform
