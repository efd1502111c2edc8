#include "store/file/LibraryLock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <random>

#include "platform/AtomicFile.h"
#include "platform/Machine.h"
#include "store/format/JsonLines.h"
#include "store/items/StoreStatus.h"

namespace kelm::store {
namespace {
std::atomic<int> g_maxWait{10000};
std::atomic<int> g_longestPause{200};
// Claims of claims: one level per process that died while taking over.
constexpr int kDeepestClaim = 64;  // against a damaged claim that names itself

std::string NewLockId() {
    static std::mutex mutex;
    static std::mt19937_64 random = [] {
        std::random_device device;
        std::seed_seq seed{device(), device(), static_cast<unsigned>(platform::CurrentProcessId()),
                           static_cast<unsigned>(std::chrono::high_resolution_clock::now().time_since_epoch().count())};
        return std::mt19937_64(seed);
    }();
    static unsigned long long count = 0;
    std::lock_guard<std::mutex> guard(mutex);
    char text[48];
    std::snprintf(text, sizeof text, "%016llx%lx%llx", static_cast<unsigned long long>(random()),
                  static_cast<unsigned long>(platform::CurrentProcessId()), ++count);
    return text;
}

std::string LockText(long long time) {
    std::string text = jsonl::Header("lock", 1);
    std::string user = platform::LoginName();
    jsonl::LineWriter(text).Str("user", user.empty() ? "unknown" : user).Str("host", platform::HostName())
        .Int("pid", platform::CurrentProcessId()).Int("time", time).Str("id", NewLockId()).End();
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
            else if (key == "id") ok = cursor.String(holder.id);
            else return cursor.UnknownKey(key);
            if (!ok) return false;
        }
        return cursor.Error().empty();
    }, error);
}

// The id a lock file goes by in a claim's name: its own id when it is one
// (letters and digits), else a hash of its whole text (a lock written
// before locks had ids).
std::string ClaimId(const std::string& text, const LockHolder& holder) {
    bool plain = !holder.id.empty() && holder.id.size() <= 64;
    for (const char c : holder.id) plain = plain && ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
    if (plain) return holder.id;
    unsigned long long hash = 14695981039346656037ULL;
    for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    char hex[24];
    std::snprintf(hex, sizeof hex, "h%016llx", hash);
    return hex;
}

void Pause(TakeoverStep step) { platform::PausePoint(static_cast<int>(step)); }

enum class Reading { Stale, Held, Unreadable, Gone };

Reading ReadLock(const std::string& path, std::string& text, LockHolder& holder) {
    std::string error;
    const platform::FileResult read = platform::ReadWholeFile(path, text, error);
    if (read == platform::FileResult::NotFound) return Reading::Gone;
    holder = LockHolder{};
    if (read != platform::FileResult::Ok || !ParseHolder(text, holder)) return Reading::Unreadable;
    // The lock's time tells its holder from a later process that got the same id.
    const bool stale = holder.host == platform::HostName() && !platform::IsProcessAlive(holder.pid, holder.time);
    return stale ? Reading::Stale : Reading::Held;
}

