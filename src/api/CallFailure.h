// What a caller is told about a failed IKelm method, in words: the method,
// what it was working on (library, partition, item, cell, kind) and the
// reason. The reason is, in this order, the message the operation log wrote
// during the call, the library store's own text for its failure, or the
// meaning of the status. Late-bound callers get it as EXCEPINFO's
// description; the kelm tool prints it.
#pragma once

#include <string>
#include <vector>

#include "api/DispatchTable.h"
#include "session/LibrarySession.h"

namespace kelm {

class CallFailure {
public:
    // What the reasons looked like before a call began.
    struct Before {
        unsigned long logErrors = 0;
        unsigned long failures = 0;
        std::string storeText;
    };

    // At the start of a call. The last failure is kept until another call
    // fails: a client may ask something else before it reports one.
    Before Begin(LibrarySession& session) const;
    // At its end: describes the call when `status` is a failure. `values`
    // holds, for each parameter, its text (a string, a kind's number, a
    // record's name; empty for flags and out-parameters).
    void End(const Before& before, LibrarySession& session, const DispatchMethod& method,
             const std::vector<std::string>& values, HRESULT status);

    // The description of the last failed call when it failed with `status`;
    // empty when there is none or it failed otherwise.
    std::string DescriptionFor(HRESULT status) const;

private:
    unsigned long m_failures = 0;
    HRESULT m_status = S_OK;
    std::string m_reason;
    std::string m_description;
};

}  // namespace kelm
