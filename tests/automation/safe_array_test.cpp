// Safe arrays: bounds, element access, locks, destruction of owned elements.
#include <gtest/gtest.h>

#include "kelmapi/automation.h"

namespace {

TEST(SafeArray, VectorBoundsAndElementSize) {
    SAFEARRAY* psa = SafeArrayCreateVector(VT_I4, 3, 4);
    ASSERT_NE(psa, nullptr);
    EXPECT_EQ(SafeArrayGetDim(psa), 1u);
    EXPECT_EQ(SafeArrayGetElemsize(psa), 4u);
    LONG lb = 0, ub = 0;
    EXPECT_EQ(SafeArrayGetLBound(psa, 1, &lb), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(psa, 1, &ub), S_OK);
    EXPECT_EQ(lb, 3);
    EXPECT_EQ(ub, 6);
    EXPECT_EQ(SafeArrayGetLBound(psa, 0, &lb), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetUBound(psa, 2, &ub), DISP_E_BADINDEX);
    VARTYPE vt = VT_EMPTY;
    EXPECT_EQ(SafeArrayGetVartype(psa, &vt), S_OK);
    EXPECT_EQ(vt, VT_I4);
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);

    psa = SafeArrayCreateVector(VT_BSTR, 0, 0);  // empty: the upper bound lies below the lower one
    ASSERT_NE(psa, nullptr);
    EXPECT_EQ(SafeArrayGetUBound(psa, 1, &ub), S_OK);
    EXPECT_EQ(ub, -1);
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArray, RejectsTypesThatCannotBeElements) {
    EXPECT_EQ(SafeArrayCreateVector(VT_EMPTY, 0, 1), nullptr);
    EXPECT_EQ(SafeArrayCreateVector(VT_NULL, 0, 1), nullptr);
    EXPECT_EQ(SafeArrayCreateVector(VT_RECORD, 0, 1), nullptr);  // needs a record description
    SAFEARRAYBOUND bound{1, 0};
    EXPECT_EQ(SafeArrayCreate(VT_I4, 0, &bound), nullptr);
    EXPECT_EQ(SafeArrayCreateVectorEx(VT_RECORD, 0, 1, nullptr), nullptr);
}

TEST(SafeArray, TwoDimensionsKeepDeclaredBoundsAndFirstIndexVariesFastest) {
    SAFEARRAYBOUND bounds[2] = {{2, 1}, {3, 10}};  // dimension 1: 1..2, dimension 2: 10..12
    SAFEARRAY* psa = SafeArrayCreate(VT_I2, 2, bounds);
    ASSERT_NE(psa, nullptr);
    LONG lb = 0, ub = 0;
    SafeArrayGetLBound(psa, 1, &lb);
    SafeArrayGetUBound(psa, 1, &ub);
    EXPECT_EQ(lb, 1);
    EXPECT_EQ(ub, 2);
    SafeArrayGetLBound(psa, 2, &lb);
    SafeArrayGetUBound(psa, 2, &ub);
    EXPECT_EQ(lb, 10);
    EXPECT_EQ(ub, 12);

    LONG at[2] = {2, 11};
    SHORT value = 42;
    EXPECT_EQ(SafeArrayPutElement(psa, at, &value), S_OK);
    SHORT* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(psa, reinterpret_cast<void**>(&data)), S_OK);
    EXPECT_EQ(data[1 + 2 * 1], 42);  // (2-1) + 2 * (11-10)
    SafeArrayUnaccessData(psa);

    LONG outside[2] = {3, 10};
    EXPECT_EQ(SafeArrayPutElement(psa, outside, &value), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetElement(psa, outside, &value), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArray, LockedArrayCannotBeDestroyedUntilUnlocked) {
    SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 0, 1);
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(psa, &data), S_OK);
    EXPECT_EQ(data, psa->pvData);
    ASSERT_EQ(SafeArrayLock(psa), S_OK);
    EXPECT_EQ(psa->cLocks, 2u);
    EXPECT_EQ(SafeArrayDestroy(psa), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnlock(psa), S_OK);
    EXPECT_EQ(SafeArrayDestroy(psa), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnaccessData(psa), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(psa), E_UNEXPECTED);  // not locked any more
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArray, NullArgumentsAreRefused) {
    void* data = nullptr;
    LONG bound = 0;
    EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
    EXPECT_EQ(SafeArrayAccessData(nullptr, &data), E_INVALIDARG);
    EXPECT_EQ(SafeArrayUnaccessData(nullptr), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetLBound(nullptr, 1, &bound), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetDim(nullptr), 0u);
}

