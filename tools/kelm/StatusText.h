// How the tool names a status and what it tells the user to do about it.
#pragma once

#include <string>

#include "kelmapi/status.h"

namespace kelmcli {

// "0x80004005 (E_FAIL)", "0x80041002 (partition reserved by another user)".
std::string DescribeStatus(HRESULT status);
// "0x80004005".
std::string HexStatus(HRESULT status);
// The status's short name: "E_FAIL", "partition reserved by another user".
std::string StatusNameOf(HRESULT status);
// A general piece of advice for a status, for when a command has none of its
// own; never empty.
std::string HintFor(HRESULT status);

}  // namespace kelmcli
