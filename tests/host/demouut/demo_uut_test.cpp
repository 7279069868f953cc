// The demo unit model's UUT configuration component, registered with regsvr and created by
// ProgID, against a fresh demo-station database and the simulated bench (no visa.ini: the
// demo bench, whose multimeter LK4065-01123 at GPIB0::22 reports OPT-FRQ and OPT-REAR).
#include "com/bstr.h"
#include "com/creation.h"
#include "com/error_info.h"
#include "demouut/uut_configuration.h"
#include "operatordb/database.h"
#include "operatordb/demo_station.h"
#include "operatordb/schema.h"
#include "simgpib/simgpib.h"
#include "testsupport/sandbox.h"

#include <chrono>
#include <dlfcn.h>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <pty.h>
#include <sstream>
#include <unistd.h>
#include <utility>
#include <vector>

namespace corvid::demouut::testing {
namespace {

using namespace corvid::operatordb;
using corvid::testing::ChildProcess;

constexpr const char* kKnownSerial = "LK4065-01123";

class DemoUutTest : public corvid::testing::SandboxTest {
protected:
    void SetUp() override {
        ChildProcess regsvr = ChildProcess::Spawn({REGSVR_PROGRAM, DEMOUUT_MODULE});
        ASSERT_EQ(regsvr.Wait(), 0);
        {
            Database db(path, FileMode::CreateIfMissing);
            CreateInstrumentSchema(db);
            CreateDemoStation(db, std::chrono::year_month_day{std::chrono::year(2024) / 6 / 15});
        }
        ASSERT_EQ(CreateInstance(kDemoUutProgId, uut), S_OK) << Error();
        // Nobody at the terminal unless a test puts one there.
        savedStdin = ::dup(STDIN_FILENO);
        int none = ::open("/dev/null", O_RDONLY);
        ::dup2(none, STDIN_FILENO);
        ::close(none);
    }
    void TearDown() override {
        ::dup2(savedStdin, STDIN_FILENO);
        ::close(savedStdin);
        LoadBench(nullptr);
    }

