// Safe arrays: bounds, element access, locks, destruction of owned elements.
#include <gtest/gtest.h>

#include <string>

#include "kelmapi/automation.h"

namespace {

LONG Bound(SAFEARRAY* psa, UINT dim, bool upper) {
    LONG value = -99;
    EXPECT_EQ(upper ? SafeArrayGetUBound(psa, dim, &value) : SafeArrayGetLBound(psa, dim, &value), S_OK);
    return value;
}

BSTR ElementAt(SAFEARRAY* psa, LONG index) { return static_cast<BSTR*>(psa->pvData)[index]; }

TEST(SafeArray, BoundsInOneAndTwoDimensionsTypesAndRefusedArguments) {
    SAFEARRAY* psa = SafeArrayCreateVector(VT_I4, 3, 4);
    EXPECT_EQ(SafeArrayGetDim(psa), 1u);
    EXPECT_EQ(SafeArrayGetElemsize(psa), 4u);
    EXPECT_EQ(Bound(psa, 1, false), 3);
    EXPECT_EQ(Bound(psa, 1, true), 6);
    LONG bound = 0;
    EXPECT_EQ(SafeArrayGetLBound(psa, 0, &bound), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetUBound(psa, 2, &bound), DISP_E_BADINDEX);
    VARTYPE vt = VT_EMPTY;
    EXPECT_EQ(SafeArrayGetVartype(psa, &vt), S_OK);
    EXPECT_EQ(vt, VT_I4);
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
    psa = SafeArrayCreateVector(VT_BSTR, 0, 0);  // empty: the upper bound lies below the lower one
    EXPECT_EQ(Bound(psa, 1, true), -1);
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
    for (VARTYPE refused : {VT_EMPTY, VT_NULL, VT_RECORD}) EXPECT_EQ(SafeArrayCreateVector(refused, 0, 1), nullptr);
    SAFEARRAYBOUND one{1, 0};
    EXPECT_EQ(SafeArrayCreate(VT_I4, 0, &one), nullptr);
    EXPECT_EQ(SafeArrayCreateVectorEx(VT_RECORD, 0, 1, nullptr), nullptr);
    void* data = nullptr;
    EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
    EXPECT_EQ(SafeArrayAccessData(nullptr, &data), E_INVALIDARG);
    EXPECT_EQ(SafeArrayUnaccessData(nullptr), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetLBound(nullptr, 1, &bound), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetDim(nullptr), 0u);
    // Two dimensions keep their declared bounds; the first index varies fastest.
    SAFEARRAYBOUND bounds[2] = {{2, 1}, {3, 10}};  // dimension 1: 1..2, dimension 2: 10..12
    psa = SafeArrayCreate(VT_I2, 2, bounds);
    EXPECT_EQ(Bound(psa, 1, false), 1);
    EXPECT_EQ(Bound(psa, 1, true), 2);
    EXPECT_EQ(Bound(psa, 2, false), 10);
    EXPECT_EQ(Bound(psa, 2, true), 12);
    LONG at[2] = {2, 11};
    SHORT value = 42;
    EXPECT_EQ(SafeArrayPutElement(psa, at, &value), S_OK);
    ASSERT_EQ(SafeArrayAccessData(psa, &data), S_OK);
    EXPECT_EQ(static_cast<SHORT*>(data)[1 + 2 * 1], 42);  // (2-1) + 2 * (11-10)
    SafeArrayUnaccessData(psa);
    LONG outside[2] = {3, 10};
    EXPECT_EQ(SafeArrayPutElement(psa, outside, &value), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetElement(psa, outside, &value), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArray, LocksBlockDestroyAndRedim) {
    SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 0, 1);
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(psa, &data), S_OK);
    EXPECT_EQ(data, psa->pvData);
    ASSERT_EQ(SafeArrayLock(psa), S_OK);
    EXPECT_EQ(psa->cLocks, 2u);
    EXPECT_EQ(SafeArrayDestroy(psa), DISP_E_ARRAYISLOCKED);
    SAFEARRAYBOUND grow{3, 0};
    EXPECT_EQ(SafeArrayRedim(psa, &grow), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnlock(psa), S_OK);
    EXPECT_EQ(SafeArrayDestroy(psa), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnaccessData(psa), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(psa), E_UNEXPECTED);  // not locked any more
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

// Leak checkers see every owned element freed by put, redim and destroy.
TEST(SafeArray, StringAndVariantElementsAreCopiedInOutAndFreed) {
    SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 5, 2);
    ASSERT_TRUE(psa->fFeatures & FADF_BSTR);
    LONG at = 6;
    for (const char16_t* text : {u"pin", u"pin2"}) {  // a BSTR goes in by value; the old copy is freed
        BSTR value = SysAllocString(text);
        ASSERT_EQ(SafeArrayPutElement(psa, &at, value), S_OK);
        SysFreeString(value);
    }
    BSTR out = nullptr;
    ASSERT_EQ(SafeArrayGetElement(psa, &at, &out), S_OK);
    EXPECT_EQ(std::u16string(out), u"pin2");
    EXPECT_NE(out, ElementAt(psa, 1));
    SysFreeString(out);
    LONG first = 5;
    ASSERT_EQ(SafeArrayGetElement(psa, &first, &out), S_OK);
    EXPECT_EQ(out, nullptr);
    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(psa, &copy), S_OK);
    EXPECT_EQ(Bound(copy, 1, false), 5);
    EXPECT_NE(ElementAt(copy, 1), ElementAt(psa, 1));
    EXPECT_EQ(std::u16string(ElementAt(copy, 1)), u"pin2");
    EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
    SAFEARRAYBOUND grow{3, 5};
    ASSERT_EQ(SafeArrayRedim(psa, &grow), S_OK);
    EXPECT_EQ(Bound(psa, 1, true), 7);
    EXPECT_EQ(ElementAt(psa, 2), nullptr);
    SAFEARRAYBOUND shrink{1, 5};
    ASSERT_EQ(SafeArrayRedim(psa, &shrink), S_OK);  // frees the cut element
    EXPECT_EQ(Bound(psa, 1, true), 5);
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
    psa = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(u"inside");
    at = 0;
    ASSERT_EQ(SafeArrayPutElement(psa, &at, &v), S_OK);
    VariantClear(&v);
    ASSERT_EQ(SafeArrayGetElement(psa, &at, &v), S_OK);
    EXPECT_EQ(std::u16string(v.bstrVal), u"inside");
    VariantClear(&v);
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

}  // namespace
