// The demo station matches the simulated bench and has calibration dates in every state.
#include "db_fixture.h"
#include "operatordb/bindings.h"
#include "operatordb/interface_types.h"

#include <cstdio>

namespace corvid::operatordb::testing {
namespace {

using namespace std::chrono;

sys_days NextCalibration(const std::string& lastCalibration, int months) {
    unsigned m = 0, d = 0;
    int y = 0;
    EXPECT_EQ(std::sscanf(lastCalibration.c_str(), "%u/%u/%d", &m, &d, &y), 3) << lastCalibration;
    year_month_day date = year(y) / month(m) / day(d) + std::chrono::months(months);
    return sys_days(date.ok() ? date : year_month_day(date.year() / date.month() / std::chrono::last));
}

TEST_F(DemoTest, TheBenchInstrumentsSitAtTheirGpibAddresses) {
    DB_InterfaceData_GPIB gpib(*db);
    gpib.SetFilter("TempInterface");
    gpib.SetSort("InstanceID");
    gpib.Open(OpenMode::ReadOnly);
    std::vector<std::string> found;
    for (; !gpib.IsEOF(); gpib.MoveNext())
        found.push_back(std::to_string(gpib.InstanceID) + "@" + std::to_string(gpib.Board) + ":" +
                        std::to_string(gpib.Address1));
    // calibrator, counter, multiplexer and the multimeter under test
    EXPECT_EQ(found, (std::vector<std::string>{"1@0:5", "2@0:10", "3@0:15", "4@0:22"}));
}

TEST_F(DemoTest, SomeCalibrationsAreDueAndSomeOverdue) {
    DB_InstancesAll instances(*db);
    instances.Open(OpenMode::ReadOnly);
    int good = 0, due = 0, overdue = 0, none = 0;
    for (; !instances.IsEOF(); instances.MoveNext()) {
        DB_DevTypes model(*db);
        model.SetFilter("DeviceTypeID = " + std::to_string(instances.DeviceTypeID));
        model.Open(OpenMode::ReadOnly);
        if (model.CalibrationInterval == 0) {
            ++none;
            continue;
        }
        sys_days next = NextCalibration(instances.LastCalibration, model.CalibrationInterval);
        sys_days today(kToday);
        (next < today ? overdue : next - days(30) < today ? due : good)++;
    }
    EXPECT_GE(due, 1);
    EXPECT_GE(overdue, 1);
    EXPECT_GE(good, 1);
    EXPECT_EQ(none, 1);
}

TEST_F(DemoTest, InterfaceTypeNamesAreLoadedByTheirDecimalCode) {
    std::string error;
    ASSERT_TRUE(LoadInterfaceTypeNames(*db, &error)) << error;
    EXPECT_EQ(InterfaceTypeNames(), (std::map<std::string, std::string>{
                                        {"1", "None"}, {"2", "GPIB"}, {"4", "RS232"}, {"8", "VXI"}}));
    db->Execute("DROP TABLE __sys_InterfaceTypes");
    EXPECT_FALSE(LoadInterfaceTypeNames(*db, &error));
    EXPECT_NE(error.find("__sys_InterfaceTypes"), std::string::npos) << error;
    EXPECT_TRUE(InterfaceTypeNames().empty());
}

} // namespace
} // namespace corvid::operatordb::testing
