// Record bindings of test plans, their variants, tests, DSGs and the test filter.
#pragma once

#include "operatordb/record_binding.h"

#include <cstdint>
#include <string>

namespace corvid::operatordb {

// [__sys_TestPlans]: Every test plan.
class DB_TestPlans2 : public RecordBinding {
public:
    explicit DB_TestPlans2(DatabaseRef db);

    int32_t TestPlanID = 0;
    std::string Name;
    std::string LongName;
    std::string Description;
    std::string TPAFileName;
    std::string ReportTitle;
};

// [qry_GUI_TPAs]: The test plans that apply to a UUT model.
class DB_TestPlans : public RecordBinding {
public:
    explicit DB_TestPlans(DatabaseRef db);

    int32_t TestPlanID = 0;
    std::string Name;
    std::string LongName;
    struct {
        int32_t DeviceType_ID = 0;
    } param;
};

// [qry_GUI_TPVs]: The variants of a test plan.
class DB_TPVs : public RecordBinding {
public:
    explicit DB_TPVs(DatabaseRef db);

    int32_t TestPlanVariantID = 0;
    std::string Name;
    struct {
        int32_t TestPlanID = 0;
    } param;
};

// [qry_GUI_Tests]: The tests of a selection, in sequence order, each once.
class DB_Tests : public RecordBinding {
public:
    explicit DB_Tests(DatabaseRef db);

    std::string Name;
    int32_t TestID = 0;
    struct {
        int32_t TestPlanID = 0;
        int32_t TestPlanVariantID = 0;
        int32_t UUTInstanceID = 0;
    } param;
};

// [__sys_Testplan_has_UUTs]: Per test plan and UUT model, the ProgID of the UUT component.
class DB_TPAUUTs : public RecordBinding {
public:
    explicit DB_TPAUUTs(DatabaseRef db);

    int32_t TestPlanID = 0;
    int32_t UUTDeviceTypeID = 0;
    std::string UUTProgID;
};

// [qry_GUI_DUTs]: The UUT models.
class DB_DUTs : public RecordBinding {
public:
    explicit DB_DUTs(DatabaseRef db);

    int32_t UUTDeviceTypeID = 0;
    std::string Model;
    std::string Alias;
};

// [__sys_tblTestPlan_Supports_Uncertainty]: Whether a test plan applies measurement uncertainty.
class DB_TestPlanSupportsUncertainty : public RecordBinding {
public:
    explicit DB_TestPlanSupportsUncertainty(DatabaseRef db);

    int32_t TestPlanID = 0;
    bool ApplyUncertainty = false;
};

// [qry_GUI_DSGs_for_TPA]: The DSGs of a test plan.
class DB_DSGs : public RecordBinding {
public:
    explicit DB_DSGs(DatabaseRef db);

    int32_t DSGID = 0;
    std::string Name;
    int32_t IconID = 0;
    std::string Notes;
    std::string Description;
    struct {
        int32_t TestPlan_ID = 0;
    } param;
};

// [qry_GUI_Devs_in_DSG]: The models that may serve the DSGs in [DSG_1, DSG_2] of a test plan.
class DB_DevsInDsg : public RecordBinding {
public:
    explicit DB_DevsInDsg(DatabaseRef db);

    int32_t DeviceTypeID = 0;
    std::string Alias;
    struct {
        int32_t DSG_1 = 0;
        int32_t DSG_2 = 0;
        int32_t TestPlan_ID = 0;
    } param;
};

// [qry_GUI_SelectEquipment]: The DSGs that a selection needs.
class DB_SelectEquipment : public RecordBinding {
public:
    explicit DB_SelectEquipment(DatabaseRef db);

    int32_t DSGID = 0;
    std::string Name;
    int32_t IconID = 0;
    struct {
        int32_t TestPlan_ID = 0;
        int32_t TestVariant_ID = 0;
        int32_t UUTInstance_ID = 0;
    } param;
};

// [qry_GUI_Test_Requires_DSGs]: Per selection and test of the filter, the DSGs the test needs.
class DB_TestRequiresDSGs : public RecordBinding {
public:
    explicit DB_TestRequiresDSGs(DatabaseRef db);

    int32_t DSGID = 0;
    bool RemoveDSG = false;
    std::string Description;
    int32_t TestPlanID = 0;
    int32_t TestID = 0;
    int32_t TestVariantID = 0;
    int32_t UUTInstanceID = 0;
    std::string Name;
};

// [UUTFilter]: The rows of the test selection filter.
class DB_UUTFilters : public RecordBinding {
public:
    explicit DB_UUTFilters(DatabaseRef db);

    int32_t TestPlanID = 0;
    int32_t TestVariantID = 0;
    int32_t UUTInstanceID = 0;
    int32_t Type = 0;
    int32_t ID = 0;
    int32_t SeqNumber = 0;
};

} // namespace corvid::operatordb
