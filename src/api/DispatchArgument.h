// One argument of a late-bound call after conversion, and how each C++
// parameter type of IKelm reads from it. ArgumentType<T> gives, for every
// type that occurs in the method list, its type-library form (type and
// enumeration or record GUID) and the value handed to the vtable.
#pragma once

#include "kelmapi/kelmapi.h"

namespace kelm {

struct DispatchArgument {
    // Inputs, as converted.
    BSTR text = nullptr;
    VARIANT_BOOL flag = VARIANT_FALSE;
    LONG number = 0;
    void* record = nullptr;
    // Out-parameters: where the method writes. These point either at the
    // caller's typed reference or at the slots below (a number always goes
    // through `count`, as IKelm's counts are `long`, wider than LONG off
    // Windows).
    BSTR* outText = nullptr;
    VARIANT_BOOL* outFlag = nullptr;
    long* outCount = nullptr;
    SAFEARRAY** outArray = nullptr;
    // Slots for results that are copied to the caller after the call.
    BSTR textSlot = nullptr;
    VARIANT_BOOL flagSlot = VARIANT_FALSE;
    long count = 0;
    SAFEARRAY* arraySlot = nullptr;
};

template <typename T>
struct ArgumentType;

template <>
struct ArgumentType<BSTR> {
    static constexpr VARTYPE kType = VT_BSTR;
    static constexpr const GUID* kUserType = nullptr;
    static BSTR Get(DispatchArgument& a) { return a.text; }
};
template <>
struct ArgumentType<VARIANT_BOOL> {
    static constexpr VARTYPE kType = VT_BOOL;
    static constexpr const GUID* kUserType = nullptr;
    static VARIANT_BOOL Get(DispatchArgument& a) { return a.flag; }
};
template <>
struct ArgumentType<KelmEnum_ObjType> {
    static constexpr VARTYPE kType = VT_I4;
    static constexpr const GUID* kUserType = &GUID_KelmEnum_ObjType;
    static KelmEnum_ObjType Get(DispatchArgument& a) { return static_cast<KelmEnum_ObjType>(a.number); }
};
template <>
struct ArgumentType<KelmStruct_PartType*> {
    static constexpr VARTYPE kType = VT_RECORD;
    static constexpr const GUID* kUserType = &GUID_KelmStruct_PartType;
    static KelmStruct_PartType* Get(DispatchArgument& a) { return static_cast<KelmStruct_PartType*>(a.record); }
};
template <>
struct ArgumentType<KelmStruct_Cell*> {
    static constexpr VARTYPE kType = VT_RECORD;
    static constexpr const GUID* kUserType = &GUID_KelmStruct_Cell;
    static KelmStruct_Cell* Get(DispatchArgument& a) { return static_cast<KelmStruct_Cell*>(a.record); }
};
template <>
struct ArgumentType<BSTR*> {
    static constexpr VARTYPE kType = VT_BYREF | VT_BSTR;
    static constexpr const GUID* kUserType = nullptr;
    static BSTR* Get(DispatchArgument& a) { return a.outText; }
};
template <>
struct ArgumentType<VARIANT_BOOL*> {
    static constexpr VARTYPE kType = VT_BYREF | VT_BOOL;
    static constexpr const GUID* kUserType = nullptr;
    static VARIANT_BOOL* Get(DispatchArgument& a) { return a.outFlag; }
};
template <>
struct ArgumentType<long*> {
    static constexpr VARTYPE kType = VT_BYREF | VT_I4;
    static constexpr const GUID* kUserType = nullptr;
    static long* Get(DispatchArgument& a) { return a.outCount; }
};
template <>
struct ArgumentType<SAFEARRAY**> {
    static constexpr VARTYPE kType = VT_BYREF | VT_ARRAY | VT_BSTR;
    static constexpr const GUID* kUserType = nullptr;
    static SAFEARRAY** Get(DispatchArgument& a) { return a.outArray; }
};

}  // namespace kelm
