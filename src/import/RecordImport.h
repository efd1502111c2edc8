// What the cell and the part type import share: the call's session, log,
// partition and client record, and the entry that checks the record
// pointer, then the open test, before the import runs.
#pragma once

#include <string>

#include "kelmapi/kelmapi.h"
#include "session/LibrarySession.h"
#include "util/AutoTypes.h"

namespace kelm {

template <typename Record>
class RecordImport {
protected:
    RecordImport(LibrarySession& session, const std::string& partitionName, const Record& record)
        : m_session(session), m_log(session.Log()), m_partition(partitionName), m_record(record) {}

    LibrarySession& m_session;
    OperationLog& m_log;
    const std::string& m_partition;
    const Record& m_record;
};

// Import(session, partitionName, *record).Run(overwrite), once the record
// and the session pass.
template <typename Import, typename Record>
HRESULT RunImport(LibrarySession& session, const std::string& partitionName, const Record* record,
                  VARIANT_BOOL overwrite) {
    RETURN_HR_IF_NULL(E_POINTER, record);
    RETURN_IF_NOT_OPEN(session);
    Import import(session, partitionName, *record);
    return import.Run(overwrite);
}

}  // namespace kelm
