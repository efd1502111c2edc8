// Windows automation names for KelmAPI clients and for the component itself.
//
// On Windows this header only pulls in the system headers (oleaut32 supplies
// the functions). Everywhere else it declares the same names with the same
// meaning, implemented by libkelmapi, so that a client written for Windows
// compiles unchanged:
//   - BSTR is a length-prefixed UTF-16 string (OLECHAR is char16_t); a null
//     BSTR is the empty string; SysStringLen counts embedded NULs.
//   - SAFEARRAY keeps its bounds, element size, feature flags and lock count;
//     arrays of BSTR, VARIANT, IUnknown/IDispatch and records are cleaned by
//     SafeArrayDestroy; a locked array cannot be destroyed.
//   - VARIANT is the usual tagged union; VariantClear frees what it owns (a
//     VT_RECORD variant owns a record made by IRecordInfo::RecordCreate).
//   - GetRecordInfoFromGuids knows the three records of KelmAPI 1.0.
//   - IUnknown, IClassFactory, IDispatch and IRecordInfo have the Windows
//     method order, so that vtables line up with Windows clients' code.
#pragma once

#if defined(_WIN32)

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <oaidl.h>
#include <objbase.h>
#include <oleauto.h>

#else  // ------------------------------------------------------------ POSIX

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(KELMAPI_BUILDING)
#define KELMAPI_EXPORT __attribute__((visibility("default")))
#else
#define KELMAPI_EXPORT
#endif

// Basic types, with the widths they have on Windows.
typedef std::uint8_t  BYTE;
typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef std::int16_t  SHORT;
typedef std::uint16_t USHORT;
typedef std::int32_t  LONG;
typedef std::uint32_t ULONG;
typedef std::int64_t  LONGLONG;
typedef std::uint64_t ULONGLONG;
typedef int           INT;
typedef unsigned int  UINT;
typedef int           BOOL;
typedef char          CHAR;
typedef float         FLOAT;
typedef double        DOUBLE;
typedef double        DATE;
typedef void*         PVOID;
typedef void*         LPVOID;
typedef DWORD         LCID;
typedef LONG          DISPID;
typedef LONG          MEMBERID;
typedef LONG          SCODE;
typedef std::int32_t  HRESULT;
typedef USHORT        VARTYPE;
typedef SHORT         VARIANT_BOOL;
typedef char16_t      OLECHAR;
typedef OLECHAR*      LPOLESTR;
typedef const OLECHAR* LPCOLESTR;
typedef OLECHAR*      BSTR;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define VARIANT_TRUE  ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

#define STDMETHODCALLTYPE
#define STDAPICALLTYPE
#define STDMETHOD(name)       virtual HRESULT STDMETHODCALLTYPE name
#define STDMETHOD_(t, name)   virtual t STDMETHODCALLTYPE name
#define STDMETHODIMP          HRESULT STDMETHODCALLTYPE
#define STDMETHODIMP_(t)      t STDMETHODCALLTYPE
#define STDAPI                extern "C" KELMAPI_EXPORT HRESULT STDAPICALLTYPE
#define PURE                  = 0

