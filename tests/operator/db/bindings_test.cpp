// Every record binding against the demo database: its source, its columns in exchange
// order and its parameters, read through the filters the operator interface sets.
#include "db_fixture.h"
#include "operatordb/bindings.h"
#include "operatordb/test_filter.h"

namespace corvid::operatordb::testing {
namespace {

class BindingsTest : public DemoTest {
protected:
    // Opens a binding read-only with a filter and returns the number of rows.
    template <class Binding>
    long Rows(Binding& binding, const std::string& filter = "") {
        binding.SetFilter(filter);
        binding.Open(OpenMode::ReadOnly);
        return binding.RecordCount();
    }
};

TEST_F(BindingsTest, StationsInstallationsAndAssignments) {
    DB_TestStations stations(*db);
    EXPECT_EQ(Rows(stations, "Name = 'demo bench'"), 1);
    EXPECT_EQ(stations.TestStationID, demo::kDemoBench);

    DB_StationInstances installed(*db);
    EXPECT_EQ(Rows(installed, "TestStationID = 1 "), 4);
    EXPECT_TRUE(installed.FindFirst("DeviceInstanceID = 4"));

    DB_TestInstanceUsage usage(*db);
    EXPECT_EQ(
        Rows(usage, "TestStationID = 1 AND TestPlanID = 1 AND DeviceSubstitutionGroup = 'Frequency Counter'"),
        1);
    EXPECT_EQ(usage.DeviceInstanceID, 2);

    DB_TestInstanceUsageView view(*db);
    EXPECT_EQ(Rows(view, "TestStationID = 1 AND TestPlanID = 1"), 3);
    ASSERT_TRUE(view.FindFirst("DSGID = 3"));
    EXPECT_EQ(view.DeviceInstanceID, 3);
    EXPECT_EQ(view.IconID, 4);
    EXPECT_EQ(view.Name, "Input Scanner");
    EXPECT_EQ(Rows(view, "TestPlanID = 1 AND TestStationID = 2 AND DeviceInstanceID = 6"), 1);

    DB_IsAdminLoggedIn admin(*db);
    EXPECT_EQ(Rows(admin), 1);
    EXPECT_FALSE(admin.IsAdminLoggedIn);
}

TEST_F(BindingsTest, ModelsAndTheirDefaults) {
    DB_DevTypes models(*db);
    EXPECT_EQ(Rows(models, "DeviceTypeID = 2"), 1);
    EXPECT_EQ(models.Alias, "LM-4065");
    EXPECT_EQ(models.IconID, 2);
    EXPECT_EQ(models.CalibrationInterval, 12);
    EXPECT_EQ(models.CalDataQuery, "qry_CalData");
    EXPECT_EQ(models.CopyDefaultCalDataQuery, "qry_CopyDefaultCalData");
    EXPECT_EQ(models.CalColumnsCount, 5);
    EXPECT_EQ(models.ProgID, "VisaGpib.VisaGpib.1");
    EXPECT_EQ(models.ValidIOs, 6);
    EXPECT_EQ(models.DefaultIOType, 2);
    EXPECT_FALSE(models.MultiComponent);
    EXPECT_EQ(Rows(models, "DeviceTypeID = 4"), 1);
    EXPECT_TRUE(models.MultiComponent);
    EXPECT_EQ(models.CalibrationInterval, 0);

    DB_DevTypeUndetectableOptions undetectable(*db);
    EXPECT_EQ(Rows(undetectable, "DeviceTypeID = 2"), 1);
    EXPECT_EQ(undetectable.DeviceOptionID, "OPT-HC");

    DB_InterfaceTypes types(*db);
    EXPECT_EQ(Rows(types), 4);

    DB_InterfaceData_GPIB2 gpib(*db);
    EXPECT_EQ(Rows(gpib, "DeviceTypeID = 4"), 1);
    EXPECT_EQ(gpib.Address1, 15);
    EXPECT_EQ(gpib.Address2, 1);
    DB_InterfaceData_RS2322 serial(*db);
    EXPECT_EQ(Rows(serial, "DeviceTypeID = 5"), 1);
    EXPECT_EQ(serial.PortAddress, 2);
    EXPECT_EQ(serial.BaudRate, 19200);
    EXPECT_EQ(serial.FlowControl, 1);
    EXPECT_EQ(serial.StopBits, 1);
    DB_InterfaceData_VXI2 vxi(*db);
    EXPECT_EQ(Rows(vxi, "DeviceTypeID = 4"), 1);
    EXPECT_EQ(vxi.LogicalAddress, 16);

    DB_DevsInDsg devices(*db);
    devices.param.DSG_1 = devices.param.DSG_2 = 1;
    devices.param.TestPlan_ID = demo::kTestPlan;
    EXPECT_EQ(Rows(devices), 2);
    EXPECT_EQ(devices.Alias, "VC-9100");
    devices.param.DSG_2 = 3;
    devices.Requery();
    EXPECT_EQ(devices.RecordCount(), 4);
}

TEST_F(BindingsTest, InstancesTheirSettingsOptionsAndProperties) {
    DB_InstancesAll instances(*db);
    EXPECT_EQ(Rows(instances, "DeviceTypeID = 2 AND SerialNumber = 'LK4065-01123'"), 1);
    EXPECT_EQ(instances.InstanceID, demo::kUutInstance);
    EXPECT_EQ(Rows(instances, "DeviceTypeID = 2 AND InstanceID = 4 AND SerialNumber = 'LK4065-01123'"), 1);
    EXPECT_EQ(instances.TraceNumber, "TR-4065-B");
    EXPECT_EQ(instances.InterfaceType, 2);
    EXPECT_EQ(instances.LastCalibration, "03/15/2024");
    EXPECT_FALSE(instances.Temporary);

    DB_InterfaceData_GPIB gpib(*db);
    EXPECT_EQ(Rows(gpib, "InstanceID = 3 AND TempInterface"), 1);
    EXPECT_EQ(gpib.Address1, 15);
    EXPECT_EQ(gpib.Timeout, 13);
    EXPECT_EQ(Rows(gpib, "InstanceID = 3 AND NOT TempInterface"), 1);
    EXPECT_FALSE(gpib.TempInterface);
    DB_InterfaceData_RS232 serial(*db);
    EXPECT_EQ(Rows(serial, "InstanceID = 5 AND TempInterface"), 1);
    EXPECT_EQ(serial.PortAddress, 1);
    EXPECT_EQ(Rows(serial, "InstanceID = 5 AND NOT TempInterface"), 0);
    db->Execute("INSERT INTO InterfaceData_VXI VALUES (3, True, 0, 16)");
    DB_InterfaceData_VXI vxi(*db);
    EXPECT_EQ(Rows(vxi, "InstanceID = 3 AND TempInterface"), 1);
    EXPECT_EQ(vxi.LogicalAddress, 16);

    DB_InstanceOptions options(*db);
    EXPECT_EQ(Rows(options, "InstanceID = 4"), 2);
    EXPECT_EQ(Rows(options, "InstanceID = 4 AND Undetectable "), 0);
    EXPECT_EQ(Rows(options, "InstanceID = 5 AND  Undetectable "), 1);
    EXPECT_EQ(options.DeviceOptionID, "OPT-HC");

    DB_InstancesInstalled installed(*db);
    installed.param = {1, 1, 0, 2147483647};
    EXPECT_EQ(Rows(installed), 4);
    installed.param = {0, 2147483647, 2, 2};
    EXPECT_EQ(Rows(installed), 2);
    EXPECT_EQ(installed.SerialNumber, "LK4065-00871");

    DB_InstanceAddlProps properties(*db);
    properties.param.Instance_ID = 1;
    EXPECT_EQ(Rows(properties), 2);
    EXPECT_EQ(properties.DeviceProperty, "MaxCurrent");
    EXPECT_EQ(properties.ValueType, "Real");
    EXPECT_EQ(properties.Value, "20");
}

TEST_F(BindingsTest, TestPlansVariantsAndUnitsUnderTest) {
    DB_TestPlans2 plans(*db);
    EXPECT_EQ(Rows(plans, "TestPlanID = 1"), 1);
    EXPECT_EQ(plans.TPAFileName, "lm4065_cal.lua");
    EXPECT_EQ(plans.LongName, "LM-4065 Multimeter Calibration Rev 01.00");
    EXPECT_EQ(plans.ReportTitle, "LM-4065 Digital Multimeter Calibration Report");

    DB_TestPlans forModel(*db);
    forModel.param.DeviceType_ID = demo::kMultimeterModel;
    EXPECT_EQ(Rows(forModel), 1);
    EXPECT_EQ(forModel.Name, "LM4065-CAL");
    forModel.param.DeviceType_ID = demo::kCalibratorModel;
    forModel.Requery();
    EXPECT_TRUE(forModel.IsEOF());

    DB_TPVs variants(*db);
    variants.param.TestPlanID = 1;
    EXPECT_EQ(Rows(variants), 2);
    EXPECT_EQ(variants.Name, "Full Calibration");

    DB_TPAUUTs uuts(*db);
    EXPECT_EQ(Rows(uuts, "TestPlanID = 1 AND UUTDeviceTypeID = 2"), 1);
    EXPECT_EQ(uuts.UUTProgID, "DemoUut.LM4065.1");
    DB_DUTs duts(*db);
    EXPECT_EQ(Rows(duts), 1);
    EXPECT_EQ(duts.UUTDeviceTypeID, 2);
    EXPECT_EQ(duts.Alias, "LM-4065");
    DB_TestPlanSupportsUncertainty uncertainty(*db);
    EXPECT_EQ(Rows(uncertainty, "TestPlanID = 1"), 1);
    EXPECT_TRUE(uncertainty.ApplyUncertainty);

    DB_DSGs dsgs(*db);
    dsgs.param.TestPlan_ID = 1;
    EXPECT_EQ(Rows(dsgs, "DSGID = 2"), 1);
    EXPECT_EQ(dsgs.Name, "Frequency Counter");
    EXPECT_EQ(dsgs.IconID, 3);
    EXPECT_EQ(dsgs.Description, "Frequency reference");
    EXPECT_FALSE(dsgs.Notes.empty());
}

TEST_F(BindingsTest, TheSelectionsTestsDsgsAndFilterRows) {
    RebuildTestFilter(*db, 1, 1, demo::kMultimeterModel, demo::kUutInstance);
    DB_Tests tests(*db);
    tests.param = {1, 1, demo::kUutInstance};
    EXPECT_EQ(Rows(tests), 5);
    EXPECT_EQ(tests.Name, "Self Test");
    EXPECT_EQ(tests.TestID, 8);

    DB_SelectEquipment equipment(*db);
    equipment.param = {1, 1, demo::kUutInstance};
    EXPECT_EQ(Rows(equipment), 2); // no scanner for a unit with rear inputs
    EXPECT_EQ(equipment.Name, "DC Calibrator");

    DB_UUTFilters filter(*db);
    EXPECT_EQ(Rows(filter, "TestPlanID = 1 AND TestVariantID = 1 AND UUTInstanceID = 4  AND Type = 2"), 2);

    // The DSGs of one test, as the results output reads them: test 2 needs the scanner
    // only for units without rear inputs.
    DB_TestRequiresDSGs needed(*db);
    EXPECT_EQ(Rows(needed, "TestPlanID = 1 AND TestVariantID= 1 AND UUTInstanceID=4 AND TestID = 2"), 1);
    EXPECT_EQ(needed.DSGID, 1);
    EXPECT_EQ(needed.Name, "DC Calibrator");
    EXPECT_EQ(needed.Description, "DC voltage and current source");
    EXPECT_FALSE(needed.RemoveDSG);
    EXPECT_EQ(Rows(needed, "TestPlanID = 1 AND TestVariantID= 1 AND UUTInstanceID=4 AND TestID = 5"), 2);
}

} // namespace
} // namespace corvid::operatordb::testing
