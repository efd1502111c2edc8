#include "platform/MessageBox.h"

#include <utility>

namespace kelm::platform {
namespace {
MessageShower& TestShower() {
    static MessageShower shower;
    return shower;
}
}  // namespace

void ShowErrorMessage(const std::string& text, const std::string& caption) {
    if (const auto& shower = TestShower()) return shower(text, caption);
    detail::ShowErrorMessageNative(text, caption);
}

void SetMessageBoxForTesting(MessageShower shower) { TestShower() = std::move(shower); }

}  // namespace kelm::platform
