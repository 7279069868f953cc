// The formatted I/O engine: output conversions, 488.2 forms, arrays, blocks and raw
// binary with their byte orders; input conversions over messages; refused formats.
#include "formatted_io.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace corvid::visa {
namespace {

struct Collector : FormatSink {
    ViStatus Put(const char* data, std::size_t size) override {
        text.append(data, size);
        return VI_SUCCESS;
    }
    ViStatus EndOfMessage() override {
        messages.push_back(text);
        return VI_SUCCESS;
    }
    std::string text;
    std::vector<std::string> messages; // the output so far at each end of a message
};

struct Message : FormatSource {
    explicit Message(std::string bytes) : text(std::move(bytes)) {}
    int Peek() override { return at < text.size() ? static_cast<unsigned char>(text[at]) : -1; }
    void Take() override { ++at; }
    std::string text;
    std::size_t at = 0;
};

ViStatus Print(Collector& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    ViStatus status = FormatOutput(format, &args, out);
    va_end(args);
    return status;
}

std::string Printed(const char* format, ...) {
    Collector out;
    va_list args;
    va_start(args, format);
    EXPECT_EQ(FormatOutput(format, &args, out), VI_SUCCESS) << format;
    va_end(args);
    return out.text;
}

ViStatus Scan(Message& in, int& assigned, const char* format, ...) {
    va_list args;
    va_start(args, format);
    ViStatus status = ScanInput(format, &args, in, &assigned);
    va_end(args);
    return status;
}

TEST(FormattedOutput, StandardConversionsAndEscapes) {
    EXPECT_EQ(Printed("VOLT %d;CURR %+.3f %s %c %x %5.2e%%", 12, 0.5, "ON", 'Z', 255, 1234.5),
              "VOLT 12;CURR +0.500 ON Z ff 1.23e+03%");
    EXPECT_EQ(Printed("%hd %ld %lld", 70000, -5, 1LL << 40), "4464 -5 1099511627776");
    EXPECT_EQ(Printed("%*d|%-4d|%.*f", 4, 7, 3, 2, 3.14159), "   7|3   |3.14");
    EXPECT_EQ(Printed("a\\tb\\\\c\\101\\\"\\n"), "a\tb\\cA\"\n");
}

TEST(FormattedOutput, LineFeedsOfTheFormatEndMessages) {
    Collector out;
    ASSERT_EQ(Print(out, "*RST\n%s;*OPC?\\n", "*CLS"), VI_SUCCESS);
    EXPECT_EQ(out.messages, (std::vector<std::string>{"*RST\n", "*RST\n*CLS;*OPC?\n"}));
    Collector data;
    ASSERT_EQ(Print(data, "%s", "text\n"), VI_SUCCESS); // a line feed in data ends nothing
    EXPECT_TRUE(data.messages.empty());
}

TEST(FormattedOutput, Ieee4882NumberForms) {
    EXPECT_EQ(Printed("%@1d %@2d %@3d", 42, 42, 42), "42 42.000000 4.200000E+01");
    EXPECT_EQ(Printed("%@1f %@2.2f %@3.1f", 2.7, 2.5, 1500.0), "3 2.50 1.5E+03");
    EXPECT_EQ(Printed("%@Hd %@Qd %@Bd", 255, 8, 5), "#HFF #Q10 #B101");
}

TEST(FormattedOutput, CommaSeparatedArrays) {
    const std::int32_t ints[] = {1, -2, 3};
    const std::int16_t shorts[] = {4, 5};
    const double reals[] = {0.5, 1.25};
    const float floats[] = {2.5F};
    EXPECT_EQ(Printed("%,3d", ints), "1,-2,3");
    EXPECT_EQ(Printed("%,#hd", 2, shorts), "4,5");
    EXPECT_EQ(Printed("%,*lf", 2, reals), "0.500000,1.250000");
    EXPECT_EQ(Printed("%,1.1f", floats), "2.5");
}

TEST(FormattedOutput, BlocksAndRawBinaryWithByteOrder) {
    const std::uint8_t bytes[] = {1, 2, 3};
    const std::uint16_t words[] = {0x0102, 0x0304};
    const float reals[] = {1.0F};
    EXPECT_EQ(Printed("DATA %3b", bytes), std::string("DATA #13\x01\x02\x03", 11));
    EXPECT_EQ(Printed("%#hb", 2, words), std::string("#14\x01\x02\x03\x04", 7));
    EXPECT_EQ(Printed("%!ol2hb", words), std::string("#14\x02\x01\x04\x03", 7));
    EXPECT_EQ(Printed("%1zy", reals), std::string("\x3F\x80\x00\x00", 4));
    EXPECT_EQ(Printed("%!ol1zy", reals), std::string("\x00\x00\x80\x3F", 4));
    EXPECT_EQ(Printed("%#b", 0, bytes), "#10");
    Collector out;
    ASSERT_EQ(Print(out, "%2B", bytes), VI_SUCCESS); // an indefinite block ends its message
    EXPECT_EQ(out.messages, (std::vector<std::string>{std::string("#0\x01\x02\n", 5)}));
}

TEST(FormattedOutput, MalformedAndUnsupportedFormats) {
    Collector out;
    EXPECT_EQ(Print(out, "%"), VI_ERROR_INV_FMT);
    EXPECT_EQ(Print(out, "%q"), VI_ERROR_INV_FMT);
    EXPECT_EQ(Print(out, "%@7d", 1), VI_ERROR_INV_FMT);
    EXPECT_EQ(Print(out, "%!ox2b", "ab"), VI_ERROR_INV_FMT);
    EXPECT_EQ(Print(out, "%t"), VI_ERROR_INV_FMT); // input only
    EXPECT_EQ(Print(out, "%p", nullptr), VI_ERROR_NSUP_FMT);
    EXPECT_EQ(Print(out, "%,3d", nullptr), VI_ERROR_USER_BUF);
}

TEST(FormattedInput, NumbersInTheirIeee4882Forms) {
    Message in("+1.50000000E+01;-7, #H1F #Q17 #B101 42 9.9E37\n");
    float f = 0;
    int i = 0, h = 0, q = 0, b = 0;
    std::int64_t wide = 0;
    double big = 0;
    int assigned = 0;
    ASSERT_EQ(Scan(in, assigned, "%f;%d, %d %d %d %lld %lf", &f, &i, &h, &q, &b, &wide, &big), VI_SUCCESS);
    EXPECT_EQ(assigned, 7);
    EXPECT_FLOAT_EQ(f, 15.0F);
    EXPECT_EQ(i, -7);
    EXPECT_EQ(h, 31);
    EXPECT_EQ(q, 15);
    EXPECT_EQ(b, 5);
    EXPECT_EQ(wide, 42);
    EXPECT_DOUBLE_EQ(big, 9.9e37);
}

TEST(FormattedInput, ArraysStopAtTheirSizeOrTheLastNumber) {
    Message in("1.5,2.5,3.5,4.5\n");
    double values[3] = {};
    int assigned = 0;
    ASSERT_EQ(Scan(in, assigned, "%,3lf", values), VI_SUCCESS);
    EXPECT_EQ(values[2], 3.5);
    Message shorter("10,20\n");
    std::int16_t words[8] = {};
    int count = 8;
    ASSERT_EQ(Scan(shorter, assigned, "%,#hd", &count, words), VI_SUCCESS);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(words[1], 20);
}

TEST(FormattedInput, TextConversions) {
    Message in("  VOLT  ab12xy rest of it\nnext");
    char word[16] = {}, set[8] = {}, rest[32] = {};
    char two[2] = {};
    int size = sizeof rest;
    int assigned = 0;
    ASSERT_EQ(Scan(in, assigned, "%s %[a-z0-9]%2c%#T", word, set, two, &size, rest), VI_SUCCESS);
    EXPECT_STREQ(word, "VOLT");
    EXPECT_STREQ(set, "ab12xy");
    EXPECT_EQ(std::string(two, 2), " r");
    EXPECT_STREQ(rest, "est of it\n");
    EXPECT_EQ(size, 10);
    char tail[8] = {};
    ASSERT_EQ(Scan(in, assigned, "%t", tail), VI_SUCCESS);
    EXPECT_STREQ(tail, "next");
    // A "#" size leaves room for the terminating zero.
    Message longWord("abcdefgh");
    char small[4] = {};
    size = sizeof small;
    ASSERT_EQ(Scan(longWord, assigned, "%#s", &size, small), VI_SUCCESS);
    EXPECT_STREQ(small, "abc");
}

TEST(FormattedInput, DefiniteAndIndefiniteBlocks) {
    Message definite(std::string("#14\x01\x02\x03\x04\n", 8));
    std::uint16_t words[4] = {};
    int count = 4;
    int assigned = 0;
    ASSERT_EQ(Scan(definite, assigned, "%#hb", &count, words), VI_SUCCESS);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(words[0], 0x0102);
    EXPECT_EQ(words[1], 0x0304);
    Message indefinite(std::string("#0\x05\x06\x07\n", 6));
    std::uint8_t bytes[8] = {};
    count = 8;
    ASSERT_EQ(Scan(indefinite, assigned, "%#b", &count, bytes), VI_SUCCESS);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(bytes[2], 7);
    Message raw(std::string("\x00\x00\x80\x3F", 4));
    float real = 0;
    ASSERT_EQ(Scan(raw, assigned, "%!ol1zy", &real), VI_SUCCESS);
    EXPECT_EQ(real, 1.0F);
}

TEST(FormattedInput, MismatchEndsTheScanAndSuppressionStoresNothing) {
    Message in("12,ABC\n");
    int first = 0, second = -1;
    int assigned = 0;
    ASSERT_EQ(Scan(in, assigned, "%*d,%d", &second), VI_SUCCESS);
    EXPECT_EQ(assigned, 0);
    EXPECT_EQ(second, -1);
    Message again("12;13\n");
    ASSERT_EQ(Scan(again, assigned, "%d,%d", &first, &second), VI_SUCCESS);
    EXPECT_EQ(assigned, 1);
    EXPECT_EQ(first, 12);
    Message any("x");
    EXPECT_EQ(Scan(any, assigned, "%p", nullptr), VI_ERROR_NSUP_FMT);
    EXPECT_EQ(Scan(any, assigned, "%,d", nullptr), VI_ERROR_INV_FMT);
}

} // namespace
} // namespace corvid::visa