// Status codes.
#define _HRESULT_TYPEDEF_(v) ((HRESULT)(v))
#define S_OK                       _HRESULT_TYPEDEF_(0x00000000L)
#define S_FALSE                    _HRESULT_TYPEDEF_(0x00000001L)
#define E_NOTIMPL                  _HRESULT_TYPEDEF_(0x80004001L)
#define E_NOINTERFACE              _HRESULT_TYPEDEF_(0x80004002L)
#define E_POINTER                  _HRESULT_TYPEDEF_(0x80004003L)
#define E_ABORT                    _HRESULT_TYPEDEF_(0x80004004L)
#define E_FAIL                     _HRESULT_TYPEDEF_(0x80004005L)
#define E_UNEXPECTED               _HRESULT_TYPEDEF_(0x8000FFFFL)
#define E_ACCESSDENIED             _HRESULT_TYPEDEF_(0x80070005L)
#define E_OUTOFMEMORY              _HRESULT_TYPEDEF_(0x8007000EL)
#define E_INVALIDARG               _HRESULT_TYPEDEF_(0x80070057L)
#define CLASS_E_NOAGGREGATION      _HRESULT_TYPEDEF_(0x80040110L)
#define CLASS_E_CLASSNOTAVAILABLE  _HRESULT_TYPEDEF_(0x80040111L)
#define SELFREG_E_CLASS            _HRESULT_TYPEDEF_(0x80040201L)
#define DISP_E_UNKNOWNINTERFACE    _HRESULT_TYPEDEF_(0x80020001L)
#define DISP_E_MEMBERNOTFOUND      _HRESULT_TYPEDEF_(0x80020003L)
#define DISP_E_PARAMNOTFOUND       _HRESULT_TYPEDEF_(0x80020004L)
#define DISP_E_TYPEMISMATCH        _HRESULT_TYPEDEF_(0x80020005L)
#define DISP_E_UNKNOWNNAME         _HRESULT_TYPEDEF_(0x80020006L)
#define DISP_E_NONAMEDARGS         _HRESULT_TYPEDEF_(0x80020007L)
#define DISP_E_BADVARTYPE          _HRESULT_TYPEDEF_(0x80020008L)
#define DISP_E_EXCEPTION           _HRESULT_TYPEDEF_(0x80020009L)
#define DISP_E_OVERFLOW            _HRESULT_TYPEDEF_(0x8002000AL)
#define DISP_E_BADINDEX            _HRESULT_TYPEDEF_(0x8002000BL)
#define DISP_E_ARRAYISLOCKED       _HRESULT_TYPEDEF_(0x8002000DL)
#define DISP_E_BADPARAMCOUNT       _HRESULT_TYPEDEF_(0x8002000EL)
#define DISP_E_PARAMNOTOPTIONAL    _HRESULT_TYPEDEF_(0x8002000FL)
#define TYPE_E_LIBNOTREGISTERED    _HRESULT_TYPEDEF_(0x8002801DL)
#define TYPE_E_ELEMENTNOTFOUND     _HRESULT_TYPEDEF_(0x8002802BL)

#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr)    (((HRESULT)(hr)) < 0)

// GUIDs.
struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t  Data4[8];
};
typedef GUID IID;
typedef GUID CLSID;
typedef const GUID& REFGUID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;

