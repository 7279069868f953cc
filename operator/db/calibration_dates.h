// The calibration dates of an equipment item, kept as MM/DD/YYYY texts.
#pragma once

#include "operatordb/equipment_item.h"

namespace corvid::operatordb {

// Rewrites item.lastCalibration as MM/DD/YYYY (two-digit years 00..79 in 2000..2079,
// 80..99 in 1980..1999, nothing before 1970) and sets item.nextCalibration to it plus
// calibrationInterval months, the day lowered to the end of a shorter month. False when
// the last date did not parse and 01/01/1970 was taken instead.
bool NormaliseCalibrationDates(EquipmentItem& item);

} // namespace corvid::operatordb
