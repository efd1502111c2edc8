// Store-level tooling used by the command-line tool and the example
// library: creating a library, and writing cell, symbol and padstack files.
// These work on files directly, each under the library lock where a library
// is involved; they are not part of the component's interface.
#pragma once

#include <string>
#include <vector>

#include "kelmapi/automation.h"
#include "store/db/PadstackDB.h"
#include "util/StringList.h"

namespace kelm::store {

// Creates an empty library (no partitions, no schemes) at <folder>\<name>.qvm;
// refuses to overwrite an existing file.
HRESULT CreateLibrary(const std::string& qvmPath);

// Adds or replaces a cell's geometry in a cell database file (created if missing).
HRESULT CellDBAddCell(const std::string& celPath, const std::string& cellName, const StringList& pins,
                      const StringList& padstacks);

// Adds or replaces the symbol file SymbolLibs\<partition>\sym\<symbol>.1 of a library.
HRESULT SymbolFileAdd(const std::string& qvmPath, const std::string& partition, const std::string& symbol,
                      const StringList& pins);

// Creates an empty padstack database file (refuses to overwrite), and lists one.
HRESULT PadstackDBCreate(const std::string& path);
HRESULT PadstackDBList(const std::string& path, std::vector<padstackdb::PadstackData>& padstacks);

}  // namespace kelm::store
