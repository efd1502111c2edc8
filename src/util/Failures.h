// Where a guard failed. Every guard macro that returns a failure reports
// the status, the file, the line and the expression to the callbacks that
// the calling thread has installed, innermost first; the component boundary
// installs one per call and logs the first failure of a failed method. Debug
// builds also write each failure as a debug line when it happens.
//
//   FailureCallbackScope scope([&](const FailureInfo& failure) { ... });
#pragma once

#include <functional>
#include <string>

#include "kelmapi/automation.h"

namespace kelm {

struct FailureInfo {
    HRESULT status;
    const char* file;
    int line;
    const char* expression;
};

// "src/store/file/FileStore.cpp(88): 0x80041007 from m_files.Write(path)"
std::string DescribeFailure(const FailureInfo& failure);

// Called by the guards on their failure path only; never throws.
void ReportFailure(HRESULT status, const char* file, int line, const char* expression) noexcept;

// Installs a callback for the calling thread while the object lives.
class FailureCallbackScope {
public:
    using Callback = std::function<void(const FailureInfo&)>;
    explicit FailureCallbackScope(Callback callback);
    FailureCallbackScope(const FailureCallbackScope&) = delete;
    FailureCallbackScope& operator=(const FailureCallbackScope&) = delete;
    ~FailureCallbackScope();

private:
    friend void ReportFailure(HRESULT, const char*, int, const char*) noexcept;
    Callback m_callback;
    FailureCallbackScope* m_outer;
};

}  // namespace kelm
