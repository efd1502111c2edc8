// The registrar: registry scripts of the module, parsed and applied to the
// registry in register or unregister mode.
//
// A script names a root (HKCR, HKCU, HKLM, HKU or their long names) and
// below it, in braces, the keys to write:
//
//     HKCR
//     {
//         NoRemove CLSID
//         {
//             ForceRemove {guid} = s 'Kelm Class'
//             {
//                 InprocServer32 = s '%MODULE%'
//                 {
//                     val ThreadingModel = s 'Apartment'
//                 }
//             }
//         }
//     }
//
// Tokens are separated by white space; a name may be quoted with single
// quotes ('' is a quote inside). "= s 'text'" sets a key's default value,
// "val Name = s 'text'" (or "= d 'number'") a named value. %NAME% in names and
// values is replaced from the replacement table (%% is a percent sign).
//
// Register mode creates every key and writes every value; a ForceRemove key
// is first deleted with its whole subtree. Unregister mode deletes, deepest
// first, the named values and the keys the script wrote: a ForceRemove key
// with its whole subtree, any other key once no subkey is left below it;
// a NoRemove key is never deleted (only what the script wrote below it is).
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "kelmapi/automation.h"

namespace kelm::win {

struct RegistryValue {
    std::wstring name;          // empty: the key's default value
    bool isNumber = false;      // REG_DWORD when true, else REG_SZ
    std::wstring text;
    DWORD number = 0;
};

struct RegistryKey {
    std::wstring name;
    bool noRemove = false;
    bool forceRemove = false;
    std::vector<RegistryValue> values;   // the default value first, when there is one
    std::vector<RegistryKey> subkeys;
};

struct RegistryRoot {
    HKEY hive = nullptr;
    std::vector<RegistryKey> keys;
};

using RegistryReplacements = std::map<std::wstring, std::wstring>;

enum class RegistryMode { Register, Unregister };

// Parses a script; DISP_E_EXCEPTION for a syntax error, an unknown root or a
// replacement that is not in the table.
HRESULT ParseRegistryScript(std::wstring_view script, const RegistryReplacements& replacements,
                            std::vector<RegistryRoot>& roots);

// Applies parsed roots; classesRoot stands for HKCR (tests point it at a
// scratch key). The first failing registry call's status is returned.
HRESULT ApplyRegistryScript(const std::vector<RegistryRoot>& roots, RegistryMode mode,
                            HKEY classesRoot = HKEY_CLASSES_ROOT);

// Parses and applies a script stored as a "REGISTRY" resource of a module
// (8-bit text).
HRESULT RunRegistryResource(HMODULE module, UINT resourceId, const RegistryReplacements& replacements,
                            RegistryMode mode, HKEY classesRoot = HKEY_CLASSES_ROOT);

}  // namespace kelm::win
