// The in-memory property bag.
#include "com/object.h"
#include "com/property_bag.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace corvid::com;

namespace {

class RecordingLog final : public ComClass<RecordingLog, IErrorLog> {
public:
    HRESULT AddError(LPCOLESTR name, EXCEPINFO* exception) override {
        entries.push_back({Utf8FromUtf16(name), exception ? exception->scode : S_OK});
        return S_OK;
    }
    std::vector<std::pair<std::string, HRESULT>> entries;

private:
    ~RecordingLog() override = default;
};

class PropertyBag : public ::testing::Test {
protected:
    ComPtr<IPropertyBag> bag = MakeMemoryPropertyBag();
};

} // namespace

TEST_F(PropertyBag, ReadsAsStoredOrConverted) {
    ASSERT_EQ(PropertyBagWrite(bag.get(), "GpibPrimaryAddress", Variant("22")), S_OK);
    Variant value;
    ASSERT_EQ(PropertyBagRead(bag.get(), "GpibPrimaryAddress", VT_EMPTY, value), S_OK);
    EXPECT_EQ(value.vt, VT_BSTR);
    ASSERT_EQ(PropertyBagRead(bag.get(), "gpibprimaryaddress", VT_I4, value), S_OK);
    EXPECT_EQ(value.vt, VT_I4);
    EXPECT_EQ(value.lVal, 22);
}

TEST_F(PropertyBag, MissingAndUnconvertibleValuesFailAndAreLogged) {
    PropertyBagWrite(bag.get(), "Name", Variant("abc"));
    ComPtr<RecordingLog> log = MakeObject<RecordingLog>();
    VARIANT asked;
    VariantInit(&asked);
    asked.vt = VT_I4;
    asked.lVal = 5;
    EXPECT_EQ(bag->Read(u"Missing", &asked, log.get()), E_INVALIDARG);
    EXPECT_EQ(bag->Read(u"Name", &asked, log.get()), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(asked.vt, VT_I4);
    EXPECT_EQ(asked.lVal, 5) << "a failed read leaves the variant alone";
    ASSERT_EQ(log->entries.size(), 2u);
    EXPECT_EQ(log->entries[0], std::make_pair(std::string("Missing"), E_INVALIDARG));
    EXPECT_EQ(log->entries[1].second, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(bag->Read(nullptr, &asked, nullptr), E_POINTER);
}

TEST_F(PropertyBag, WritesCopiesAndReplacesByName) {
    Variant original("first");
    PropertyBagWrite(bag.get(), "Text", original);
    original = Variant("changed");
    LONG number = 9;
    VARIANT reference;
    VariantInit(&reference);
    reference.vt = VT_BYREF | VT_I4;
    reference.plVal = &number;
    ASSERT_EQ(bag->Write(u"Number", &reference), S_OK);
    number = 10;
    Variant value;
    ASSERT_EQ(PropertyBagRead(bag.get(), "TEXT", VT_EMPTY, value), S_OK);
    EXPECT_EQ(Utf8FromBstr(value.bstrVal), "first");
    ASSERT_EQ(PropertyBagRead(bag.get(), "Number", VT_EMPTY, value), S_OK);
    EXPECT_EQ(value.vt, VT_I4) << "a reference is stored as its value";
    EXPECT_EQ(value.lVal, 9);
    PropertyBagWrite(bag.get(), "text", Variant(LONG(3)));
    ASSERT_EQ(PropertyBagRead(bag.get(), "Text", VT_EMPTY, value), S_OK);
    EXPECT_EQ(value.vt, VT_I4);
}
