// Identifiers, result texts and automation text (BSTR).
#include "com/bstr.h"
#include "com/guid.h"
#include "com/hresult.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace corvid::com;

TEST(Guid, ParsesAnyCaseAndFormatsUpperCaseWithBraces) {
    auto guid = ParseGuid("{adf86d73-9285-11d1-af74-0060b01a7e89}");
    ASSERT_TRUE(guid);
    EXPECT_EQ(guid->Data1, 0xADF86D73u);
    EXPECT_EQ(guid->Data2, 0x9285);
    EXPECT_EQ(guid->Data3, 0x11D1);
    EXPECT_EQ(guid->Data4[0], 0xAF);
    EXPECT_EQ(guid->Data4[7], 0x89);
    EXPECT_EQ(FormatGuid(*guid), "{ADF86D73-9285-11D1-AF74-0060B01A7E89}");
    EXPECT_EQ(*guid, MakeGuid("{ADF86D73-9285-11D1-AF74-0060B01A7E89}"));
    EXPECT_EQ(ParseGuid(u"{ADF86D73-9285-11D1-AF74-0060B01A7E89}"), guid);
}

TEST(Guid, RejectsMalformedTexts) {
    for (const char* text :
         {"ADF86D73-9285-11D1-AF74-0060B01A7E89", "{ADF86D73-9285-11D1-AF74-0060B01A7E8}",
          "{ADF86D73-9285-11D1-AF74-0060B01A7E89", "{ADF86D73-9285-11D1-AF74-0060B01A7G89}",
          "{ADF86D73+9285-11D1-AF74-0060B01A7E89}", "{ADF86D7-39285-11D1-AF74-0060B01A7E89}", ""})
        EXPECT_FALSE(ParseGuid(text)) << text;
    EXPECT_FALSE(ParseGuid(u"{ADF86D73-9285-11D1-AF74-0060B01A7E8\u00e9}"));
}

TEST(HResult, TextsAndFormatting) {
    EXPECT_EQ(HResultText(REGDB_E_CLASSNOTREG), "Class not registered");
    EXPECT_EQ(HResultText(DISP_E_ARRAYISLOCKED), "Array locked");
    EXPECT_EQ(HResultText(static_cast<HRESULT>(0x8004E000u)), "Unknown error 0x8004E000");
    EXPECT_EQ(HResultFromWin32(ERROR_PROC_NOT_FOUND), static_cast<HRESULT>(0x8007007Fu));
    EXPECT_TRUE(FAILED(E_UNEXPECTED));
    EXPECT_TRUE(SUCCEEDED(S_FALSE));
}

TEST(Bstr, CarriesItsByteLengthBeforeAndAZeroAfter) {
    const char16_t text[] = u"ab\0cd";
    BSTR bstr = SysAllocStringLen(text, 5);
    ASSERT_NE(bstr, nullptr);
    std::uint32_t prefix;
    std::memcpy(&prefix, reinterpret_cast<char*>(bstr) - 4, 4);
    EXPECT_EQ(prefix, 10u);
    EXPECT_EQ(SysStringLen(bstr), 5u);
    EXPECT_EQ(SysStringByteLen(bstr), 10u);
    EXPECT_EQ(bstr[2], u'\0');
    EXPECT_EQ(bstr[5], u'\0');
    EXPECT_EQ(BstrView(bstr), std::u16string_view(text, 5));
    SysFreeString(bstr);
}

TEST(Bstr, NullAndEmptyAndOversized) {
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
    Bstr zeroed = Bstr::Adopt(SysAllocStringLen(nullptr, 3));
    ASSERT_NE(zeroed.get(), nullptr);
    EXPECT_EQ(zeroed.View(), std::u16string_view(u"\0\0\0", 3));
    EXPECT_EQ(SysAllocStringLen(u"x", 0x80000000u), nullptr);
    EXPECT_EQ(Utf8FromBstr(nullptr), "");
    BSTR slot = SysAllocString(u"old");
    EXPECT_TRUE(SysReAllocString(&slot, u"newer"));
    EXPECT_EQ(BstrView(slot), u"newer");
    SysFreeString(slot);
}

TEST(Bstr, Utf8RoundTripIncludingSurrogatePairsAndZeros) {
    std::string text("Gr\xC3\xBC\xC3\x9F\x65 \xE2\x82\xAC \xF0\x9D\x84\x9E\0end", 20);
    Bstr bstr(text);
    EXPECT_EQ(bstr.View(), std::u16string_view(u"Grüße € \U0001D11E\0end", 14));
    EXPECT_EQ(bstr.Utf8(), text);
}

TEST(Bstr, MalformedInputBecomesReplacementCharacters) {
    struct Case {
        std::string utf8;
        std::u16string utf16;
    } cases[] = {
        {"a\xC3", u"a\uFFFD"},                             // truncated sequence
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                     // overlong form
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},           // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // beyond U+10FFFF
        {"\xE2\x28\xA1", u"\uFFFD(\uFFFD"},                // bad continuation
    };
    for (const auto& c : cases)
        EXPECT_EQ(Utf16FromUtf8(c.utf8), c.utf16) << c.utf8;
    EXPECT_EQ(Utf8FromUtf16(u"x\xD800y"), "x\xEF\xBF\xBDy"); // unpaired surrogate
    EXPECT_EQ(Utf8FromUtf16(std::u16string(1, u'\xDC00')), "\xEF\xBF\xBD");
}

TEST(Bstr, OwnerCopiesAreIndependent) {
    Bstr first("one");
    Bstr second = first;
    EXPECT_NE(first.get(), second.get());
    second = Bstr("two");
    EXPECT_EQ(first.Utf8(), "one");
    BSTR raw = second.Detach();
    EXPECT_EQ(second.get(), nullptr);
    Bstr adopted = Bstr::Adopt(raw);
    EXPECT_EQ(adopted.Utf8(), "two");
}
