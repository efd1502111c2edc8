// SAFEARRAY off Windows. Each descriptor is preceded by a hidden header that
// keeps the element type, the record description (records) and the interface
// identifier (IUnknown/IDispatch arrays), as on Windows. The bounds are kept
// in reverse: rgsabound[0] is the last declared dimension. Elements are laid
// out with the first dimension varying fastest.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "kelmapi/automation.h"

namespace {

struct ArrayHeader {
    IRecordInfo* record;
    GUID iid;
    VARTYPE vt;
};

// The header, padded so that the descriptor after it keeps its alignment.
constexpr std::size_t kHeaderSize =
    (sizeof(ArrayHeader) + alignof(SAFEARRAY) - 1) / alignof(SAFEARRAY) * alignof(SAFEARRAY);
constexpr ULONG kMaxLocks = 0xFFFF;

ArrayHeader* HeaderOf(SAFEARRAY* psa) {
    return reinterpret_cast<ArrayHeader*>(reinterpret_cast<unsigned char*>(psa) - kHeaderSize);
}

// Element size of a plain type; 0 when it cannot be an array element.
ULONG ElementSize(VARTYPE vt) {
    switch (vt) {
        case VT_I1: case VT_UI1: return 1;
        case VT_I2: case VT_UI2: case VT_BOOL: return 2;
        case VT_I4: case VT_UI4: case VT_R4: case VT_INT: case VT_UINT: case VT_ERROR: return 4;
        case VT_R8: case VT_CY: case VT_DATE: case VT_I8: case VT_UI8: return 8;
        case VT_BSTR: return sizeof(BSTR);
        case VT_UNKNOWN: case VT_DISPATCH: return sizeof(IUnknown*);
        case VT_VARIANT: return sizeof(VARIANT);
        case VT_DECIMAL: return 16;
        default: return 0;
    }
}

USHORT FeaturesOf(VARTYPE vt) {
    switch (vt) {
        case VT_BSTR: return FADF_BSTR | FADF_HAVEVARTYPE;
        case VT_UNKNOWN: return FADF_UNKNOWN | FADF_HAVEIID;
        case VT_DISPATCH: return FADF_DISPATCH | FADF_HAVEIID;
        case VT_VARIANT: return FADF_VARIANT | FADF_HAVEVARTYPE;
        case VT_RECORD: return FADF_RECORD;
        default: return FADF_HAVEVARTYPE;
    }
}

// Number of elements, or false when the product overflows.
bool CountElements(const SAFEARRAY* psa, std::size_t& count) {
    count = 1;
    for (USHORT i = 0; i < psa->cDims; ++i) {
        const std::size_t n = psa->rgsabound[i].cElements;
        if (n != 0 && count > std::numeric_limits<std::size_t>::max() / n) return false;
        count *= n;
    }
    return true;
}

std::size_t ElementCount(const SAFEARRAY* psa) {
    std::size_t count = 0;
    CountElements(psa, count);
    return count;
}

// The descriptor alone (header included, data not allocated).
SAFEARRAY* AllocateDescriptor(UINT cDims) {
    const std::size_t size =
        kHeaderSize + sizeof(SAFEARRAY) + (cDims - 1) * sizeof(SAFEARRAYBOUND);
    auto* block = static_cast<unsigned char*>(std::calloc(1, size));
    if (block == nullptr) return nullptr;
    return reinterpret_cast<SAFEARRAY*>(block + kHeaderSize);
}

void FreeDescriptor(SAFEARRAY* psa) {
    ArrayHeader* header = HeaderOf(psa);
    if (header->record != nullptr) header->record->Release();
    std::free(header);
}

// Frees what the elements own and leaves them zeroed.
HRESULT ClearElements(SAFEARRAY* psa) {
    if (psa->pvData == nullptr) return S_OK;
    const std::size_t count = ElementCount(psa);
    auto* data = static_cast<unsigned char*>(psa->pvData);
    const ArrayHeader* header = HeaderOf(psa);
    if (psa->fFeatures & FADF_BSTR) {
        auto* items = reinterpret_cast<BSTR*>(data);
        for (std::size_t i = 0; i < count; ++i) { SysFreeString(items[i]); items[i] = nullptr; }
    } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
        auto* items = reinterpret_cast<IUnknown**>(data);
        for (std::size_t i = 0; i < count; ++i) {
            if (items[i] != nullptr) items[i]->Release();
            items[i] = nullptr;
        }
    } else if (psa->fFeatures & FADF_VARIANT) {
        auto* items = reinterpret_cast<VARIANT*>(data);
        for (std::size_t i = 0; i < count; ++i) {
            const HRESULT hr = VariantClear(&items[i]);
            if (FAILED(hr)) return hr;
        }
    } else if ((psa->fFeatures & FADF_RECORD) && header->record != nullptr) {
        for (std::size_t i = 0; i < count; ++i) {
            const HRESULT hr = header->record->RecordClear(data + i * psa->cbElements);
            if (FAILED(hr)) return hr;
        }
    }
    return S_OK;
}

