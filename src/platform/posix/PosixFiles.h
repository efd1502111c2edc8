// What the POSIX file seams share: a failure named with the system's own
// text, an injected failure as the system would report it, and a write that
// goes on after a signal.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/FaultInjection.h"
#include "platform/Files.h"

namespace kelm::platform::posix {

inline FileResult FromErrno(int error) {
    switch (error) {
    case ENOENT: case ENOTDIR: return FileResult::NotFound;
    case EEXIST: case ENOTEMPTY: return FileResult::Exists;
    case EACCES: case EPERM: case EROFS: return FileResult::Denied;
    default: return FileResult::Error;
    }
}

// The injected failure as the system reports it; 0 when there is none.
inline int InjectedError(Fault fault) {
    return fault == Fault::DiskFull ? ENOSPC : fault == Fault::Denied ? EACCES : 0;
}

// "<what> <path>: <the system's text>", and the result it stands for.
inline FileResult Failed(const char* what, const std::string& path, int code, std::string& error) {
    error = std::string(what) + " " + path + ": " + std::strerror(code);
    return FromErrno(code);
}

// Writes all bytes; false with errno set.
inline bool WriteAll(int fd, const char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t wrote = ::write(fd, data + done, size - done);
        if (wrote < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

}  // namespace kelm::platform::posix