// Removes the file at `path`, read as `text` and found stale, when it still
// is that file; see the header for the steps and why they are safe.
// `base` names the claims. True when something was removed (the caller
// tries again at once), false when it is someone else's turn.
bool TakeOver(const std::string& base, const std::string& path, const std::string& text, const LockHolder& holder,
              int depth) {
    const std::string id = ClaimId(text, holder);
    const std::string claim = base + ".takeover-" + id;
    std::string error;
    const std::string claimText = LockText(static_cast<long long>(std::time(nullptr)));
    const platform::FileResult claimed = platform::CreateFileExclusive(claim, claimText, error, platform::Flush::No);
    Pause(TakeoverStep::Claimed);
    if (claimed == platform::FileResult::Exists) {
        // Another session is taking this lock over, or died doing it.
        std::string otherText;
        LockHolder other;
        if (depth < kDeepestClaim && ReadLock(claim, otherText, other) == Reading::Stale)
            return TakeOver(base, claim, otherText, other, depth + 1);
        return false;
    }
    if (claimed != platform::FileResult::Ok) return false;
    std::string now;
    LockHolder current;
    const Reading again = ReadLock(path, now, current);
    Pause(TakeoverStep::ReadAgain);
    bool removed = false;
    if (again == Reading::Stale && ClaimId(now, current) == id) {
        removed = platform::RemoveFileIfContent(path, now) == platform::FileResult::Ok;
        Pause(TakeoverStep::Removed);
    }
    platform::RemoveFile(claim);
    Pause(TakeoverStep::ClaimDropped);
    return removed || again == Reading::Gone;
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
void LibraryLock::SetLongestPauseMilliseconds(int milliseconds) { g_longestPause = milliseconds < 1 ? 1 : milliseconds; }

bool ReadLockHolder(const std::string& lockPath, LockHolder& holder) {
    std::string text, error;
    if (platform::ReadWholeFile(lockPath, text, error) != platform::FileResult::Ok) return false;
    return ParseHolder(text, holder);
}

HRESULT LibraryLock::Acquire(const std::string& lockPath, std::string& error) {
    if (Held()) return S_OK;
    const std::string text = LockText(static_cast<long long>(std::time(nullptr)));
    std::mt19937 random(static_cast<unsigned>(platform::CurrentProcessId()) ^
                        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(g_maxWait.load());
    int backoff = 2;
    for (;;) {
        std::string createError;
        const platform::FileResult created = platform::CreateFileExclusive(lockPath, text, createError, platform::Flush::No);
        if (created == platform::FileResult::Ok) {
            m_path = lockPath;
            m_text = text;
            return S_OK;
        }
        if (created != platform::FileResult::Exists) {
            error = "cannot take the library lock: " + createError;
            return KELM_E_IO;
        }
        std::string current;
        LockHolder holder;
        const Reading reading = ReadLock(lockPath, current, holder);
        Pause(TakeoverStep::ReadLock);
        if (reading == Reading::Gone) continue;
        if (reading == Reading::Stale) {
            Pause(TakeoverStep::JudgedStale);
            if (TakeOver(lockPath, lockPath, current, holder, 0)) {
                m_tookOver = true;
                continue;
            }
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            error = "the library is locked by " +
                    (reading == Reading::Unreadable ? std::string("an unreadable lock file") : holder.Describe()) +
                    " (" + lockPath + ")";
            if (reading == Reading::Held && holder.host != platform::HostName())
                error += "; a lock from another host is never broken automatically: remove the file once that "
                         "session is gone";
            return KELM_E_LOCKED;
        }
        const int longest = g_longestPause.load();
        std::uniform_int_distribution<int> jitter(backoff / 2, backoff + backoff / 2);
        platform::SleepMilliseconds(std::min(jitter(random), longest));
        backoff = backoff < longest ? backoff * 2 : longest;
    }
}

void LibraryLock::Release() {
    if (m_path.empty()) return;
    const std::string mark = ReleaseMarkOf(m_path);
    std::string ignored;
    if (!platform::TouchFile(mark)) (void)platform::CreateFileExclusive(mark, std::string(), ignored, platform::Flush::No);
    m_leftMark = platform::StampOf(mark);
    // A lock left behind by a live process would hold up everyone: a failed
    // removal is tried once more. Only this session's own lock is removed.
    if (platform::RemoveFileIfContent(m_path, m_text) == platform::FileResult::Error)
        platform::RemoveFileIfContent(m_path, m_text);
    m_path.clear();
}

void LibraryLock::AbandonForTesting() {
    if (m_path.empty()) return;
    LockHolder holder;
    ParseHolder(m_text, holder);
    std::string text = jsonl::Header("lock", 1), error;
    jsonl::LineWriter(text).Str("user", holder.user).Str("host", holder.host).Int("pid", holder.pid).Int("time", 1)
        .Str("id", holder.id).End();
    platform::WriteFileAtomic(m_path, text, error, platform::Flush::No);
    m_path.clear();
}

}  // namespace kelm::store
