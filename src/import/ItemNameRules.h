// Name rules applied before a part number or a symbol name reaches the store.
// Names are 8-bit strings; every search steps over double-byte characters of
// the current code page, so a trail byte is never taken for a '\', '+' or '-'.
#pragma once

#include <string>

#include "kelmapi/automation.h"

namespace kelm {

class OperationLog;

// Replaces the first backslash by '_'; 1 when it replaced one, else 0.
int AdjustPartNumber(std::string& name);
// Replaces every '\', '+' and '-' by '_'; 1 when it replaced any, else 0.
int AdjustSymbolName(std::string& name);
// Every non-overlapping occurrence of from, left to right, exact case; an
// occurrence starts on a character boundary. An empty from changes nothing.
std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to);

// A new name that some system cannot store is refused before it reaches
// the store, which refuses it too (store::UnstorableNameReason): partition
// names are file names; part numbers and cell names are text. Logs the
// error "Refusing <what> (<name>): <reason>." and returns
// KELM_E_UNSAFE_PATH; S_OK for a storable name.
enum class NewName { Partition, PartNumber, Cell };
HRESULT RefuseUnstorableName(OperationLog& log, const char* tag, NewName kind, const std::string& name);

}  // namespace kelm