    // Replaces the simulated bench for this process; nullptr goes back to the demo bench.
    static void LoadBench(const char* file) {
        void* simgpib = ::dlopen(SIMGPIB_MODULE, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        ASSERT_NE(simgpib, nullptr) << ::dlerror();
        auto load = reinterpret_cast<int (*)(const char*)>(::dlsym(simgpib, "simgpib_load_bench"));
        ASSERT_NE(load, nullptr);
        ASSERT_EQ(load(file), 0) << file;
    }
    // The demo bench with some of its texts replaced.
    void LoadDemoBenchWith(const std::vector<std::pair<std::string, std::string>>& changes) {
        std::ifstream in(std::filesystem::path(SIMGPIB_MODULE).parent_path() / "sim-bench" / "demo.bench");
        std::stringstream text;
        text << in.rdbuf();
        std::string bench = text.str();
        for (const auto& [from, to] : changes) {
            ASSERT_NE(bench.find(from), std::string::npos) << from;
            bench.replace(bench.find(from), from.size(), to);
        }
        WriteBench(bench);
    }
    void WriteBench(const std::string& text) {
        std::filesystem::path file = sandbox.home() / "test.bench";
        std::ofstream(file) << text;
        LoadBench(file.c_str());
    }

    static std::string Error() {
        auto details = TakeErrorDetails();
        return details ? details->description : "";
    }
    void Initialize(const std::string& serial) {
        SHORT ok = 0;
        ASSERT_EQ(uut->Initialize(Bstr(path.string()).get(), demo::kMultimeterModel, Bstr(serial).get(), &ok),
                  S_OK)
            << Error();
        EXPECT_NE(ok, 0);
    }
    LONG InstanceId() {
        LONG id = -2;
        EXPECT_EQ(uut->GetInstanceID(&id), S_OK);
        return id;
    }
    std::string SerialNumber() {
        Bstr serial;
        EXPECT_EQ(uut->GetSerialNumber(serial.Out()), S_OK);
        return serial.Utf8();
    }

    // The rows the component may write, one line each.
    std::string Rows() {
        Database db(path);
        std::string text;
        for (const char* sql :
             {"SELECT InstanceID, DeviceTypeID, SerialNumber, InterfaceType FROM DeviceInstances"
              " ORDER BY InstanceID",
              "SELECT InstanceID, DeviceOptionID, Undetectable FROM DeviceInstance_has_Options"
              " ORDER BY InstanceID, DeviceOptionID"}) {
            for (Recordset rows = db.OpenRecordset(sql); !rows.IsEOF(); rows.MoveNext()) {
                for (int i = 0; i < static_cast<int>(rows.ColumnNames().size()); ++i)
                    text += (i ? " " : "") + rows.GetValue(i).AsText();
                text += "\n";
            }
        }
        return text;
    }
    std::string OptionsOf(LONG instance) {
        Database db(path);
        std::string text;
        Recordset rows =
            db.OpenRecordset("SELECT DeviceOptionID, Undetectable FROM DeviceInstance_has_Options"
                             " WHERE InstanceID = :i ORDER BY DeviceOptionID",
                             {{"i", static_cast<int>(instance)}});
        for (; !rows.IsEOF(); rows.MoveNext())
            text += rows.GetValue(0).AsText() + (rows.GetValue(1).AsBool() ? "(declared) " : " ");
        return text;
    }

    std::filesystem::path path = sandbox.home() / "Instrument.mdb";
    ComPtr<IUutConfiguration> uut;
    int savedStdin = -1;
};

TEST_F(DemoUutTest, TheKnownUnitIsIdentifiedWithNothingChanged) {
    std::string before = Rows();
    Initialize(kKnownSerial);
    EXPECT_EQ(InstanceId(), demo::kUutInstance);
    SHORT result = -1;
    ASSERT_EQ(uut->Configure(&result), S_OK) << Error();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(InstanceId(), demo::kUutInstance);
    EXPECT_EQ(SerialNumber(), kKnownSerial);
    EXPECT_EQ(uut->Close(), S_OK);
    EXPECT_EQ(Rows(), before);
}

TEST_F(DemoUutTest, AUnitNotYetNamedIsIdentifiedFromItsAnswer) {
    Initialize("");
    EXPECT_EQ(InstanceId(), -1);
    // Late-bound, as a script would call it.
    Variant result;
    ASSERT_EQ(InvokeMember(uut.get(), "Configure", DISPATCH_METHOD, {}, &result), S_OK) << Error();
    EXPECT_EQ(result.vt, VT_I2);
    EXPECT_EQ(result.iVal, 0);
    EXPECT_EQ(InstanceId(), demo::kUutInstance);
    EXPECT_EQ(SerialNumber(), kKnownSerial);
}

TEST_F(DemoUutTest, ANewSerialGetsARowAndItsDetectableOptions) {
    // OPT-HC is an undetectable option of the model: only the administrator declares it.
    LoadDemoBenchWith({{kKnownSerial, "LK4065-05555"}, {"\"OPT-FRQ,OPT-REAR\"", "\"OPT-FRQ,OPT-HC\""}});
    Initialize(kKnownSerial);
    SHORT result = -1;
    ASSERT_EQ(uut->Configure(&result), S_OK) << Error();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(InstanceId(), 7); // after the demo's six instances
    EXPECT_EQ(SerialNumber(), "LK4065-05555");
    EXPECT_NE(Rows().find("7 2 LK4065-05555 2\n"), std::string::npos) << Rows();
    EXPECT_EQ(OptionsOf(7), "OPT-FRQ ");
    EXPECT_EQ(OptionsOf(demo::kUutInstance), "OPT-FRQ OPT-REAR ");
}

TEST_F(DemoUutTest, DetectedOptionsFollowTheUnitAndDeclaredOnesStay) {
    {
        Database db(path);
        db.Execute(
            "DELETE FROM DeviceInstance_has_Options WHERE InstanceID = 4 AND DeviceOptionID = 'OPT-REAR'");
        db.Execute(
            "INSERT INTO DeviceInstance_has_Options VALUES (4, 'OPT-OLD', False), (4, 'OPT-HC', True)");
    }
    Initialize(kKnownSerial);
    SHORT result = -1;
    ASSERT_EQ(uut->Configure(&result), S_OK) << Error();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(OptionsOf(demo::kUutInstance), "OPT-FRQ OPT-HC(declared) OPT-REAR ");
    ASSERT_EQ(uut->Configure(&result), S_OK) << Error();
    EXPECT_EQ(result, 1) << "a second look finds nothing to change";
}

TEST_F(DemoUutTest, AnUnpluggedUnitWithNobodyToAskFailsAndWritesNothing) {
    WriteBench("board 0\n");
    std::string before = Rows();
    Initialize(kKnownSerial);
    SHORT result = -1;
    HRESULT hr = uut->Configure(&result);
    EXPECT_TRUE(FAILED(hr));
    std::string error = Error();
    EXPECT_NE(error.find("The LM-4065 could not be identified (Cannot send \"*IDN?\" to GPIB0::22::INSTR: "),
              std::string::npos)
        << error;
    EXPECT_NE(error.find("there is no operator to ask for its serial number"), std::string::npos) << error;
    EXPECT_EQ(Rows(), before);
    EXPECT_EQ(InstanceId(), demo::kUutInstance);
    EXPECT_EQ(SerialNumber(), kKnownSerial);
}

TEST_F(DemoUutTest, AnotherModelAtTheAddressIsNotTakenForTheUnit) {
    LoadDemoBenchWith({{"Larkspur Instruments,LM-4065,", "Larkspur Instruments,LM-9999,"}});
    Initialize(kKnownSerial);
    SHORT result = -1;
    EXPECT_TRUE(FAILED(uut->Configure(&result)));
    EXPECT_NE(Error().find("is a LM-9999, not a LM-4065"), std::string::npos);
}

TEST_F(DemoUutTest, TheOperatorAtTheTerminalNamesAnUnpluggedUnit) {
    WriteBench("board 0\n");
    int terminal = -1, unit = -1;
    ASSERT_EQ(::openpty(&terminal, &unit, nullptr, nullptr, nullptr), 0);
    ::dup2(unit, STDIN_FILENO);
    ::close(unit);
    const char answer[] = "  LK4065-07777 \n";
    ASSERT_EQ(::write(terminal, answer, sizeof answer - 1), static_cast<ssize_t>(sizeof answer - 1));
    Initialize(kKnownSerial);
    SHORT result = -1;
    HRESULT hr = uut->Configure(&result);
    ::close(terminal);
    ASSERT_EQ(hr, S_OK) << Error();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(InstanceId(), 7);
    EXPECT_EQ(SerialNumber(), "LK4065-07777");
    EXPECT_EQ(OptionsOf(7), "") << "options of a unit that was not asked are unknown";
}

TEST_F(DemoUutTest, AFailureHalfwayLeavesNoRowBehind) {
    {
        Database db(path);
        db.ExecuteNative("CREATE TRIGGER Refuse BEFORE INSERT ON DeviceInstance_has_Options"
                         " BEGIN SELECT RAISE(ABORT, 'options are locked'); END;");
    }
    LoadDemoBenchWith({{kKnownSerial, "LK4065-05555"}});
    std::string before = Rows();
    Initialize("");
    SHORT result = -1;
    EXPECT_TRUE(FAILED(uut->Configure(&result)));
    EXPECT_NE(Error().find("options are locked"), std::string::npos);
    EXPECT_EQ(Rows(), before);
    EXPECT_EQ(InstanceId(), -1);
}

TEST_F(DemoUutTest, InitializeRefusesAMissingDatabaseOrModel) {
    SHORT ok = 1;
    EXPECT_TRUE(FAILED(uut->Initialize(Bstr((sandbox.home() / "absent.mdb").string()).get(),
                                       demo::kMultimeterModel, Bstr(kKnownSerial).get(), &ok)));
    EXPECT_EQ(ok, 0);
    EXPECT_NE(Error().find("absent.mdb"), std::string::npos);
    ok = 1;
    EXPECT_TRUE(FAILED(uut->Initialize(Bstr(path.string()).get(), 99, Bstr(kKnownSerial).get(), &ok)));
    EXPECT_EQ(ok, 0);
    EXPECT_NE(Error().find("There is no UUT model 99"), std::string::npos);
    SHORT result = -1;
    EXPECT_EQ(uut->Configure(&result), E_UNEXPECTED);
    EXPECT_NE(Error().find("not initialised"), std::string::npos);
}

} // namespace
} // namespace corvid::demouut::testing
