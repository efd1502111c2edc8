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

// A parameter type's automation type, the GUID of its enumeration or record
// (none for the others), and the member of DispatchArgument it reads.
template <typename T, VARTYPE Type, auto Member, const GUID* UserType = nullptr>
struct ArgumentSlot {
    static constexpr VARTYPE kType = Type;
    static constexpr const GUID* kUserType = UserType;
    static T Get(DispatchArgument& a) { return static_cast<T>(a.*Member); }
};

template <>
struct ArgumentType<BSTR> : ArgumentSlot<BSTR, VT_BSTR, &DispatchArgument::text> {};
template <>
struct ArgumentType<VARIANT_BOOL> : ArgumentSlot<VARIANT_BOOL, VT_BOOL, &DispatchArgument::flag> {};
template <>
struct ArgumentType<KelmEnum_ObjType>
    : ArgumentSlot<KelmEnum_ObjType, VT_I4, &DispatchArgument::number, &GUID_KelmEnum_ObjType> {};
template <>
struct ArgumentType<KelmStruct_PartType*>
    : ArgumentSlot<KelmStruct_PartType*, VT_RECORD, &DispatchArgument::record, &GUID_KelmStruct_PartType> {};
template <>
struct ArgumentType<KelmStruct_Cell*>
    : ArgumentSlot<KelmStruct_Cell*, VT_RECORD, &DispatchArgument::record, &GUID_KelmStruct_Cell> {};
template <>
struct ArgumentType<BSTR*> : ArgumentSlot<BSTR*, VT_BYREF | VT_BSTR, &DispatchArgument::outText> {};
template <>
struct ArgumentType<VARIANT_BOOL*> : ArgumentSlot<VARIANT_BOOL*, VT_BYREF | VT_BOOL, &DispatchArgument::outFlag> {};
template <>
struct ArgumentType<long*> : ArgumentSlot<long*, VT_BYREF | VT_I4, &DispatchArgument::outCount> {};
template <>
struct ArgumentType<SAFEARRAY**>
    : ArgumentSlot<SAFEARRAY**, VT_BYREF | VT_ARRAY | VT_BSTR, &DispatchArgument::outArray> {};

}  // namespace kelm