bool OwnsData(const SAFEARRAY* psa) {
    return (psa->fFeatures & (FADF_AUTO | FADF_STATIC | FADF_EMBEDDED)) == 0;
}

// Offset in bytes of the element at rgIndices (rgIndices[0] is the first
// dimension), or false when an index is out of bounds.
bool ElementOffset(const SAFEARRAY* psa, const LONG* rgIndices, std::size_t& offset) {
    std::size_t index = 0;
    std::size_t stride = 1;
    for (USHORT d = 0; d < psa->cDims; ++d) {
        const SAFEARRAYBOUND& bound = psa->rgsabound[psa->cDims - 1 - d];
        const std::int64_t relative = std::int64_t{rgIndices[d]} - bound.lLbound;
        if (relative < 0 || relative >= std::int64_t{bound.cElements}) return false;
        index += static_cast<std::size_t>(relative) * stride;
        stride *= bound.cElements;
    }
    offset = index * psa->cbElements;
    return true;
}

// Copies one element from source to the destination slot; the slot holds
// nothing that needs freeing.
HRESULT CopyElement(const SAFEARRAY* psa, const ArrayHeader* header, const void* source, void* slot) {
    if (psa->fFeatures & FADF_BSTR) {
        const BSTR text = *static_cast<const BSTR*>(source);
        BSTR copy = nullptr;
        if (text != nullptr) {
            copy = SysAllocStringByteLen(reinterpret_cast<const char*>(text), SysStringByteLen(text));
            if (copy == nullptr) return E_OUTOFMEMORY;
        }
        *static_cast<BSTR*>(slot) = copy;
    } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
        IUnknown* object = *static_cast<IUnknown* const*>(source);
        if (object != nullptr) object->AddRef();
        *static_cast<IUnknown**>(slot) = object;
    } else if (psa->fFeatures & FADF_VARIANT) {
        VariantInit(static_cast<VARIANT*>(slot));
        return VariantCopy(static_cast<VARIANT*>(slot), static_cast<const VARIANT*>(source));
    } else if (psa->fFeatures & FADF_RECORD) {
        if (header->record == nullptr) return E_INVALIDARG;
        return header->record->RecordCopy(const_cast<void*>(source), slot);
    } else {
        std::memcpy(slot, source, psa->cbElements);
    }
    return S_OK;
}

