// Loading equipment items on the demo station: calibration dates, interface settings,
// declared options, the calibration status and the required-equipment check.
#include "db_fixture.h"
#include "operatordb/equipment_item.h"
#include "operatordb/interface_types.h"
#include "operatordb/test_filter.h"

#include <algorithm>

namespace corvid::operatordb::testing {
namespace {

using namespace demo;
using namespace std::chrono;

class EquipmentTest : public DemoTest {
protected:
    void SetUp() override {
        DemoTest::SetUp();
        ASSERT_TRUE(LoadInterfaceTypeNames(*db));
    }
    EquipmentItem Load(int instance, int dsg = 1) {
        EquipmentItem item;
        found = LoadEquipmentItem(*db, item, kTestPlan, dsg, -1, instance, "");
        return item;
    }
    bool found = false;
};

TEST(ParseStoredDate, TakesMonthDayYearAndIsoDatesOnly) {
    EXPECT_EQ(ParseStoredDate("03/15/2005"), year(2005) / March / 15);
    EXPECT_EQ(ParseStoredDate(" 3/5/05 "), year(5) / March / 5);
    EXPECT_EQ(ParseStoredDate("2005-03-15"), year(2005) / March / 15);
    EXPECT_EQ(ParseStoredDate("02/29/2004"), year(2004) / February / 29);
    for (const char* text : {"", "15/03/2005", "02/29/2005", "04/31/2005", "03/15", "03/15/20051",
                             "3-15-2005", "03/15/2005 x", "2005/03/15", "O3/15/2005"})
        EXPECT_FALSE(ParseStoredDate(text)) << text;
}

TEST_F(EquipmentTest, CalibrationDatesAreNormalisedAndTheNextOneComputed) {
    struct Case {
        const char* stored;
        int interval;
        const char* last;
        const char* next;
        bool changed;
    };
    for (const Case& c : {Case{"03/15/99", 12, "03/15/1999", "03/15/2000", false},
                          Case{"03/15/05", 12, "03/15/2005", "03/15/2006", false},
                          Case{"3/5/79", 0, "03/05/2079", "03/05/2079", false},
                          Case{"08/31/2004", 6, "08/31/2004", "02/28/2005", false},
                          Case{"01/31/2024", 1, "01/31/2024", "02/29/2024", false},
                          Case{"12/15/2023", 12, "12/15/2023", "12/15/2024", false},
                          Case{"2005-03-15", 25, "03/15/2005", "04/15/2007", false},
                          Case{"07/04/1965", 12, "07/04/1970", "07/04/1971", false},
                          Case{"02/29/1968", 0, "02/28/1970", "02/28/1970", false},
                          Case{"03/15/2005", 12 * 8000, "03/15/2005", "01/01/1970", false},
                          Case{"15/03/2005", 12, "01/01/1970", "01/01/1971", true},
                          Case{"", 1, "01/01/1970", "02/01/1970", true}}) {
        db->Execute("UPDATE DeviceInstances SET LastCalibration = :t WHERE InstanceID = 1",
                    {{"t", c.stored}});
        db->Execute("UPDATE __sys_DeviceTypes SET CalibrationInterval = :i WHERE DeviceTypeID = 1",
                    {{"i", c.interval}});
        EquipmentItem item = Load(1);
        EXPECT_EQ(item.lastCalibration, c.last) << c.stored;
        EXPECT_EQ(item.nextCalibration, c.next) << c.stored << " + " << c.interval;
        EXPECT_EQ(item.changed, c.changed) << c.stored;
    }
}

TEST_F(EquipmentTest, AnItemTakesInstanceModelDsgAndSettings) {
    EquipmentItem item = Load(1, 3);
    EXPECT_TRUE(found);
    EXPECT_FALSE(item.changed);
    EXPECT_EQ(item.deviceTypeId, kCalibratorModel);
    EXPECT_EQ(item.alias, "VC-9100");
    EXPECT_EQ(item.serialNumber, "VC91-004417");
    EXPECT_EQ(item.traceNumber, "TR-5521-A");
    EXPECT_EQ(item.calDataQuery, "qry_CalData");
    EXPECT_EQ(item.calColumnsCount, 5);
    EXPECT_EQ(item.calibrationInterval, 12);
    EXPECT_EQ(item.dsgName, "Input Scanner");
    EXPECT_EQ(item.iconId, 4); // the DSG's icon, not the model's
    EXPECT_EQ(item.interfaceName, "GPIB");
    EXPECT_EQ(item.gpibAddress, 5);
    EXPECT_EQ(item.declaredOptions, (DeclaredOptions{{"OPT-HV", "1"}}));
    EXPECT_EQ(Load(1, -1).iconId, 1);

    ASSERT_TRUE(LoadEquipmentItem(*db, item, kTestPlan, 2, kCounterModel, -1, "OM3120-2291"));
    EXPECT_EQ(item.instanceId, 2);
    EXPECT_EQ(item.dsgName, "Frequency Counter");

    EXPECT_FALSE(LoadEquipmentItem(*db, item, kTestPlan, 1, kCalibratorModel, -1, "VC91'004417"));
    EXPECT_EQ(item.instanceId, -1);
    EXPECT_EQ(item.serialNumber, "VC91'004417");
    EXPECT_EQ(item.alias, "VC-9100");
}

TEST_F(EquipmentTest, InUseSettingsComeFirstStandingOnesRestoreAndModelDefaultsFillIn) {
    db->Execute("UPDATE InterfaceData_GPIB SET Address1 = 7 WHERE InstanceID = 1 AND TempInterface");
    EquipmentItem item = Load(1);
    EXPECT_EQ(item.gpibAddress, 7);
    EXPECT_FALSE(LoadInterfaceSettings(*db, item, InterfaceSource::Standing));
    EXPECT_EQ(item.gpibAddress, 5);

    db->Execute("DELETE FROM InterfaceData_GPIB WHERE InstanceID = 1 AND NOT TempInterface");
    db->Execute("UPDATE __sys_InterfaceData_GPIB SET Board = 1, Address1 = 6 WHERE DeviceTypeID = 1");
    EXPECT_TRUE(LoadInterfaceSettings(*db, item, InterfaceSource::Standing));
    EXPECT_EQ(item.gpibBoard, 1);
    EXPECT_EQ(item.gpibAddress, 6);
    db->Execute("DELETE FROM __sys_InterfaceData_GPIB WHERE DeviceTypeID = 1");
    EXPECT_TRUE(LoadInterfaceSettings(*db, item, InterfaceSource::Standing));
    EXPECT_EQ(item.gpibBoard, 0);
    EXPECT_EQ(item.gpibAddress, 0);
}

TEST_F(EquipmentTest, AMissingInUseRowShowsModelDefaultsAndMarksTheItemChanged) {
    db->Execute("DELETE FROM InterfaceData_GPIB WHERE InstanceID = 2 AND TempInterface");
    db->Execute("UPDATE __sys_InterfaceData_GPIB SET Address1 = 11 WHERE DeviceTypeID = 3");
    EquipmentItem item = Load(2, 2);
    EXPECT_TRUE(found);
    EXPECT_TRUE(item.changed);
    EXPECT_EQ(item.gpibAddress, 11);
}

TEST_F(EquipmentTest, SerialAndVxiSettingsAndTheDefaultType) {
    EquipmentItem item = Load(5);
    EXPECT_EQ(item.interfaceName, "RS232");
    EXPECT_EQ(item.serialPort, 1);
    db->Execute("UPDATE __sys_InterfaceData_RS232 SET PortAddress = 3 WHERE DeviceTypeID = 2");
    EXPECT_TRUE(LoadInterfaceSettings(*db, item, InterfaceSource::Standing));
    EXPECT_EQ(item.serialPort, 3);

    item = Load(3);
    item.interfaceType = kInterfaceVxi;
    EXPECT_TRUE(LoadInterfaceSettings(*db, item, InterfaceSource::InUse));
    EXPECT_EQ(item.interfaceName, "VXI");
    EXPECT_EQ(item.vxiLogicalAddress, 16);

    db->Execute("UPDATE DeviceInstances SET InterfaceType = 0 WHERE InstanceID = 1");
    item = Load(1);
    EXPECT_TRUE(item.changed);
    EXPECT_EQ(item.interfaceType, kInterfaceGpib);
    EXPECT_EQ(item.gpibAddress, 5);
    db->Execute("UPDATE __sys_DeviceTypes SET DefaultIOType = 0 WHERE DeviceTypeID = 1");
    EXPECT_EQ(Load(1).interfaceType, kInterfaceNone);
}

TEST_F(EquipmentTest, AModelWithoutInterfacesNeverReadsInterfaceTables) {
    db->Execute("UPDATE __sys_DeviceTypes SET ValidIOs = 1 WHERE DeviceTypeID = 4");
    std::vector<std::string> statements;
    db->SetStatementObserver([&](const std::string& sql) { statements.push_back(sql); });
    EquipmentItem item = Load(3, 3);
    db->SetStatementObserver({});
    EXPECT_EQ(item.interfaceType, kInterfaceNone);
    EXPECT_EQ(item.interfaceName, "None");
    EXPECT_TRUE(item.changed); // the instance had GPIB
    EXPECT_EQ(item.gpibAddress, 0);
    ASSERT_TRUE(std::any_of(statements.begin(), statements.end(),
                            [](const std::string& s) { return s.find("__sys_DeviceTypes") != s.npos; }));
    for (const std::string& sql : statements)
        EXPECT_EQ(sql.find("InterfaceData"), sql.npos) << sql;
    EXPECT_FALSE(LoadInterfaceSettings(*db, item, InterfaceSource::InUse));
}

TEST_F(EquipmentTest, DeclaredOptionsAreTheModelsUndetectableOnesMarkedPresentOrAbsent) {
    // The unit under test reports OPT-REAR itself; here the model also lists it as one to declare.
    db->Execute("INSERT INTO __sys_Device_has_UnDetectableOptions (DeviceTypeID, DeviceOptionID) "
                "VALUES (2, 'OPT-REAR')");
    EXPECT_EQ(Load(kUutInstance).declaredOptions, (DeclaredOptions{{"OPT-HC", "0"}, {"OPT-REAR", "0"}}));
    db->Execute("INSERT INTO DeviceInstance_has_Options VALUES (5, 'OPT-FRQ', False), (5, 'OPT-XYZ', True), "
                "(5, 'opt-rear', True)");
    DeclaredOptions options{{"stale", "1"}};
    LoadDeclaredOptions(*db, kMultimeterModel, kOtherUutInstance, options);
    EXPECT_EQ(options, (DeclaredOptions{{"OPT-HC", "1"}, {"OPT-REAR", "1"}}));
    LoadDeclaredOptions(*db, kMultimeterModel, 0, options);
    EXPECT_EQ(options, (DeclaredOptions{{"OPT-HC", "0"}, {"OPT-REAR", "0"}}));
}

TEST_F(EquipmentTest, CalibrationStatusCountsThirtyDaysAheadOfTheNextDate) {
    const local_seconds noon = local_days(kToday) + hours(12);
    EXPECT_EQ(CalibrationStatusOf(Load(1), noon), CalibrationStatus::DueSoon);
    EXPECT_EQ(CalibrationStatusOf(Load(2), noon), CalibrationStatus::Overdue);
    EXPECT_EQ(CalibrationStatusOf(Load(3), noon), CalibrationStatus::Good); // interval 0

    EquipmentItem item;
    item.instanceId = 1;
    item.calibrationInterval = 12;
    auto status = [&](const char* next) {
        item.nextCalibration = next;
        return CalibrationStatusOf(item, noon);
    };
    EXPECT_EQ(status("06/15/2024"), CalibrationStatus::Overdue);
    EXPECT_EQ(status("07/15/2024"), CalibrationStatus::DueSoon);
    EXPECT_EQ(status("07/16/2024"), CalibrationStatus::Good);
    EXPECT_EQ(status("not a date"), CalibrationStatus::Overdue);
    item.instanceId = 0;
    EXPECT_EQ(status("07/16/2030"), CalibrationStatus::Overdue);
    item.calibrationInterval = 0;
    EXPECT_EQ(status("07/16/2030"), CalibrationStatus::Overdue);
    item.instanceId = 1;
    EXPECT_EQ(status("01/01/1970"), CalibrationStatus::Good);
    item.calibrationInterval = 12;
    EXPECT_EQ(CalibrationStatusOf(item), CalibrationStatus::Overdue);
    item.nextCalibration = "12/31/9999";
    EXPECT_EQ(CalibrationStatusOf(item), CalibrationStatus::Good);
}

class RequiredEquipmentTest : public EquipmentTest {
protected:
    void SetUp() override {
        EquipmentTest::SetUp();
        RebuildTestFilter(*db, kTestPlan, kFullVariant, kMultimeterModel, kUutInstance);
    }
    bool Check(int station = kDemoBench) {
        return CheckRequiredEquipment(*db, station, kTestPlan, kFullVariant, kUutInstance, missing);
    }
    void RequireDsg(int dsg) {
        db->Execute("INSERT INTO UUTFilter VALUES (1, 1, 4, 2, :d, 0)", {{"d", dsg}});
    }
    std::string missing = "stale";
};

TEST_F(RequiredEquipmentTest, TheDemoBenchHasEveryRequiredDsgAssigned) {
    EXPECT_TRUE(Check());
    EXPECT_EQ(missing, "");
    EXPECT_FALSE(Check(kServiceBench));
    EXPECT_EQ(missing, "Frequency Counter\n");
}

TEST_F(RequiredEquipmentTest, UnassignedAndUnknownDsgsAreListed) {
    db->Execute("DELETE FROM TestPlan_uses_Instances WHERE TestStationID = 1 AND "
                "DeviceSubstitutionGroup = 'Frequency Counter'");
    RequireDsg(17);
    EXPECT_FALSE(Check());
    EXPECT_EQ(missing, "Frequency Counter\nUnknown DSGID = 17\n");
}

TEST_F(RequiredEquipmentTest, ADatabaseErrorForOneDsgFailsTheCheckAndItGoesOn) {
    if (OnServer()) {
        GTEST_SKIP() << "a server's number column refuses text when it is written";
    }
    db->Execute("UPDATE __sys_DSGs SET IconID = 'not a number' WHERE DSGID = 3");
    db->Execute("DELETE FROM TestPlan_uses_Instances WHERE DeviceSubstitutionGroup = 'Input Scanner'");
    db->Execute("DELETE FROM UUTFilter WHERE Type = 2");
    RequireDsg(3);
    RequireDsg(17);
    EXPECT_FALSE(Check());
    EXPECT_EQ(missing, "Unknown DSGID = 17\n");
}

} // namespace
} // namespace corvid::operatordb::testing
