// The library lock: a lock file "<name>.lock" beside the library file,
// created exclusively (create-new), holding who took it (user, host,
// process id, time). Every write to the library happens under it.
//
// A session that finds the lock taken waits with a bounded, jittered
// backoff. A lock left by a process that no longer runs on this host is
// taken over; a lock from another host is never broken automatically: the
// wait ends with KELM_E_LOCKED and a text naming the holder.
#pragma once

#include <string>

#include "kelmapi/automation.h"

namespace kelm::store {

struct LockHolder {
    std::string user;
    std::string host;
    long pid = 0;
    long long time = 0;
    std::string Describe() const;  // "alice on host pc7 (process 1234) since ..."
};

class LibraryLock {
public:
    LibraryLock() = default;
    LibraryLock(const LibraryLock&) = delete;
    LibraryLock& operator=(const LibraryLock&) = delete;
    ~LibraryLock() { Release(); }

    // 0, KELM_E_LOCKED (held by a live process or another host; `error`
    // names the holder) or KELM_E_IO (the lock file cannot be created).
    HRESULT Acquire(const std::string& lockPath, std::string& error);
    void Release();
    bool Held() const { return !m_path.empty(); }

    // The longest a session waits for the lock (default 10 s).
    static void SetMaxWaitMilliseconds(int milliseconds);

private:
    std::string m_path;
};

bool ReadLockHolder(const std::string& lockPath, LockHolder& holder);

}  // namespace kelm::store
