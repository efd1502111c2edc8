// Partition names: a partition is named by its kind and its name, given
// either as a relative partition path ("PartsDBLibs\Resistors.pdb",
// "SymbolLibs\Gates") or as a bare name with the kind known from elsewhere.
// Partition names compare without regard to case. A name that would lead
// out of the library folder is refused.
#pragma once

#include <string>
#include <string_view>

#include "kelmapi/automation.h"

namespace kelm::store {

struct PartitionId {
    int type = -1;  // kPartitionTypeCell, kPartitionTypePart or kPartitionTypeSymbol
    std::string name;
};

bool IsStoreType(int type);
// "CellDBLibs", "PartsDBLibs", "SymbolLibs"; empty for other types.
std::string_view FolderOfType(int type);
// ".cel", ".pdb", or empty.
std::string_view ExtensionOfType(int type);
// "cells", "parts", "symbols" and back (-1 when unknown).
std::string_view KindWord(int type);
int TypeOfKindWord(std::string_view word);

// The relative partition path: folder, backslash, name, extension.
std::string RelativePartitionPath(int type, const std::string& name);

// Reads `text` as a relative partition path or, without a separator, as a
// bare name of type `typeOfBareName`. Statuses: 0; KELM_E_UNSAFE_PATH for a
// path or name that would leave its folder; KELM_E_NO_SUCH_PARTITION for
// an empty name, an unknown folder or a bare name without a store type.
HRESULT ParsePartitionName(const std::string& text, int typeOfBareName, PartitionId& id);

// A bare item or partition name usable as one file name: not empty, no
// separator, colon or control character, not "." or "..".
bool IsSafeFileName(std::string_view name);

// Whether a new name can be stored on every system a library goes to.
// Partition and symbol names become file and folder names: besides what
// IsSafeFileName refuses, Windows reserves device names (CON, PRN, AUX,
// NUL, COM0-9, LPT0-9, with or without an extension), drops a trailing
// space or dot, and refuses < > " | ? * in file names. Every name, file
// name or text inside a file (part numbers, cells), must hold no control
// character and only characters of the library's code page. Gives nullptr
// for a storable name, else the reason, as a phrase for messages ("a name
// Windows reserves for a device"). Existing names are not checked: a
// library made before keeps opening.
enum class NameUse { FileName, Text };
const char* UnstorableNameReason(std::string_view name, NameUse use);

std::string LowerAscii(std::string_view text);
bool EqualNoCase(std::string_view a, std::string_view b);

}  // namespace kelm::store
