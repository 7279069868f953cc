// Talking to a served instrument through its line, as a serial-port client does.
#include "serial_client.h"

#include <gtest/gtest.h>
#include <string>

namespace corvid::testing {
namespace {

constexpr const char* kCalibratorIdentity = "Vantor Calibration,VC-9100,VC91-004417,1.12";

// A meter wired to a source that is not on the line, with a trigger count and a slow query.
constexpr const char* kWiredBench = R"(board 0
instrument source at 0 1
    identity "Test,Source,1,1"
    property level "LEVel" real default 2.5
end
instrument meter at 0 2
    identity "Test,Meter,2,1"
    state count = 0
    value reading = source.level * 2
    on "READ?"
        reply "{reading}"
    on "COUNt?"
        reply "{count}"
    on "SLOW?"
        delay 700
        reply "slow"
    trigger
        set count = count + 1
end
)";

class ServingTest : public SimSerialTest {
protected:
    // Serves an instrument of the demo bench behind a link and opens the line.
    SerialClient& Start(const std::string& instrument, std::vector<std::string> arguments = {}) {
        link_ = (scratch.path() / "ttySIM0").string();
        arguments.insert(arguments.end(), {"--link", link_, instrument});
        server_.emplace(arguments);
        EXPECT_EQ(server_->Member("link"), link_) << server_->announcement();
        client_.emplace(link_);
        EXPECT_TRUE(client_->is_open());
        return *client_;
    }

    std::string link_;
    std::optional<SimSerial> server_;
    std::optional<SerialClient> client_;
};

TEST_F(ServingTest, IdentityQueryAnswersTheInstrumentsIdentity) {
    SerialClient& line = Start("cal");
    EXPECT_EQ(line.Query("*IDN?"), kCalibratorIdentity);
    // A carriage return before the line feed is dropped, not taken into the header.
    line.Write("*idn?\r\n");
    EXPECT_EQ(line.ReadLine(), kCalibratorIdentity);
}

TEST_F(ServingTest, PropertySetIsAnsweredByItsQuery) {
    SerialClient& line = Start("cal");
    line.Write("VOLT 1.5\n");
    line.Write("OUTP ON\n");
    std::optional<std::string> volt = line.Query("VOLT?");
    ASSERT_TRUE(volt);
    EXPECT_DOUBLE_EQ(std::stod(*volt), 1.5);
    EXPECT_EQ(line.Query("OUTP?"), "1");
    // Settings outside the range are refused and queued as errors.
    line.Write("VOLT 5000\n");
    EXPECT_EQ(line.Query("SYST:ERR?"), "-222,\"Data out of range\"");
    EXPECT_DOUBLE_EQ(std::stod(line.Query("VOLT?").value_or("nan")), 1.5);
}

TEST_F(ServingTest, TwoMessagesInOneWriteAreAnsweredInOrder) {
    SerialClient& line = Start("cal");
    line.Write("*IDN?\nOUTP?\n");
    EXPECT_EQ(line.ReadLine(), kCalibratorIdentity);
    EXPECT_EQ(line.ReadLine(), "0");
    // A slow query is not interrupted by the message written right after it.
    line.Write("*CAL?\n*IDN?\n");
    EXPECT_EQ(line.ReadLine(), "0");
    EXPECT_EQ(line.ReadLine(), kCalibratorIdentity);
    EXPECT_EQ(line.Query("SYST:ERR?"), "0,\"No error\"");
}

TEST_F(ServingTest, MessageSplitAcrossWritesIsCarriedOutWhole) {
    SerialClient& line = Start("cal");
    line.Write("*ID");
    line.Write("N?;OUT");
    line.Write("P?\n");
    EXPECT_EQ(line.ReadLine(), std::string(kCalibratorIdentity) + ";0");
}

TEST_F(ServingTest, ClientThatReopensTheLineStillGetsAnswers) {
    SerialClient& line = Start("cal");
    EXPECT_EQ(line.Query("*IDN?"), kCalibratorIdentity);
    line.Write("VOLT 2\n");
    client_.reset();
    for (int i = 0; i < 3; ++i) {
        SerialClient again(link_);
        ASSERT_TRUE(again.is_open());
        EXPECT_DOUBLE_EQ(std::stod(again.Query("VOLT?").value_or("nan")), 2.0);
    }
}

TEST_F(ServingTest, CommonCommandsWorkAsOnTheBus) {
    SerialClient& line = Start("meter", {"--bench", WriteBench(kWiredBench).string()});
    EXPECT_EQ(line.Query("*STB?"), "0");
    line.Write("*ESE 1;*OPC\n");
    EXPECT_EQ(line.Query("*STB?"), "32");
    line.Write("*CLS\n");
    EXPECT_EQ(line.Query("*STB?"), "0");
    line.Write("*TRG\n*TRG\n");
    EXPECT_EQ(line.Query("COUNt?"), "2");
    line.Write("*RST\n");
    EXPECT_EQ(line.Query("COUN?"), "0");
    line.Write("BOGUS\n");
    EXPECT_EQ(line.Query("*ESR?"), "32");
}

TEST_F(ServingTest, InstrumentWiredToAnotherStillEvaluates) {
    SerialClient& line = Start("meter", {"--bench", WriteBench(kWiredBench).string()});
    EXPECT_EQ(line.Query("READ?"), "5");
}

TEST_F(ServingTest, DelayedReplyIsAwaitedAndTheNextMessageFollowsIt) {
    SerialClient& line = Start("meter", {"--bench", WriteBench(kWiredBench).string()});
    line.Write("SLOW?\n");
    line.Write("READ?\n");
    EXPECT_EQ(line.ReadLine(std::chrono::seconds(20)), "slow");
    EXPECT_EQ(line.ReadLine(), "5");
}

} // namespace
} // namespace corvid::testing
