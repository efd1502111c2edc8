// CKelm: the Kelm object. Each method converts its input strings and
// forwards to the function that implements it; exceptions stop here, and a
// failure is kept in words for late-bound callers and the kelm tool.
#pragma once

#include "kelmapi/kelmapi.h"
#include "api/CallFailure.h"
#include "session/LibrarySession.h"

namespace kelm {

class CKelm final : public IKelm {
public:
    // Creates an object, aggregated when outer is not null (then riid must be IID_IUnknown).
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv);

    // For tests: an object whose store session uses this backend.
    static HRESULT CreateWithBackend(std::shared_ptr<store::StoreBackend> backend, REFIID riid, void** ppv,
                                     IUnknown* outer = nullptr);

    LibrarySession& Session() { return m_session; }

    // IUnknown: delegates to the outer object when aggregated.
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;

    // IDispatch
    STDMETHOD(GetTypeInfoCount)(UINT* pctinfo) override;
    STDMETHOD(GetTypeInfo)(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
    STDMETHOD(Invoke)(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                      VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    // IKelm: the methods of the list in kelmapi.h.
#define KELM_DECLARE_OVERRIDE(id, name, params) STDMETHOD(name) params override;
    KELMAPI_IKELM_METHODS(KELM_DECLARE_OVERRIDE, KELMAPI_DECLARE_PARAM)
#undef KELM_DECLARE_OVERRIDE

    // The description of the last call on this object when it failed with
    // `status`; empty otherwise.
    std::string FailureDescription(HRESULT status) const { return m_failure.DescriptionFor(status); }

private:
    explicit CKelm(IUnknown* outer, std::shared_ptr<store::StoreBackend> backend);
    ~CKelm();

    // Runs a method body: no exception leaves it, and a failure is described.
    template <auto method, typename Body, typename... Args>
    HRESULT Boundary(Body&& body, const Args&... args) noexcept;

    // The non-delegating IUnknown: the object's own identity and count.
    struct Inner final : IUnknown {
        STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
        STDMETHOD_(ULONG, AddRef)() override;
        STDMETHOD_(ULONG, Release)() override;
        CKelm* Owner() { return owner; }
        CKelm* owner = nullptr;
    };

    Inner m_inner;
    IUnknown* m_outer;  // the outer object when aggregated, else &m_inner
    ULONG m_refs = 0;   // single-threaded apartment: not interlocked
    LibrarySession m_session;
    CallFailure m_failure;
};

}  // namespace kelm
