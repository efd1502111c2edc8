// What a command-line client in this process needs beside IKelm.
#include "kelmapi/tooling.h"

#include "api/Kelm.h"
#include "platform/Terminal.h"

namespace kelmapi {

std::string LastFailureDescription(IKelm* object, HRESULT status) {
    return object != nullptr ? static_cast<kelm::CKelm*>(object)->FailureDescription(status) : std::string();
}

bool IsTerminal(std::FILE* stream) { return kelm::platform::IsTerminal(stream); }

int TerminalWidth(std::FILE* stream) { return kelm::platform::TerminalWidth(stream); }

}  // namespace kelmapi
