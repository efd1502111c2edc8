#include "support/LateBinding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <variant>
#include <vector>

#include "api/LastFailure.h"
#include "platform/CodePage.h"
#include "support/ImportRecords.h"
#include "util/AutoTypes.h"

namespace kelm::testing {
namespace {

AutoBstr Bstr(const std::string& text) { return AutoBstr(platform::AnsiToBstr(text)); }
std::string Text(BSTR text) { return platform::BstrToAnsi(text); }

// The strings of an array of strings or of VARIANTs holding strings, indexed from 0.
std::string Joined(SAFEARRAY* strings) {
    if (strings == nullptr) return "";
    EXPECT_EQ(0, strings->rgsabound[0].lLbound);
    VARTYPE type = VT_EMPTY;
    SafeArrayGetVartype(strings, &type);
    std::string joined;
    SafeArrayDataLock lock(strings);
    for (ULONG i = 0; i < strings->rgsabound[0].cElements; ++i) {
        const BSTR text = type == VT_VARIANT ? lock.data<VARIANT>()[i].bstrVal : lock.data<BSTR>()[i];
        joined += (i ? "|" : "") + Text(text);
    }
    return joined;
}

// The out-parameter of one call, in either style: a typed reference into
// `m_typed` (which starts null, -77 or 5) or a reference to `m_variant`
// (which starts holding "junk").
class Out {
public:
    explicit Out(VARTYPE type) : m_type(type) {
        VariantInit(&m_variant);
        m_variant.vt = VT_BSTR;  // something to clear: the result replaces it
        m_variant.bstrVal = SysAllocString(kJunk);
        VariantInit(&m_typed);
        m_typed.vt = static_cast<VARTYPE>(type & ~VT_BYREF);  // so that clearing frees what the method wrote
        if (type == (VT_BYREF | VT_I4)) m_typed.lVal = -77;
        if (type == (VT_BYREF | VT_BOOL)) m_typed.boolVal = 5;
    }
    Out(const Out&) = delete;
    Out& operator=(const Out&) = delete;
    ~Out() {
        VariantClear(&m_variant);
        VariantClear(&m_typed);
    }
    VARIANT Reference(OutStyle style) {
        VARIANT arg;
        VariantInit(&arg);
        arg.vt = style == OutStyle::Variant ? static_cast<VARTYPE>(VT_BYREF | VT_VARIANT) : m_type;
        arg.byref = style == OutStyle::Variant ? static_cast<void*>(&m_variant) : static_cast<void*>(&m_typed.llVal);
        return arg;
    }
    // The result as text; "untouched" when a VARIANT still holds what it held.
    std::string Render(OutStyle style) const {
        const VARIANT& v = style == OutStyle::Variant ? m_variant : m_typed;
        if (style == OutStyle::Variant) {
            if (v.vt == VT_BSTR && Text(v.bstrVal) == "junk") return "untouched";
            // A list arrives as an array of VARIANTs holding strings.
            const VARTYPE list = VT_BYREF | VT_ARRAY | VT_BSTR;
            EXPECT_EQ(m_type == list ? VT_ARRAY | VT_VARIANT : m_type & ~VT_BYREF, v.vt);
        }
        switch (m_type) {
            case VT_BYREF | VT_BSTR: return Text(v.bstrVal);
            case VT_BYREF | VT_I4: return std::to_string(v.lVal);
            case VT_BYREF | VT_BOOL: return v.boolVal == VARIANT_TRUE ? "true" : v.boolVal == VARIANT_FALSE ? "false" : "?";
            default: return Joined(v.parray);
        }
    }

private:
    static constexpr OLECHAR kJunk[] = {'j', 'u', 'n', 'k', 0};
    VARTYPE m_type;
    VARIANT m_variant, m_typed;
};

using In = std::variant<std::string, KelmEnum_ObjType, VARIANT_BOOL, KelmStruct_Cell*, KelmStruct_PartType*>;
struct Call {
    const char* method;
    std::vector<In> in;
    HRESULT status;   // as the method returns it
    std::string out;  // the out-parameter rendered; empty for methods without one
    std::string says = "";  // words a failure's description holds
};

constexpr KelmEnum_ObjType kSymbol = KelmEnum_ObjType_LogicSymbol, kCell = KelmEnum_ObjType_Cell,
                           kPart = KelmEnum_ObjType_PartType;
constexpr VARIANT_BOOL T = VARIANT_TRUE, N = VARIANT_FALSE;

// The import records: a cell with two pins, and a part whose one cell
// record (QFN16, whose geometry is in Smd.cel) gives it three pins.
struct Records : ImportRecords {
    Records() {
        GetRecordInfoFromGuids(LIBID_KelmAPI, 1, 0, 0x409, GUID_KelmStruct_Cell, cellInfo.Out());
        GetRecordInfoFromGuids(LIBID_KelmAPI, 1, 0, 0x409, GUID_KelmStruct_PartType, partInfo.Out());
        part.m_psarrCells = Cells({Cell("QFN16", StringList{"1", "2", "3"})});
    }
    ComPtr<IRecordInfo> cellInfo, partInfo;
    KelmStruct_Cell cell = Cell("QFN16", StringList{"1", "2"});
    KelmStruct_PartType part = Part("P-QFN16");
};

}  // namespace

Invoker ThroughInvoke(IDispatch* dispatch) {
    return [dispatch](const DispatchMethod& method, DISPPARAMS& params, EXCEPINFO& error, UINT& argErr) {
        std::basic_string<OLECHAR> name(method.name, method.name + std::char_traits<char>::length(method.name));
        LPOLESTR names[] = {name.data()};
        DISPID id = 0;
        EXPECT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
        EXPECT_EQ(method.id, id);
        return dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, &error, &argErr);
    };
}