SAFEARRAY* CreateArray(VARTYPE vt, UINT cDims, const SAFEARRAYBOUND* bounds, IRecordInfo* record,
                       bool reverseBounds) {
    if (cDims == 0 || cDims > 0xFFFF || bounds == nullptr) return nullptr;
    ULONG elementSize = 0;
    if (vt == VT_RECORD) {
        if (record == nullptr || FAILED(record->GetSize(&elementSize)) || elementSize == 0) return nullptr;
    } else {
        elementSize = ElementSize(vt);
        if (elementSize == 0) return nullptr;
    }
    SAFEARRAY* psa = AllocateDescriptor(cDims);
    if (psa == nullptr) return nullptr;
    psa->cDims = static_cast<USHORT>(cDims);
    psa->fFeatures = FeaturesOf(vt);
    psa->cbElements = elementSize;
    for (UINT i = 0; i < cDims; ++i) {
        psa->rgsabound[i] = reverseBounds ? bounds[cDims - 1 - i] : bounds[i];
    }
    ArrayHeader* header = HeaderOf(psa);
    header->vt = vt;
    if (vt == VT_UNKNOWN) header->iid = IID_IUnknown;
    if (vt == VT_DISPATCH) header->iid = IID_IDispatch;
    if (vt == VT_RECORD) {
        header->record = record;
        record->AddRef();
    }
    std::size_t count = 0;
    if (!CountElements(psa, count) || count > std::numeric_limits<std::size_t>::max() / elementSize) {
        FreeDescriptor(psa);
        return nullptr;
    }
    const std::size_t bytes = count * elementSize;
    psa->pvData = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (psa->pvData == nullptr) {
        FreeDescriptor(psa);
        return nullptr;
    }
    if (vt == VT_RECORD) {
        auto* data = static_cast<unsigned char*>(psa->pvData);
        for (std::size_t i = 0; i < count; ++i) record->RecordInit(data + i * elementSize);
    }
    return psa;
}

}  // namespace

extern "C" {

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound) {
    if (vt == VT_RECORD) return nullptr;  // records need SafeArrayCreateEx
    return CreateArray(vt, cDims, rgsabound, nullptr, true);
}

SAFEARRAY* SafeArrayCreateEx(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound, PVOID pvExtra) {
    return CreateArray(vt, cDims, rgsabound, vt == VT_RECORD ? static_cast<IRecordInfo*>(pvExtra) : nullptr,
                       true);
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
    if (vt == VT_RECORD) return nullptr;
    const SAFEARRAYBOUND bound{cElements, lLbound};
    return CreateArray(vt, 1, &bound, nullptr, true);
}

SAFEARRAY* SafeArrayCreateVectorEx(VARTYPE vt, LONG lLbound, ULONG cElements, PVOID pvExtra) {
    const SAFEARRAYBOUND bound{cElements, lLbound};
    return CreateArray(vt, 1, &bound, vt == VT_RECORD ? static_cast<IRecordInfo*>(pvExtra) : nullptr, true);
}

HRESULT SafeArrayDestroyData(SAFEARRAY* psa) {
    if (psa == nullptr) return E_INVALIDARG;
    if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
    const HRESULT hr = ClearElements(psa);
    if (FAILED(hr)) return hr;
    if (OwnsData(psa)) {
        std::free(psa->pvData);
        psa->pvData = nullptr;
    }
    return S_OK;
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
    if (psa == nullptr) return S_OK;
    if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
    const HRESULT hr = SafeArrayDestroyData(psa);
    if (FAILED(hr)) return hr;
    FreeDescriptor(psa);
    return S_OK;
}

HRESULT SafeArrayLock(SAFEARRAY* psa) {
    if (psa == nullptr) return E_INVALIDARG;
    if (psa->cLocks >= kMaxLocks) return E_UNEXPECTED;
    ++psa->cLocks;
    return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* psa) {
    if (psa == nullptr) return E_INVALIDARG;
    if (psa->cLocks == 0) return E_UNEXPECTED;
    --psa->cLocks;
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
    if (psa == nullptr || ppvData == nullptr) return E_INVALIDARG;
    const HRESULT hr = SafeArrayLock(psa);
    if (FAILED(hr)) {
        *ppvData = nullptr;
        return hr;
    }
    *ppvData = psa->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) { return SafeArrayUnlock(psa); }

UINT SafeArrayGetDim(SAFEARRAY* psa) { return psa == nullptr ? 0 : psa->cDims; }

