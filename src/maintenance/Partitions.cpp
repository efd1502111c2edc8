#include "maintenance/Partitions.h"

#include <algorithm>

#include "import/ItemNameRules.h"
#include "platform/CodePage.h"
#include "query/ObjectKinds.h"
#include "store/items/KelmSchemePartition.h"
#include "util/Flags.h"

namespace kelm {
namespace {

constexpr const char* kDefaultSchemeName = "(Default)";

bool SamePath(const std::string& a, const std::string& b) { return platform::CompareNoCase(a, b) == 0; }

bool Lists(const StringList& partitions, const std::string& path) {
    return std::any_of(partitions.begin(), partitions.end(), [&](const std::string& p) { return SamePath(p, path); });
}

// The default search scheme as read before it is rewritten. Readable is false
// when its protection or its list could not be read: rewriting it from an
// unread list would drop its entries, so it is then left alone.
struct DefaultScheme {
    std::string name;
    int protection = 0;
    StringList partitions;
    bool readable = false;
};

void ReadDefaultSchemeContents(store::KelmSchemePartition& schemes, DefaultScheme& scheme) {
    const HRESULT protection = schemes.GetDefaultSchemeProtection(scheme.protection);
    const HRESULT list = schemes.GetDefaultSearchScheme(scheme.partitions);
    scheme.readable = protection >= 0 && list >= 0;
}

// Schemes are replaced, not edited: delete it and add it again under the
// same name with its protection. Statuses are not looked at.
void RewriteScheme(store::KelmSchemePartition& schemes, const DefaultScheme& scheme) {
    if (scheme.name.empty() || !scheme.readable) return;
    schemes.DeleteScheme(scheme.name);
    schemes.AddSearchScheme(scheme.name, scheme.partitions, scheme.protection, 1);
}

}  // namespace

HRESULT AddPartition(LibrarySession& session, const std::string& partitionName, KelmEnum_ObjType kind,
                     VARIANT_BOOL i_bAddToDefaultSearchScheme) {
    RETURN_IF_NOT_OPEN(session);
    // The store's refusal would not be passed on: a name no system can
    // store is refused here, with its status.
    RETURN_IF_FAILED(RefuseUnstorableName(session.Log(), "AddPartition", NewName::Partition, partitionName));
    const std::string path = BuildPartitionPath(partitionName, kind, 1, 1);
    store::KelmSchemePartition schemes(session.Store());
    schemes.InitPartitionType(GetStorePartitionType(kind));

    StringList all;
    const HRESULT listed = schemes.GetAllPartitions(all, 1);
    RETURN_HR_IF(listed, listed < 0);
    RETURN_HR_IF(S_FALSE, Lists(all, path));  // already there: nothing to do

    // A failed add is not passed on, and the scheme is left alone.
    RETURN_HR_IF(S_OK, schemes.AddPartition(path, 1) < 0);
    RETURN_HR_IF(S_OK, !IsTrue(i_bAddToDefaultSearchScheme));

    DefaultScheme scheme;
    if (schemes.GetDefaultSearchSchemeName(scheme.name) != S_OK) {
        // A library without a default scheme gets one.
        schemes.AddSearchScheme(kDefaultSchemeName, StringList{}, 1, 1);
        scheme.name.clear();
        RETURN_HR_IF(S_OK, schemes.GetDefaultSearchSchemeName(scheme.name) != S_OK);
    }
    ReadDefaultSchemeContents(schemes, scheme);
    scheme.partitions.push_back(path);
    RewriteScheme(schemes, scheme);
    return S_OK;
}

HRESULT DeletePartition(LibrarySession& session, const std::string& partitionName, KelmEnum_ObjType kind) {
    RETURN_IF_NOT_OPEN(session);
    // The store's refusal would not be passed on: a name no system can
    // store is refused here, with its status.
    RETURN_IF_FAILED(RefuseUnstorableName(session.Log(), "AddPartition", NewName::Partition, partitionName));
    const std::string path = BuildPartitionPath(partitionName, kind, 1, 1);
    store::KelmSchemePartition schemes(session.Store());
    schemes.InitPartitionType(GetStorePartitionType(kind));
    schemes.SetWorkingUserName(session.UserName());  // the holder of a reserved partition may delete it

    StringList all;
    const HRESULT listed = schemes.GetAllPartitions(all, 1);
    RETURN_HR_IF(listed, listed < 0);
    RETURN_HR_IF(S_FALSE, !Lists(all, path));  // not there: nothing to do

    DefaultScheme scheme;
    if (schemes.GetDefaultSearchSchemeName(scheme.name) == S_OK) {
        ReadDefaultSchemeContents(schemes, scheme);
        // Every entry naming the partition goes, not only the first.
        std::erase_if(scheme.partitions, [&](const std::string& p) { return SamePath(p, path); });
    } else {
        scheme.name.clear();
    }

    // A failed delete is not passed on, and the scheme is left alone.
    RETURN_HR_IF(S_OK, schemes.DeletePartition(path) < 0);
    RewriteScheme(schemes, scheme);
    return S_OK;
}

}  // namespace kelm