void ExpectEveryMethodLateBound(const Invoker& invoke, const std::string& folder, OutStyle style, IKelm* described) {
    Records records;
    const std::vector<Call> calls = {
        {"Kelmstore_Open", {folder + "Demo.txt", "alice", N}, E_INVALIDARG, "", "does not end in \".qvm\""},
        {"Kelmstore_Open", {folder + "Missing.qvm", "alice", N}, E_FAIL, "",
         "Kelmstore_Open failed for library \"" + folder + "Missing.qvm\", user \"alice\": the library file does not exist."},
        {"GetSearchScheme_Default", {}, E_FAIL, "", "no library is open"},
        {"Kelmstore_Open", {folder + "Demo.qvm", "alice", N}, S_OK, ""},
        {"GetSearchScheme_Default", {}, S_OK, "(Default)"},
        {"GetSearchScheme_All", {}, S_OK, "(Default)|Smd only"},
        {"GetPartitionList_SearchScheme", {"Smd only", kPart, T, T}, S_OK, "Resistors|Capacitors"},
        {"GetPartitionList_DefaultSearchScheme", {kPart, T, T}, S_OK, "Resistors|Capacitors|Logic"},
        {"GetPartitionItemsCount", {"Resistors", "*", kPart}, S_OK, "2"},
        {"GetPartitionItems", {"Gates", "*", kSymbol}, S_OK, "Gates:INV|Gates:NAND2"},
        {"FindItemPartition", {"DIP14", kCell}, S_OK, "Thru"},
        {"FindItemPartition", {"NOPE", kCell}, E_FAIL, "", "item \"NOPE\" (cells)"},
        {"GetPartitionItems", {"Resistors", "*", KelmEnum_ObjType(7)}, E_FAIL, "",
         "partition \"Resistors\", filter \"*\" (object kind 7): object kind 7 is none of"},
        {"DoesItemExist", {"", "Thru", "DIP14", kCell}, S_OK, "false"},
        {"DoesItemExist", {"", "", "DIP14", kCell}, S_OK, "true"},
        {"GetPinCount", {"", "SN74HC00", kPart}, S_OK, "14"},
        {"GetPartsUsingThisCell", {"SOIC14"}, S_OK, "SN74HC00|SN74HC04"},
        {"GetPartitionsStoringThisCell", {"SOIC14"}, S_OK, "Smd"},
        {"RunCurator", {folder + "Demo.qvm", "verify"}, E_FAIL, ""},
        {"RefreshQVMTree", {"Smd", kCell}, E_FAIL, ""},
        {"ReservePartition", {"Smd", kCell}, S_OK, ""},
        {"GetPartitionReservation", {"Smd", kCell}, S_OK, "alice"},
        {"AddItemToQVM_Cell", {"Smd", &records.cell, T}, S_OK, ""},
        {"GetPinCount", {"Smd", "QFN16", kCell}, S_OK, "17"},
        {"AddPartition", {"Extra", kPart, T}, S_OK, ""},
        {"AddPartition", {"extra", kPart, T}, S_FALSE, ""},
        {"ReservePartition", {"Extra", kPart}, S_OK, ""},
        {"AddItemToQVM_Part", {"Extra", &records.part, N}, S_OK, ""},
        {"AddItemToQVM_Part", {"Extra", &records.part, N}, E_FAIL, ""},
        {"GetPinCount", {"Extra", "P-QFN16", kPart}, S_OK, "3"},
        {"CopyItemInQVM", {"Resistors", "R-0603-10K", "Extra", "R-COPY", kPart, N, N}, S_OK, ""},
        {"GetPartitionItems", {"Extra", "*", kPart}, S_OK, "P-QFN16|R-COPY"},
        {"DeleteItemFromQVM", {"Extra", "R-COPY", kPart}, S_OK, "false"},
        {"DeleteItemFromQVM", {"Extra", "R-COPY", kPart}, KELM_E_ITEM_EXISTS_OR_MISSING, "true"},
        {"CreateDefaultPadstack", {"pad-new", folder + "Demo.pads"}, S_OK, ""},
        {"UnReservePartition", {"Smd", kCell}, S_OK, ""},
        {"GetPartitionReservation", {"Smd", kCell}, S_OK, ""},
        {"UnReservePartition", {"Extra", kPart}, S_OK, ""},
        {"DeletePartition", {"Extra", kPart}, S_OK, ""},
        {"DeletePartition", {"Extra", kPart}, S_FALSE, ""},
        {"SaveQVM", {}, S_OK, ""},
        {"ReloadQVM", {}, S_OK, ""},
        {"GetPartitionItemsCount", {"Smd", "QFN*", kCell}, S_OK, "1"},
        {"Kelmstore_Close", {}, S_OK, ""},
        {"SaveQVM", {}, E_FAIL, ""},
    };
    std::set<std::string> called;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const Call& call = calls[i];
        SCOPED_TRACE(::testing::Message() << "call " << i << ": " << call.method);
        const std::string name = call.method;
        const DispatchMethod* method = FindDispatchMethod(std::u16string(name.begin(), name.end()));
        ASSERT_NE(nullptr, method);
        called.insert(call.method);
        std::vector<AutoBstr> strings;
        std::optional<Out> out;  // a method has at most one
        std::vector<VARIANT> args;
        auto next = call.in.begin();
        for (const DispatchParam& param : method->params) {
            VARIANT v;
            VariantInit(&v);
            if (param.direction == ParamDirection::Out) {
                v = out.emplace(param.type).Reference(style);
            } else if (auto* text = std::get_if<std::string>(&*next)) {
                strings.push_back(Bstr(*text));
                v.vt = VT_BSTR;
                v.bstrVal = strings.back().get();
            } else if (auto* kind = std::get_if<KelmEnum_ObjType>(&*next)) {
                v.vt = VT_I4;
                v.lVal = *kind;
            } else if (auto* flag = std::get_if<VARIANT_BOOL>(&*next)) {
                v.vt = VT_BOOL;
                v.boolVal = *flag;
            } else {
                const bool isCell = std::holds_alternative<KelmStruct_Cell*>(*next);
                v.vt = VT_RECORD;
                v.pRecInfo = isCell ? records.cellInfo.get() : records.partInfo.get();
                v.pvRecord = isCell ? static_cast<void*>(std::get<KelmStruct_Cell*>(*next))
                                    : static_cast<void*>(std::get<KelmStruct_PartType*>(*next));
            }
            if (param.direction != ParamDirection::Out) ++next;
            args.push_back(v);
        }
        std::reverse(args.begin(), args.end());
        DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        EXCEPINFO error{};
        UINT argErr = 0;
        const HRESULT hr = invoke(*method, params, error, argErr);
        if (FAILED(call.status)) {
            // A failed method comes back as an exception that says what failed.
            EXPECT_EQ(DISP_E_EXCEPTION, hr);
            EXPECT_EQ(call.status, error.scode);
            const std::string description = Text(error.bstrDescription);
            if (described != nullptr) {
                EXPECT_EQ("KelmAPI.Kelm", Text(error.bstrSource));
                EXPECT_EQ(0u, description.rfind(std::string(call.method) + " failed", 0)) << description;
                EXPECT_NE(std::string::npos, description.find(call.says)) << description;
                EXPECT_EQ('.', description.back());
                EXPECT_EQ(description, LastFailureDescription(described, call.status));  // what the kelm tool prints
                EXPECT_EQ("", LastFailureDescription(described, E_OUTOFMEMORY));
            }
        } else {
            EXPECT_EQ(S_OK, hr) << std::hex << hr;  // S_FALSE is no error to a late-bound caller
        }
        SysFreeString(error.bstrSource);
        SysFreeString(error.bstrDescription);
        SysFreeString(error.bstrHelpFile);
        // A VARIANT receives a result only from a method that succeeded.
        if (out) {
            EXPECT_EQ(style == OutStyle::Variant && FAILED(call.status) ? "untouched" : call.out, out->Render(style));
        }
    }
    EXPECT_EQ(KelmDispatchTable().size(), called.size());  // every method
}

}  // namespace kelm::testing
