// Arrays of numbers written and read as raw bytes, against the fake VISA library.
#include "driver_fixture.h"

#include <gtest/gtest.h>

namespace corvid::driver::testing {
namespace {

using ::testing::ElementsAre;

class RawArrays : public DriverTest {
protected:
    void SetUp() override { Open(); }

    template <class T>
    static std::string BytesOf(const std::vector<T>& values) {
        return std::string(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T));
    }
};

TEST_F(RawArrays, EveryWriteSendsTheElementBytes) {
    SafeArrayPtr doubles(MakeArray<double>(VT_R8, {1.5, -2.25}));
    SafeArrayPtr floats(MakeArray<float>(VT_R4, {3.5f}));
    SafeArrayPtr bytes(MakeArray<BYTE>(VT_UI1, {1, 2, 255}));
    SafeArrayPtr shorts(MakeArray<SHORT>(VT_I2, {-1, 300}));
    SafeArrayPtr longs(MakeArray<LONG>(VT_I4, {70000}));
    ASSERT_EQ(gpib->WriteRawDoubles(doubles.get()), S_OK);
    ASSERT_EQ(gpib->WriteRawFloats(floats.get()), S_OK);
    ASSERT_EQ(gpib->WriteRaw8Bits(bytes.get()), S_OK);
    ASSERT_EQ(gpib->WriteRaw16Bits(shorts.get()), S_OK);
    ASSERT_EQ(gpib->WriteRaw32Bits(longs.get()), S_OK);
    EXPECT_THAT(visa.written,
                ElementsAre(BytesOf<double>({1.5, -2.25}), BytesOf<float>({3.5f}), BytesOf<BYTE>({1, 2, 255}),
                            BytesOf<SHORT>({-1, 300}), BytesOf<LONG>({70000})));
    EXPECT_THAT(TakeLogTexts(),
                ElementsAre("Write - Binary Data", "Write - Binary Data", "Write - Binary Data",
                            "Write - Binary Data", "Write - Binary Data"));
    EXPECT_EQ(doubles.get()->cLocks, 0u); // access released
}

TEST_F(RawArrays, AWriteTakesTheFirstDimensionOfAMatrix) {
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {3, 0}};
    SafeArrayPtr matrix(SafeArrayCreate(VT_I4, 2, bounds));
    ASSERT_EQ(gpib->WriteRaw32Bits(matrix.get()), S_OK);
    EXPECT_EQ(visa.written.at(0).size(), 2 * sizeof(LONG));
}

TEST_F(RawArrays, AnEmptyArrayWritesNothingButStillCallsVisa) {
    SafeArrayPtr empty(SafeArrayCreateVector(VT_R8, 0, 0));
    ASSERT_EQ(gpib->WriteRawDoubles(empty.get()), S_OK);
    EXPECT_THAT(visa.calls, ElementsAre("viWrite 100 0"));
}

TEST_F(RawArrays, ALockedArrayIsRefusedWithoutWriting) {
    SafeArrayPtr doubles(MakeArray<double>(VT_R8, {1.0}));
    SafeArrayLock(doubles.get());
    // A locked array can still be accessed; what fails is an array that cannot be had at all.
    EXPECT_EQ(gpib->WriteRawDoubles(doubles.get()), S_OK);
    SafeArrayUnlock(doubles.get());
    visa.calls.clear();
    EXPECT_EQ(gpib->WriteRawDoubles(nullptr), E_INVALIDARG);
    std::string description = TakeErrorDescription();
    EXPECT_EQ(MessageOf(description), "Array locked");
    EXPECT_EQ(CommandOf(description), "CVisaGpib::WriteRawDoubles");
    EXPECT_TRUE(visa.calls.empty());
}

