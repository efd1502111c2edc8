#include "store/file/LibraryLock.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <random>

#include "platform/Machine.h"
#include "platform/StoreFiles.h"
#include "store/format/JsonLines.h"
#include "store/items/StoreStatus.h"

namespace kelm::store {
namespace {
std::atomic<int> g_maxWait{10000};
std::atomic<unsigned> g_takeovers{0};

std::string LockText() {
    std::string text = jsonl::Header("lock", 1);
    std::string user = platform::LoginName();
    jsonl::LineWriter(text).Str("user", user.empty() ? "unknown" : user).Str("host", platform::HostName())
        .Int("pid", platform::CurrentProcessId()).Int("time", static_cast<long long>(std::time(nullptr))).End();
    return text;
}

bool ParseHolder(const std::string& text, LockHolder& holder) {
    std::string error;
    return jsonl::ReadLines(text, "lock", "lock", [&](jsonl::Cursor& cursor) {
        if (!cursor.BeginObject()) return false;
        std::string_view key;
        while (cursor.NextKey(key)) {
            bool ok = true;
            std::int64_t number = 0;
            if (key == "user") ok = cursor.String(holder.user);
            else if (key == "host") ok = cursor.String(holder.host);
            else if (key == "pid") { ok = cursor.Int(number); holder.pid = static_cast<long>(number); }
            else if (key == "time") { ok = cursor.Int(number); holder.time = number; }
            else return cursor.UnknownKey(key);
            if (!ok) return false;
        }
        return cursor.Error().empty();
    }, error);
}

// A lock of a process that died on this host: move it aside, check that
// what was moved is that same lock, and drop it. A lock taken by someone
// else in between is put back.
bool TakeOverStaleLock(const std::string& lockPath, const std::string& staleText) {
    const std::string aside = lockPath + ".stale-" + std::to_string(platform::CurrentProcessId()) + "-" +
                              std::to_string(++g_takeovers);
    std::string error;
    if (platform::MovePath(lockPath, aside, error) != platform::FileResult::Ok) return false;
    std::string moved;
    if (platform::ReadWholeFile(aside, moved, error) == platform::FileResult::Ok && moved != staleText) {
        platform::MovePath(aside, lockPath, error);  // not ours to drop
        return false;
    }
    platform::RemoveFile(aside);
    return true;
}
}  // namespace

std::string LockHolder::Describe() const {
    std::string text = (user.empty() ? std::string("an unknown user") : user) + " on host " +
                       (host.empty() ? std::string("?") : host) + " (process " + std::to_string(pid) + ")";
    if (time > 0) {
        const std::time_t seconds = static_cast<std::time_t>(time);
        char stamp[32] = {};
        if (const std::tm* utc = std::gmtime(&seconds)) std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S UTC", utc);
        text += " since ";
        text += stamp;
    }
    return text;
}

void LibraryLock::SetMaxWaitMilliseconds(int milliseconds) { g_maxWait = milliseconds < 0 ? 0 : milliseconds; }

bool ReadLockHolder(const std::string& lockPath, LockHolder& holder) {
    std::string text, error;
    if (platform::ReadWholeFile(lockPath, text, error) != platform::FileResult::Ok) return false;
    return ParseHolder(text, holder);
}

HRESULT LibraryLock::Acquire(const std::string& lockPath, std::string& error) {
    if (Held()) return S_OK;
    const std::string text = LockText();
    const std::string host = platform::HostName();
    std::mt19937 random(static_cast<unsigned>(platform::CurrentProcessId()) ^
                        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(g_maxWait.load());
    int backoff = 2;
    LockHolder holder;
    bool holderKnown = false;
    for (;;) {
        std::string createError;
        const platform::FileResult created = platform::CreateFileExclusive(lockPath, text, createError, platform::Flush::No);
        if (created == platform::FileResult::Ok) {
            m_path = lockPath;
            return S_OK;
        }
        if (created != platform::FileResult::Exists) {
            error = "cannot take the library lock: " + createError;
            return KELM_E_IO;
        }
        std::string current, readError;
        if (platform::ReadWholeFile(lockPath, current, readError) == platform::FileResult::Ok) {
            holder = LockHolder{};
            holderKnown = ParseHolder(current, holder);
            // The lock's time tells its holder from a later process that got the same id.
            if (holderKnown && holder.host == host && !platform::IsProcessAlive(holder.pid, holder.time)) {
                if (TakeOverStaleLock(lockPath, current)) continue;
            }
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            error = "the library is locked by " +
                    (holderKnown ? holder.Describe() : std::string("an unreadable lock file")) + " (" + lockPath + ")";
            if (holderKnown && holder.host != host)
                error += "; a lock from another host is never broken automatically: remove the file once that "
                         "session is gone";
            return KELM_E_LOCKED;
        }
        std::uniform_int_distribution<int> jitter(backoff / 2, backoff + backoff / 2);
        platform::SleepMilliseconds(jitter(random));
        backoff = backoff < 100 ? backoff * 2 : 200;
    }
}

void LibraryLock::Release() {
    if (m_path.empty()) return;
    platform::RemoveFile(m_path);
    m_path.clear();
}

}  // namespace kelm::store
