#include "operatortabs/calibration_interlock.h"

#include "operatorconfig/configuration_manager.h"
#include "operatordb/bindings_plans.h"
#include "operatordb/bindings_stations.h"

#include <set>
#include <strings.h>

namespace corvid::operatortabs {
namespace {

using operatordb::CalibrationStatus;

constexpr const char* kSection = "VELA SYSTEM";
constexpr const char* kBlockKey = "BlockOverdueEquipment";

std::set<int32_t> RequiredDsgs(operatordb::Database& db, int32_t testPlan, int32_t variant,
                               int32_t uutInstance) {
    operatordb::DB_UUTFilters required(db);
    required.SetFilter("TestPlanID = " + std::to_string(testPlan) +
                       " AND TestVariantID = " + std::to_string(variant) +
                       " AND UUTInstanceID = " + std::to_string(uutInstance) + "  AND Type = 2");
    required.Open(operatordb::OpenMode::ReadOnly);
    std::set<int32_t> dsgs;
    for (; !required.IsEOF(); required.MoveNext())
        dsgs.insert(required.ID);
    return dsgs;
}

std::string Lines(const std::vector<DueEquipment>& due, bool overdueOnly) {
    std::string text;
    for (const DueEquipment& item : due) {
        const bool overdue = item.status == CalibrationStatus::Overdue;
        if (overdueOnly && !overdue)
            continue;
        text += item.model + "  Serial #: " + item.serialNumber + "  Due: " + item.dueDate +
                (overdue ? "  (overdue)" : "") + "\n";
    }
    return text;
}

} // namespace

std::vector<DueEquipment> AssignedEquipmentDue(operatordb::Database& db, int32_t station, int32_t testPlan,
                                               int32_t variant, int32_t uutInstance) {
    const std::set<int32_t> required = RequiredDsgs(db, testPlan, variant, uutInstance);
    operatordb::DB_TestInstanceUsageView usage(db);
    usage.SetFilter("TestStationID = " + std::to_string(station) +
                    " AND TestPlanID = " + std::to_string(testPlan));
    usage.Open(operatordb::OpenMode::ReadOnly);
    std::vector<DueEquipment> due;
    for (; !usage.IsEOF(); usage.MoveNext()) {
        if (!required.count(usage.DSGID) || usage.DeviceInstanceID <= 0)
            continue;
        operatordb::EquipmentItem item;
        if (!operatordb::LoadEquipmentItem(db, item, testPlan, usage.DSGID, -1, usage.DeviceInstanceID, ""))
            continue;
        CalibrationStatus status = operatordb::CalibrationStatusOf(item);
        if (status != CalibrationStatus::Good)
            due.push_back({item.alias, item.serialNumber, item.nextCalibration, status});
    }
    return due;
}

bool ConfirmEquipmentCalibration(Prompt& prompt, const std::vector<DueEquipment>& due, bool blockOverdue) {
    if (due.empty())
        return true;
    const std::string overdue = Lines(due, true);
    if (blockOverdue && !overdue.empty()) {
        prompt.Show("The following pieces of assigned equipment are overdue for calibration:\n\n" + overdue +
                        "\nThis station does not run tests with overdue equipment.\n",
                    operatorconfig::kApplicationTitle, MsgButtons::Ok, MsgIcon::Error);
        return false;
    }
    std::string question = "The following pieces of assigned equipment are overdue for calibration or due "
                           "within 30 days:\n\n" +
                           Lines(due, false) + "\nDo you want to continue?\n";
    return prompt.Show(question, operatorconfig::kApplicationTitle, MsgButtons::YesNo, MsgIcon::Warning) ==
           MsgAnswer::Yes;
}

bool BlockOverdueEquipmentSetting(Prompt& prompt) {
    operatorconfig::CConfigurationManager config(prompt);
    std::string value;
    if (!config.GetValue(kSection, kBlockKey, value))
        return false;
    if (value.empty()) {
        config.SetValue(kSection, kBlockKey, "No");
        return false;
    }
    return strcasecmp(value.c_str(), "Yes") == 0;
}

bool CheckEquipmentCalibration(operatordb::Database& db, Prompt& prompt, int32_t station, int32_t testPlan,
                               int32_t variant, int32_t uutInstance) {
    std::vector<DueEquipment> due = AssignedEquipmentDue(db, station, testPlan, variant, uutInstance);
    if (due.empty())
        return true;
    return ConfirmEquipmentCalibration(prompt, due, BlockOverdueEquipmentSetting(prompt));
}

} // namespace corvid::operatortabs
