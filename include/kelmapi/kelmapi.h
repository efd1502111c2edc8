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
// IKelm Interface: dual, automation-compatible, non-extensible. The comment
// before each method is its dispatch identifier.
struct IKelm : public IDispatch {
    /*   1 */ STDMETHOD(Kelmstore_Open)(BSTR i_sQVMFile, BSTR i_sUserName, VARIANT_BOOL i_bReadOnly) PURE;
    /*   2 */ STDMETHOD(Kelmstore_Close)() PURE;
    /* 100 */ STDMETHOD(RunCurator)(BSTR i_sQVMFile, BSTR i_sFlowType) PURE;
    /* 101 */ STDMETHOD(RefreshQVMTree)(BSTR i_sPartitionName, KelmEnum_ObjType i_eLibObjType) PURE;
    /* 110 */ STDMETHOD(ReloadQVM)() PURE;
    /* 111 */ STDMETHOD(SaveQVM)() PURE;
    /* 112 */ STDMETHOD(ReservePartition)(BSTR i_sPartitionName, KelmEnum_ObjType i_eLibObjType) PURE;
    /* 113 */ STDMETHOD(UnReservePartition)(BSTR i_sPartitionName, KelmEnum_ObjType i_eLibObjType) PURE;
    /* 120 */ STDMETHOD(GetSearchScheme_Default)(BSTR* o_psDefaultSearchScheme) PURE;
    /* 121 */ STDMETHOD(GetSearchScheme_All)(SAFEARRAY** o_psarrSearchSchemes) PURE;
    /* 122 */ STDMETHOD(GetPartitionList_SearchScheme)(BSTR i_sSearchScheme, KelmEnum_ObjType i_eLibObjType,
                                                       VARIANT_BOOL i_bOnlyNames, VARIANT_BOOL i_bRemoveFileExtensions,
                                                       SAFEARRAY** o_psarrPartitions) PURE;
    /* 123 */ STDMETHOD(GetPartitionList_DefaultSearchScheme)(KelmEnum_ObjType i_eLibObjType, VARIANT_BOOL i_bOnlyNames,
                                                              VARIANT_BOOL i_bRemoveFileExtensions,
                                                              SAFEARRAY** o_psarrPartitions) PURE;
    /* 124 */ STDMETHOD(GetPartitionItemsCount)(BSTR i_sPartitionName, BSTR i_sItemFilter,
                                                KelmEnum_ObjType i_eLibObjType, long* o_pnItemCount) PURE;
    /* 125 */ STDMETHOD(GetPartitionItems)(BSTR i_sPartitionName, BSTR i_sItemFilter,
                                           KelmEnum_ObjType i_eLibObjType, SAFEARRAY** o_psarrItems) PURE;
    /* 130 */ STDMETHOD(FindItemPartition)(BSTR i_sItemName, KelmEnum_ObjType i_eLibObjType,
                                           BSTR* o_psPartitionName) PURE;
    /* 131 */ STDMETHOD(DoesItemExist)(BSTR i_sPartitionName, BSTR i_sExcludedPartitionName, BSTR i_sItemName,
                                       KelmEnum_ObjType i_eLibObjType, VARIANT_BOOL* o_pbExists) PURE;
    /* 132 */ STDMETHOD(GetPinCount)(BSTR i_sPartitionName, BSTR i_sItemName, KelmEnum_ObjType i_eLibObjType,
                                     long* o_pnPinCount) PURE;
    /* 133 */ STDMETHOD(GetPartsUsingThisCell)(BSTR i_sCellName, SAFEARRAY** o_psarrParts) PURE;
    /* 134 */ STDMETHOD(GetPartitionsStoringThisCell)(BSTR i_sCellName, SAFEARRAY** o_psarrPartitions) PURE;
    /* 140 */ STDMETHOD(AddPartition)(BSTR i_sPartitionName, KelmEnum_ObjType i_eLibObjType,
                                      VARIANT_BOOL i_bAddToDefaultSearchScheme) PURE;
    /* 141 */ STDMETHOD(DeletePartition)(BSTR i_sPartitionName, KelmEnum_ObjType i_eLibObjType) PURE;
    /* 142 */ STDMETHOD(AddItemToQVM_Part)(BSTR i_sPartitionName, KelmStruct_PartType* i_pPartType,
                                           VARIANT_BOOL i_bOverwriteIfExists) PURE;
    /* 143 */ STDMETHOD(AddItemToQVM_Cell)(BSTR i_sPartitionName, KelmStruct_Cell* i_pCell,
                                           VARIANT_BOOL i_bOverwriteIfExists) PURE;
    /* 144 */ STDMETHOD(DeleteItemFromQVM)(BSTR i_sPartitionName, BSTR i_sItemName, KelmEnum_ObjType i_eLibObjType,
                                           VARIANT_BOOL* o_pbNoItemToDelete) PURE;
    /* 145 */ STDMETHOD(CopyItemInQVM)(BSTR i_sSrcPartitionName, BSTR i_sSrcItemName, BSTR i_sDestPartitionName,
                                       BSTR i_sDestItemName, KelmEnum_ObjType i_eLibObjType,
                                       VARIANT_BOOL i_bOverwrite, VARIANT_BOOL i_bMove) PURE;
    /* 150 */ STDMETHOD(CreateDefaultPadstack)(BSTR i_sDefaultPadstackName, BSTR i_sPadstackDBFile) PURE;
    /* 151 */ STDMETHOD(GetPartitionReservation)(BSTR i_sPartitionName, KelmEnum_ObjType i_eLibObjType,
                                                 BSTR* i_sClientname) PURE;
protected:
    ~IKelm() = default;
};

#if !defined(_WIN32)
// Module entry points of the in-process server (on Windows: objbase.h).
STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
STDAPI DllCanUnloadNow(void);
#endif
