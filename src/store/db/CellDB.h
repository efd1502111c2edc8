// The cell database: reads cell geometry (pin numbers and padstacks per cell)
// from a partition's cell file "<library>\CellDBLibs\<partition>.cel".
// CCellDB delegates to an implementation chosen at construction: the
// file-backed one, or one a test installed.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "util/StringList.h"

namespace kelm::celldb {

inline constexpr int kCellNotFound = 0x40003;  // FindCell: no cell of that name in the file

class CCellDBCell {
public:
    // Both fill the list in sorted order; they return 0.
    int GetSortedListOfPadstackNames(StringList& padstacks) const;
    int GetSortedListOfPinNumbers(StringList& pins) const;

    std::string name;
    StringList pins;       // as the file holds them
    StringList padstacks;  // as the file holds them
};

class CellDBImpl {
public:
    virtual ~CellDBImpl() = default;
    virtual int Init() = 0;
    virtual int Load(const std::string& path, int mode) = 0;  // 0 when loaded
    virtual int FindCell(CCellDBCell& cell, const std::string& name) = 0;  // kCellNotFound or 0
    virtual void Close() = 0;
};

using CellDBFactory = std::function<std::unique_ptr<CellDBImpl>()>;
void SetCellDBFactory(CellDBFactory factory);  // empty: the file-backed one
std::unique_ptr<CellDBImpl> CreateFileCellDB();  // null while not available

class CCellDB {
public:
    CCellDB();
    ~CCellDB();
    CCellDB(const CCellDB&) = delete;
    CCellDB& operator=(const CCellDB&) = delete;

    int Init();
    int Load(const char* path, int mode);
    int FindCell(CCellDBCell& cell, const std::string& name);
    void Close();

private:
    std::unique_ptr<CellDBImpl> m_impl;  // null: every call fails
};

}  // namespace kelm::celldb