inline bool IsEqualGUID(REFGUID a, REFGUID b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool operator==(REFGUID a, REFGUID b) { return IsEqualGUID(a, b); }
inline bool operator!=(REFGUID a, REFGUID b) { return !IsEqualGUID(a, b); }
#define IsEqualIID(a, b)   IsEqualGUID(a, b)
#define IsEqualCLSID(a, b) IsEqualGUID(a, b)

inline constexpr IID IID_NULL         = {0x00000000, 0x0000, 0x0000, {0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr IID IID_IUnknown     = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IDispatch    = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IRecordInfo  = {0x0000002F, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Variant types and array features.
enum VARENUM : VARTYPE {
    VT_EMPTY = 0, VT_NULL = 1, VT_I2 = 2, VT_I4 = 3, VT_R4 = 4, VT_R8 = 5, VT_CY = 6,
    VT_DATE = 7, VT_BSTR = 8, VT_DISPATCH = 9, VT_ERROR = 10, VT_BOOL = 11,
    VT_VARIANT = 12, VT_UNKNOWN = 13, VT_DECIMAL = 14, VT_I1 = 16, VT_UI1 = 17,
    VT_UI2 = 18, VT_UI4 = 19, VT_I8 = 20, VT_UI8 = 21, VT_INT = 22, VT_UINT = 23,
    VT_VOID = 24, VT_HRESULT = 25, VT_SAFEARRAY = 27, VT_USERDEFINED = 29,
    VT_RECORD = 36,
    VT_ARRAY = 0x2000, VT_BYREF = 0x4000, VT_TYPEMASK = 0x0FFF
};

#define FADF_AUTO        0x0001
#define FADF_STATIC      0x0002
#define FADF_EMBEDDED    0x0004
#define FADF_FIXEDSIZE   0x0010
#define FADF_RECORD      0x0020
#define FADF_HAVEIID     0x0040
#define FADF_HAVEVARTYPE 0x0080
#define FADF_BSTR        0x0100
#define FADF_UNKNOWN     0x0200
#define FADF_DISPATCH    0x0400
#define FADF_VARIANT     0x0800

struct SAFEARRAYBOUND {
    ULONG cElements;
    LONG  lLbound;
};

struct SAFEARRAY {
    USHORT cDims;
    USHORT fFeatures;
    ULONG  cbElements;
    ULONG  cLocks;
    PVOID  pvData;
    SAFEARRAYBOUND rgsabound[1];  // cDims bounds; the first declared dimension is last
};
typedef SAFEARRAY* LPSAFEARRAY;

struct IUnknown;
struct IDispatch;
struct IRecordInfo;
struct ITypeInfo;  // never implemented off Windows: GetTypeInfo answers E_NOTIMPL

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONGLONG llVal;
        LONG lVal;
        BYTE bVal;
        SHORT iVal;
        FLOAT fltVal;
        DOUBLE dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        DATE date;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        SAFEARRAY* parray;
        BYTE* pbVal;
        SHORT* piVal;
        LONG* plVal;
        VARIANT_BOOL* pboolVal;
        SCODE* pscode;
        BSTR* pbstrVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        SAFEARRAY** pparray;
        VARIANT* pvarVal;
        PVOID byref;
        CHAR cVal;
        USHORT uiVal;
        ULONG ulVal;
        ULONGLONG ullVal;
        INT intVal;
        UINT uintVal;
        struct {
            PVOID pvRecord;
            IRecordInfo* pRecInfo;
        };
    };
};
typedef VARIANT VARIANTARG;

#define V_VT(v)       ((v)->vt)
#define V_BSTR(v)     ((v)->bstrVal)
#define V_I4(v)       ((v)->lVal)
#define V_BOOL(v)     ((v)->boolVal)
#define V_ARRAY(v)    ((v)->parray)
#define V_UNKNOWN(v)  ((v)->punkVal)
#define V_DISPATCH(v) ((v)->pdispVal)
#define V_RECORD(v)   ((v)->pvRecord)
#define V_RECORDINFO(v) ((v)->pRecInfo)

struct DISPPARAMS {
    VARIANTARG* rgvarg;        // arguments in reverse order
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

struct EXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    PVOID pvReserved;
    HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
    SCODE scode;
};

#define DISPATCH_METHOD         0x1
#define DISPATCH_PROPERTYGET    0x2
#define DISPATCH_PROPERTYPUT    0x4
#define DISPATCH_PROPERTYPUTREF 0x8
#define DISPID_UNKNOWN          (-1)
#define LOCALE_USER_DEFAULT     0x0400
#define LOCALE_SYSTEM_DEFAULT   0x0800

// Interfaces, in the Windows method order.
struct IUnknown {
    STDMETHOD(QueryInterface)(REFIID riid, void** ppvObject) PURE;
    STDMETHOD_(ULONG, AddRef)() PURE;
    STDMETHOD_(ULONG, Release)() PURE;
protected:
    ~IUnknown() = default;
};

struct IClassFactory : IUnknown {
    STDMETHOD(CreateInstance)(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) PURE;
    STDMETHOD(LockServer)(BOOL fLock) PURE;
protected:
    ~IClassFactory() = default;
};

struct IDispatch : IUnknown {
    STDMETHOD(GetTypeInfoCount)(UINT* pctinfo) PURE;
    STDMETHOD(GetTypeInfo)(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) PURE;
    STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                             DISPID* rgDispId) PURE;
    STDMETHOD(Invoke)(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                      DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                      UINT* puArgErr) PURE;
protected:
    ~IDispatch() = default;
};

struct IRecordInfo : IUnknown {
    STDMETHOD(RecordInit)(PVOID pvNew) PURE;
    STDMETHOD(RecordClear)(PVOID pvExisting) PURE;
    STDMETHOD(RecordCopy)(PVOID pvExisting, PVOID pvNew) PURE;
    STDMETHOD(GetGuid)(GUID* pguid) PURE;
    STDMETHOD(GetName)(BSTR* pbstrName) PURE;
    STDMETHOD(GetSize)(ULONG* pcbSize) PURE;
    STDMETHOD(GetTypeInfo)(ITypeInfo** ppTypeInfo) PURE;
    STDMETHOD(GetField)(PVOID pvData, LPCOLESTR szFieldName, VARIANT* pvarField) PURE;
    STDMETHOD(GetFieldNoCopy)(PVOID pvData, LPCOLESTR szFieldName, VARIANT* pvarField,
                              PVOID* ppvDataCArray) PURE;
    STDMETHOD(PutField)(ULONG wFlags, PVOID pvData, LPCOLESTR szFieldName,
                        VARIANT* pvarField) PURE;
    STDMETHOD(PutFieldNoCopy)(ULONG wFlags, PVOID pvData, LPCOLESTR szFieldName,
                              VARIANT* pvarField) PURE;
    STDMETHOD(GetFieldNames)(ULONG* pcNames, BSTR* rgBstrNames) PURE;
    STDMETHOD_(BOOL, IsMatchingType)(IRecordInfo* pRecordInfo) PURE;
    STDMETHOD_(PVOID, RecordCreate)() PURE;
    STDMETHOD(RecordCreateCopy)(PVOID pvSource, PVOID* ppvDest) PURE;
    STDMETHOD(RecordDestroy)(PVOID pvRecord) PURE;
protected:
    ~IRecordInfo() = default;
};

extern "C" {
// Strings.
KELMAPI_EXPORT BSTR SysAllocString(const OLECHAR* psz);
KELMAPI_EXPORT BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch);
KELMAPI_EXPORT BSTR SysAllocStringByteLen(const char* psz, UINT len);
KELMAPI_EXPORT INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz);
KELMAPI_EXPORT INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len);
KELMAPI_EXPORT void SysFreeString(BSTR bstr);
KELMAPI_EXPORT UINT SysStringLen(BSTR bstr);
KELMAPI_EXPORT UINT SysStringByteLen(BSTR bstr);

