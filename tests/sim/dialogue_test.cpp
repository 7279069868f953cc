// What instruments answer: properties with their ranges, dialogues with parameters,
// command lists, the error queue, and readings that follow other instruments.
#include "sim_client.h"

namespace corvid::sim::testing {
namespace {

using DialogueTest = SimTest;

TEST_F(DialogueTest, PropertiesAnswerInShortAndLongFormsWithOptionalParts) {
    int ud = Open(5);
    Write(ud, "VOLT 1.5\n");
    EXPECT_EQ(Query(ud, "VOLT?"), "1.5");
    EXPECT_EQ(Query(ud, "SOUR:VOLT:LEV?"), "1.5");
    EXPECT_EQ(Query(ud, ":source:voltage:level?"), "1.5");
    Write(ud, "SOURce:VOLTage -2.25 V\n");
    EXPECT_EQ(Query(ud, "VOLTAGE?"), "-2.25");
    EXPECT_EQ(NextError(ud), "0,\"No error\"");
    // Neither the short nor the long form.
    Write(ud, "SOURC:VOLT 1\n");
    EXPECT_EQ(NextError(ud), "-113,\"Undefined header\"");
    EXPECT_EQ(Query(ud, "VOLT?"), "-2.25");
}

TEST_F(DialogueTest, SettingsOutsideTheirRangeOrTypeAreRefused) {
    int ud = Open(5);
    const std::pair<const char*, const char*> cases[] = {
        {"VOLT 10.5", "-222,\"Data out of range\""},
        {"VOLT abc", "-104,\"Data type error\""},
        {"VOLT 'text'", "-104,\"Data type error\""},
        {"VOLT", "-109,\"Missing parameter\""},
        {"VOLT 1,2", "-108,\"Parameter not allowed\""},
        {"FUNC RESistance", "-224,\"Illegal parameter value\""},
        {"SAMP:COUN 0", "-222,\"Data out of range\""},
        {"OUTP MAYBE", "-224,\"Illegal parameter value\""},
        {"VOLT 1 mA", "-104,\"Data type error\""},
    };
    for (const auto& [command, error] : cases) {
        Write(ud, std::string(command) + "\n");
        EXPECT_EQ(NextError(ud), error) << command;
    }
    EXPECT_EQ(Query(ud, "VOLT?;FUNC?;SAMP:COUN?;OUTP?"), "0;VOLT;1;0");
}

TEST_F(DialogueTest, PropertyKindsAndLimits) {
    int ud = Open(5);
    Write(ud, "FUNC curr;OUTP ON;SAMP:COUN 7.4;DISP:TEXT 'Hello, \"world\"; ok'\n");
    EXPECT_EQ(Query(ud, "FUNC?"), "CURR");
    EXPECT_EQ(Query(ud, "OUTP?"), "1");
    EXPECT_EQ(Query(ud, "SAMP:COUN?"), "7");
    EXPECT_EQ(Query(ud, "DISP:TEXT?"), "\"Hello, \"\"world\"\"; ok\"");
    EXPECT_EQ(Query(ud, "VOLT? MAX;VOLT? MIN;VOLT? DEF"), "10;-10;0");
    Write(ud, "VOLT MAX\n");
    EXPECT_EQ(Query(ud, "VOLT?"), "10");
    Write(ud, "*RST\n");
    EXPECT_EQ(Query(ud, "VOLT?;FUNC?;OUTP?;DISP:TEXT?"), "0;VOLT;0;\"READY\"");
    EXPECT_EQ(NextError(ud), "0,\"No error\"");
}

TEST_F(DialogueTest, CommandListsAnswerInOneReply) {
    int ud = Open(5);
    EXPECT_EQ(Query(ud, "VOLT 2;OUTP ON;*IDN?;VOLT?"), "Test,Source,1,1.0;2");
    // A command error ends the list: what follows is not carried out.
    Write(ud, "VOLT 3;BOGUS;VOLT 4\n");
    EXPECT_EQ(NextError(ud), "-113,\"Undefined header\"");
    EXPECT_EQ(Query(ud, "VOLT?"), "3");
    // An execution error does not.
    Write(ud, "VOLT 30;VOLT 5\n");
    EXPECT_EQ(Query(ud, "VOLT?"), "5");
    EXPECT_EQ(NextError(ud), "-222,\"Data out of range\"");
}

TEST_F(DialogueTest, ErrorQueueIsFirstInFirstOutAndReportsOverflow) {
    int ud = Open(5);
    EXPECT_EQ(NextError(ud), "0,\"No error\"");
    for (int i = 0; i < 25; ++i) {
        Write(ud, i % 2 == 0 ? "NOPE\n" : "VOLT 99\n");
    }
    EXPECT_EQ(Query(ud, "SYST:ERR?"), "-113,\"Undefined header\"");
    EXPECT_EQ(Query(ud, "SYSTem:ERRor:NEXT?"), "-222,\"Data out of range\"");
    for (int i = 2; i < 19; ++i) {
        NextError(ud);
    }
    EXPECT_EQ(NextError(ud), "-350,\"Queue overflow\"");
    EXPECT_EQ(NextError(ud), "0,\"No error\"");
    Write(ud, "NOPE\n*CLS\n");
    EXPECT_EQ(NextError(ud), "0,\"No error\"");
}

TEST_F(DialogueTest, DialoguesTakeParametersWithDefaults) {
    int psu = Open(5);
    int meter = Open(22);
    Write(psu, "VOLT 2;OUTP ON\n");
    EXPECT_EQ(Query(meter, "SCAL? 3"), "6");
    EXPECT_EQ(Query(meter, "SCALE? 3, 0.5"), "6.5");
    EXPECT_EQ(NextError(meter), "0,\"No error\"");
    Write(meter, "SCAL?\n");
    EXPECT_EQ(NextError(meter), "-109,\"Missing parameter\"");
    Write(meter, "SCAL? 1,2,3\n");
    EXPECT_EQ(NextError(meter), "-108,\"Parameter not allowed\"");
    Write(meter, "SCAL? high\n");
    EXPECT_EQ(NextError(meter), "-200,\"Execution error\"");
}

TEST_F(DialogueTest, ReadingsFollowTheInstrumentTheyAreWiredTo) {
    int psu = Open(5);
    int meter = Open(22);
    EXPECT_EQ(Query(meter, "READ?"), "0");
    Write(psu, "VOLT 4.5;OUTP ON\n");
    EXPECT_EQ(Query(meter, "READ?"), "4.5");
    Write(psu, "VOLT -1\n");
    EXPECT_EQ(Query(meter, "READ?"), "-1");
    Write(psu, "OUTP OFF\n");
    EXPECT_EQ(Query(meter, "READ?"), "0");
}

TEST_F(DialogueTest, NoiseVariesAndASeedRepeatsIt) {
    const std::string bench = "seed 7\nboard 0\ninstrument n at 0 3\n identity \"N,1,1,1\"\n"
                              " value v = 100 + noise(1)\n on \"READ?\"\n  reply \"{v:%.9f}\"\nend\n";
    LoadBench(bench);
    int ud = Open(3);
    std::string first = Query(ud, "READ?");
    std::string second = Query(ud, "READ?");
    EXPECT_NE(first, second);
    EXPECT_NEAR(std::stod(first), 100, 10);
    LoadBench(bench);
    EXPECT_EQ(Query(ud, "READ?"), first);
}

TEST_F(DialogueTest, ANewMessageDiscardsAnUnreadReply) {
    int ud = Open(5);
    Write(ud, "*IDN?\n");
    Write(ud, "VOLT?\n");
    EXPECT_EQ(Read(ud), "0\n");
    EXPECT_EQ(NextError(ud), "-410,\"Query INTERRUPTED\"");
}

TEST_F(DialogueTest, ReadingWithoutAQueryTimesOutAndIsAQueryError) {
    int ud = Open(5, 0, T30ms);
    EXPECT_EQ(Read(ud), "<error 6>");
    EXPECT_EQ(NextError(ud), "-420,\"Query UNTERMINATED\"");
}

TEST_F(DialogueTest, MessagesEndWithLineFeedOrEoi) {
    int ud = Open(5);
    // Without EOI and without line feed the message waits for its end.
    ib.config(ud, IbcEOT, 0);
    Write(ud, "VOLT 1");
    Write(ud, ".75");
    ib.config(ud, IbcEOT, 1);
    Write(ud, ";VOLT?");
    EXPECT_EQ(Read(ud), "1.75\n");
    // Two messages in one write.
    Write(ud, "VOLT 3\nVOLT?\n");
    EXPECT_EQ(Read(ud), "3\n");
}

} // namespace
} // namespace corvid::sim::testing
