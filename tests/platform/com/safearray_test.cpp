// Safe arrays: shapes, element ownership and the locking rules.
#include "com/property_bag.h"
#include "com/safearray.h"
#include "com/variant.h"

#include <gtest/gtest.h>

using namespace corvid::com;

TEST(SafeArray, ElementTypesAndSizes) {
    struct Case {
        VARTYPE vt;
        UINT size;
    } cases[] = {{VT_I2, 2},
                 {VT_I4, 4},
                 {VT_R4, 4},
                 {VT_R8, 8},
                 {VT_UI1, 1},
                 {VT_UI4, 4},
                 {VT_BOOL, 2},
                 {VT_BSTR, sizeof(BSTR)},
                 {VT_VARIANT, sizeof(VARIANT)},
                 {VT_UNKNOWN, sizeof(void*)}};
    for (const auto& c : cases) {
        SafeArrayPtr array(SafeArrayCreateVector(c.vt, 0, 3));
        ASSERT_TRUE(array) << c.vt;
        VARTYPE vt = VT_EMPTY;
        EXPECT_EQ(SafeArrayGetVartype(array.get(), &vt), S_OK);
        EXPECT_EQ(vt, c.vt);
        EXPECT_EQ(SafeArrayGetElemsize(array.get()), c.size);
    }
    EXPECT_EQ(SafeArrayCreateVector(VT_NULL, 0, 3), nullptr);
    EXPECT_EQ(SafeArrayCreateVector(VT_ARRAY | VT_I4, 0, 3), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_I4, 0, nullptr), nullptr);
    SAFEARRAYBOUND huge[] = {{0xFFFFFFFFu, 0}, {0xFFFFFFFFu, 0}};
    EXPECT_EQ(SafeArrayCreate(VT_R8, 2, huge), nullptr);
}

TEST(SafeArray, BoundsAndIndexing) {
    SAFEARRAYBOUND bounds[] = {{3, 5}, {2, -1}}; // indices 5..7 by -1..0
    SafeArrayPtr array(SafeArrayCreate(VT_I4, 2, bounds));
    ASSERT_TRUE(array);
    EXPECT_EQ(SafeArrayGetDim(array.get()), 2u);
    LONG bound = 0;
    EXPECT_EQ(SafeArrayGetLBound(array.get(), 1, &bound), S_OK);
    EXPECT_EQ(bound, 5);
    EXPECT_EQ(SafeArrayGetUBound(array.get(), 2, &bound), S_OK);
    EXPECT_EQ(bound, 0);
    EXPECT_EQ(SafeArrayGetUBound(array.get(), 3, &bound), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetLBound(array.get(), 0, &bound), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayElementCount(array.get()), 6u);

    LONG value = 0;
    for (LONG j = -1; j <= 0; ++j)
        for (LONG i = 5; i <= 7; ++i) {
            LONG at[] = {i, j};
            value = i * 10 + j;
            ASSERT_EQ(SafeArrayPutElement(array.get(), at, &value), S_OK);
        }
    // The first index varies fastest.
    SafeArrayData<LONG> data(array.get());
    EXPECT_EQ(data[1], 60 - 1);
    EXPECT_EQ(data[3], 50);
    LONG outside[] = {8, 0};
    EXPECT_EQ(SafeArrayGetElement(array.get(), outside, &value), DISP_E_BADINDEX);
    LONG below[] = {5, -2};
    EXPECT_EQ(SafeArrayPutElement(array.get(), below, &value), DISP_E_BADINDEX);
}

TEST(SafeArray, LockedArraysCannotBeDestroyedOrRedimensioned) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_R8, 0, 4);
    ASSERT_EQ(SafeArrayLock(array), S_OK);
    ASSERT_EQ(SafeArrayLock(array), S_OK);
    SAFEARRAYBOUND bigger{8, 0};
    EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayRedim(array, &bigger), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnlock(array), S_OK);
    EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED) << "one lock is still held";
    EXPECT_EQ(SafeArrayUnlock(array), S_OK);
    EXPECT_EQ(SafeArrayUnlock(array), E_UNEXPECTED);

    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array, &data), S_OK);
    EXPECT_EQ(data, array->pvData);
    EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
    EXPECT_EQ(SafeArrayRedim(array, &bigger), S_OK);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
}

TEST(SafeArray, AccessGuardUnlocksOnExit) {
    SafeArrayPtr array(SafeArrayCreateVector(VT_I2, 0, 2));
    {
        SafeArrayData<SHORT> data(array.get());
        ASSERT_EQ(data.result(), S_OK);
        data[1] = -3;
        EXPECT_EQ(array.get()->cLocks, 1u);
    }
    EXPECT_EQ(array.get()->cLocks, 0u);
    LONG index = 1;
    SHORT value = 0;
    EXPECT_EQ(SafeArrayGetElement(array.get(), &index, &value), S_OK);
    EXPECT_EQ(value, -3);
}

