#include "report_header.h"

#include "operatordb/bindings_plans.h"
#include "operatordb/bindings_stations.h"
#include "operatordb/equipment_item.h"
#include "operatoroutput/text_report_files.h"
#include "text_format.h"

#include <algorithm>
#include <exception>

namespace corvid::operatoroutput {

const std::string kReportRule(85, '_');

namespace {

using namespace operatordb;

const char* const kEquipmentColumns = "%-12s %-12s %-22s %-12s %-12s %-12s\n";
const char* const kEquipmentError = "Error Creating Equipment List !!!!!!\n";

std::string RunDate(std::time_t start) {
    std::tm t = LocalTime(start);
    return DayMonthYear(t.tm_year + 1900, static_cast<unsigned>(t.tm_mon + 1),
                        static_cast<unsigned>(t.tm_mday)) +
           Format(" at %02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
}

// The block of step 5; the page header repeats it with a single line end at its end.
std::string NumberBlock(const CTestInfo& info, const char* end) {
    return Format("Report Number:   %-22s  Test Date:     %s\nCustomer:        %-s\nModel Number:    %-22s  "
                  "Serial Number: %s\nOptions:         %s\n%s",
                  info.ServiceOrderNumber.c_str(), RunDate(info.startTime).c_str(), info.CustomerName.c_str(),
                  info.UUT.c_str(), info.SerialNumber.c_str(), WrappedOptions(info.Options).c_str(), end);
}

// One row of the equipment table for the instance assigned to a group.
std::string EquipmentRow(Database& db, const CTestInfo& info, int32_t dsg, int32_t instance,
                         DB_DSGs& groups) {
    EquipmentItem item;
    if (!LoadEquipmentItem(db, item, info.testPlanId, dsg, -1, instance, ""))
        return kEquipmentError;
    std::string description = groups.FindFirst(Format("DSGID = %d", dsg)) ? groups.Description : " ";
    bool calibrated = item.calibrationInterval != 0;
    std::string last = calibrated ? CalibrationDate(item.lastCalibration) : "N/A";
    std::string due = calibrated ? CalibrationDate(item.nextCalibration) : "N/A";
    return Format(kEquipmentColumns, item.alias.c_str(), item.serialNumber.c_str(), description.c_str(),
                  item.traceNumber.c_str(), last.c_str(), due.c_str());
}

std::string EquipmentRows(Database& db, const CTestInfo& info) {
    DB_UUTFilters filter(db);
    filter.SetFilter(Format("TestPlanID = %d AND TestVariantID = %d AND UUTInstanceID = %d  AND Type = 2",
                            info.testPlanId, info.variantId, info.UUTInstanceID));
    filter.Open(OpenMode::ReadOnly);
    DB_TestInstanceUsageView usage(db);
    usage.SetFilter(Format("TestStationID = %d AND TestPlanID = %d", info.stationId, info.testPlanId));
    usage.Open(OpenMode::ReadOnly);
    DB_DSGs groups(db);
    groups.param.TestPlan_ID = info.testPlanId;
    groups.Open(OpenMode::ReadOnly);

    std::string rows;
    for (; !filter.IsEOF(); filter.MoveNext()) {
        try {
            if (usage.FindFirst(Format("DSGID = %d", filter.ID)))
                rows += EquipmentRow(db, info, filter.ID, usage.DeviceInstanceID, groups);
        } catch (const std::exception&) {
            rows += kEquipmentError;
        }
    }
    return rows;
}

} // namespace

std::string MeasurementReportLine() {
    return Format("%-30sMeasurement Report\n\n", " ");
}

std::string CentredTitle(const std::string& title) {
    const size_t kWidth = 80;
    size_t blanks = title.size() >= kWidth ? 1 : std::max<size_t>((kWidth - title.size()) / 2, 1);
    return std::string(blanks, ' ') + title + "\n";
}

std::string WrappedOptions(const std::string& options) {
    return WrapText(options, "", 50, 63, std::string(17, ' '));
}

std::string ReportNumberBlock(const CTestInfo& info) {
    return NumberBlock(info, "\n");
}

std::string ConditionsBlock(const CTestInfo& info) {
    std::string temperature = FormatReal(info.Temperature) + " DEG C";
    std::string humidity = FormatReal(info.Humidity) + " %";
    std::string frequency = Format("%d Hz", info.LineFrequency);
    return Format("Temperature:     %-22s  TestPlan Name: %s\nHumidity:        %-22s  Test Variant : %s\n"
                  "Line Frequency:  %-22s  \nTested By:       %-22s  \n\n",
                  temperature.c_str(), info.TPA.c_str(), humidity.c_str(), info.TPV.c_str(),
                  frequency.c_str(), info.Operator.c_str());
}

std::string EquipmentTable(Database& db, const CTestInfo& info) {
    std::string table = Format(kEquipmentColumns, "Model No.", "Serial No.", "Description", "Trace No.",
                               "Last Cal", "Cal Due") +
                        Format(kEquipmentColumns,
                               "=========", "==========", "===========", "=========", "========", "=======");
    try {
        return table + EquipmentRows(db, info);
    } catch (const std::exception&) {
        // The selection's groups or assignments cannot be read: the table says so, and
        // the rest of the report goes on.
        return table + kEquipmentError;
    }
}

int PageHeaderLineCount(const CTestInfo& info) {
    std::string options = WrappedOptions(info.Options);
    return 11 + static_cast<int>(std::count(options.begin(), options.end(), '\n'));
}

std::string PageHeader(const std::string& reportTitle, const CTestInfo& info) {
    return MeasurementReportLine() + CentredTitle(reportTitle) + kReportRule + "\n\n" +
           NumberBlock(info, "") + kReportRule + "\n\n";
}

} // namespace corvid::operatoroutput