// Safe arrays.
KELMAPI_EXPORT SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound);
KELMAPI_EXPORT SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements);
KELMAPI_EXPORT SAFEARRAY* SafeArrayCreateEx(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound,
                                            PVOID pvExtra);
KELMAPI_EXPORT SAFEARRAY* SafeArrayCreateVectorEx(VARTYPE vt, LONG lLbound, ULONG cElements,
                                                  PVOID pvExtra);
KELMAPI_EXPORT HRESULT SafeArrayDestroy(SAFEARRAY* psa);
KELMAPI_EXPORT HRESULT SafeArrayDestroyData(SAFEARRAY* psa);
KELMAPI_EXPORT HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut);
KELMAPI_EXPORT HRESULT SafeArrayRedim(SAFEARRAY* psa, SAFEARRAYBOUND* psaboundNew);
KELMAPI_EXPORT HRESULT SafeArrayLock(SAFEARRAY* psa);
KELMAPI_EXPORT HRESULT SafeArrayUnlock(SAFEARRAY* psa);
KELMAPI_EXPORT HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData);
KELMAPI_EXPORT HRESULT SafeArrayUnaccessData(SAFEARRAY* psa);
KELMAPI_EXPORT UINT SafeArrayGetDim(SAFEARRAY* psa);
KELMAPI_EXPORT UINT SafeArrayGetElemsize(SAFEARRAY* psa);
KELMAPI_EXPORT HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound);
KELMAPI_EXPORT HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound);
KELMAPI_EXPORT HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt);
KELMAPI_EXPORT HRESULT SafeArrayGetRecordInfo(SAFEARRAY* psa, IRecordInfo** prinfo);
KELMAPI_EXPORT HRESULT SafeArrayGetIID(SAFEARRAY* psa, GUID* pguid);
KELMAPI_EXPORT HRESULT SafeArrayPtrOfIndex(SAFEARRAY* psa, LONG* rgIndices, void** ppvData);
KELMAPI_EXPORT HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv);
KELMAPI_EXPORT HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv);

// Variants.
KELMAPI_EXPORT void VariantInit(VARIANTARG* pvarg);
KELMAPI_EXPORT HRESULT VariantClear(VARIANTARG* pvarg);
KELMAPI_EXPORT HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc);

// Records: the three KelmAPI records are known (library KelmAPI 1.0).
KELMAPI_EXPORT HRESULT GetRecordInfoFromGuids(REFGUID rGuidTypeLib, ULONG uVerMajor,
                                              ULONG uVerMinor, LCID lcid, REFGUID rGuidTypeInfo,
                                              IRecordInfo** ppRecInfo);
}  // extern "C"

#endif  // POSIX
