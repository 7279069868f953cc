#include "block_helpers.h"
#include "link/record_json.h"

#include <clocale>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <nlohmann/json.hpp>

using namespace corvid::link;
using namespace corvid::link::testing;

namespace {

CGPIBCommandInfo IdnWrite() {
    const CCopyDataBlock sent = TextBlock("*IDN?");
    CGPIBCommandInfo record(0, 22, actionWrite, nullptr, &sent, nullptr);
    record.SetTime({46363.5, OleDateTime::valid});
    return record;
}

// The JSON of a record without its "raw" member, so that the record is built from the members.
std::string WithoutRaw(const std::string& line) {
    auto object = nlohmann::json::parse(line);
    object.erase("raw");
    return object.dump();
}

TEST(RecordJson, WriteRecordAsOneLine) {
    EXPECT_EQ(RecordToJson(IdnWrite()),
              R"({"version":2,"board":0,"address":22,"action":2,"name":"WRITE","flags":130,)"
              R"("time":{"status":0,"date":46363.5},"comments":"",)"
              R"("received":null,"parameters":null,"sent":{"type":5,"count":6,"hex":"2a49444e3f00"},)"
              R"("raw":"02160082000000000000000070a3e6400002060005002a49444e3f00"})");
}

TEST(RecordJson, EveryBlockTypeRoundTripsThroughRawAndMembers) {
    const std::uint32_t unused = 0;
    const CCopyDataBlock blocks[] = {
        BlockOf<std::int32_t>({-5, 6}, CCopyDataBlock::Integer),
        BlockOf<std::int32_t>({70000}, CCopyDataBlock::Long),
        BlockOf<float>({0.1f, -2.0f}, CCopyDataBlock::Float),
        BlockOf<double>({1e-300, 3.25}, CCopyDataBlock::Double),
        BlockOf<std::uint8_t>({0, 0xAB, 0xFF}, CCopyDataBlock::Byte),
        TextBlock("VOLT 1.5"),
        BlockOf<std::uint32_t>({0xFFFFFFFF}, CCopyDataBlock::Dword),
        CCopyDataBlock(&unused, 0, CCopyDataBlock::Dword),
        CCopyDataBlock(&unused, 0, CCopyDataBlock::Unknown),
        CCopyDataBlock(),
    };
    for (const CCopyDataBlock& block : blocks) {
        SCOPED_TRACE(block.Type());
        CGPIBCommandInfo record(2, 9, actionSetAttribute, &block, &block, &block);
        // Present even when Empty, as a loaded record may be.
        record.SetActionFlags(actionSetAttribute | 0xE0);
        record.SetTime({45351.771009837961, OleDateTime::invalid});
        record.SetComments("a \"quoted\"\tcomment\r\n");
        const std::string line = RecordToJson(record);
        EXPECT_EQ(line.find('\n'), std::string::npos);
        EXPECT_EQ(RecordFromJson(line).Serialize(), record.Serialize());
        EXPECT_EQ(RecordFromJson(WithoutRaw(line)).Serialize(), record.Serialize());
    }
}

TEST(RecordJson, AbsentBlocksAreNull) {
    const CCopyDataBlock parameters = BlockOf<std::uint32_t>({1}, CCopyDataBlock::Dword);
    CGPIBCommandInfo record(0, 1, actionEnableEvent, &parameters, nullptr, nullptr);
    const auto object = nlohmann::json::parse(RecordToJson(record));
    EXPECT_TRUE(object["received"].is_null());
    EXPECT_TRUE(object["sent"].is_null());
    EXPECT_EQ(object["parameters"]["hex"], "01000000");
    EXPECT_EQ(object["name"], "ENABLEEVENT");
}

TEST(RecordJson, DatesKeepEveryBit) {
    for (double date : {0.1, 46363.123456789012, 1e-300, -1.25, -0.0, 2958465.9999999998}) {
        CGPIBCommandInfo record;
        record.SetTime({date, OleDateTime::valid});
        const auto line = WithoutRaw(RecordToJson(record));
        const double back = RecordFromJson(line).Time().date;
        EXPECT_EQ(back, date);
        EXPECT_EQ(std::signbit(back), std::signbit(date));
    }
    CGPIBCommandInfo record;
    record.SetTime({0.1, OleDateTime::valid});
    EXPECT_NE(RecordToJson(record).find("\"date\":0.10000000000000001}"), std::string::npos);
}

TEST(RecordJson, DateThatIsNotANumberPrintsNullAndSurvivesInRaw) {
    CGPIBCommandInfo record;
    record.SetTime({std::numeric_limits<double>::quiet_NaN(), OleDateTime::invalid});
    const std::string line = RecordToJson(record);
    EXPECT_NE(line.find("\"date\":null"), std::string::npos);
    EXPECT_EQ(RecordFromJson(line).Serialize(), record.Serialize());
}

TEST(RecordJson, CommentBytesThatAreNotUtf8) {
    CGPIBCommandInfo record;
    record.SetComments("caf\xE9 \xFF");
    std::string line;
    ASSERT_NO_THROW(line = RecordToJson(record));
    EXPECT_NE(line.find("caf\xEF\xBF\xBD \xEF\xBF\xBD"), std::string::npos);
    EXPECT_EQ(RecordFromJson(line).Comments(), "caf\xE9 \xFF");
}

TEST(RecordJson, MembersHaveDefaults) {
    const double before = NowAsOleDate();
    const CGPIBCommandInfo record = RecordFromJson(R"({"action":6})");
    EXPECT_EQ(record.ActionFlags(), actionClear);
    EXPECT_EQ(record.BusAddress(), 0);
    EXPECT_EQ(record.BoardNumber(), 0);
    EXPECT_EQ(record.Comments(), "");
    EXPECT_EQ(record.Time().status, OleDateTime::valid);
    EXPECT_GE(record.Time().date, before);
    EXPECT_LE(record.Time().date, NowAsOleDate());
}

TEST(RecordJson, FlagsDefaultToTheBlocksGiven) {
    const CGPIBCommandInfo record =
        RecordFromJson(R"({"action":1,"name":"ignored","board":3,"address":4,"time":{"date":2.5},)"
                       R"("received":{"type":5,"count":3,"hex":"4F4b00"},"parameters":null,)"
                       R"("sent":{"type":8,"count":0,"hex":""}})");
    EXPECT_EQ(record.ActionFlags(),
              actionRead | CGPIBCommandInfo::receivedPresent | CGPIBCommandInfo::sentPresent);
    EXPECT_EQ(record.BoardNumber(), 3);
    EXPECT_EQ(record.BusAddress(), 4);
    EXPECT_EQ(record.Time(), (OleDateTime{2.5, OleDateTime::valid}));
    EXPECT_EQ(record.Received().GetString(true, 100), "OK");
    EXPECT_EQ(record.Sent().Type(), CCopyDataBlock::Empty);
}

TEST(RecordJson, FlagsThatAgreeAreTaken) {
    const auto record = RecordFromJson(R"({"action":2,"flags":130,"sent":{"type":4,"count":1,"hex":"ff"}})");
    EXPECT_EQ(record.ActionFlags(), 130);
}

TEST(RecordJson, VersionOneIsAccepted) {
    const auto record = RecordFromJson(R"({"version":1,"action":3,"time":{"status":2,"date":0}})");
    EXPECT_EQ(record.Version(), 2);
    EXPECT_EQ(record.Time(), (OleDateTime{0.0, OleDateTime::null}));
}

TEST(RecordJson, RawWinsOverTheOtherMembers) {
    const std::string raw = nlohmann::json::parse(RecordToJson(IdnWrite()))["raw"];
    const auto record = RecordFromJson(R"({"action":"nonsense","board":999,"raw":")" + raw + "\"}");
    EXPECT_EQ(record.Serialize(), IdnWrite().Serialize());
}

