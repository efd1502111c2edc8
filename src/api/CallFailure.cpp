#include "api/CallFailure.h"

#include <cstdio>
#include <cstring>

#include "util/Paths.h"

namespace kelm {
namespace {

// How each string parameter is named in a description.
struct Label {
    const char* param;
    const char* words;
};
constexpr Label kLabels[] = {
    {"i_sQVMFile", "library"},
    {"i_sUserName", "user"},
    {"i_sFlowType", "flow"},
    {"i_sPartitionName", "partition"},
    {"i_sSearchScheme", "search scheme"},
    {"i_sItemFilter", "filter"},
    {"i_sItemName", "item"},
    {"i_sExcludedPartitionName", "excluded partition"},
    {"i_sCellName", "cell"},
    {"i_sSrcPartitionName", "source partition"},
    {"i_sSrcItemName", "source item"},
    {"i_sDestPartitionName", "destination partition"},
    {"i_sDestItemName", "destination item"},
    {"i_sDefaultPadstackName", "padstack"},
    {"i_sPadstackDBFile", "padstack file"},
    {"i_pPartType", "part number"},
    {"i_pCell", "cell"},
};

const char* LabelOf(const char* param) {
    for (const Label& label : kLabels) {
        if (std::strcmp(label.param, param) == 0) return label.words;
    }
    return nullptr;
}

bool IsKind(const DispatchParam& param) { return param.userType == &GUID_KelmEnum_ObjType; }

const char* KindWords(const std::string& value) {
    if (value == "1") return "logic symbols";
    if (value == "2") return "cells";
    if (value == "3") return "part types";
    return nullptr;
}

std::string Hex(HRESULT status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(status));
    return text;
}

// The short text of a public status, or null.
const char* PublicStatusText(HRESULT status) {
#define KELM_STATUS_TEXT(name, value, text) \
    if (status == static_cast<HRESULT>(value)) return text;
    KELMAPI_STATUS_LIST(KELM_STATUS_TEXT)
#undef KELM_STATUS_TEXT
    return nullptr;
}

std::string WithoutFullStop(std::string text) {
    while (!text.empty() && (text.back() == '.' || text.back() == ' ' || text.back() == '\n')) text.pop_back();
    return text;
}

// What the method was working on: `partition "Resistors", item "R1" (part types)`.
std::string Subject(const DispatchMethod& method, const std::vector<std::string>& values, LibrarySession& session) {
    std::string subject;
    std::string kind;
    for (std::size_t i = 0; i < method.params.size() && i < values.size(); ++i) {
        const DispatchParam& param = method.params[i];
        if (IsKind(param)) {
            const char* words = KindWords(values[i]);
            kind = words ? std::string(words) : "object kind " + values[i];
            continue;
        }
        const char* label = LabelOf(param.name);
        if (label == nullptr || values[i].empty()) continue;
        subject += (subject.empty() ? "" : ", ") + std::string(label) + " \"" + values[i] + "\"";
    }
    if (subject.empty() && !session.LibraryFile().empty()) subject = "library \"" + session.LibraryFile() + "\"";
    if (!kind.empty()) subject += (subject.empty() ? "" : " ") + ("(" + kind + ")");
    return subject;
}

bool Named(const DispatchMethod& method, const char* name) { return std::strcmp(method.name, name) == 0; }

// The reason a status gives by itself, with what the call can still tell.
std::string StatusReason(const DispatchMethod& method, const std::vector<std::string>& values, LibrarySession& session,
                         HRESULT status) {
    const bool opening = Named(method, "Kelmstore_Open");
    for (std::size_t i = 0; i < method.params.size() && i < values.size(); ++i) {
        if (IsKind(method.params[i]) && KindWords(values[i]) == nullptr && (status == E_FAIL || status == E_NOTIMPL)) {
            return "object kind " + values[i] + " is none of 1 (logic symbols), 2 (cells) and 3 (part types)";
        }
    }
    switch (status) {
        case E_INVALIDARG:
            return opening ? "the library file name does not end in \".qvm\"" : "an argument is not valid";
        case E_NOTIMPL: return "the method does not serve this object kind";
        case E_POINTER: return "a required out-parameter or record was not given";
        case E_OUTOFMEMORY: return "not enough memory";
        case E_FAIL:
            if (opening && !values.empty() && !PathExists(values[0])) return "the library file does not exist";
            if (opening) return "the library cannot be loaded";
            if (!session.IsOpen() && !Named(method, "RunCurator") && !Named(method, "CreateDefaultPadstack")) {
                return "no library is open";
            }
            return "the operation failed (the library's LogFiles\\QuorKelm.log may say more)";
        default: break;
    }
    if (const char* text = PublicStatusText(status)) return text;
    return "status " + Hex(status);
}

}  // namespace

CallFailure::Before CallFailure::Begin(LibrarySession& session) const {
    return Before{session.Log().ErrorCount(), m_failures, session.Store().LastErrorText()};
}

void CallFailure::End(const Before& before, LibrarySession& session, const DispatchMethod& method,
                      const std::vector<std::string>& values, HRESULT status) {
    if (SUCCEEDED(status)) return;
    // A method that calls another through the object's interface shares the
    // reason of that call's failure.
    std::string reason;
    const std::string storeText = session.Store().LastErrorText();
    if (session.Log().ErrorCount() != before.logErrors) {
        reason = session.Log().LastErrorMessage();
    } else if (m_failures != before.failures && m_status == status) {
        reason = m_reason;
    } else if (!storeText.empty() && (storeText != before.storeText || PublicStatusText(status) != nullptr)) {
        reason = storeText;
    }
    reason = WithoutFullStop(reason.empty() ? StatusReason(method, values, session, status) : reason);
    const std::string subject = Subject(method, values, session);
    ++m_failures;
    m_status = status;
    m_reason = reason;
    m_description =
        std::string(method.name) + " failed" + (subject.empty() ? "" : " for " + subject) + ": " + reason + ".";
}

std::string CallFailure::DescriptionFor(HRESULT status) const {
    return FAILED(status) && status == m_status ? m_description : std::string();
}

}  // namespace kelm
