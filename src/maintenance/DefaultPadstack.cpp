#include "maintenance/DefaultPadstack.h"

#include "platform/Clock.h"
#include "store/db/PadstackDB.h"

namespace kelm {

HRESULT CreateDefaultPadstack(LibrarySession& session, const std::string& padstackName,
                              const std::string& padstackDBFile) {
    RETURN_IF_NOT_OPEN(session);  // although the library itself is not used

    padstackdb::CPadstackDB database;
    HRESULT status = database.Init();
    RETURN_HR_IF(status, status < 0);
    // The file is handed over as the client named it; there is no default.
    status = database.Load(padstackDBFile.c_str(), 0);
    RETURN_HR_IF(status, status < 0);

    padstackdb::CPadstackDBPadstack padstack;
    if (database.FindPadstack(padstack, padstackName) == 0) {
        status = S_OK;  // already there: nothing is written
    } else {
        const int created = database.NewPadstack(padstack, padstackName);
        padstack.SetName(padstackName);
        padstack.SetType(padstackdb::ePadstackType_Default);
        padstack.SetTimestamp(platform::NowTimestamp());
        status = created == 0 ? database.Save(nullptr) : created;
    }
    database.Close();  // only after a successful load
    return status;
}

}  // namespace kelm
