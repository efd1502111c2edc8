#include "import/ItemNameRules.h"

#include <string_view>

#include "kelmapi/status.h"
#include "platform/CodePage.h"
#include "session/OperationLog.h"
#include "store/format/PartitionNames.h"
#include "util/Format.h"

namespace kelm {
namespace {

// The part number rule's set: the backslash alone.
constexpr std::string_view kPartNumberCharacters = "\\";
constexpr std::string_view kSymbolNameCharacters = "\\+-";

// Length in bytes of the character starting at index: 2 for a lead byte with
// a byte after it, else 1.
std::size_t CharacterLength(const std::string& text, std::size_t index) {
    const auto byte = static_cast<unsigned char>(text[index]);
    return platform::IsLeadByte(byte) && index + 1 < text.size() ? 2 : 1;
}

// Index of the first single-byte character of text that is in set, or npos.
std::size_t FindFirstOf(const std::string& text, std::string_view set, std::size_t from = 0) {
    for (std::size_t i = from; i < text.size(); i += CharacterLength(text, i)) {
        if (CharacterLength(text, i) == 1 && set.find(text[i]) != std::string_view::npos) return i;
    }
    return std::string::npos;
}

}  // namespace

int AdjustPartNumber(std::string& name) {
    const std::size_t at = FindFirstOf(name, kPartNumberCharacters);
    if (at == std::string::npos) return 0;
    name[at] = '_';
    return 1;
}

int AdjustSymbolName(std::string& name) {
    std::size_t at = FindFirstOf(name, kSymbolNameCharacters);
    if (at == std::string::npos) return 0;
    // '_' is a single-byte character, so the walk may go on from the
    // replaced one instead of starting over.
    while (at != std::string::npos) {
        name[at] = '_';
        at = FindFirstOf(name, kSymbolNameCharacters, at + 1);
    }
    return 1;
}

std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to) {
    if (from.empty()) return text;
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.compare(i, from.size(), from) == 0) {
            out += to;
            i += from.size();
            continue;
        }
        const std::size_t length = CharacterLength(text, i);
        out.append(text, i, length);
        i += length;
    }
    return out;
}

HRESULT RefuseUnstorableName(OperationLog& log, const char* tag, NewName kind, const std::string& name) {
    const bool fileName = kind == NewName::Partition;
    const char* reason = store::UnstorableNameReason(name, fileName ? store::NameUse::FileName : store::NameUse::Text);
    if (reason == nullptr) return S_OK;
    const char* what = kind == NewName::Partition ? "Partition Name" : kind == NewName::PartNumber ? "Part Number" : "Cell Name";
    log.LogError(tag, Format("Refusing %s (%s): %s.", what, name.c_str(), reason));
    return KELM_E_UNSAFE_PATH;
}

}  // namespace kelm
