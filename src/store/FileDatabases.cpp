// File-backed cell and padstack databases (not built yet).
#include "store/CellDB.h"
#include "store/PadstackDB.h"

namespace kelm::celldb {
std::unique_ptr<CellDBImpl> CreateFileCellDB() { return nullptr; }
}
namespace kelm::padstackdb {
std::unique_ptr<PadstackDBImpl> CreateFilePadstackDB() { return nullptr; }
}