UINT SafeArrayGetElemsize(SAFEARRAY* psa) { return psa == nullptr ? 0 : psa->cbElements; }

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) {
    if (psa == nullptr || plLbound == nullptr) return E_INVALIDARG;
    if (nDim == 0 || nDim > psa->cDims) return DISP_E_BADINDEX;
    *plLbound = psa->rgsabound[psa->cDims - nDim].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) {
    if (psa == nullptr || plUbound == nullptr) return E_INVALIDARG;
    if (nDim == 0 || nDim > psa->cDims) return DISP_E_BADINDEX;
    const SAFEARRAYBOUND& bound = psa->rgsabound[psa->cDims - nDim];
    *plUbound = static_cast<LONG>(std::int64_t{bound.lLbound} + std::int64_t{bound.cElements} - 1);
    return S_OK;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt) {
    if (psa == nullptr || pvt == nullptr) return E_INVALIDARG;
    if (psa->fFeatures & FADF_RECORD) { *pvt = VT_RECORD; return S_OK; }
    if (psa->fFeatures & FADF_HAVEIID) { *pvt = (psa->fFeatures & FADF_DISPATCH) ? VT_DISPATCH : VT_UNKNOWN; return S_OK; }
    if (psa->fFeatures & FADF_HAVEVARTYPE) { *pvt = HeaderOf(psa)->vt; return S_OK; }
    return E_INVALIDARG;
}

HRESULT SafeArrayGetRecordInfo(SAFEARRAY* psa, IRecordInfo** prinfo) {
    if (psa == nullptr || prinfo == nullptr) return E_INVALIDARG;
    *prinfo = nullptr;
    if (!(psa->fFeatures & FADF_RECORD)) return E_INVALIDARG;
    *prinfo = HeaderOf(psa)->record;
    if (*prinfo != nullptr) (*prinfo)->AddRef();
    return S_OK;
}

HRESULT SafeArrayGetIID(SAFEARRAY* psa, GUID* pguid) {
    if (psa == nullptr || pguid == nullptr) return E_INVALIDARG;
    if (!(psa->fFeatures & FADF_HAVEIID)) return E_INVALIDARG;
    *pguid = HeaderOf(psa)->iid;
    return S_OK;
}

HRESULT SafeArrayPtrOfIndex(SAFEARRAY* psa, LONG* rgIndices, void** ppvData) {
    if (psa == nullptr || rgIndices == nullptr || ppvData == nullptr) return E_INVALIDARG;
    std::size_t offset = 0;
    if (!ElementOffset(psa, rgIndices, offset)) return DISP_E_BADINDEX;
    *ppvData = static_cast<unsigned char*>(psa->pvData) + offset;
    return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
    if (psa == nullptr || rgIndices == nullptr || pv == nullptr) return E_INVALIDARG;
    std::size_t offset = 0;
    if (!ElementOffset(psa, rgIndices, offset)) return DISP_E_BADINDEX;
    const HRESULT locked = SafeArrayLock(psa);
    if (FAILED(locked)) return locked;
    const HRESULT hr =
        CopyElement(psa, HeaderOf(psa), static_cast<unsigned char*>(psa->pvData) + offset, pv);
    SafeArrayUnlock(psa);
    return hr;
}

HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
    if (psa == nullptr || rgIndices == nullptr) return E_INVALIDARG;
    std::size_t offset = 0;
    if (!ElementOffset(psa, rgIndices, offset)) return DISP_E_BADINDEX;
    const bool byValue = (psa->fFeatures & (FADF_BSTR | FADF_UNKNOWN | FADF_DISPATCH)) != 0;
    if (pv == nullptr && !byValue) return E_INVALIDARG;
    const HRESULT locked = SafeArrayLock(psa);
    if (FAILED(locked)) return locked;
    void* slot = static_cast<unsigned char*>(psa->pvData) + offset;
    const ArrayHeader* header = HeaderOf(psa);
    HRESULT hr = S_OK;
    if (byValue) {
        // Strings and interfaces are passed as the value itself.
        void* value = pv;
        void* previous = nullptr;
        std::memcpy(&previous, slot, sizeof previous);
        hr = CopyElement(psa, header, &value, slot);
        if (SUCCEEDED(hr) && previous != nullptr) {
            if (psa->fFeatures & FADF_BSTR) SysFreeString(static_cast<BSTR>(previous));
            else static_cast<IUnknown*>(previous)->Release();
        }
        if (FAILED(hr)) std::memcpy(slot, &previous, sizeof previous);
    } else if (psa->fFeatures & FADF_VARIANT) {
        hr = VariantCopy(static_cast<VARIANT*>(slot), static_cast<const VARIANT*>(pv));
    } else if (psa->fFeatures & FADF_RECORD) {
        hr = header->record == nullptr ? E_INVALIDARG : header->record->RecordCopy(pv, slot);
    } else {
        std::memcpy(slot, pv, psa->cbElements);
    }
    SafeArrayUnlock(psa);
    return hr;
}

HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut) {
    if (ppsaOut == nullptr) return E_INVALIDARG;
    *ppsaOut = nullptr;
    if (psa == nullptr) return S_OK;
    const ArrayHeader* header = HeaderOf(psa);
    SAFEARRAY* copy = CreateArray(header->vt, psa->cDims, psa->rgsabound, header->record, false);
    if (copy == nullptr) return E_OUTOFMEMORY;
    const std::size_t count = ElementCount(psa);
    const auto* from = static_cast<const unsigned char*>(psa->pvData);
    auto* to = static_cast<unsigned char*>(copy->pvData);
    for (std::size_t i = 0; i < count; ++i) {
        const HRESULT hr = CopyElement(psa, header, from + i * psa->cbElements, to + i * psa->cbElements);
        if (FAILED(hr)) {
            SafeArrayDestroy(copy);
            return hr;
        }
    }
    *ppsaOut = copy;
    return S_OK;
}

HRESULT SafeArrayRedim(SAFEARRAY* psa, SAFEARRAYBOUND* psaboundNew) {
    if (psa == nullptr || psaboundNew == nullptr) return E_INVALIDARG;
    if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
    if (!OwnsData(psa) || (psa->fFeatures & FADF_FIXEDSIZE)) return E_INVALIDARG;
    // Only the last declared dimension (rgsabound[0]) changes.
    const std::size_t oldCount = ElementCount(psa);
    const std::size_t others = psa->rgsabound[0].cElements == 0 ? 0 : oldCount / psa->rgsabound[0].cElements;
    const std::size_t newCount = others * psaboundNew->cElements;
    const std::size_t size = psa->cbElements;
    auto* data = static_cast<unsigned char*>(psa->pvData);
    const ArrayHeader* header = HeaderOf(psa);
    if (newCount < oldCount) {
        // Clear the elements that are cut off (the last dimension varies slowest).
        for (std::size_t i = newCount; i < oldCount; ++i) {
            unsigned char* slot = data + i * size;
            if (psa->fFeatures & FADF_BSTR) SysFreeString(*reinterpret_cast<BSTR*>(slot));
            else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
                IUnknown* object = *reinterpret_cast<IUnknown**>(slot);
                if (object != nullptr) object->Release();
            } else if (psa->fFeatures & FADF_VARIANT) VariantClear(reinterpret_cast<VARIANT*>(slot));
            else if ((psa->fFeatures & FADF_RECORD) && header->record != nullptr) header->record->RecordClear(slot);
        }
    }
    if (newCount > std::numeric_limits<std::size_t>::max() / (size == 0 ? 1 : size)) return E_OUTOFMEMORY;
    const std::size_t bytes = newCount * size;
    void* grown = std::realloc(data, bytes == 0 ? 1 : bytes);
    if (grown == nullptr) return E_OUTOFMEMORY;
    data = static_cast<unsigned char*>(grown);
    if (newCount > oldCount) {
        std::memset(data + oldCount * size, 0, (newCount - oldCount) * size);
        if ((psa->fFeatures & FADF_RECORD) && header->record != nullptr) {
            for (std::size_t i = oldCount; i < newCount; ++i) header->record->RecordInit(data + i * size);
        }
    }
    psa->pvData = data;
    psa->rgsabound[0] = *psaboundNew;
    return S_OK;
}

}  // extern "C"
