#pragma once

#include <string>

#include "session/LibrarySession.h"

namespace kelm {

HRESULT CreateDefaultPadstack(LibrarySession& session, const std::string& padstackName,
                              const std::string& padstackDBFile);

}  // namespace kelm