TEST_F(RawArrays, AnArrayOfAnotherElementTypeIsRefused) {
    SafeArrayPtr longs(MakeArray<LONG>(VT_I4, {1, 2}));
    SafeArrayPtr shorts(MakeArray<SHORT>(VT_I2, {1, 2}));
    SafeArrayPtr texts(SafeArrayCreateVector(VT_BSTR, 0, 2));
    EXPECT_EQ(gpib->WriteRawDoubles(longs.get()), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(MessageOf(TakeErrorDescription()), "Wrong array element type");
    EXPECT_EQ(gpib->WriteRawFloats(longs.get()), DISP_E_TYPEMISMATCH); // same size, other type
    EXPECT_EQ(gpib->WriteRaw16Bits(texts.get()), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(gpib->WriteRaw32Bits(shorts.get()), DISP_E_TYPEMISMATCH);
    EXPECT_TRUE(visa.calls.empty());
    EXPECT_EQ(longs.get()->cLocks, 0u);
}

TEST_F(RawArrays, AFailingWriteGivesTheIoResult) {
    visa.statuses["viWrite"] = {VI_ERROR_TMO};
    SafeArrayPtr bytes(MakeArray<BYTE>(VT_UI1, {1}));
    EXPECT_EQ(gpib->WriteRaw8Bits(bytes.get()), VISAGPIB_E_IO);
    EXPECT_EQ(CommandOf(TakeErrorDescription()), "CVisaGpib::WriteRaw8Bits");
    EXPECT_EQ(log->entries.at(0).result, "FAILED");
}

TEST_F(RawArrays, ReadsFillAnArrayOfTheRequestedSize) {
    std::vector<double> values(100);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<double>(i) / 4;
    visa.replies = {BytesOf(values) + "\n\n\n\n"}; // 804 bytes; 800 are asked for
    SafeArrayPtr array;
    ASSERT_EQ(gpib->ReadRawDoubles(array.Out(), 100), S_OK);
    EXPECT_EQ(ArrayValues<double>(array.get()), values);
    EXPECT_THAT(visa.calls, ElementsAre("viRead 100 800"));
    EXPECT_THAT(TakeLogTexts(), ElementsAre("Read : Binary Data"));
    LONG lower = -1;
    SafeArrayGetLBound(array.get(), 1, &lower);
    EXPECT_EQ(lower, 0);
}

TEST_F(RawArrays, AShortReadShrinksTheArrayToTheWholeElementsReceived) {
    std::vector<double> values(50, 2.5);
    visa.replies = {BytesOf(values) + "\n\n\n\n"}; // 404 bytes
    SafeArrayPtr array;
    ASSERT_EQ(gpib->ReadRawDoubles(array.Out(), 100), S_OK);
    EXPECT_EQ(ArrayValues<double>(array.get()), values);

    visa.replies = {"abc"};
    ASSERT_EQ(gpib->ReadRaw32Bits(array.Out(), 4), S_OK);
    EXPECT_EQ(SafeArrayElementCount(array.get()), 0u);
}

TEST_F(RawArrays, EveryElementTypeIsRead) {
    visa.replies = {BytesOf<float>({1.25f, 2.5f}), BytesOf<BYTE>({9, 8, 7}), BytesOf<SHORT>({-300, 42}),
                    BytesOf<LONG>({-70000})};
    SafeArrayPtr floats, bytes, shorts, longs;
    ASSERT_EQ(gpib->ReadRawFloats(floats.Out(), 2), S_OK);
    ASSERT_EQ(gpib->ReadRaw8Bits(bytes.Out(), 3), S_OK);
    ASSERT_EQ(gpib->ReadRaw16Bits(shorts.Out(), 2), S_OK);
    ASSERT_EQ(gpib->ReadRaw32Bits(longs.Out(), 1), S_OK);
    EXPECT_THAT(ArrayValues<float>(floats.get()), ElementsAre(1.25f, 2.5f));
    EXPECT_THAT(ArrayValues<BYTE>(bytes.get()), ElementsAre(9, 8, 7));
    EXPECT_THAT(ArrayValues<SHORT>(shorts.get()), ElementsAre(-300, 42));
    EXPECT_THAT(ArrayValues<LONG>(longs.get()), ElementsAre(-70000));
    VARTYPE vt = 0;
    SafeArrayGetVartype(shorts.get(), &vt);
    EXPECT_EQ(vt, VT_I2);
}

TEST_F(RawArrays, NegativeCountsAndFailedReads) {
    SafeArrayPtr array;
    EXPECT_EQ(gpib->ReadRawFloats(array.Out(), -1), E_INVALIDARG);
    std::string description = TakeErrorDescription();
    EXPECT_EQ(MessageOf(description), "Can't Read a negative amount of Data");
    EXPECT_EQ(CommandOf(description), "CVisaGpib::ReadRawFloats");
    EXPECT_EQ(array.get(), nullptr);
    EXPECT_EQ(gpib->ReadRaw16Bits(array.Out(), 3), VISAGPIB_E_IO); // times out
    EXPECT_EQ(CommandOf(TakeErrorDescription()), "CVisaGpib::ReadRaw16Bits");
    EXPECT_EQ(array.get(), nullptr);
}

} // namespace
} // namespace corvid::driver::testing
