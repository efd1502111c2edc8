// Variants: what VariantClear frees, what it leaves alone, deep copies.
#include <gtest/gtest.h>

#include <string>

#include "kelmapi/automation.h"

namespace {

struct CountedObject final : IUnknown {
    ULONG refs = 1;
    STDMETHODIMP QueryInterface(REFIID, void** ppv) override { *ppv = nullptr; return E_NOINTERFACE; }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
};

TEST(Variant, ClearFreesOwnedValuesLeavesReferencesAndCopyIsDeep) {
    VARIANT v;
    v.vt = VT_I4;
    VariantInit(&v);
    EXPECT_EQ(v.vt, VT_EMPTY);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(u"owned");
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(v.vt, VT_EMPTY);
    CountedObject object;
    object.AddRef();
    v.vt = VT_UNKNOWN;
    v.punkVal = &object;
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(object.refs, 1u);
    BSTR text = SysAllocString(u"caller's");
    v.vt = VT_BYREF | VT_BSTR;
    v.pbstrVal = &text;
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(std::u16string(text), u"caller's");
    SysFreeString(text);
    v.vt = VT_ARRAY | VT_BSTR;
    v.parray = SafeArrayCreateVector(VT_BSTR, 0, 1);
    static_cast<BSTR*>(v.parray->pvData)[0] = SysAllocString(u"element");
    SafeArrayLock(v.parray);
    EXPECT_EQ(VariantClear(&v), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(v.vt, VT_ARRAY | VT_BSTR);
    SafeArrayUnlock(v.parray);
    EXPECT_EQ(VariantClear(&v), S_OK);  // leak checkers see the element freed
    EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
    // A copy is deep and replaces what the destination held.
    VARIANT& source = v;
    VARIANT target;
    VariantInit(&target);
    const OLECHAR raw[] = {u'a', 0, u'b'};
    source.vt = VT_BSTR;
    source.bstrVal = SysAllocStringLen(raw, 3);
    target.vt = VT_BSTR;
    target.bstrVal = SysAllocString(u"to be freed");
    ASSERT_EQ(VariantCopy(&target, &source), S_OK);
    EXPECT_NE(target.bstrVal, source.bstrVal);
    EXPECT_EQ(SysStringLen(target.bstrVal), 3u);
    source.vt = VT_UNKNOWN;  // the string stays with the target's copy
    SysFreeString(source.bstrVal);
    source.punkVal = &object;
    ASSERT_EQ(VariantCopy(&target, &source), S_OK);
    EXPECT_EQ(object.refs, 2u);
    VariantClear(&target);
    EXPECT_EQ(object.refs, 1u);
    source.vt = VT_ARRAY | VT_BSTR;
    source.parray = SafeArrayCreateVector(VT_BSTR, 0, 1);
    ASSERT_EQ(VariantCopy(&target, &source), S_OK);
    EXPECT_EQ(target.vt, VT_ARRAY | VT_BSTR);
    EXPECT_NE(target.parray, source.parray);
    EXPECT_EQ(target.parray->rgsabound[0].cElements, 1u);
    VariantClear(&target);
    VariantClear(&source);
}

}  // namespace
