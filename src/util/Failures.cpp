#include "util/Failures.h"

#include <string_view>

#include "platform/DebugOutput.h"
#include "util/Format.h"

namespace kelm {
namespace {

thread_local FailureCallbackScope* t_innermost = nullptr;

// The path from the source root on ("src/util/Paths.cpp"), whether the
// compiler was given it absolute or relative to the build folder.
const char* SourceRelative(const char* file) {
    const std::string_view path(file);
    for (const char* root : {"/src/", "/tests/", "/tools/", "\\src\\", "\\tests\\", "\\tools\\"}) {
        const std::size_t at = path.rfind(root);
        if (at != std::string_view::npos) return file + at + 1;
    }
    return file;
}

}  // namespace

std::string DescribeFailure(const FailureInfo& failure) {
    return Format("%s(%d): 0x%08lX from %s", SourceRelative(failure.file), failure.line,
                  static_cast<unsigned long>(static_cast<unsigned int>(failure.status)), failure.expression);
}

void ReportFailure(HRESULT status, const char* file, int line, const char* expression) noexcept {
    const FailureInfo failure{status, file, line, expression};
    try {
#ifndef NDEBUG
        platform::WriteDebugLine("KelmAPI guard: " + DescribeFailure(failure));
#endif
        for (FailureCallbackScope* scope = t_innermost; scope != nullptr; scope = scope->m_outer) {
            if (scope->m_callback) scope->m_callback(failure);
        }
    } catch (...) {
        // A report must never change the failure it reports.
    }
}

FailureCallbackScope::FailureCallbackScope(Callback callback)
    : m_callback(std::move(callback)), m_outer(t_innermost) {
    t_innermost = this;
}

FailureCallbackScope::~FailureCallbackScope() { t_innermost = m_outer; }

}  // namespace kelm
