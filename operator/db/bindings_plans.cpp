#include "operatordb/bindings_plans.h"

namespace corvid::operatordb {

DB_TestPlans2::DB_TestPlans2(DatabaseRef db) : RecordBinding(std::move(db), "[__sys_TestPlans]") {
    BindColumn("TestPlanID", TestPlanID);
    BindColumn("Name", Name);
    BindColumn("LongName", LongName);
    BindColumn("Description", Description);
    BindColumn("TPAFileName", TPAFileName);
    BindColumn("ReportTitle", ReportTitle);
}

DB_TestPlans::DB_TestPlans(DatabaseRef db) : RecordBinding(std::move(db), "[qry_GUI_TPAs]") {
    BindColumn("TestPlanID", TestPlanID);
    BindColumn("Name", Name);
    BindColumn("LongName", LongName);
    BindParameter("DeviceType_ID", param.DeviceType_ID);
}

DB_TPVs::DB_TPVs(DatabaseRef db) : RecordBinding(std::move(db), "[qry_GUI_TPVs]") {
    BindColumn("TestPlanVariantID", TestPlanVariantID);
    BindColumn("Name", Name);
    BindParameter("TestPlanID", param.TestPlanID);
}

DB_Tests::DB_Tests(DatabaseRef db) : RecordBinding(std::move(db), "[qry_GUI_Tests]") {
    BindColumn("Name", Name);
    BindColumn("TestID", TestID);
    BindParameter("TestPlanID", param.TestPlanID);
    BindParameter("TestPlanVariantID", param.TestPlanVariantID);
    BindParameter("UUTInstanceID", param.UUTInstanceID);
}

DB_TPAUUTs::DB_TPAUUTs(DatabaseRef db) : RecordBinding(std::move(db), "[__sys_Testplan_has_UUTs]") {
    BindColumn("TestPlanID", TestPlanID);
    BindColumn("UUTDeviceTypeID", UUTDeviceTypeID);
    BindColumn("UUTProgID", UUTProgID);
}

DB_DUTs::DB_DUTs(DatabaseRef db) : RecordBinding(std::move(db), "[qry_GUI_DUTs]") {
    BindColumn("UUTDeviceTypeID", UUTDeviceTypeID);
    BindColumn("Model", Model);
    BindColumn("Alias", Alias);
}

DB_TestPlanSupportsUncertainty::DB_TestPlanSupportsUncertainty(DatabaseRef db)
    : RecordBinding(std::move(db), "[__sys_tblTestPlan_Supports_Uncertainty]") {
    BindColumn("TestPlanID", TestPlanID);
    BindColumn("ApplyUncertainty", ApplyUncertainty);
}

DB_DSGs::DB_DSGs(DatabaseRef db) : RecordBinding(std::move(db), "[qry_GUI_DSGs_for_TPA]") {
    BindColumn("DSGID", DSGID);
    BindColumn("Name", Name);
    BindColumn("IconID", IconID);
    BindColumn("Notes", Notes);
    BindColumn("Description", Description);
    BindParameter("TestPlan_ID", param.TestPlan_ID);
}

DB_DevsInDsg::DB_DevsInDsg(DatabaseRef db) : RecordBinding(std::move(db), "[qry_GUI_Devs_in_DSG]") {
    BindColumn("DeviceTypeID", DeviceTypeID);
    BindColumn("Alias", Alias);
    BindParameter("DSG_1", param.DSG_1);
    BindParameter("DSG_2", param.DSG_2);
    BindParameter("TestPlan_ID", param.TestPlan_ID);
}

DB_SelectEquipment::DB_SelectEquipment(DatabaseRef db)
    : RecordBinding(std::move(db), "[qry_GUI_SelectEquipment]") {
    BindColumn("DSGID", DSGID);
    BindColumn("Name", Name);
    BindColumn("IconID", IconID);
    BindParameter("TestPlan_ID", param.TestPlan_ID);
    BindParameter("TestVariant_ID", param.TestVariant_ID);
    BindParameter("UUTInstance_ID", param.UUTInstance_ID);
}

DB_TestRequiresDSGs::DB_TestRequiresDSGs(DatabaseRef db)
    : RecordBinding(std::move(db), "[qry_GUI_Test_Requires_DSGs]") {
    BindColumn("DSGID", DSGID);
    BindColumn("RemoveDSG", RemoveDSG);
    BindColumn("Description", Description);
    BindColumn("TestPlanID", TestPlanID);
    BindColumn("TestID", TestID);
    BindColumn("TestVariantID", TestVariantID);
    BindColumn("UUTInstanceID", UUTInstanceID);
    BindColumn("Name", Name);
}

DB_UUTFilters::DB_UUTFilters(DatabaseRef db) : RecordBinding(std::move(db), "[UUTFilter]") {
    BindColumn("TestPlanID", TestPlanID);
    BindColumn("TestVariantID", TestVariantID);
    BindColumn("UUTInstanceID", UUTInstanceID);
    BindColumn("Type", Type);
    BindColumn("ID", ID);
    BindColumn("SeqNumber", SeqNumber);
}

} // namespace corvid::operatordb
