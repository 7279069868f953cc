// The calibration interlock of a run: after the required-equipment check, the assigned
// instances that the selection uses and whose calibration is overdue or due within 30
// days are listed, and the operator decides whether to go on. A station may refuse
// runs with overdue equipment instead ("VELA SYSTEM", BlockOverdueEquipment = "Yes").
#pragma once

#include "operatordb/database.h"
#include "operatordb/equipment_item.h"
#include "operatortabs/prompt.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvid::operatortabs {

struct DueEquipment {
    std::string model; // alias
    std::string serialNumber;
    std::string dueDate; // MM/DD/YYYY
    operatordb::CalibrationStatus status = operatordb::CalibrationStatus::Good;
};

// The instances assigned at the station to the DSGs the selection's filter requires
// (rebuilt beforehand) whose calibration is due soon or overdue today, in DSG order.
std::vector<DueEquipment> AssignedEquipmentDue(operatordb::Database& db, int32_t station, int32_t testPlan,
                                               int32_t variant, int32_t uutInstance);

// Shows the list: a refusal when blockOverdue and any is overdue, else a Yes/No question.
// True when the run may go on (nothing listed, or the operator answered Yes).
bool ConfirmEquipmentCalibration(Prompt& prompt, const std::vector<DueEquipment>& due, bool blockOverdue);

// Reads BlockOverdueEquipment from the station's configuration store ("No" when unset,
// and then written so that administrators find it).
bool BlockOverdueEquipmentSetting(Prompt& prompt);

// What Start does on the Run and Manual tabs: the list for the selection, the
// station's setting, the question. True when the run may go on.
bool CheckEquipmentCalibration(operatordb::Database& db, Prompt& prompt, int32_t station, int32_t testPlan,
                               int32_t variant, int32_t uutInstance);

} // namespace corvid::operatortabs
