#include "operatortabs/run_common.h"

#include "operatorconfig/configuration_manager.h"
#include "operatordb/equipment_item.h"
#include "operatordb/test_filter.h"
#include "operatortabs/calibration_interlock.h"

#include <cstdio>
#include <filesystem>
#include <strings.h>

namespace corvid::operatortabs {

std::string DisplayTime(std::time_t when) {
    char text[64];
    std::tm local{};
    localtime_r(&when, &local);
    std::strftime(text, sizeof text, "%m/%d/%Y %H:%M:%S", &local);
    return text;
}

std::string ProgressLabel(int done, int total) {
    char text[64];
    std::snprintf(text, sizeof text, "Progress:\r(%d/%d)", done, total);
    return text;
}

void ShowRunError(ModuleContext& context, const std::string& what) {
    context.prompt.Show("The test run stopped: " + what + "\nThe error is logged in " + context.outputPath +
                            "/ErrorLog.txt.",
                        operatorconfig::kApplicationTitle, MsgButtons::Ok, MsgIcon::Error);
}

std::string TestNotFoundText(const std::string& test, const std::string& plan) {
    return "Test '" + test + "' was not found in test plan '" + plan + "'";
}

bool CheckBeforeRun(ModuleContext& context) {
    auto& info = context.info;
    if (info.Station.empty()) {
        context.prompt.Notify("There is no test station selected!");
        return false;
    }
    if (info.SerialNumber.empty()) {
        context.prompt.Notify("There is no UUT configured for testing!");
        return false;
    }
    operatordb::RebuildTestFilter(context.db, info.testPlanId, info.variantId, info.UUTModelID,
                                  info.UUTInstanceID);
    info.Options = operatordb::InstanceOptionsText(context.db, info.UUTInstanceID);
    std::string missing;
    if (!operatordb::CheckRequiredEquipment(context.db, info.stationId, info.testPlanId, info.variantId,
                                            info.UUTInstanceID, missing)) {
        std::string question = "The following pieces of required equipment are not assigned:\n\n" + missing +
                               "\nDo you want to continue?\n";
        if (context.prompt.Show(question, operatorconfig::kApplicationTitle, MsgButtons::YesNo,
                                MsgIcon::Warning) != MsgAnswer::Yes)
            return false;
    }
    // Standards past their due date give results no lab may sign.
    return CheckEquipmentCalibration(context.db, context.prompt, info.stationId, info.testPlanId,
                                     info.variantId, info.UUTInstanceID);
}

FormattedReports CheckFormattedReports(Prompt& prompt, const std::string& model) {
    FormattedReports settings;
    if (model.empty())
        return settings;
    operatorconfig::CConfigurationManager config(prompt);
    std::string supports;
    if (!config.GetValue("VELA PROJECTS", model + "_SupportsCrystalReports", supports))
        return settings;
    if (supports.empty()) {
        config.SetValue("VELA PROJECTS", model + "_SupportsCrystalReports", "No");
        return settings;
    }
    if (strcasecmp(supports.c_str(), "Yes") != 0)
        return settings;
    std::error_code error;
    std::string database;
    config.GetValue("VELA PROJECTS", model + "_CrystalReportsDataSource", database);
    if (database.empty()) {
        prompt.Notify("Set the crystal reports database name in ini file");
        return settings;
    }
    // A server database is checked when the run connects to it.
    if (!operatordb::IsServerUri(database) && !std::filesystem::exists(database, error)) {
        prompt.Notify(database + " database file does not exist. Check your system.");
        return settings;
    }
    std::string directory;
    config.GetValue("VELA PROJECTS", model + "_CrystalReportsDir", directory);
    if (directory.empty()) {
        prompt.Notify("Set the crystal reports directory path in ini file");
        return settings;
    }
    if (!std::filesystem::is_directory(directory, error)) {
        prompt.Notify(directory + " directory does not exist. Check your system.");
        return settings;
    }
    return {true, database, directory};
}

} // namespace corvid::operatortabs
