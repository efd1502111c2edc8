// Common base of the store's item objects: the working user name and the
// state handed to the backend with every call.
#pragma once

#include <string>

#include "store/items/KelmServer.h"

namespace kelm::store {

class KelmBase {
public:
    KelmBase(const KelmBase&) = delete;
    KelmBase& operator=(const KelmBase&) = delete;
    virtual ~KelmBase() = default;

    // Later edits run on behalf of this user.
    void SetWorkingUserName(const std::string& user) { m_state.workingUser = user; }

    const ObjectState& State() const { return m_state; }

protected:
    explicit KelmBase(KelmServer& server) : m_server(server) {}
    StoreBackend& Backend() const { return m_server.Backend(); }

    KelmServer& m_server;
    ObjectState m_state;
};

}  // namespace kelm::store
