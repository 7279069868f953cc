// VARIANT ownership and the conversions of VariantChangeType.
#include "com/safearray.h"
#include "com/variant.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace corvid::com;

namespace {

Variant ByRef(VARTYPE vt, void* target) {
    Variant v;
    v.vt = VT_BYREF | vt;
    v.byref = target;
    return v;
}

// The conversion of source to vt, expecting success.
Variant Converted(const VARIANT& source, VARTYPE vt, USHORT flags = 0) {
    Variant result;
    EXPECT_EQ(VariantChangeType(&result, &source, flags, vt), S_OK);
    EXPECT_EQ(result.vt, vt);
    return result;
}

HRESULT ConversionResult(const VARIANT& source, VARTYPE vt) {
    Variant result(LONG(99));
    HRESULT hr = VariantChangeType(&result, &source, 0, vt);
    if (FAILED(hr)) {
        EXPECT_EQ(result.vt, VT_I4) << "dest must be left as it was";
        EXPECT_EQ(result.lVal, 99);
    }
    return hr;
}

std::string Text(const VARIANT& source, USHORT flags = 0) {
    return Utf8FromBstr(Converted(source, VT_BSTR, flags).bstrVal);
}

} // namespace

TEST(VariantConversion, TextsToNumbers) {
    EXPECT_EQ(Converted(Variant("12"), VT_I4).lVal, 12);
    EXPECT_EQ(Converted(Variant(" +7 "), VT_I2).iVal, 7);
    EXPECT_EQ(Converted(Variant("12.5"), VT_I4).lVal, 12); // half to even
    EXPECT_EQ(Converted(Variant("13.5"), VT_I4).lVal, 14);
    EXPECT_DOUBLE_EQ(Converted(Variant("-1.25e2"), VT_R8).dblVal, -125.0);
    EXPECT_EQ(Converted(Variant("255"), VT_UI1).bVal, 255);
    EXPECT_EQ(ConversionResult(Variant("abc"), VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(ConversionResult(Variant(""), VT_R8), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(ConversionResult(Variant("12abc"), VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(ConversionResult(Variant("70000"), VT_I2), DISP_E_OVERFLOW);
    EXPECT_EQ(ConversionResult(Variant("1e999"), VT_R8), DISP_E_OVERFLOW);
}

TEST(VariantConversion, NumbersBetweenTypes) {
    EXPECT_EQ(Converted(Variant(2.5), VT_I4).lVal, 2);
    EXPECT_EQ(Converted(Variant(-2.5), VT_I4).lVal, -2);
    EXPECT_EQ(Converted(Variant(3.5), VT_I2).iVal, 4);
    EXPECT_EQ(Converted(Variant(LONG(-5)), VT_R4).fltVal, -5.0f);
    EXPECT_EQ(Converted(Variant(ULONG(4000000000u)), VT_R8).dblVal, 4e9);
    EXPECT_EQ(ConversionResult(Variant(LONG(-1)), VT_UI1), DISP_E_OVERFLOW);
    EXPECT_EQ(ConversionResult(Variant(LONG(-1)), VT_UI4), DISP_E_OVERFLOW);
    EXPECT_EQ(ConversionResult(Variant(1e10), VT_I4), DISP_E_OVERFLOW);
    EXPECT_EQ(ConversionResult(Variant(std::nan("")), VT_I4), DISP_E_OVERFLOW);
    EXPECT_EQ(ConversionResult(Variant(1e300), VT_R4), DISP_E_OVERFLOW);
}

TEST(VariantConversion, Booleans) {
    EXPECT_EQ(Converted(Variant(true), VT_I4).lVal, -1);
    EXPECT_EQ(Converted(Variant(LONG(5)), VT_BOOL).boolVal, VARIANT_TRUE);
    EXPECT_EQ(Converted(Variant(0.0), VT_BOOL).boolVal, VARIANT_FALSE);
    EXPECT_EQ(Converted(Variant("TRUE"), VT_BOOL).boolVal, VARIANT_TRUE);
    EXPECT_EQ(Converted(Variant("false"), VT_BOOL).boolVal, VARIANT_FALSE);
    EXPECT_EQ(Converted(Variant("2"), VT_BOOL).boolVal, VARIANT_TRUE);
    EXPECT_EQ(Text(Variant(true)), "-1");
    EXPECT_EQ(Text(Variant(true), VARIANT_ALPHABOOL), "True");
    EXPECT_EQ(Text(Variant(false), VARIANT_ALPHABOOL), "False");
    // A boolean that is neither -1 nor 0 keeps its value when passed as a boolean.
    Variant odd(VARIANT_BOOL(1));
    EXPECT_EQ(Converted(odd, VT_BOOL).boolVal, VARIANT_BOOL(1));
}

TEST(VariantConversion, NumbersToTexts) {
    EXPECT_EQ(Text(Variant(LONG(-42))), "-42");
    EXPECT_EQ(Text(Variant(0.1)), "0.1");
    EXPECT_EQ(Text(Variant(1e20)), "1E+20");
    EXPECT_EQ(Text(Variant(12.7)), "12.7");
    EXPECT_EQ(Text(Variant(0.1f)), "0.1");
    EXPECT_EQ(Text(Variant(BYTE(200))), "200");
    EXPECT_EQ(Text(Variant()), "");
}

TEST(VariantConversion, EmptyNullErrorAndBadTypes) {
    EXPECT_EQ(Converted(Variant(), VT_I4).lVal, 0);
    Variant null;
    null.vt = VT_NULL;
    EXPECT_EQ(ConversionResult(null, VT_I4), DISP_E_TYPEMISMATCH);
    Variant error;
    error.vt = VT_ERROR;
    error.scode = E_FAIL;
    EXPECT_EQ(ConversionResult(error, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Converted(error, VT_ERROR).scode, E_FAIL);
    EXPECT_EQ(ConversionResult(Variant(LONG(1)), VT_BYREF | VT_I4), DISP_E_BADVARTYPE);
    EXPECT_EQ(ConversionResult(Variant(LONG(1)), VT_VARIANT), DISP_E_BADVARTYPE);
    EXPECT_EQ(ConversionResult(Variant(LONG(1)), 77), DISP_E_BADVARTYPE);
    Variant unknown;
    unknown.vt = 77;
    EXPECT_EQ(VariantClear(&unknown), DISP_E_BADVARTYPE);
    unknown.vt = VT_EMPTY;
}

TEST(VariantConversion, ReferencesAreFollowed) {
    LONG number = 7;
    EXPECT_EQ(Text(ByRef(VT_I4, &number)), "7");
    Variant inner("3.5");
    EXPECT_DOUBLE_EQ(Converted(ByRef(VT_VARIANT, &inner), VT_R8).dblVal, 3.5);
    EXPECT_EQ(ConversionResult(ByRef(VT_I4, nullptr), VT_BSTR), E_POINTER);
}

TEST(VariantConversion, InPlaceConversionFreesTheOldValue) {
    Variant v("123");
    ASSERT_EQ(v.ChangeType(VT_I4), S_OK);
    EXPECT_EQ(v.vt, VT_I4);
    EXPECT_EQ(v.lVal, 123);
    Variant text("x");
    EXPECT_EQ(text.ChangeType(VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Utf8FromBstr(text.bstrVal), "x");
}

TEST(VariantConversion, ArraysConvertElementByElement) {
    SafeArrayPtr source(SafeArrayCreateVector(VT_VARIANT, 1, 3));
    Variant elements[] = {Variant(LONG(1)), Variant("2.5"), Variant(3.0f)};
    for (LONG i = 0; i < 3; ++i) {
        LONG index = i + 1;
        ASSERT_EQ(SafeArrayPutElement(source.get(), &index, &elements[i]), S_OK);
    }
    Variant array = Variant::AdoptArray(source.Detach());
    ASSERT_EQ(array.vt, VT_ARRAY | VT_VARIANT);
    Variant doubles = Converted(array, VT_ARRAY | VT_R8);
    LONG lower = 0;
    SafeArrayGetLBound(doubles.parray, 1, &lower);
    EXPECT_EQ(lower, 1);
    SafeArrayData<double> data(doubles.parray);
    EXPECT_EQ(data[0], 1.0);
    EXPECT_EQ(data[1], 2.5);
    EXPECT_EQ(data[2], 3.0);

    Variant texts = Converted(doubles, VT_ARRAY | VT_BSTR);
    LONG second = 2;
    BSTR element = nullptr;
    ASSERT_EQ(SafeArrayGetElement(texts.parray, &second, &element), S_OK);
    EXPECT_EQ(Utf8FromBstr(element), "2.5");
    SysFreeString(element);

    Variant bad = Converted(array, VT_ARRAY | VT_VARIANT);
    LONG first = 1;
    Variant word("word");
    SafeArrayPutElement(bad.parray, &first, &word);
    EXPECT_EQ(ConversionResult(bad, VT_ARRAY | VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(ConversionResult(Variant(LONG(1)), VT_ARRAY | VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(ConversionResult(array, VT_I4), DISP_E_TYPEMISMATCH);
}

TEST(VariantOwnership, CopyIsDeepAndClearFrees) {
    Variant text("hello");
    Variant copy(text);
    EXPECT_NE(copy.bstrVal, text.bstrVal);
    EXPECT_EQ(Utf8FromBstr(copy.bstrVal), "hello");

    Variant array = Variant::AdoptArray(SafeArrayCreateVector(VT_BSTR, 0, 2));
    Variant arrayCopy = array;
    EXPECT_NE(arrayCopy.parray, array.parray);

    BSTR referenced = SysAllocString(u"ref");
    Variant reference = ByRef(VT_BSTR, &referenced);
    Variant shallow;
    ASSERT_EQ(VariantCopy(&shallow, &reference), S_OK);
    EXPECT_EQ(shallow.pbstrVal, &referenced);
    Variant deep;
    ASSERT_EQ(VariantCopyInd(&deep, &reference), S_OK);
    EXPECT_EQ(deep.vt, VT_BSTR);
    EXPECT_NE(deep.bstrVal, referenced);
    shallow.Clear(); // a reference owns nothing
    SysFreeString(referenced);
}

TEST(VariantOwnership, ClearingALockedArrayFailsAndKeepsIt) {
    Variant array = Variant::AdoptArray(SafeArrayCreateVector(VT_I4, 0, 4));
    SAFEARRAY* held = array.parray;
    ASSERT_EQ(SafeArrayLock(held), S_OK);
    EXPECT_EQ(VariantClear(&array), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(array.parray, held);
    Variant other(LONG(1));
    EXPECT_EQ(VariantCopy(&array, &other), DISP_E_ARRAYISLOCKED);
    ASSERT_EQ(SafeArrayUnlock(held), S_OK);
    EXPECT_EQ(VariantClear(&array), S_OK);
    EXPECT_EQ(array.vt, VT_EMPTY);
}

TEST(VariantOwnership, AdoptAndDetachMoveOwnership) {
    VARIANT raw;
    VariantInit(&raw);
    raw.vt = VT_BSTR;
    raw.bstrVal = BstrFromUtf8("moved");
    Variant owner = Variant::Adopt(&raw);
    EXPECT_EQ(raw.vt, VT_EMPTY);
    owner.Detach(&raw);
    EXPECT_EQ(owner.vt, VT_EMPTY);
    EXPECT_EQ(Utf8FromBstr(raw.bstrVal), "moved");
    VariantClear(&raw);
}
