// Tables to safe arrays of the member's declared element type, and arrays back to tables.
#include "script_fixture.h"

namespace corvid::script::testing {
namespace {

class ArrayConversion : public ScriptTest {
protected:
    // Runs code with `gpib`, an initialised fake instrument.
    void ExpectWithInstrument(const std::string& code) {
        Expect("local gpib = CreateInstrument('FakeInstrument.FakeInstrument.1', "
               "{InstanceName = 'A', GpibBoardAddress = 0, GpibPrimaryAddress = 3})\n" +
               code);
    }
    std::string ErrorWithInstrument(const std::string& code) {
        return ErrorOf("local gpib = CreateInstrument('FakeInstrument.FakeInstrument.1', "
                       "{InstanceName = 'A', GpibBoardAddress = 0, GpibPrimaryAddress = 3})\n" +
                       code);
    }
};

TEST_F(ArrayConversion, EveryRawElementTypeRoundTrips) {
    ExpectWithInstrument(R"lua(
        local function same(a, b)
            if #a ~= #b then return false end
            for i = 1, #a do if a[i] ~= b[i] then return false end end
            return true
        end
        local cases = {
            {"Doubles", {1.5, -2.25, 1e300, 0}, 8},
            {"Floats", {0.5, -1.25, 3}, 4},
            {"8Bits", {0, 127, 255}, 1},
            {"16Bits", {-32768, 0, 32767}, 2},
            {"32Bits", {-2147483648, 0, 2147483647}, 4},
        }
        for _, case in ipairs(cases) do
            local kind, values, size = case[1], case[2], case[3]
            gpib["WriteRaw" .. kind](gpib, values)
            assert(gpib.Pending == #values * size, kind)
            local back = gpib["ReadRaw" .. kind](gpib, #values)
            assert(same(back, values), kind)
        end
        assert(math.type(gpib:ReadRaw16Bits(0)[1] or 0) == "integer")
    )lua");
}

TEST_F(ArrayConversion, AShortReadGivesTheWholeElementsReceived) {
    ExpectWithInstrument(R"lua(
        gpib:WriteRaw8Bits({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})
        local values = gpib:ReadRawDoubles(4)
        assert(#values == 1, #values)
        gpib:WriteRawDoubles({})
        assert(gpib.Pending == 0 and #gpib:ReadRawFloats(3) == 0)
    )lua");
}

TEST_F(ArrayConversion, ElementsThatDoNotFitTheDeclaredTypeAreRefused) {
    EXPECT_EQ(
        ErrorWithInstrument("gpib:WriteRaw8Bits({1, 256})"),
        "test:2: bad argument #1 to 'WriteRaw8Bits' (element 2: value 256 out of range for unsigned byte)");
    EXPECT_EQ(ErrorWithInstrument("gpib:WriteRaw16Bits({40000})"),
              "test:2: bad argument #1 to 'WriteRaw16Bits' (element 1: value 40000 out of range for 16-bit "
              "integer)");
    EXPECT_EQ(
        ErrorWithInstrument("gpib:WriteRaw32Bits({1, 2.5})"),
        "test:2: bad argument #1 to 'WriteRaw32Bits' (element 2: number has no integer representation)");
    EXPECT_EQ(ErrorWithInstrument("gpib:WriteRawDoubles({1, 'x'})"),
              "test:2: bad argument #1 to 'WriteRawDoubles' (element 2: number expected, got string)");
    EXPECT_EQ(ErrorWithInstrument("gpib:WriteRawFloats(1e39)"),
              "test:2: bad argument #1 to 'WriteRawFloats' (table expected, got number)");
    EXPECT_EQ(ErrorWithInstrument("gpib:WriteRawFloats({1e39})"),
              "test:2: bad argument #1 to 'WriteRawFloats' (element 1: value out of range for float)");
}

TEST_F(ArrayConversion, TextAndBooleanArrays) {
    ExpectWithInstrument(R"lua(
        assert(gpib:JoinTexts({"a", "b", 3}, "-") == "a-b-3")
        local parts = gpib:SplitText("x,,y", ",")
        assert(#parts == 3 and parts[1] == "x" and parts[2] == "" and parts[3] == "y")
        local inverted = gpib:Invert({true, false, true})
        assert(#inverted == 3 and inverted[1] == false and inverted[2] == true and inverted[3] == false)
    )lua");
}

TEST_F(ArrayConversion, TablesOfMixedValuesTravelAsArraysOfVariants) {
    ExpectWithInstrument(R"lua(
        local back = gpib:Mirror({1, "two", {3, 4.5}, true, {}})
        assert(#back == 5 and back[1] == 1 and back[2] == "two" and back[4] == true)
        assert(#back[3] == 2 and back[3][1] == 3 and back[3][2] == 4.5 and #back[5] == 0)
        local numbers = gpib:Mirror({1, 2.5})
        assert(math.type(numbers[1]) == "float")   -- one element type for all: double
    )lua");
    EXPECT_EQ(
        ErrorWithInstrument("local t = {}; t[1] = t\ngpib:Mirror(t)"),
        "test:3: bad argument #1 to 'Mirror' (tables nested too deeply (does a table contain itself?))");
}

TEST_F(ArrayConversion, InOutParametersTakeAValueAndGiveOneBack) {
    ExpectWithInstrument("assert(gpib:Increment(41) == 42)");
}

} // namespace
} // namespace corvid::script::testing
