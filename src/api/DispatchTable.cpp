#include "api/DispatchTable.h"

#include <utility>

namespace kelm {
namespace {

// Calls an IKelm method with the converted arguments, in declaration order.
template <typename Method>
struct Forwarder;

template <typename... Params>
struct Forwarder<HRESULT (STDMETHODCALLTYPE IKelm::*)(Params...)> {
    template <auto method, std::size_t... index>
    static HRESULT Call(IKelm& self, DispatchArgument* args, std::index_sequence<index...>) {
        return (self.*method)(ArgumentType<Params>::Get(args[index])...);
    }
    template <auto method>
    static HRESULT Call(IKelm& self, DispatchArgument* args) {
        static_assert(sizeof...(Params) <= kMaxDispatchParams);
        return Call<method>(self, args, std::index_sequence_for<Params...>{});
    }
};

template <auto method>
HRESULT Forward(IKelm& self, DispatchArgument* args) {
    return Forwarder<decltype(method)>::template Call<method>(self, args);
}

#define KELM_UNPARENTHESIZED(...) __VA_ARGS__
#define KELM_TABLE_PARAM(direction, type, name) \
    DispatchParam{#name, ArgumentType<type>::kType, ParamDirection::direction, ArgumentType<type>::kUserType}

// The parameters of each method, one array per method, after a placeholder
// (a method may have none).
#define KELM_PARAM_ARRAY(id, name, params) \
    constexpr DispatchParam kParamsOf_##name[] = {DispatchParam{}, KELM_UNPARENTHESIZED params};
KELMAPI_IKELM_METHODS(KELM_PARAM_ARRAY, KELM_TABLE_PARAM)
#undef KELM_PARAM_ARRAY

#define KELM_TABLE_METHOD(id, name, params) \
    DispatchMethod{#name, id, std::span(kParamsOf_##name).subspan(1), &Forward<&IKelm::name>},
constexpr DispatchMethod kTable[] = {KELMAPI_IKELM_METHODS(KELM_TABLE_METHOD, KELM_TABLE_PARAM)};
#undef KELM_TABLE_METHOD
#undef KELM_TABLE_PARAM
#undef KELM_UNPARENTHESIZED

char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

}  // namespace

std::span<const DispatchMethod> KelmDispatchTable() { return kTable; }

const DispatchMethod* FindDispatchMethod(DISPID id) {
    for (const DispatchMethod& method : kTable) {
        if (method.id == id) return &method;
    }
    return nullptr;
}

bool SameNameIgnoringCase(std::u16string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(static_cast<char16_t>(static_cast<unsigned char>(b[i])))) return false;
    }
    return true;
}

const DispatchMethod* FindDispatchMethod(std::u16string_view name) {
    for (const DispatchMethod& method : kTable) {
        if (SameNameIgnoringCase(name, method.name)) return &method;
    }
    return nullptr;
}

}  // namespace kelm
