// KelmAPI: the public contract of the library automation component.
//
// A client obtains a Kelm object through the module's class factory
// (DllGetClassObject(CLSID_Kelm, IID_IClassFactory, ...) and
// IClassFactory::CreateInstance(nullptr, IID_IKelm, ...)), or on Windows
// through CoCreateInstance with the ProgID "KelmAPI.Kelm", and calls the
// methods of IKelm below. Every method returns a status code; results come
// back through out-parameters that the caller owns and frees.
#pragma once

#include "kelmapi/automation.h"
#include "kelmapi/status.h"

// ------------------------------------------------------------------ GUIDs
// Chosen once; never change them: registered clients depend on them.
#define KELMAPI_DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
    inline constexpr GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}

KELMAPI_DEFINE_GUID(LIBID_KelmAPI, 0xD69D48AB, 0x4089, 0x462A, 0x95, 0xB3, 0xB6, 0xE0, 0x68, 0x20, 0x54, 0x98);
KELMAPI_DEFINE_GUID(CLSID_Kelm, 0xC8521C13, 0x96F8, 0x4351, 0xAD, 0x11, 0x7F, 0x31, 0xF9, 0xA9, 0x4F, 0x08);
KELMAPI_DEFINE_GUID(IID_IKelm, 0x8473DF1D, 0x7A7F, 0x46A4, 0xA9, 0x8B, 0x96, 0x13, 0xC1, 0xC2, 0xC6, 0x2F);
KELMAPI_DEFINE_GUID(GUID_KelmEnum_ObjType, 0xE978CCE5, 0xC057, 0x4F40, 0x89, 0x0D, 0x53, 0x25, 0x56, 0x7F, 0x53, 0x9C);
KELMAPI_DEFINE_GUID(GUID_KelmStruct_PartType, 0x78170032, 0xD3AE, 0x4481, 0xA5, 0x26, 0x82, 0x4B, 0x4B, 0xF6, 0x91, 0xA9);
KELMAPI_DEFINE_GUID(GUID_KelmStruct_LogicSymbol, 0x31A7FD80, 0x8F40, 0x4BE6, 0xAC, 0x41, 0x3D, 0x1F, 0xDA, 0x13, 0x37, 0x45);
KELMAPI_DEFINE_GUID(GUID_KelmStruct_Cell, 0x6A91E8DE, 0x5186, 0x47B1, 0x9F, 0xFC, 0x30, 0x42, 0xCC, 0x66, 0x1C, 0x16);
KELMAPI_DEFINE_GUID(GUID_Kelm_Constants, 0xD8B2DDE0, 0x441A, 0x4AD8, 0x9A, 0x53, 0xAE, 0x75, 0x80, 0x02, 0x66, 0xAB);
KELMAPI_DEFINE_GUID(APPID_KelmAPI, 0xF46CA48F, 0x40E9, 0x46A6, 0xA9, 0xA9, 0xF8, 0x75, 0x4A, 0x95, 0x44, 0x2F);

#define KELMAPI_LIBID_STRING  "{D69D48AB-4089-462A-95B3-B6E068205498}"
#define KELMAPI_CLSID_STRING  "{C8521C13-96F8-4351-AD11-7F31F9A94F08}"
#define KELMAPI_IID_STRING    "{8473DF1D-7A7F-46A4-A98B-9613C1C2C62F}"
#define KELMAPI_APPID_STRING  "{F46CA48F-40E9-46A6-A9A9-F8754A95442F}"
#define KELMAPI_PROGID        "KelmAPI.Kelm.1"
#define KELMAPI_VERSION_INDEPENDENT_PROGID "KelmAPI.Kelm"

// ------------------------------------------------------------------ enumeration
// Kelmstore object types.
enum KelmEnum_ObjType : LONG {
    KelmEnum_ObjType_None = 0,
    KelmEnum_ObjType_LogicSymbol = 1,
    KelmEnum_ObjType_Cell = 2,
    KelmEnum_ObjType_PartType = 3,
};

// ------------------------------------------------------------------ records
// Field order is the type library's; arrays are one-dimensional safe arrays.

// Logic symbol structure.
struct KelmStruct_LogicSymbol {
    LONG m_nTimeStamp;
    BSTR m_sPartitionName;
    BSTR m_sItemSpec;
    BSTR m_sSymbolName;
    SAFEARRAY* m_psarrPins;          // of BSTR
};

// Cell structure.
struct KelmStruct_Cell {
    LONG m_nTimeStamp;
    BSTR m_sPartitionName;
    BSTR m_sItemSpec;
    BSTR m_sCellName;
    SAFEARRAY* m_psarrPins;          // of BSTR
};

