// The library lock: a lock file "<name>.lock" beside the library file,
// created exclusively (create-new), holding who took it (user, host,
// process id, time) and an id that no other lock file ever carries. Every
// write to the library happens under it.
//
// A session that finds the lock taken waits with a bounded, jittered
// backoff. A lock left by a process that no longer runs on this host is
// taken over; a lock from another host is never broken automatically: the
// wait ends with KELM_E_LOCKED and a text naming the holder.
//
// Taking over a stale lock
// ------------------------
// The only primitives used are exclusive creation of a file, reading a file
// and removing the file just read when it still holds the bytes read: they
// behave the same on Linux, on Windows, under Wine and on network shares.
// Nothing is ever renamed.
//
//   1. Read the lock file: its holder and its id X. Go on only when the
//      holder is on this host and its process is gone (a process that has
//      ended never runs again; a later process with the same number is told
//      apart by its start time).
//   2. Claim the takeover of X: create "<name>.lock.takeover-X"
//      exclusively. If it exists, someone else is taking X over: wait (or,
//      when that claim's own process is gone, take the claim over by these
//      same steps, one level deeper).
//   3. Read the lock file again. If it no longer carries X, drop the claim
//      and start over.
//   4. Remove the lock file if it still holds what step 3 read, then the
//      claim, and start over (create).
//
// Why two sessions are never inside at once. A session is inside from the
// moment it created "<name>.lock" until it removes it; creation is
// exclusive, so it is enough to show that nobody but its holder removes a
// live lock. Another session removes the lock only in step 4, and only
// after (a) it saw X's holder gone: so X is not a live lock; (b) it owns the
// claim for X, which no one else can own while it lives (a claim is removed
// only by its owner, by someone who proved its owner gone as in step 1, or
// by a later lock holder's clean-up, which can only run once X is no longer
// the lock); and (c) it read X again after claiming. Between (c) and the
// removal, the file named "<name>.lock" is still X: X's holder is gone and
// cannot release it, and every other remover would need the claim for X.
// On Windows a removed file keeps its name while another process still has
// it open, so a later claimant of X can read X again after X was removed
// and a new lock created: the removal therefore removes the very file it
// compared (through the handle it read with), never whatever the name
// points to by then.
// Ids are never reused, so "X is no longer the lock" is final: a claim or a
// reading that has gone out of date can only make a session give up, never
// remove anything but X. A process that stops anywhere in these steps
// leaves either a stale lock (taken over as above) or a stale claim (taken
// over one level deeper, or removed as a leftover by the next holder).
//
// The release mark
// ----------------
// Every holder touches "<name>.lock.released" as it lets go (the file is
// made when missing), before the lock file goes: the mark's stamp changes
// each time anyone has held the lock. A session that kept the stamp its own
// release left can tell by one look, the next time it holds the lock,
// whether another holder came in between.
//
// What it does not do: a lock file that cannot be read (empty or damaged,
// as a crash between creating it and writing it could leave) is never
// removed automatically; the wait ends with KELM_E_LOCKED naming the file.
#pragma once

#include <string>

#include "kelmapi/automation.h"
#include "platform/Files.h"

namespace kelm::store {

struct LockHolder {
    std::string user;
    std::string host;
    long pid = 0;
    long long time = 0;
    std::string id;  // unique to this lock file
    std::string Describe() const;  // "alice on host pc7 (process 1234) since ..."
};

// The steps of a takeover, as pause points for fault injection.
enum class TakeoverStep { ReadLock, JudgedStale, Claimed, ReadAgain, Removed, ClaimDropped, Count };

class LibraryLock {
public:
    LibraryLock() = default;
    LibraryLock(const LibraryLock&) = delete;
    LibraryLock& operator=(const LibraryLock&) = delete;
    ~LibraryLock() { Release(); }

    // 0, KELM_E_LOCKED (held by a live process or another host; `error`
    // names the holder) or KELM_E_IO (the lock file cannot be created;
    // `error` names the file and the system's error).
    HRESULT Acquire(const std::string& lockPath, std::string& error);
    void Release();
    bool Held() const { return !m_path.empty(); }
    // Whether this Acquire took over a stale lock (its holder died inside).
    bool TookOver() const { return m_tookOver; }
    // The release mark of a lock file, and its stamp as this holder's
    // Release left it (not `exists` before, or when it cannot be made).
    static std::string ReleaseMarkOf(const std::string& lockPath) { return lockPath + ".released"; }
    const platform::FileStamp& LeftMark() const { return m_leftMark; }

    // The longest a session waits for the lock (default 10 s), and the
    // longest single pause between two attempts (default 200 ms).
    static void SetMaxWaitMilliseconds(int milliseconds);
    static void SetLongestPauseMilliseconds(int milliseconds);

    // For tests: leaves the lock file as a process that died holding it
    // would (its holder's time is set far back, so that the lock counts as
    // stale), and forgets it.
    void AbandonForTesting();

private:
    std::string m_path;
    std::string m_text;
    bool m_tookOver = false;
    platform::FileStamp m_leftMark;
};

bool ReadLockHolder(const std::string& lockPath, LockHolder& holder);

}  // namespace kelm::store
