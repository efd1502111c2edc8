// Scripted cell and padstack databases for tests: installed as the factories
// of CCellDB and CPadstackDB for the life of the object, they record every
// call (as text, in order) and answer what the test scripted.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "store/db/CellDB.h"
#include "store/db/PadstackDB.h"

namespace kelm::testing {

class ScriptedCellDB {
public:
    ScriptedCellDB();  // installs itself; every database created meanwhile answers from this script
    ~ScriptedCellDB();  // restores the file-backed database
    ScriptedCellDB(const ScriptedCellDB&) = delete;
    ScriptedCellDB& operator=(const ScriptedCellDB&) = delete;

    int loadStatus = 0;                             // Load's answer
    std::map<std::string, celldb::CCellDBCell> cells;  // FindCell finds these by name
    std::vector<std::string> calls;                 // "Init()", "Load(path, 1)", "FindCell(name)", "Close()"
};

class ScriptedPadstackDB {
public:
    ScriptedPadstackDB();
    ~ScriptedPadstackDB();
    ScriptedPadstackDB(const ScriptedPadstackDB&) = delete;
    ScriptedPadstackDB& operator=(const ScriptedPadstackDB&) = delete;

    int initStatus = 0;
    int loadStatus = 0;
    int newStatus = 0;   // NewPadstack's answer; 0 binds the record to a new padstack
    int saveStatus = 0;
    std::vector<std::string> existing;                           // FindPadstack finds these
    std::vector<std::shared_ptr<padstackdb::PadstackData>> created;  // what NewPadstack bound
    std::vector<std::string> calls;  // "Init()", "Load(file, 0)", "FindPadstack(name)", "NewPadstack(name)", "Save(null)", "Close()"
};

}  // namespace kelm::testing