TEST(SafeArray, StringElementsAreCopiedInAndOutAndFreedWithTheArray) {
    SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 0, 2);
    ASSERT_TRUE(psa->fFeatures & FADF_BSTR);
    BSTR text = SysAllocString(u"pin");
    LONG at = 1;
    ASSERT_EQ(SafeArrayPutElement(psa, &at, text), S_OK);  // a BSTR goes in by value
    SysFreeString(text);                                    // the array keeps its own copy
    BSTR replacement = SysAllocString(u"pin2");
    ASSERT_EQ(SafeArrayPutElement(psa, &at, replacement), S_OK);  // the old copy is freed
    SysFreeString(replacement);

    BSTR out = nullptr;
    ASSERT_EQ(SafeArrayGetElement(psa, &at, &out), S_OK);
    EXPECT_EQ(std::u16string(out, SysStringLen(out)), u"pin2");
    SysFreeString(out);
    LONG first = 0;
    ASSERT_EQ(SafeArrayGetElement(psa, &first, &out), S_OK);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);  // leak checkers see the element freed
}

TEST(SafeArray, CopyIsDeepAndKeepsBounds) {
    SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 5, 1);
    LONG at = 5;
    BSTR text = SysAllocString(u"x");
    SafeArrayPutElement(psa, &at, text);
    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(psa, &copy), S_OK);
    LONG lb = 0;
    SafeArrayGetLBound(copy, 1, &lb);
    EXPECT_EQ(lb, 5);
    BSTR* original = static_cast<BSTR*>(psa->pvData);
    BSTR* copied = static_cast<BSTR*>(copy->pvData);
    EXPECT_NE(original[0], copied[0]);
    EXPECT_EQ(std::u16string(copied[0]), u"x");
    SysFreeString(text);
    SafeArrayDestroy(psa);
    SafeArrayDestroy(copy);
}

TEST(SafeArray, RedimGrowsAndShrinksTheVector) {
    SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 0, 1);
    LONG at = 0;
    BSTR text = SysAllocString(u"a");
    SafeArrayPutElement(psa, &at, text);
    SAFEARRAYBOUND grow{3, 0};
    ASSERT_EQ(SafeArrayRedim(psa, &grow), S_OK);
    LONG ub = 0;
    SafeArrayGetUBound(psa, 1, &ub);
    EXPECT_EQ(ub, 2);
    EXPECT_EQ(static_cast<BSTR*>(psa->pvData)[2], nullptr);
    at = 2;
    SafeArrayPutElement(psa, &at, text);
    SAFEARRAYBOUND shrink{1, 0};
    ASSERT_EQ(SafeArrayRedim(psa, &shrink), S_OK);  // frees the cut element
    EXPECT_EQ(std::u16string(static_cast<BSTR*>(psa->pvData)[0]), u"a");
    SafeArrayLock(psa);
    EXPECT_EQ(SafeArrayRedim(psa, &grow), DISP_E_ARRAYISLOCKED);
    SafeArrayUnlock(psa);
    SysFreeString(text);
    SafeArrayDestroy(psa);
}

TEST(SafeArray, VariantElementsAreClearedOnDestroy) {
    SAFEARRAY* psa = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(u"inside");
    LONG at = 0;
    ASSERT_EQ(SafeArrayPutElement(psa, &at, &v), S_OK);
    VariantClear(&v);
    VARIANT out;
    VariantInit(&out);
    ASSERT_EQ(SafeArrayGetElement(psa, &at, &out), S_OK);
    EXPECT_EQ(out.vt, VT_BSTR);
    EXPECT_EQ(std::u16string(out.bstrVal), u"inside");
    VariantClear(&out);
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

}  // namespace
