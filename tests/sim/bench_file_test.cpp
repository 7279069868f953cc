// Bench description files: what is refused (with file and line), what is accepted, and
// where the library finds its bench when a process starts.
#include "sim_client.h"

#include <cstdlib>
#include <fstream>

namespace corvid::sim::testing {
namespace {

using BenchFileTest = SimTest;

struct BadBench {
    const char* text;
    int line;
    const char* reason;
};

TEST_F(BenchFileTest, MalformedFilesAreRefusedWithFileAndLine) {
    const BadBench cases[] = {
        {"board 0\nwidget 3\n", 2, "unknown keyword \"widget\""},
        {"board 0\nboard 0\n", 2, "already described at line 1"},
        {"board 16\n", 1, "board index 16 is outside 0 to 15"},
        {"board 0\ninstrument a at 0 31\nidentity \"x\"\nend\n", 2, "primary address 31"},
        {"board 0\ninstrument a at 0 5\n  identity \"x\"\n", 2, "has no 'end'"},
        {"board 0\ninstrument a at 0 5\nend\n", 3, "has no identity"},
        {"instrument a at 1 5\n  identity \"x\"\nend\n", 1, "board 1 is not described"},
        {"board 0 address 5\ninstrument a at 0 5\n identity \"x\"\nend\n", 2, "board's own address"},
        {"board 0\ninstrument a at 0 5\n identity \"x\"\nend\ninstrument b at 0 5\n identity \"y\"\nend\n", 5,
         "already taken by \"a\""},
        {"board 0\ninstrument a at 0 5\n identity \"x\"\nend\ninstrument b at 0 5 1\n identity \"y\"\nend\n",
         5, "only secondary addresses can share one"},
        {"board 0\ninstrument a at 0 5\n identity \"x\"\n property v \"VOLT\" real min 5 max 1\nend\n", 4,
         "min is above max"},
        {"board 0\ninstrument a at 0 5\n identity \"x\"\n property v \"VOLT\" real min 0 max 1 default "
         "2\nend\n",
         4, "Data out of range"},
        {"board 0\ninstrument a at 0 5\n identity \"x\"\n property v \"VOLT\" float\nend\n", 4,
         "unknown property type \"float\""},
        {"board 0\ninstrument a at 0 5\n identity \"x\"\n property v \"VOLT[\" real\nend\n", 4,
         "unclosed '['"},
        {"board 0\ninstrument a at 0 5\n identity \"x\"\n value v = 1 +\nend\n", 4, "ends too early"},
        {"board 0\ninstrument a at 0 5\n identity \"x\"\n value v = nosuch * 2\nend\n", 4,
         "unknown name \"nosuch\""},
        {"board 0\ninstrument a at 0 5\n identity \"x\"\n value v = w\n value w = v + 1\nend\n", 4,
         "depends on itself"},
        {"board 0\ninstrument a at 0 5\n identity \"x\"\n on \"READ?\"\nend\n", 4, "has no reply"},
        {"board 0\ninstrument a at 0 5\n identity \"x\"\n on \"INIT\"\n  reply \"1\"\nend\n", 5,
         "only a query"},
        {"board 0\ninstrument a at 0 5\n identity \"x\"\n on \"READ?\"\n  reply \"{1:%d}\"\nend\n", 5,
         "bad number format"},
        {"board 0\ninstrument a at 0 5\n identity \"x\"\n on \"INIT\"\n  set nosuch = 1\nend\n", 5,
         "not a property or state"},
        {"board 0\ninstrument a at 0 5\n identity \"unterminated\nend\n", 3, "unterminated quoted text"},
        {"board 0\ninstrument a at 0 5\n identity \"x\"\n delay soon\nend\n", 4, "not a whole number"},
        {"board 0\nend\n", 2, "outside an instrument"},
    };
    for (const BadBench& c : cases) {
        std::string error = BenchError(c.text);
        std::string where = (sandbox.home() / "bad.bench").string() + ":" + std::to_string(c.line) + ": ";
        EXPECT_EQ(error.rfind(where, 0), 0u) << "bench:\n" << c.text << "error: " << error;
        EXPECT_NE(error.find(c.reason), std::string::npos) << "bench:\n" << c.text << "error: " << error;
    }
}

// Nesting that would exhaust the stack of every process loading the bench is refused like
// any other malformed description.
TEST_F(BenchFileTest, DeepNestingIsRefusedWithFileAndLine) {
    const std::string head = "board 0\ninstrument a at 0 5\n identity \"x\"\n";
    std::string sum;
    std::string chain;
    for (int i = 0; i < 10000; ++i) {
        sum += "+1";
    }
    for (int i = 0; i < 100; ++i) {
        chain += " value v" + std::to_string(i) + " = v" + std::to_string(i + 1) + " + 1\n";
    }
    const std::pair<std::string, std::string> cases[] = {
        {" value v = " + std::string(20000, '(') + "1" + std::string(20000, ')') + "\n", ":4: "},
        {" on \"X?\"\n  reply \"{" + std::string(20000, '-') + "1}\"\n", ":5: "},
        {" value v = 1" + sum + "\n", ":4: "},
        {" value v100 = 1\n" + chain, ":"},
    };
    for (const auto& [body, line] : cases) {
        std::string error = BenchError(head + body + "end\n");
        std::string where = (sandbox.home() / "bad.bench").string() + line;
        EXPECT_EQ(error.rfind(where, 0), 0u) << error.substr(0, 200);
        EXPECT_NE(error.find("more than"), std::string::npos) << error.substr(0, 200);
    }
    // Nesting of a sensible depth is still accepted.
    LoadBench(head + " value v = ((((1 + 2) * 3) - -4) / 5)\nend\n");
}

TEST_F(BenchFileTest, RefusedFileLeavesTheBenchInUse) {
    int ud = Open(5);
    EXPECT_FALSE(BenchError("board 0\nbogus\n").empty());
    EXPECT_EQ(Query(ud, "*IDN?"), "Test,Source,1,1.0");
}

TEST_F(BenchFileTest, MissingFileIsNamed) {
    std::string missing = (sandbox.home() / "absent.bench").string();
    EXPECT_EQ(ib.loadBench(missing.c_str()), -1);
    EXPECT_EQ(std::string(ib.lastError()), missing + ": cannot be read");
}

TEST_F(BenchFileTest, EmptyBenchHasBoardsWithoutInstruments) {
    int ud = Open(5);
    LoadBench("# every instrument unplugged\nboard 0\n");
    // The descriptor stays valid, but nobody listens any more.
    EXPECT_EQ(ib.wrt(ud, "*IDN?\n", 6) & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), ENOL);
    short found = 1;
    ib.ln(0, 5, NO_SAD, &found);
    EXPECT_EQ(found, 0);
}

TEST_F(BenchFileTest, NoBoardsAtAll) {
    LoadBench("");
    EXPECT_EQ(ib.dev(0, 5, 0, T1s, 1, 0), -1);
    EXPECT_EQ(ib.threadIberr(), ENEB);
}

TEST_F(BenchFileTest, QuotedTextsEscapesAndComments) {
    LoadBench("board 0 # the only board\n"
              "instrument a at 0 4\n"
              "  identity \"Maker \\\"Q\\\",M#1,\\x41\" # comment after a quote with #\n"
              "  terminator \"\\r\\n\"\n"
              "end\n");
    int ud = Open(4);
    Write(ud, "*IDN?\n");
    EXPECT_EQ(Read(ud), "Maker \"Q\",M#1,A\r\n");
}

TEST_F(BenchFileTest, DemoBenchLoadsAndWiresTheMultimeterToTheCalibrator) {
    std::filesystem::path demo =
        std::filesystem::path(SIMGPIB_PATH).parent_path() / "sim-bench" / "demo.bench";
    ASSERT_EQ(ib.loadBench(demo.c_str()), 0) << ib.lastError();
    int cal = Open(5);
    int dmm = Open(22);
    int counter = Open(10);
    int mux = ib.dev(0, 15, 0x61, T1s, 1, 0);
    EXPECT_NE(Query(cal, "*IDN?").find("VC-9100"), std::string::npos);
    EXPECT_NE(Query(counter, "*IDN?").find("FC-3120"), std::string::npos);
    EXPECT_NE(Query(mux, "*IDN?").find("MX-16"), std::string::npos);
    Write(cal, "VOLT 1.5;OUTP ON\n");
    double reading = std::stod(Query(dmm, "MEAS:VOLT:DC?"));
    EXPECT_NEAR(reading, 1.5, 0.001);
    Write(cal, "OUTP OFF\n");
    EXPECT_NEAR(std::stod(Query(dmm, "READ?")), 0.0, 0.001);
    EXPECT_NEAR(std::stod(Query(counter, "FREQ?")), 10e6, 1.0);
    EXPECT_EQ(NextError(dmm), "0,\"No error\"");
}

// A fresh process, as a client starts one.
std::string Probe(const std::string& environment, int pad) {
    std::string command = environment + " " SIMGPIB_PROBE " " + std::to_string(pad) + " 2>&1";
    auto child = corvid::testing::ChildProcess::Spawn({"/bin/sh", "-c", command});
    std::string output, line;
    while (child.ReadLine(line)) {
        output += line + "\n";
    }
    child.Wait();
    return output;
}

TEST_F(BenchFileTest, StartupTakesTheBenchNamedByTheEnvironment) {
    std::filesystem::path path =
        WriteBench("board 0\ninstrument x at 0 3\n identity \"From,Environment,0,1\"\nend\n");
    EXPECT_EQ(Probe("CORVID_SIM_BENCH=" + path.string(), 3), "From,Environment,0,1\n");
}

TEST_F(BenchFileTest, StartupWithMalformedBenchSaysWhereAndHasNoBoards) {
    std::filesystem::path path = WriteBench("board 0\ninstrument x at 0 3\n identity \"x\"\n speed 9\nend\n");
    std::string output = Probe("CORVID_SIM_BENCH=" + path.string(), 3);
    EXPECT_NE(output.find("simgpib: " + path.string() + ":4: unknown keyword \"speed\""), std::string::npos)
        << output;
    EXPECT_NE(output.find("ibdev error 7"), std::string::npos) << output;
}

TEST_F(BenchFileTest, StartupWithoutConfigurationTakesTheDemoBenchBesideTheLibrary) {
    std::string output = Probe("CORVID_SIM_BENCH=", 22);
    EXPECT_NE(output.find("LM-4065"), std::string::npos) << output;
}

#ifdef SIMGPIB_TEST_PROFILE
TEST_F(BenchFileTest, StartupTakesTheBenchFileOfTheVisaConfiguration) {
    WriteBench("board 0\ninstrument x at 0 3\n identity \"From,Visa,0,1\"\nend\n", "station.bench");
    std::ofstream(sandbox.home() / "visa.ini") << "[SIMGPIB]\nBenchFile=station.bench\n";
    EXPECT_EQ(Probe("CORVID_SIM_BENCH=", 3), "From,Visa,0,1\n");
    // The environment comes first.
    std::filesystem::path other = WriteBench("board 0\ninstrument y at 0 3\n identity \"Env,0,0,1\"\nend\n");
    EXPECT_EQ(Probe("CORVID_SIM_BENCH=" + other.string(), 3), "Env,0,0,1\n");
}
#endif

} // namespace
} // namespace corvid::sim::testing
