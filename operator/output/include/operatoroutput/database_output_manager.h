// CDatabaseOutputManager: the results of a run in the results database, when the UUT
// model has formatted reports. One header row per run, a row per test result and a row
// per piece of equipment each test used, all keyed by the run's unique ID, written
// through the access data manager component; at the end the overall result is stored
// and the report engine exports the detail, summary and trace reports.
//
//   CDatabaseOutputManager output(db, prompt);
//   output.SetResultsDatabase(resultsDbPath, reportsDirectory);
//   output.Initialize(info, limited);          // sequence begin
//   output.PutTestResult(name, code);          // per test
//   output.UpdateTestPlanResult(overall);      // sequence end
//   output.ExportReports();
//   output.Close();
//
// Every operation shows its own message box when it fails and returns false.
#pragma once

#include "com/com_ptr.h"
#include "com/variant.h"
#include "operatordb/database.h"
#include "operatoroutput/access_data_manager.h"
#include "operatoroutput/output_prompt.h"
#include "operatoroutput/run_names.h"
#include "operatoroutput/test_info.h"

#include <cstdint>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace corvid::operatoroutput {

// The run's unique ID: "<serial number>_<start time as %m%d%y_%H%M%S>".
std::string MakeUniqueID(const std::string& serialNumber, std::time_t startTime);

// The three report templates of a model, plan and variant (template file names, empty
// when not configured): keys model_plan_variant, + "_Summary", + "_Trace".
struct ReportTemplates {
    std::string detail, summary, trace;
};
// false (after the configuration component's message) when the names cannot be read.
bool ReadReportTemplates(operatorconfig::Prompt& prompt, const CTestInfo& info, ReportTemplates& names);

// Whether the template file is in the reports directory.
bool TemplateExists(const std::string& reportsDirectory, const std::string& name);

// The check before a run with database output: every configured template must exist in
// the reports directory; each missing one is shown and blocks the run.
bool CheckReportTemplates(OutputPrompt& prompt, const CTestInfo& info, const std::string& reportsDirectory);

class CDatabaseOutputManager {
public:
    CDatabaseOutputManager(operatordb::Database& db, OutputPrompt& prompt);
    ~CDatabaseOutputManager();
    CDatabaseOutputManager(const CDatabaseOutputManager&) = delete;
    CDatabaseOutputManager& operator=(const CDatabaseOutputManager&) = delete;

    // The results database and the report templates of the model of the coming run.
    void SetResultsDatabase(std::string resultsDatabasePath, std::string reportsDirectory);
    const std::string& resultsDatabasePath() const { return resultsDatabasePath_; }

    // Sequence begin: the unique ID, the connection, the run's header rows and the test
    // IDs of the selection. limited (a Manual-tab run) is noted in the run's details when
    // the table has a column for it.
    bool Initialize(const CTestInfo& info, bool limited);
    const std::string& UniqueID() const { return uniqueId_; }
    bool GetTestInfo();
    // -1 when the name is not mapped.
    int32_t TestID(const std::string& name) const;
    // The test's equipment rows and its result row, in one transaction. A test the
    // selection does not list stores nothing and succeeds.
    bool PutTestResult(const std::string& name, int code);
    bool PutTestEquipInfo(int32_t testId);
    // Sequence end.
    bool UpdateTestPlanResult(int code);
    bool ExportReports();
    void Close();
    bool connected() const { return connected_; }

    // The report files the last ExportReports wrote.
    const std::vector<std::string>& exportedReports() const { return exported_; }

private:
    // One row of __sys_tblEquipInfo, without the run's and the test's IDs.
    struct EquipmentRow {
        std::string dsgName, dsgDescription, modelNumber, serialNumber, traceNumber, lastCal, calDue;
    };

    bool PutUniqueID();
    bool PutTestingDetails(bool limited);
    std::optional<std::string> PlanVersion();
    // A group a test needs.
    struct Requirement {
        int32_t dsg;
        std::string name, description;
    };

    std::vector<EquipmentRow> EquipmentOf(int32_t testId);
    bool ReadEquipment(int32_t testId, std::vector<EquipmentRow>& rows);
    bool StoreEquipment(int32_t testId, const std::vector<EquipmentRow>& rows);
    void LoadRequirements();
    EquipmentRow Equipment(int32_t dsg, int32_t instance);
    void SetField(const char* column, const com::Variant& value);
    void SetText(const char* column, const std::string& value); // only when not empty
    bool HasColumn(const char* table, const char* column);
    void Connected();
    template <class Work>
    bool Guarded(const char* title, const char* operation, Work&& work, const char* fallback = "Error");

    operatordb::Database& db_;
    OutputPrompt& prompt_;
    std::string resultsDatabasePath_;
    std::string reportsDirectory_;
    com::ComPtr<IAccessDataManager> data_;
    bool connected_ = false;
    std::string uniqueId_;
    int overallResult_ = 0;
    CTestInfo info_;
    std::map<std::string, int32_t> testIds_;
    std::map<std::pair<int32_t, int32_t>, EquipmentRow> equipment_;           // by (DSG, instance)
    std::optional<std::map<int32_t, std::vector<Requirement>>> requirements_; // by test ID
    std::vector<std::pair<std::string, int32_t>> assignments_;                // group name, instance
    bool stored_ = false; // the run's header rows are stored
    std::vector<std::string> exported_;
};

} // namespace corvid::operatoroutput
