#include "Context.h"

#include <cstdlib>

#include "kelmapi/tooling.h"

namespace kelmcli {

int Context::CreateObject() {
    if (m_created) return kExitOk;
    const HRESULT hr = m_client.Create();
    if (FAILED(hr)) return m_output.Failure(hr, "cannot create the Kelm object", "check the installation of libkelmapi");
    m_created = true;
    m_output.SetDescriber([this](HRESULT status) { return kelmapi::LastFailureDescription(m_client.get(), status); });
    return kExitOk;
}

int Context::OpenLibrary(Access access) {
    if (m_options.library.empty()) {
        return m_output.Usage("this command needs a library: -l <library.qvm> or KELM_LIBRARY");
    }
    if (m_options.user.empty()) return m_output.Usage(m_options.userError + "; give -u NAME or set KELM_USER");
    if (access == Access::Edit && m_options.readOnly) {
        return m_output.Failure(KELM_E_READ_ONLY,
                                "refusing to edit '" + m_options.library + "' opened with --read-only",
                                "drop --read-only to edit");
    }
    if (const int code = CreateObject(); code != kExitOk) return code;
    const bool readOnly = access == Access::Read || m_options.readOnly;
    const HRESULT hr = m_client.Open(m_options.library, UserName(), readOnly);
    if (FAILED(hr)) {
        const std::string hint = hr == E_INVALIDARG ? "a library file name must end in .qvm"
                                                    : "check that the file exists and is a library that opens";
        return m_output.Failure(hr, "cannot open the library '" + m_options.library + "'", hint);
    }
    return kExitOk;
}

void Context::SetAction(std::string command, std::function<int()> action) {
    m_output.SetCommand(std::move(command));
    m_action = std::move(action);
}

int Context::RunAction() { return m_action ? m_action() : kExitOk; }

}  // namespace kelmcli
