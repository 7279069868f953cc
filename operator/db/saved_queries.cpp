// The saved queries of the instrument database. Their texts live in the file
// (MSysQueries); these are the texts a new database gets.
#include "operatordb/schema.h"

namespace corvid::operatordb {
namespace {

// The option groups that apply to the selection of the outer row f (UUTFilter type 3).
#define APPLICABLE_GROUPS(f)                                                                                 \
    "(SELECT g.ID FROM UUTFilter AS g WHERE g.Type = 3 AND g.TestPlanID = " f ".TestPlanID"                  \
    " AND g.TestVariantID = " f ".TestVariantID AND g.UUTInstanceID = " f ".UUTInstanceID)"

const char* const kTestRequiresDsgs =
    "SELECT DISTINCT r.DSGID, r.RemoveDSG, d.Description, f.TestPlanID, f.ID AS TestID, f.TestVariantID,"
    " f.UUTInstanceID, d.Name"
    " FROM UUTFilter AS f"
    " INNER JOIN __sys_Test_requires_DSG AS r ON r.TestPlanID = f.TestPlanID AND r.TestID = f.ID"
    " INNER JOIN __sys_DSGs AS d ON d.TestPlanID = r.TestPlanID AND d.DSGID = r.DSGID"
    " WHERE f.Type = 1 AND r.RemoveDSG = False AND r.OptGrpID IN " APPLICABLE_GROUPS(
        "f") " AND NOT EXISTS (SELECT 1 FROM __sys_Test_requires_DSG AS x WHERE x.TestPlanID = r.TestPlanID"
             " AND x.TestID = r.TestID AND x.DSGID = r.DSGID AND x.RemoveDSG = True"
             " AND x.OptGrpID IN " APPLICABLE_GROUPS("f") ")";

#undef APPLICABLE_GROUPS

} // namespace

const std::vector<SavedQuery>& InstrumentSavedQueries() {
    static const std::vector<SavedQuery> kQueries = {
        // The assignments joined with their DSG; only assignments of existing instances.
        {"qry_GUI_InstanceUseage", "",
         "SELECT u.TestStationID, u.TestPlanID, d.DSGID, u.DeviceInstanceID, d.IconID, d.Name"
         " FROM TestPlan_uses_Instances AS u"
         " INNER JOIN __sys_DSGs AS d ON d.TestPlanID = u.TestPlanID AND d.Name = u.DeviceSubstitutionGroup"
         " INNER JOIN DeviceInstances AS i ON i.InstanceID = u.DeviceInstanceID"
         " ORDER BY u.TestStationID, u.TestPlanID, d.Name"},
        {"qry_GUI_TPAs", "DeviceType_ID Long",
         "SELECT p.TestPlanID, p.Name, p.LongName FROM __sys_TestPlans AS p"
         " INNER JOIN __sys_Testplan_has_UUTs AS u ON u.TestPlanID = p.TestPlanID"
         " WHERE u.UUTDeviceTypeID = :DeviceType_ID ORDER BY p.Name, p.TestPlanID"},
        {"qry_GUI_TPVs", "TestPlanID Long",
         "SELECT TestPlanVariantID, Name FROM __sys_TestPlanVariants WHERE TestPlanID = :TestPlanID"
         " ORDER BY TestPlanVariantID"},
        // Each test of the selection once, in sequence order.
        {"qry_GUI_Tests", "TestPlanID Long, TestPlanVariantID Long, UUTInstanceID Long",
         "SELECT t.Name, f.ID AS TestID FROM UUTFilter AS f"
         " INNER JOIN __sys_Tests AS t ON t.TestPlanID = f.TestPlanID AND t.TestID = f.ID"
         " WHERE f.Type = 1 AND f.TestPlanID = :TestPlanID AND f.TestVariantID = :TestPlanVariantID"
         " AND f.UUTInstanceID = :UUTInstanceID"
         " GROUP BY f.ID, t.Name ORDER BY MIN(f.SeqNumber), f.ID"},
        {"qry_GUI_DUTs", "",
         "SELECT DISTINCT u.UUTDeviceTypeID, t.Model, t.Alias FROM __sys_Testplan_has_UUTs AS u"
         " INNER JOIN __sys_DeviceTypes AS t ON t.DeviceTypeID = u.UUTDeviceTypeID ORDER BY t.Alias"},
        {"qry_GUI_DSGs_for_TPA", "TestPlan_ID Long",
         "SELECT DSGID, Name, IconID, Notes, Description FROM __sys_DSGs WHERE TestPlanID = :TestPlan_ID"
         " ORDER BY Name"},
        {"qry_GUI_Devs_in_DSG", "DSG_1 Long, DSG_2 Long, TestPlan_ID Long",
         "SELECT DISTINCT t.DeviceTypeID, t.Alias FROM __sys_DSG_has_DeviceTypes AS m"
         " INNER JOIN __sys_DeviceTypes AS t ON t.DeviceTypeID = m.DeviceTypeID"
         " WHERE m.TestPlanID = :TestPlan_ID AND m.DSGID BETWEEN :DSG_1 AND :DSG_2 ORDER BY t.Alias"},
        {"qry_GUI_SelectEquipment", "TestPlan_ID Long, TestVariant_ID Long, UUTInstance_ID Long",
         "SELECT DISTINCT d.DSGID, d.Name, d.IconID FROM UUTFilter AS f"
         " INNER JOIN __sys_DSGs AS d ON d.TestPlanID = f.TestPlanID AND d.DSGID = f.ID"
         " WHERE f.Type = 2 AND f.TestPlanID = :TestPlan_ID AND f.TestVariantID = :TestVariant_ID"
         " AND f.UUTInstanceID = :UUTInstance_ID ORDER BY d.Name"},
        // Per selection and test of the filter, the DSGs required in an applicable option
        // group and not removed for that test by one: narrowed by a filter on its columns.
        {"qry_GUI_Test_Requires_DSGs", "", kTestRequiresDsgs},
        {"qry_GUI_ModelInstances",
         "TestStation_1 Long, TestStation_2 Long, DeviceType_1 Long, DeviceType_2 Long",
         "SELECT DISTINCT i.InstanceID, i.SerialNumber FROM DeviceInstances AS i"
         " INNER JOIN TestStation_has_Instances AS s ON s.DeviceInstanceID = i.InstanceID"
         " WHERE s.TestStationID BETWEEN :TestStation_1 AND :TestStation_2"
         " AND i.DeviceTypeID BETWEEN :DeviceType_1 AND :DeviceType_2 ORDER BY i.SerialNumber, i.InstanceID"},
        {"qry_GUI_EquipProperties", "Instance_ID Long",
         "SELECT InstanceID, DeviceProperty, ValueType, Value FROM DeviceInstance_has_Properties"
         " WHERE InstanceID = :Instance_ID ORDER BY DeviceProperty"},
        // Per DSG of the test plan: the model and serial number assigned at the station,
        // empty when unassigned; the first column identifies the row and is not shown.
        {"qry_GUI_DSGs_for_TPA_STA", "TestStation_ID Long, TestPlan_ID Long",
         "SELECT d.DSGID, d.Name AS [Equipment Type], IFNULL(t.Alias, '') AS Model,"
         " IFNULL(i.SerialNumber, '') AS [Serial Number] FROM __sys_DSGs AS d"
         " LEFT JOIN TestPlan_uses_Instances AS u ON u.TestPlanID = d.TestPlanID"
         " AND u.DeviceSubstitutionGroup = d.Name AND u.TestStationID = :TestStation_ID"
         " LEFT JOIN DeviceInstances AS i ON i.InstanceID = u.DeviceInstanceID"
         " LEFT JOIN __sys_DeviceTypes AS t ON t.DeviceTypeID = i.DeviceTypeID"
         " WHERE d.TestPlanID = :TestPlan_ID ORDER BY d.Name"},
        // The model's default properties for a new instance (those it lacks).
        {"qry_GUI_CopyEquipmentProperties", "DeviceType_ID Long, Instance_ID Long",
         "INSERT INTO DeviceInstance_has_Properties (InstanceID, DeviceProperty, ValueType, Value)"
         " SELECT :Instance_ID, DeviceProperty, ValueType, Value FROM __sys_DeviceType_has_Properties"
         " WHERE DeviceTypeID = :DeviceType_ID AND DeviceProperty NOT IN"
         " (SELECT DeviceProperty FROM DeviceInstance_has_Properties WHERE InstanceID = :Instance_ID)"},
        // Calibration data of an instance, and the model's defaults copied to a new one:
        // the CalDataQuery and CopyDefaultCalDataQuery of the models that have such data.
        {"qry_CalData", "Instance_ID Long",
         "SELECT Point, Parameter, Nominal, Correction, Uncertainty FROM DeviceInstance_CalData"
         " WHERE InstanceID = :Instance_ID ORDER BY Point"},
        {"qry_CopyDefaultCalData", "DeviceType_ID Long, Instance_ID Long",
         "INSERT INTO DeviceInstance_CalData (InstanceID, Point, Parameter, Nominal, Correction, Uncertainty)"
         " SELECT :Instance_ID, Point, Parameter, Nominal, Correction, Uncertainty FROM "
         "__sys_DeviceType_CalData"
         " WHERE DeviceTypeID = :DeviceType_ID AND Point NOT IN"
         " (SELECT Point FROM DeviceInstance_CalData WHERE InstanceID = :Instance_ID)"},
    };
    return kQueries;
}

} // namespace corvid::operatordb
