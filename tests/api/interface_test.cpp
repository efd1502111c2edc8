// The interface is written twice: the method list of kelmapi.h and KelmAPI.idl (the type
// library's source). This holds them equal: order, dispatch identifiers, help strings, parameter
// names, types and directions, and the interface's GUID and dual attributes.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "api/DispatchTable.h"

namespace kelm {
namespace {

std::string ReadIdl() {
    std::ifstream file(std::string(KELM_SOURCE_DIR) + "/src/api/win/KelmAPI.idl");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// A parameter's IDL type in the table's terms.
std::pair<VARTYPE, const GUID*> TypeOf(std::string type) {
    const bool pointer = !type.empty() && type.back() == '*';
    if (pointer) type.pop_back();
    const VARTYPE byRef = pointer ? VT_BYREF : 0;
    if (type == "BSTR") return {static_cast<VARTYPE>(byRef | VT_BSTR), nullptr};
    if (type == "VARIANT_BOOL") return {static_cast<VARTYPE>(byRef | VT_BOOL), nullptr};
    if (type == "long") return {static_cast<VARTYPE>(byRef | VT_I4), nullptr};
    if (type == "SAFEARRAY(BSTR)") return {static_cast<VARTYPE>(byRef | VT_ARRAY | VT_BSTR), nullptr};
    if (type == "KelmEnum_ObjType") return {static_cast<VARTYPE>(byRef | VT_I4), &GUID_KelmEnum_ObjType};
    if (type == "KelmStruct_PartType" && pointer) return {VT_RECORD, &GUID_KelmStruct_PartType};
    if (type == "KelmStruct_Cell" && pointer) return {VT_RECORD, &GUID_KelmStruct_Cell};
    return {VT_EMPTY, nullptr};
}

TEST(Interface, TheIdlDeclaresTheMethodListOfThePublicHeader) {
    const std::string idl = ReadIdl();
    std::smatch found;
    ASSERT_TRUE(
        std::regex_search(idl, found, std::regex(R"(uuid\(([0-9A-F-]+)\),\s*dual,\s*oleautomation,\s*nonextensible,[^\]]*\]\s*interface IKelm : IDispatch)")));
    EXPECT_EQ(KELMAPI_IID_STRING, "{" + found[1].str() + "}");
    const std::regex method(R"re(\[id\((\d+)\), helpstring\("([^"]*)"\)\]\s*HRESULT (\w+)\(([^;]*)\);)re");
    const std::regex param(R"((?:\[(in|out)\])?\s*([^,\[]*\S)\s+(\w+)\s*(?:,|$))");
    const auto table = KelmDispatchTable();
    std::size_t index = 0;
    for (auto it = std::sregex_iterator(idl.begin(), idl.end(), method); it != std::sregex_iterator(); ++it, ++index) {
        const std::smatch& m = *it;
        ASSERT_LT(index, table.size()) << m[3];
        const DispatchMethod& want = table[index];
        SCOPED_TRACE(want.name);
        EXPECT_EQ(want.name, m[3].str());
        EXPECT_EQ(want.id, std::stol(m[1].str()));
        EXPECT_EQ("method " + std::string(want.name), m[2].str());
        const std::string list = m[4].str();
        std::size_t p = 0;
        for (auto at = std::sregex_iterator(list.begin(), list.end(), param); at != std::sregex_iterator(); ++at, ++p) {
            const std::smatch& parts = *at;
            ASSERT_LT(p, want.params.size()) << parts[0];
            const DispatchParam& w = want.params[p];
            EXPECT_EQ(w.name, parts[3].str());
            const ParamDirection direction = parts[1] == "in"    ? ParamDirection::In
                                             : parts[1] == "out" ? ParamDirection::Out
                                                                 : ParamDirection::Plain;
            EXPECT_EQ(w.direction, direction) << w.name;
            const auto [type, userType] = TypeOf(parts[2].str());
            EXPECT_EQ(w.type, type) << w.name << ": " << parts[2];
            EXPECT_EQ(w.userType, userType) << w.name;
        }
        EXPECT_EQ(want.params.size(), p);
    }
    EXPECT_EQ(table.size(), index);
}

}  // namespace
}  // namespace kelm
