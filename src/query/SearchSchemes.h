// Search schemes and the partitions of a scheme.
#pragma once

#include <string>

#include "kelmapi/kelmapi.h"
#include "session/LibrarySession.h"
#include "util/StringList.h"

namespace kelm {

HRESULT GetSearchScheme_Default(LibrarySession& session, BSTR* o_psDefaultSearchScheme);
HRESULT GetSearchScheme_All(LibrarySession& session, SAFEARRAY** o_psarrSearchSchemes);
HRESULT GetPartitionList_SearchScheme(LibrarySession& session, const std::string& searchScheme,
                                      KelmEnum_ObjType kind, VARIANT_BOOL onlyNames,
                                      VARIANT_BOOL removeFileExtensions, SAFEARRAY** o_psarrPartitions);
// Calls GetPartitionList_SearchScheme on the object's own interface with an empty scheme name.
HRESULT GetPartitionList_DefaultSearchScheme(IKelm& self, KelmEnum_ObjType kind, VARIANT_BOOL onlyNames,
                                             VARIANT_BOOL removeFileExtensions, SAFEARRAY** o_psarrPartitions);

// The partitions of one store partition type in a scheme (empty name: the
// default scheme), as bare names (onlyNames == 1) or full paths.
HRESULT GetPartitionList(LibrarySession& session, const std::string& schemeName, int onlyNames,
                         int removeExtensions, int storePartitionType, StringList& out);

// GetPartitionList of the default scheme, names only, extensions removed:
// kept in the session until the store's view of the library changes, so a
// repeated call costs no walk of the scheme. Null on failure, with the
// status in `status`.
const DefaultSchemeNames* GetDefaultSchemeNames(LibrarySession& session, int storePartitionType, HRESULT& status);

}  // namespace kelm
