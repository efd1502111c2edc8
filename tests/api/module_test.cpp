// The module: class factory, unload counts, identity and aggregation.
#include <gtest/gtest.h>

#include "api/Module.h"
#include "util/AutoTypes.h"

namespace kelm {
namespace {

IClassFactory* Factory() {
    IClassFactory* factory = nullptr;
    EXPECT_EQ(DllGetClassObject(CLSID_Kelm, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    return factory;
}

// Refusals clear the out-parameter; held factories, objects and server
// locks keep the module loaded.
TEST(Module, FactoryObjectsAndServerLocks) {
    void* refused = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(DllGetClassObject(IID_IKelm, IID_IClassFactory, &refused), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(DllGetClassObject(CLSID_Kelm, IID_IDispatch, &refused), E_NOINTERFACE);
    EXPECT_EQ(DllGetClassObject(CLSID_Kelm, IID_IClassFactory, nullptr), E_POINTER);
    ASSERT_EQ(DllCanUnloadNow(), S_OK);
    ComPtr<IClassFactory> factory(Factory());
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->QueryInterface(IID_IClassFactory, nullptr), E_POINTER);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &refused), E_NOINTERFACE);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IKelm, nullptr), E_POINTER);
    ComPtr<IKelm> kelm;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IKelm, kelm.OutVoid()), S_OK);
    factory.reset();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);  // a live object counts
    ComPtr<IDispatch> dispatch;  // the same object, the same identity
    EXPECT_EQ(kelm->QueryInterface(IID_IDispatch, dispatch.OutVoid()), S_OK);
    EXPECT_EQ(static_cast<void*>(dispatch.get()), static_cast<void*>(kelm.get()));
    ComPtr<IUnknown> fromKelm, fromDispatch;
    kelm->QueryInterface(IID_IUnknown, fromKelm.OutVoid());
    dispatch->QueryInterface(IID_IUnknown, fromDispatch.OutVoid());
    EXPECT_EQ(fromKelm.get(), fromDispatch.get());
    EXPECT_EQ(kelm->QueryInterface(IID_IRecordInfo, &refused), E_NOINTERFACE);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(kelm->QueryInterface(IID_IKelm, nullptr), E_POINTER);
    dispatch.reset();
    fromKelm.reset();
    fromDispatch.reset();
    EXPECT_EQ(kelm.release()->Release(), 0u);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    factory.reset(Factory());
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);  // a server lock counts
    factory.reset(Factory());
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.reset();
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

// An outer object that aggregates a Kelm object and counts its own references.
struct Outer final : IUnknown {
    ULONG refs = 1;
    IUnknown* inner = nullptr;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!IsEqualIID(riid, IID_IUnknown)) return inner->QueryInterface(riid, ppv);
        *ppv = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
};

TEST(Module, AggregatedObjectDelegatesToTheOuterObject) {
    ComPtr<IClassFactory> factory(Factory());
    Outer outer;
    void* refused = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IKelm, &refused), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(refused, nullptr);
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)), S_OK);
    IUnknown* self = nullptr;  // the non-delegating unknown answers for itself
    ASSERT_EQ(outer.inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&self)), S_OK);
    EXPECT_EQ(self, outer.inner);
    self->Release();
    IKelm* kelm = nullptr;
    ASSERT_EQ(outer.QueryInterface(IID_IKelm, reinterpret_cast<void**>(&kelm)), S_OK);
    EXPECT_EQ(outer.refs, 2u);  // the reference went to the outer object
    IUnknown* identity = nullptr;
    ASSERT_EQ(kelm->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(identity, &outer);
    identity->Release();
    kelm->Release();
    EXPECT_EQ(outer.refs, 1u);
    EXPECT_EQ(outer.inner->Release(), 0u);  // the non-delegating release destroys the inner object
    factory.reset();
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace kelm
