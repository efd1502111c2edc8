#include "query/SearchSchemes.h"

#include "platform/CodePage.h"
#include "query/ObjectKinds.h"
#include "query/StringArrays.h"
#include "store/format/PartitionNames.h"
#include "store/items/KelmSchemePartition.h"
#include "util/Flags.h"
#include "util/Paths.h"

namespace kelm {
namespace {

// Replaces every occurrence of `what` in `text` by `with`, left to right,
// never rescanning replaced text. `what` must not be empty.
void ReplaceAll(std::string& text, const std::string& what, const std::string& with) {
    std::string result;
    std::size_t from = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, from)) {
        result.append(text, from, at - from).append(with);
        from = at + what.size();
    }
    if (from == 0) return;
    result.append(text, from, std::string::npos);
    text = std::move(result);
}

// A relative partition path without the extension of its last component:
// CellDBLibs\Smd.cel becomes CellDBLibs\Smd. Every occurrence of that
// component's file name in the path gives way to its title.
void RemoveExtension(std::string& entry) {
    const std::string fileName = GetPathFileName(entry);
    const std::string title = GetPathTitle(entry);
    if (fileName.size() != title.size()) ReplaceAll(entry, fileName, title);
}

// The bare name of an entry "<prefix>name" or "<prefix>name.ext" whose name
// is plain ASCII without separator, colon or further dot: what GetPathTitle
// gives, with or without RemoveExtension first, found without splitting
// the path. False for any other entry.
bool PlainTitle(std::string_view entry, std::size_t prefixSize, std::string& title) {
    const std::string_view rest = entry.substr(prefixSize);
    std::size_t dot = std::string_view::npos;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const auto byte = static_cast<unsigned char>(rest[i]);
        if (byte >= 0x80 || byte == '\\' || byte == '/' || byte == ':') return false;
        if (byte == '.') {
            if (dot != std::string_view::npos) return false;
            dot = i;
        }
    }
    if (rest.empty() || dot == 0) return false;
    title.assign(rest.substr(0, dot));
    return true;
}

}  // namespace

HRESULT GetSearchScheme_Default(LibrarySession& session, BSTR* o_psDefaultSearchScheme) {
    RETURN_HR_IF_NULL(E_POINTER, o_psDefaultSearchScheme);
    RETURN_IF_NOT_OPEN(session);
    store::KelmSchemePartition schemes(session.Store());
    std::string name;
    RETURN_IF_FAILED(schemes.GetDefaultSearchSchemeName(name));
    BSTR result = platform::AnsiToBstr(name);
    RETURN_HR_IF_NULL(E_OUTOFMEMORY, result);
    *o_psDefaultSearchScheme = result;
    return S_OK;
}

HRESULT GetSearchScheme_All(LibrarySession& session, SAFEARRAY** o_psarrSearchSchemes) {
    RETURN_HR_IF_NULL(E_POINTER, o_psarrSearchSchemes);
    RETURN_IF_NOT_OPEN(session);
    store::KelmSchemePartition schemes(session.Store());
    StringList names;
    RETURN_IF_FAILED(schemes.GetSchemes(names));
    SortStringList(names);
    return StringListToSafeArray(names, o_psarrSearchSchemes);
}

HRESULT GetPartitionList_SearchScheme(LibrarySession& session, const std::string& searchScheme,
                                      KelmEnum_ObjType kind, VARIANT_BOOL onlyNames,
                                      VARIANT_BOOL removeFileExtensions, SAFEARRAY** o_psarrPartitions) {
    RETURN_HR_IF_NULL(E_POINTER, o_psarrPartitions);
    RETURN_IF_NOT_OPEN(session);
    StringList partitions;
    RETURN_IF_FAILED(GetPartitionList(session, searchScheme, FlagValue(onlyNames), FlagValue(removeFileExtensions),
                                      GetStorePartitionType(kind), partitions));
    return StringListToSafeArray(partitions, o_psarrPartitions);
}

HRESULT GetPartitionList_DefaultSearchScheme(IKelm& self, KelmEnum_ObjType kind, VARIANT_BOOL onlyNames,
                                             VARIANT_BOOL removeFileExtensions, SAFEARRAY** o_psarrPartitions) {
    AutoBstr defaultScheme(SysAllocStringLen(nullptr, 0));
    RETURN_HR_IF_NULL(E_OUTOFMEMORY, defaultScheme.get());
    return self.GetPartitionList_SearchScheme(defaultScheme.get(), kind, onlyNames, removeFileExtensions,
                                              o_psarrPartitions);
}

HRESULT GetPartitionList(LibrarySession& session, const std::string& schemeName, int onlyNames,
                         int removeExtensions, int storePartitionType, StringList& out) {
    RETURN_IF_NOT_OPEN(session);
    store::KelmSchemePartition schemes(session.Store());
    // The default scheme is read in place where the store can show it.
    StringList copied;
    const StringList* entries = &copied;
    const HRESULT viewed = schemeName.empty() ? schemes.ViewDefaultSearchScheme(entries) : KELM_E_STORE_UNAVAILABLE;
    if (viewed == KELM_E_STORE_UNAVAILABLE) {
        RETURN_IF_FAILED(schemeName.empty() ? schemes.GetDefaultSearchScheme(copied)
                                            : schemes.GetSchemePartitionList(schemeName, copied));
    } else {
        RETURN_IF_FAILED(viewed);
    }
    const char* prefix = FolderPrefixOfStoreType(storePartitionType);
    RETURN_HR_IF_NULL(E_FAIL, prefix);

    out.clear();
    const std::string_view folderPrefix(prefix);
    for (const std::string& listed : *entries) {
        if (!std::string_view(listed).starts_with(folderPrefix)) continue;
        if (std::string title; onlyNames == 1 && PlainTitle(listed, folderPrefix.size(), title)) {
            out.push_back(std::move(title));
            continue;
        }
        std::string entry = listed;
        if (removeExtensions == 1) RemoveExtension(entry);
        if (onlyNames == 1) {
            out.push_back(GetPathTitle(entry));
        } else {
            out.push_back(session.LibraryFolder() + entry);
        }
    }
    return S_OK;
}

const DefaultSchemeNames* GetDefaultSchemeNames(LibrarySession& session, int storePartitionType, HRESULT& status) {
    const std::uint64_t view = store::KelmSchemePartition(session.Store()).ViewVersion();
    DefaultSchemeNames& kept = session.KeptSchemeNames(storePartitionType);
    status = S_OK;
    if (view != 0 && kept.view == view) return &kept;
    kept = DefaultSchemeNames{};
    status = GetPartitionList(session, std::string(), 1, 1, storePartitionType, kept.names);
    if (FAILED(status)) return nullptr;
    // A safe file name is read by the store as that bare partition name.
    for (std::size_t i = 0; i < kept.names.size(); ++i)
        if (!store::IsSafeFileName(kept.names[i])) kept.irregular.push_back(i);
    kept.view = view;
    return &kept;
}

}  // namespace kelm
