#include "store/format/PartitionNames.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "store/items/StoreBackend.h"

namespace kelm::store {

bool IsStoreType(int type) {
    return type == kPartitionTypeCell || type == kPartitionTypePart || type == kPartitionTypeSymbol;
}

std::string_view FolderOfType(int type) {
    switch (type) {
    case kPartitionTypeCell: return "CellDBLibs";
    case kPartitionTypePart: return "PartsDBLibs";
    case kPartitionTypeSymbol: return "SymbolLibs";
    default: return {};
    }
}

std::string_view ExtensionOfType(int type) {
    switch (type) {
    case kPartitionTypeCell: return ".cel";
    case kPartitionTypePart: return ".pdb";
    default: return {};
    }
}

std::string_view KindWord(int type) {
    switch (type) {
    case kPartitionTypeCell: return "cells";
    case kPartitionTypePart: return "parts";
    case kPartitionTypeSymbol: return "symbols";
    default: return {};
    }
}

int TypeOfKindWord(std::string_view word) {
    if (word == "cells") return kPartitionTypeCell;
    if (word == "parts") return kPartitionTypePart;
    if (word == "symbols") return kPartitionTypeSymbol;
    return -1;
}

std::string RelativePartitionPath(int type, const std::string& name) {
    std::string path(FolderOfType(type));
    path += '\\';
    path += name;
    path += ExtensionOfType(type);
    return path;
}

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

namespace {
// Index of the first single-byte character of text that is in set, or npos;
// double-byte characters are stepped over (a trail byte may be a '\').
std::size_t FindSingleByte(std::string_view text, std::string_view set) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (platform::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
            ++i;
            continue;
        }
        if (set.find(text[i]) != std::string_view::npos) return i;
    }
    return std::string_view::npos;
}
}  // namespace

bool IsSafeFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (platform::IsLeadByte(c) && i + 1 < name.size()) {
            ++i;  // a trail byte may be a '\'
            continue;
        }
        if (c == '\\' || c == '/' || c == ':' || c < 0x20) return false;
    }
    return true;
}

namespace {

// The name before its first dot, without trailing blanks, is what Windows
// compares with its device names: "nul.txt" and "COM1 .x" are devices.
bool IsWindowsDeviceName(std::string_view name) {
    std::string_view stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (EqualNoCase(stem, device)) return true;
    if (stem.size() < 4) return false;
    const std::string_view prefix = stem.substr(0, 3);
    if (!EqualNoCase(prefix, "COM") && !EqualNoCase(prefix, "LPT")) return false;
    const std::string_view number = stem.substr(3);
    // A digit, or a superscript one, two or three (Latin-1 byte or UTF-8).
    if (number.size() == 1) return (number[0] >= '0' && number[0] <= '9') || number == "\xB9" || number == "\xB2" || number == "\xB3";
    return number == "\xC2\xB9" || number == "\xC2\xB2" || number == "\xC2\xB3";
}

}  // namespace

const char* UnstorableNameReason(std::string_view name, NameUse use) {
    // Printable ASCII is the same in every code page, and no lead byte is.
    const bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
    if (!ascii && !platform::IsRepresentable(name)) return "a character the library's code page cannot represent";
    // Single-byte characters only: a trail byte may look like '\' or '|'.
    const char* special = nullptr;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (byte >= 0x80 && platform::IsLeadByte(byte) && i + 1 < name.size()) {
            ++i;
            continue;
        }
        if (byte < 0x20 || byte == 0x7F) return "a control character";
        if (special) continue;
        if (std::string_view("\\/:").find(name[i]) != std::string_view::npos) special = "a path separator or a colon";
        else if (std::string_view("<>\"|?*").find(name[i]) != std::string_view::npos)
            special = "a character Windows does not allow in file names";
    }
    if (use == NameUse::Text) return nullptr;
    if (name.empty()) return "an empty name";
    if (name == "." || name == "..") return "a name that leads out of its folder";
    if (special) return special;
    if (name.back() == ' ' || name.back() == '.') return "a name ending in a space or a dot";
    if (IsWindowsDeviceName(name)) return "a name Windows reserves for a device";
    return nullptr;
}

namespace {
bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && EqualNoCase(text.substr(text.size() - suffix.size()), suffix);
}
}  // namespace

HRESULT ParsePartitionName(const std::string& text, int typeOfBareName, PartitionId& id) {
    id = PartitionId{};
    if (text.empty()) return KELM_E_NO_SUCH_PARTITION;
    const std::size_t separator = FindSingleByte(text, "\\/");
    if (separator == std::string::npos) {
        if (!IsSafeFileName(text)) return KELM_E_UNSAFE_PATH;
        if (!IsStoreType(typeOfBareName)) return KELM_E_NO_SUCH_PARTITION;
        id.type = typeOfBareName;
        id.name = text;
        return S_OK;
    }
    const std::string_view folder(text.data(), separator);
    std::string_view rest(text.data() + separator + 1, text.size() - separator - 1);
    if (folder.empty() || folder == "." || folder == ".." || folder.find(':') != std::string_view::npos)
        return KELM_E_UNSAFE_PATH;
    int type = -1;
    for (const int candidate : {kPartitionTypeCell, kPartitionTypePart, kPartitionTypeSymbol}) {
        if (EqualNoCase(folder, FolderOfType(candidate))) type = candidate;
    }
    if (FindSingleByte(rest, "\\/") != std::string_view::npos) return KELM_E_UNSAFE_PATH;
    if (type < 0) return KELM_E_NO_SUCH_PARTITION;
    const std::string_view extension = ExtensionOfType(type);
    if (!extension.empty() && EndsWithNoCase(rest, extension))
        rest.remove_suffix(extension.size());
    if (rest.empty()) return KELM_E_NO_SUCH_PARTITION;
    if (!IsSafeFileName(rest)) return KELM_E_UNSAFE_PATH;
    id.type = type;
    id.name = std::string(rest);
    return S_OK;
}

}  // namespace kelm::store