struct Malformed {
    const char* json;
    const char* mentions;
};

void PrintTo(const Malformed& malformed, std::ostream* os) {
    *os << malformed.json;
}

class MalformedJson : public ::testing::TestWithParam<Malformed> {};

TEST_P(MalformedJson, FailsWithAOneLineMessage) {
    try {
        RecordFromJson(GetParam().json);
        FAIL() << "accepted";
    } catch (const std::invalid_argument& e) {
        const std::string message = e.what();
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
        EXPECT_NE(message.find(GetParam().mentions), std::string::npos) << message;
    }
}

INSTANTIATE_TEST_SUITE_P(
    RecordJson, MalformedJson,
    ::testing::Values(
        Malformed{"", "not valid JSON"}, Malformed{R"({"action":1)", "not valid JSON"},
        Malformed{R"({"action":1} {})", "not valid JSON"}, Malformed{"[1,2]", "must be a JSON object"},
        Malformed{"{}", "'action' is required"}, Malformed{R"({"action":32})", "'action' must be"},
        Malformed{R"({"action":-1})", "'action' must be"}, Malformed{R"({"action":"2"})", "'action' must be"},
        Malformed{R"({"action":2.0})", "'action' must be"},
        Malformed{R"({"action":1,"version":3})", "'version'"},
        Malformed{R"({"action":1,"version":0})", "'version' must be an integer from 1 to 2"},
        Malformed{R"({"action":1,"version":1,"comments":"x"})", "version 1"},
        Malformed{R"({"action":1,"board":256})", "'board' must be"},
        Malformed{R"({"action":1,"address":-1})", "'address' must be"},
        Malformed{R"({"action":1,"flags":2})", "holds action 2 but 'action' is 1"},
        Malformed{R"({"action":1,"flags":161})", "does not match the blocks"},
        Malformed{R"({"action":1,"flags":300})", "'flags' must be"},
        Malformed{R"({"action":1,"comments":5})", "'comments' must be a text"},
        Malformed{R"({"action":1,"time":46363.5})", "'time' must be an object"},
        Malformed{R"({"action":1,"time":{"status":0}})", "'time.date'"},
        Malformed{R"({"action":1,"time":{"date":"today"}})", "'time.date'"},
        Malformed{R"({"action":1,"time":{"date":1e999}})", "not valid JSON"},
        Malformed{R"({"action":1,"time":{"status":4294967296,"date":1}})", "'time.status'"},
        Malformed{R"({"action":1,"sent":5})", "'sent' must be null or an object"},
        Malformed{R"({"action":1,"sent":{"type":5,"count":1}})", "'sent' needs"},
        Malformed{R"({"action":1,"sent":{"type":9,"count":0,"hex":""}})", "'sent.type' must be"},
        Malformed{R"({"action":1,"sent":{"type":4,"count":65536,"hex":""}})", "'sent.count' must be"},
        Malformed{R"({"action":1,"received":{"type":4,"count":1,"hex":"abc"}})", "odd number"},
        Malformed{R"({"action":1,"received":{"type":4,"count":1,"hex":"zz"}})", "not a hex digit"},
        Malformed{R"({"action":1,"parameters":{"type":6,"count":2,"hex":"01000000"}})",
                  "'parameters.hex' holds 4 bytes where 2 elements of type 6 take 8"},
        Malformed{R"({"action":1,"parameters":{"type":7,"count":1,"hex":"00"}})", "'parameters.hex'"},
        Malformed{R"({"raw":5})", "'raw' must be a text of hex digits"},
        Malformed{R"({"raw":"0216"})", "'raw' is not a command record"},
        Malformed{R"({"raw":"0300000000000000000000000000000000"})", "'raw' is not a command record"},
        Malformed{R"({"raw":"020000000000000000000000000000000000"})", "1 bytes after the record"}));

} // namespace

namespace {

// Programs that adopt the user's locale must still print a decimal point.
TEST(RecordJson, NumbersUseAPointWhateverTheLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    const char* comma = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8"})
        if (std::setlocale(LC_ALL, name) != nullptr) {
            comma = name;
            break;
        }
    if (comma == nullptr)
        GTEST_SKIP() << "no locale with a decimal comma installed";
    CGPIBCommandInfo record = IdnWrite();
    record.Received() = BlockOf<double>({1.5}, CCopyDataBlock::Double);
    const std::string line = RecordToJson(record);
    const std::string text = record.Received().GetString(true, 100);
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_NE(line.find("\"date\":46363.5}"), std::string::npos) << comma;
    EXPECT_EQ(text, "1.5000e+00") << comma;
}

} // namespace