// Part type structure.
struct KelmStruct_PartType {
    LONG m_nTimeStamp;
    BSTR m_sPartitionName;
    BSTR m_sItemSpec;
    BSTR m_sPartNumber;
    BSTR m_sPartName;
    BSTR m_sPartLabel;
    BSTR m_sPartType;
    BSTR m_sDescription;
    SAFEARRAY* m_psarrPins;          // of BSTR
    SAFEARRAY* m_psarrLogicSymbols;  // of KelmStruct_LogicSymbol
    SAFEARRAY* m_psarrCells;         // of KelmStruct_Cell
};

// ------------------------------------------------------------------ constants
// Kelm Constants: folder and extension names published to clients.
#define DEF_KELM_FOLDER_LOGICSYMBOL     "SymbolLibs"
#define DEF_KELM_FOLDER_LOGICSYMBOL_SYM "sym"
#define DEF_KELM_FOLDER_CELL            "CellDBLibs"
#define DEF_KELM_FOLDER_PARTTYPE        "PartsDBLibs"
#define DEF_KELM_EXT_LOGICSYMBOL        ".1"
#define DEF_KELM_EXT_CELL               ".cel"
#define DEF_KELM_EXT_PARTTYPE           ".pdb"

// ------------------------------------------------------------------ interface
// IKelm Interface: dual, automation-compatible, non-extensible.
//
// The one list of its 27 methods, in interface (vtable) order:
//   METHOD(dispatch identifier, name, (PARAM(direction, C++ type, name), ...))
// The direction is the one the type library gives: In, Out, or Plain for a
// parameter declared without a direction attribute (automation takes it as
// an input). The interface below, the component's class and its late
// binding are all expanded from this list; KelmAPI.idl says the same for the
// type library, and a test holds the two equal.
#define KELMAPI_IKELM_METHODS(METHOD, PARAM)                                                                    \
    METHOD(1, Kelmstore_Open,                                                                                  \
           (PARAM(In, BSTR, i_sQVMFile), PARAM(In, BSTR, i_sUserName), PARAM(In, VARIANT_BOOL, i_bReadOnly)))  \
    METHOD(2, Kelmstore_Close, ())                                                                             \
    METHOD(100, RunCurator, (PARAM(In, BSTR, i_sQVMFile), PARAM(In, BSTR, i_sFlowType)))                       \
    METHOD(101, RefreshQVMTree,                                                                                \
           (PARAM(In, BSTR, i_sPartitionName), PARAM(In, KelmEnum_ObjType, i_eLibObjType)))                    \
    METHOD(110, ReloadQVM, ())                                                                                 \
    METHOD(111, SaveQVM, ())                                                                                   \
    METHOD(112, ReservePartition,                                                                              \
           (PARAM(In, BSTR, i_sPartitionName), PARAM(In, KelmEnum_ObjType, i_eLibObjType)))                    \
    METHOD(113, UnReservePartition,                                                                            \
           (PARAM(In, BSTR, i_sPartitionName), PARAM(In, KelmEnum_ObjType, i_eLibObjType)))                    \
    METHOD(120, GetSearchScheme_Default, (PARAM(Out, BSTR*, o_psDefaultSearchScheme)))                         \
    METHOD(121, GetSearchScheme_All, (PARAM(Out, SAFEARRAY**, o_psarrSearchSchemes)))                          \
    METHOD(122, GetPartitionList_SearchScheme,                                                                 \
           (PARAM(In, BSTR, i_sSearchScheme), PARAM(In, KelmEnum_ObjType, i_eLibObjType),                      \
            PARAM(In, VARIANT_BOOL, i_bOnlyNames), PARAM(In, VARIANT_BOOL, i_bRemoveFileExtensions),           \
            PARAM(Out, SAFEARRAY**, o_psarrPartitions)))                                                       \
    METHOD(123, GetPartitionList_DefaultSearchScheme,                                                          \
           (PARAM(In, KelmEnum_ObjType, i_eLibObjType), PARAM(In, VARIANT_BOOL, i_bOnlyNames),                 \
            PARAM(In, VARIANT_BOOL, i_bRemoveFileExtensions), PARAM(Out, SAFEARRAY**, o_psarrPartitions)))     \
    METHOD(124, GetPartitionItemsCount,                                                                        \
           (PARAM(In, BSTR, i_sPartitionName), PARAM(In, BSTR, i_sItemFilter),                                 \
            PARAM(In, KelmEnum_ObjType, i_eLibObjType), PARAM(Out, long*, o_pnItemCount)))                     \
    METHOD(125, GetPartitionItems,                                                                             \
           (PARAM(In, BSTR, i_sPartitionName), PARAM(In, BSTR, i_sItemFilter),                                 \
            PARAM(In, KelmEnum_ObjType, i_eLibObjType), PARAM(Out, SAFEARRAY**, o_psarrItems)))                \
    METHOD(130, FindItemPartition,                                                                             \
           (PARAM(In, BSTR, i_sItemName), PARAM(In, KelmEnum_ObjType, i_eLibObjType),                          \
            PARAM(Out, BSTR*, o_psPartitionName)))                                                             \
    METHOD(131, DoesItemExist,                                                                                 \
           (PARAM(In, BSTR, i_sPartitionName), PARAM(Plain, BSTR, i_sExcludedPartitionName),                   \
            PARAM(In, BSTR, i_sItemName), PARAM(In, KelmEnum_ObjType, i_eLibObjType),                          \
            PARAM(Out, VARIANT_BOOL*, o_pbExists)))                                                            \
    METHOD(132, GetPinCount,                                                                                   \
           (PARAM(In, BSTR, i_sPartitionName), PARAM(In, BSTR, i_sItemName),                                   \
            PARAM(In, KelmEnum_ObjType, i_eLibObjType), PARAM(Out, long*, o_pnPinCount)))                      \
    METHOD(133, GetPartsUsingThisCell, (PARAM(In, BSTR, i_sCellName), PARAM(Out, SAFEARRAY**, o_psarrParts)))  \
    METHOD(134, GetPartitionsStoringThisCell,                                                                  \
           (PARAM(In, BSTR, i_sCellName), PARAM(Out, SAFEARRAY**, o_psarrPartitions)))                         \
    METHOD(140, AddPartition,                                                                                  \
           (PARAM(In, BSTR, i_sPartitionName), PARAM(In, KelmEnum_ObjType, i_eLibObjType),                     \
            PARAM(In, VARIANT_BOOL, i_bAddToDefaultSearchScheme)))                                             \
    METHOD(141, DeletePartition,                                                                               \
           (PARAM(In, BSTR, i_sPartitionName), PARAM(In, KelmEnum_ObjType, i_eLibObjType)))                    \
    METHOD(142, AddItemToQVM_Part,                                                                             \
           (PARAM(In, BSTR, i_sPartitionName), PARAM(In, KelmStruct_PartType*, i_pPartType),                   \
            PARAM(In, VARIANT_BOOL, i_bOverwriteIfExists)))                                                    \
    METHOD(143, AddItemToQVM_Cell,                                                                             \
           (PARAM(In, BSTR, i_sPartitionName), PARAM(In, KelmStruct_Cell*, i_pCell),                           \
            PARAM(In, VARIANT_BOOL, i_bOverwriteIfExists)))                                                    \
    METHOD(144, DeleteItemFromQVM,                                                                             \
           (PARAM(In, BSTR, i_sPartitionName), PARAM(In, BSTR, i_sItemName),                                   \
            PARAM(In, KelmEnum_ObjType, i_eLibObjType), PARAM(Out, VARIANT_BOOL*, o_pbNoItemToDelete)))        \
    METHOD(145, CopyItemInQVM,                                                                                 \
           (PARAM(In, BSTR, i_sSrcPartitionName), PARAM(In, BSTR, i_sSrcItemName),                             \
            PARAM(In, BSTR, i_sDestPartitionName), PARAM(In, BSTR, i_sDestItemName),                           \
            PARAM(In, KelmEnum_ObjType, i_eLibObjType), PARAM(In, VARIANT_BOOL, i_bOverwrite),                 \
            PARAM(In, VARIANT_BOOL, i_bMove)))                                                                 \
    METHOD(150, CreateDefaultPadstack,                                                                         \
           (PARAM(In, BSTR, i_sDefaultPadstackName), PARAM(In, BSTR, i_sPadstackDBFile)))                      \
    METHOD(151, GetPartitionReservation,                                                                       \
           (PARAM(In, BSTR, i_sPartitionName), PARAM(In, KelmEnum_ObjType, i_eLibObjType),                     \
            PARAM(Out, BSTR*, i_sClientname)))

// Expansion helpers: a parameter as it is declared.
#define KELMAPI_DECLARE_PARAM(direction, type, name) type name
#define KELMAPI_DECLARE_PURE_METHOD(id, name, params) STDMETHOD(name) params PURE;

struct IKelm : public IDispatch {
    KELMAPI_IKELM_METHODS(KELMAPI_DECLARE_PURE_METHOD, KELMAPI_DECLARE_PARAM)
protected:
    ~IKelm() = default;
};

#if !defined(_WIN32)
// Module entry points of the in-process server (on Windows: objbase.h).
STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
STDAPI DllCanUnloadNow(void);
#endif
