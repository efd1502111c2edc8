// The method table that late binding is served from.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "api/DispatchTable.h"

namespace kelm {
namespace {

TEST(DispatchTable, HasTheTwentySevenMethodsWithUniqueNamesAndIdentifiers) {
    const auto& table = KelmDispatchTable();
    ASSERT_EQ(table.size(), 27u);
    const std::set<DISPID> expected = {1,   2,   100, 101, 110, 111, 112, 113, 120, 121, 122, 123, 124, 125,
                                       130, 131, 132, 133, 134, 140, 141, 142, 143, 144, 145, 150, 151};
    std::set<DISPID> ids;
    std::set<std::string> names;
    for (const DispatchMethod& method : table) {
        ids.insert(method.id);
        names.insert(method.name);
        EXPECT_LE(method.params.size(), 7u) << method.name;
    }
    EXPECT_EQ(ids, expected);
    EXPECT_EQ(names.size(), 27u);
    // Interface order: identifiers rise.
    for (std::size_t i = 1; i < table.size(); ++i) EXPECT_LT(table[i - 1].id, table[i].id);
}

// The type a parameter's name prefix announces; VT_EMPTY for records and
// the one out-parameter whose name does not follow the rule.
VARTYPE TypeOfPrefix(const std::string& name) {
    const auto starts = [&](const char* prefix) { return name.rfind(prefix, 0) == 0; };
    if (name == "i_sClientname") return VT_EMPTY;
    if (starts("o_psarr")) return VT_BYREF | VT_ARRAY | VT_BSTR;
    if (starts("o_ps")) return VT_BYREF | VT_BSTR;
    if (starts("o_pn")) return VT_BYREF | VT_I4;
    if (starts("o_pb")) return VT_BYREF | VT_BOOL;
    if (starts("i_s")) return VT_BSTR;
    if (starts("i_b")) return VT_BOOL;
    if (starts("i_e")) return VT_I4;
    return VT_EMPTY;
}

TEST(DispatchTable, DirectionsAndTypesFollowTheParameterPrefixes) {
    for (const DispatchMethod& method : KelmDispatchTable()) {
        for (const DispatchParam& param : method.params) {
            const bool out = (param.type & VT_BYREF) != 0;
            EXPECT_EQ(out, param.direction == ParamDirection::Out) << method.name << " " << param.name;
            const VARTYPE expected = TypeOfPrefix(param.name);
            if (expected != VT_EMPTY) {
                EXPECT_EQ(param.type, expected) << method.name << " " << param.name;
            }
            if (expected == VT_I4) {
                EXPECT_TRUE(param.userType != nullptr && IsEqualGUID(*param.userType, GUID_KelmEnum_ObjType));
            }
        }
    }
}

TEST(DispatchTable, KeepsTheTypeLibrarysIrregularities) {
    const DispatchMethod* exists = FindDispatchMethod(131);
    ASSERT_NE(exists, nullptr);
    EXPECT_STREQ(exists->params[1].name, "i_sExcludedPartitionName");
    EXPECT_EQ(exists->params[1].direction, ParamDirection::None);

    const DispatchMethod* reservation = FindDispatchMethod(u"GetPartitionReservation");
    ASSERT_NE(reservation, nullptr);
    EXPECT_STREQ(reservation->params[2].name, "i_sClientname");
    EXPECT_EQ(reservation->params[2].direction, ParamDirection::Out);
    EXPECT_EQ(reservation->params[2].type, VT_BYREF | VT_BSTR);

    const DispatchMethod* addPart = FindDispatchMethod(142);
    ASSERT_NE(addPart, nullptr);
    EXPECT_EQ(addPart->params[1].type, VT_RECORD);
    EXPECT_TRUE(IsEqualGUID(*addPart->params[1].userType, GUID_KelmStruct_PartType));
    EXPECT_TRUE(IsEqualGUID(*FindDispatchMethod(143)->params[1].userType, GUID_KelmStruct_Cell));
}

TEST(DispatchTable, LookupsIgnoreCaseAndMissNonMembers) {
    EXPECT_EQ(FindDispatchMethod(u"kelmstore_close")->id, 2);
    EXPECT_EQ(FindDispatchMethod(u"Kelmstore_Clos"), nullptr);
    EXPECT_EQ(FindDispatchMethod(u"Kelmstore_Closed"), nullptr);
    EXPECT_EQ(FindDispatchMethod(DISPID{3}), nullptr);
    EXPECT_EQ(FindDispatchMethod(DISPID{0}), nullptr);
    EXPECT_FALSE(SameNameIgnoringCase(u"a_b", "A-B"));
}

}  // namespace
}  // namespace kelm