TEST(SafeArray, RedimKeepsElementsAndZeroFills) {
    SafeArrayPtr array(SafeArrayCreateVector(VT_I4, 0, 3));
    {
        SafeArrayData<LONG> data(array.get());
        data[0] = 1;
        data[1] = 2;
        data[2] = 3;
    }
    SAFEARRAYBOUND bigger{5, 1};
    ASSERT_EQ(SafeArrayRedim(array.get(), &bigger), S_OK);
    LONG lower = 0, upper = 0;
    SafeArrayGetLBound(array.get(), 1, &lower);
    SafeArrayGetUBound(array.get(), 1, &upper);
    EXPECT_EQ(lower, 1);
    EXPECT_EQ(upper, 5);
    {
        SafeArrayData<LONG> data(array.get());
        EXPECT_EQ(data[2], 3);
        EXPECT_EQ(data[3], 0);
        EXPECT_EQ(data[4], 0);
    }
    SAFEARRAYBOUND none{0, 0};
    ASSERT_EQ(SafeArrayRedim(array.get(), &none), S_OK);
    EXPECT_EQ(SafeArrayElementCount(array.get()), 0u);
}

TEST(SafeArray, RedimOfTwoDimensionsChangesTheLast) {
    SAFEARRAYBOUND bounds[] = {{2, 0}, {2, 0}};
    SafeArrayPtr array(SafeArrayCreate(VT_I4, 2, bounds));
    for (LONG j = 0; j < 2; ++j)
        for (LONG i = 0; i < 2; ++i) {
            LONG at[] = {i, j}, value = 10 * i + j;
            SafeArrayPutElement(array.get(), at, &value);
        }
    SAFEARRAYBOUND three{3, 0};
    ASSERT_EQ(SafeArrayRedim(array.get(), &three), S_OK);
    LONG at[] = {1, 1}, value = 0;
    ASSERT_EQ(SafeArrayGetElement(array.get(), at, &value), S_OK);
    EXPECT_EQ(value, 11);
    LONG fresh[] = {1, 2};
    ASSERT_EQ(SafeArrayGetElement(array.get(), fresh, &value), S_OK);
    EXPECT_EQ(value, 0);
}

TEST(SafeArray, TextElementsAreCopiedInAndOut) {
    SafeArrayPtr array(SafeArrayCreateVector(VT_BSTR, 0, 3));
    Bstr text("kept");
    LONG index = 1;
    ASSERT_EQ(SafeArrayPutElement(array.get(), &index, text.get()), S_OK);
    ASSERT_EQ(SafeArrayPutElement(array.get(), &index, text.get()), S_OK); // replaces, frees the first copy
    Bstr out;
    ASSERT_EQ(SafeArrayGetElement(array.get(), &index, out.Out()), S_OK);
    EXPECT_NE(out.get(), text.get());
    EXPECT_EQ(out.Utf8(), "kept");
    // Shrinking frees the texts that go; the leak checker would tell otherwise.
    SAFEARRAYBOUND one{1, 0};
    EXPECT_EQ(SafeArrayRedim(array.get(), &one), S_OK);

    SafeArrayPtr copy;
    ASSERT_EQ(SafeArrayCopy(array.get(), copy.Out()), S_OK);
    EXPECT_EQ(SafeArrayElementCount(copy.get()), 1u);
}

TEST(SafeArray, VariantAndObjectElementsOwnTheirValues) {
    SafeArrayPtr variants(SafeArrayCreateVector(VT_VARIANT, 0, 2));
    Variant text("value");
    LONG index = 0;
    ASSERT_EQ(SafeArrayPutElement(variants.get(), &index, &text), S_OK);
    Variant out;
    ASSERT_EQ(SafeArrayGetElement(variants.get(), &index, &out), S_OK);
    EXPECT_EQ(Utf8FromBstr(out.bstrVal), "value");
    EXPECT_NE(out.bstrVal, text.bstrVal);

    ComPtr<IPropertyBag> bag = MakeMemoryPropertyBag();
    SafeArrayPtr objects(SafeArrayCreateVector(VT_UNKNOWN, 0, 1));
    ASSERT_EQ(SafeArrayPutElement(objects.get(), &index, static_cast<IUnknown*>(bag.get())), S_OK);
    EXPECT_EQ(bag->AddRef(), 3u) << "the array holds a reference";
    bag->Release();
    objects = SafeArrayPtr();
    EXPECT_EQ(bag->AddRef(), 2u) << "destroying the array released it";
    bag->Release();
}
