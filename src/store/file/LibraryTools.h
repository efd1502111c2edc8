// Store-level tooling used by the command-line tool and the example
// library: creating a library, and writing cell, symbol and padstack files.
// These work on files directly, each under the library lock where a library
// is involved; they are not part of the component's interface. A failure
// gives, in `error` when asked, a text naming the file and the cause.
#pragma once

#include <string>
#include <vector>

#include "kelmapi/automation.h"
#include "store/db/PadstackDB.h"
#include "util/StringList.h"

namespace kelm::store {

// Creates an empty library (no partitions, no schemes) at <folder>\<name>.qvm;
// refuses to overwrite an existing file.
HRESULT CreateLibrary(const std::string& qvmPath, std::string* error = nullptr);

// Adds or replaces a cell's geometry in a cell database file (created if
// missing), under the lock of the library it belongs to: every library
// (.qvm) in the folder above its CellDBLibs folder. A cell database outside
// any library is guarded by a lock of its own, "<file>.lock".
HRESULT CellDBAddCell(const std::string& celPath, const std::string& cellName, const StringList& pins,
                      const StringList& padstacks, std::string* error = nullptr);

// Adds or replaces the symbol file SymbolLibs\<partition>\sym\<symbol>.1 of a library.
HRESULT SymbolFileAdd(const std::string& qvmPath, const std::string& partition, const std::string& symbol,
                      const StringList& pins, std::string* error = nullptr);

// The names of the cells of a cell database file, sorted.
HRESULT CellDBList(const std::string& celPath, StringList& cells, std::string* error = nullptr);

// Creates an empty padstack database file (refuses to overwrite), and lists one.
HRESULT PadstackDBCreate(const std::string& path, std::string* error = nullptr);
HRESULT PadstackDBList(const std::string& path, std::vector<padstackdb::PadstackData>& padstacks,
                       std::string* error = nullptr);

}  // namespace kelm::store
