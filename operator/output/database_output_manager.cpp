#include "operatoroutput/database_output_manager.h"

#include "com/bstr.h"
#include "com/creation.h"
#include "com/error_info.h"
#include "com/safearray.h"
#include "com/variant.h"
#include "operatordb/bindings_plans.h"
#include "operatordb/bindings_stations.h"
#include "operatordb/database.h"
#include "operatordb/equipment_item.h"
#include "operatordb/lookups.h"
#include "operatoroutput/report_engine.h"
#include "operatoroutput/results_schema.h"
#include "text_format.h"

#include <exception>
#include <optional>
#include <stdexcept>
#include <strings.h>

namespace corvid::operatoroutput {
namespace {

using namespace operatordb;
using com::Bstr;
using com::HRESULT;
using com::Variant;

// A component call that failed: its own text when the caller has one, else the
// component's error description (taken from the thread right away).
class ComponentFailure : public std::exception {
public:
    // keepDetail: the component's description follows the own text (where a template
    // fails to parse, which the operator needs to mend it).
    explicit ComponentFailure(std::string ownText, bool keepDetail = false) : text_(std::move(ownText)) {
        auto details = com::TakeErrorDetails();
        if (!details)
            return;
        if (text_.empty())
            text_ = details->description;
        else if (keepDetail)
            detail_ = details->description;
    }
    const char* what() const noexcept override { return text_.c_str(); }
    const std::string& detail() const { return detail_; }

private:
    std::string text_;
    std::string detail_;
};

void Check(HRESULT result, const std::string& ownText = {}, bool keepDetail = false) {
    if (FAILED(result))
        throw ComponentFailure(ownText, keepDetail);
}

// A run's dates as the results database stores them.
std::string StoredDateTime(std::time_t t) {
    std::tm local = LocalTime(t);
    return Format("%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour, local.tm_min, local.tm_sec);
}

// An equipment date ("MM/DD/YYYY" or "YYYY-MM-DD"); one that cannot be read is 1 January 1970.
std::string StoredDate(const std::string& text) {
    auto date = ParseStoredDate(text);
    if (!date)
        return "1970-01-01";
    return Format("%04d-%02u-%02u", static_cast<int>(date->year()), static_cast<unsigned>(date->month()),
                  static_cast<unsigned>(date->day()));
}

std::string PlanBaseName(Database& db, int32_t plan) {
    std::string file = TestPlanFileName(db, plan);
    size_t dot = file.rfind('.');
    return dot == std::string::npos ? file : file.substr(0, dot);
}

} // namespace

std::string MakeUniqueID(const std::string& serialNumber, std::time_t startTime) {
    return serialNumber + "_" + RunStamp(startTime);
}

CDatabaseOutputManager::CDatabaseOutputManager(Database& db, OutputPrompt& prompt)
    : db_(db), prompt_(prompt) {}

CDatabaseOutputManager::~CDatabaseOutputManager() {
    Close();
}

void CDatabaseOutputManager::SetResultsDatabase(std::string resultsDatabasePath,
                                                std::string reportsDirectory) {
    resultsDatabasePath_ = std::move(resultsDatabasePath);
    reportsDirectory_ = std::move(reportsDirectory);
}

// Runs one public operation: a failure shows its message box and gives false.
template <class Work>
bool CDatabaseOutputManager::Guarded(const char* title, const char* operation, Work&& work,
                                     const char* fallback) {
    try {
        return work();
    } catch (const ComponentFailure& failure) {
        std::string message = *failure.what() ? failure.what() : fallback;
        if (!failure.detail().empty())
            message += "\n" + failure.detail();
        prompt_.ShowMessage(std::string(title) + ", Details:\n" + message, title);
    } catch (const std::exception& error) {
        prompt_.ShowMessage(error.what(),
                            std::string("CException occured in database output manager: ") + operation);
    } catch (...) {
        prompt_.ShowMessage("Unknown Error has occured while storing result header information",
                            std::string("Unknown occured in database output manager: ") + operation);
    }
    return false;
}

bool CDatabaseOutputManager::Initialize(const CTestInfo& info, bool limited) {
    Close();
    info_ = info;
    uniqueId_ = MakeUniqueID(info.SerialNumber, info.startTime);
    overallResult_ = 0;
    stored_ = false;
    testIds_.clear();
    equipment_.clear();
    requirements_.reset();
    bool ready = Guarded("Access data manager errors", "Initialize", [&] {
        if (!data_)
            Check(com::CreateInstance(CLSID_AccessDataManager, nullptr, IAccessDataManager::iid,
                                      data_.OutVoid()),
                  "Unable to create access data manager object");
        Check(data_->Connect(Bstr("Microsoft Access Driver (*.mdb)").get(), Bstr("").get(),
                             Bstr(resultsDatabasePath_).get(), Bstr("admin").get(), Bstr("").get()));
        connected_ = true;
        return true;
    });
    if (!ready)
        return false;
    // The run's two header rows are stored together or not at all.
    if (!Guarded("Error inserting Unique ID.", "PutUniqueID", [&] {
            Check(data_->BeginTransaction());
            return true;
        }))
        return false;
    if (PutUniqueID() && PutTestingDetails(limited) &&
        Guarded("Error inserting testing details.", "PutTestingDetails", [&] {
            Check(data_->CommitTransaction());
            return true;
        })) {
        stored_ = true;
        return GetTestInfo();
    }
    data_->RollbackTransaction();
    return false;
}

bool CDatabaseOutputManager::PutUniqueID() {
    return Guarded("Error inserting Unique ID.", "PutUniqueID", [&] {
        Check(data_->OpenTable(Bstr(kUniqueIdsTable).get()));
        SetField("UniqueID", Variant(uniqueId_));
        SetField("UUTID", Variant(static_cast<com::LONG>(info_.UUTModelID)));
        SetField("SerialNumber", Variant(info_.SerialNumber));
        Check(data_->Update());
        return true;
    });
}

void CDatabaseOutputManager::SetField(const char* column, const Variant& value) {
    Check(data_->SetField(Bstr(column).get(), value));
}

void CDatabaseOutputManager::SetText(const char* column, const std::string& value) {
    if (!value.empty())
        SetField(column, Variant(value));
}

bool CDatabaseOutputManager::HasColumn(const char* table, const char* column) {
    com::VARIANT_BOOL exists = com::VARIANT_FALSE;
    Check(data_->ColumnExists(Bstr(table).get(), Bstr(column).get(), &exists));
    return exists != com::VARIANT_FALSE;
}

// The plan's version from the configuration; nullopt (after the messages) when the
// configuration component cannot be used.
std::optional<std::string> CDatabaseOutputManager::PlanVersion() {
    operatorconfig::CConfigurationManager config(prompt_);
    std::string version;
    if (!config.GetValue("VELA PROJECT VERSIONS", PlanBaseName(db_, info_.testPlanId), version)) {
        prompt_.ShowMessage(
            "Failed to intialize Vela configuration component to get ini settings\n.Make sure "
            "VelaConfigPrj.dll is registered.",
            "Failed while inserting testing details.");
        return std::nullopt;
    }
    return version.empty() ? "Unknown" : version;
}

bool CDatabaseOutputManager::PutTestingDetails(bool limited) {
    return Guarded("Error inserting testing details.", "PutTestingDetails", [&] {
        std::optional<std::string> version;
        bool versionColumn = HasColumn(kTestingDetailsTable, "TestPlanVersion");
        if (versionColumn && !info_.TPA.empty() && !(version = PlanVersion()))
            return false;
        DB_TestPlans2 plans(db_);
        plans.SetFilter(Format("TestPlanID = %d", info_.testPlanId));
        plans.Open(OpenMode::ReadOnly);
        std::string title = plans.IsEOF() ? "---" : plans.ReportTitle;
        bool uncertaintyColumn = HasColumn(kTestingDetailsTable, "AppliedUncertainty");
        bool limitedColumn = HasColumn(kTestingDetailsTable, "LimitedCalibration");

        Check(data_->OpenTable(Bstr(kTestingDetailsTable).get()));
        SetField("UniqueID", Variant(uniqueId_));
        SetText("ReportNumber", info_.ServiceOrderNumber);
        SetField("ReportTitle", Variant(title));
        SetText("Customer", info_.CustomerName);
        SetField("TestDate", Variant(StoredDateTime(info_.startTime)));
        SetField("UUTModel", Variant(info_.UUT));
        SetText("UUTOptions", info_.Options);
        SetField("Temperature", Variant(info_.Temperature));
        SetField("Humidity", Variant(info_.Humidity));
        SetField("LineFrequency", Variant(static_cast<com::LONG>(info_.LineFrequency)));
        SetText("TestedBy", info_.Operator);
        SetField("TestPlanID", Variant(static_cast<com::LONG>(info_.testPlanId)));
        SetText("TestPlanName", info_.TPA);
        SetText("TestStationName", info_.Station);
        SetField("TestPlanVariantID", Variant(static_cast<com::LONG>(info_.variantId)));
        SetText("TestPlanVariantName", info_.TPV);
        SetText("Notes", info_.GeneralNotes);
        SetField("OverAllResult", Variant(static_cast<com::LONG>(0)));
        if (uncertaintyColumn)
            SetField("AppliedUncertainty", Variant(info_.applyUncertainty == 1));
        if (version)
            SetField("TestPlanVersion", Variant(*version));
        if (limitedColumn)
            SetField("LimitedCalibration", Variant(limited));
        Check(data_->Update());
        return true;
    });
}

bool CDatabaseOutputManager::GetTestInfo() {
    testIds_.clear();
    return Guarded("Error reading the tests of the run.", "GetTestInfo", [&] {
        DB_Tests tests(db_);
        tests.param.TestPlanID = info_.testPlanId;
        tests.param.TestPlanVariantID = info_.variantId;
        tests.param.UUTInstanceID = info_.UUTInstanceID;
        tests.Open(OpenMode::ReadOnly);
        for (; !tests.IsEOF(); tests.MoveNext())
            testIds_[tests.Name] = tests.TestID;
        return true;
    });
}

int32_t CDatabaseOutputManager::TestID(const std::string& name) const {
    auto found = testIds_.find(name);
    return found == testIds_.end() ? -1 : found->second;
}

bool CDatabaseOutputManager::PutTestResult(const std::string& name, int code) {
    int32_t testId = TestID(name);
    if (testId < 0)
        return true;
    if (!Guarded("Error inserting test result.", "PutTestResult", [&] {
            Connected();
            return true;
        })) {
        return false;
    }
    // The instrument database is read before the results database's unit begins: the
    // other stations wait for this station's writes only, never for its reads.
    std::vector<EquipmentRow> equipment;
    if (!ReadEquipment(testId, equipment)) {
        return false;
    }
    // The test's rows are stored together: a run never shows equipment without its result.
    if (!Guarded("Error inserting test result.", "PutTestResult", [&] {
            Check(data_->BeginTransaction());
            return true;
        }))
        return false;
    bool stored =
        StoreEquipment(testId, equipment) && Guarded("Error inserting test result.", "PutTestResult", [&] {
            Check(data_->OpenTable(Bstr(kTestsTable).get()));
            SetField("UniqueID", Variant(uniqueId_));
            SetField("TestID", Variant(static_cast<com::LONG>(testId)));
            SetText("Name", name);
            SetField("Result", Variant(static_cast<com::LONG>(code)));
            Check(data_->Update());
            Check(data_->CommitTransaction());
            return true;
        });
    if (!stored)
        data_->RollbackTransaction();
    return stored;
}

bool CDatabaseOutputManager::PutTestEquipInfo(int32_t testId) {
    std::vector<EquipmentRow> equipment;
    return ReadEquipment(testId, equipment) && StoreEquipment(testId, equipment);
}

bool CDatabaseOutputManager::ReadEquipment(int32_t testId, std::vector<EquipmentRow>& rows) {
    return Guarded("Error inserting equipment informaiton.", "PutTestEquipInfo", [&] {
        Connected();
        rows = EquipmentOf(testId);
        return true;
    });
}

bool CDatabaseOutputManager::StoreEquipment(int32_t testId, const std::vector<EquipmentRow>& rows) {
    return Guarded("Error inserting equipment informaiton.", "PutTestEquipInfo", [&] {
        for (const EquipmentRow& row : rows) {
            Check(data_->OpenTable(Bstr(kEquipInfoTable).get()));
            SetField("UniqueID", Variant(uniqueId_));
            SetField("TestID", Variant(static_cast<com::LONG>(testId)));
            SetField("DSGName", Variant(row.dsgName));
            SetField("DSGDescription", Variant(row.dsgDescription));
            SetField("ModelNumber", Variant(row.modelNumber));
            SetField("SerialNumber", Variant(row.serialNumber));
            SetField("TraceNumber", Variant(row.traceNumber));
            SetField("LastCal", Variant(row.lastCal));
            SetField("CalDue", Variant(row.calDue));
            Check(data_->Update());
        }
        return true;
    });
}

// The equipment rows of a test: each assignment at the station of a group the test needs.
// The selection's requirements and the station's assignments are read at the run's first
// test and kept for the run.
std::vector<CDatabaseOutputManager::EquipmentRow> CDatabaseOutputManager::EquipmentOf(int32_t testId) {
    if (!requirements_)
        LoadRequirements();
    std::vector<EquipmentRow> rows;
    auto needed = requirements_->find(testId);
    if (needed == requirements_->end())
        return rows;
    for (const Requirement& group : needed->second) {
        for (const auto& [groupName, instance] : assignments_) {
            if (strcasecmp(groupName.c_str(), group.name.c_str()) != 0)
                continue;
            EquipmentRow row = Equipment(group.dsg, instance);
            row.dsgName = group.name;
            row.dsgDescription = group.description;
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

void CDatabaseOutputManager::LoadRequirements() {
    std::map<int32_t, std::vector<Requirement>> requirements;
    DB_TestRequiresDSGs groups(db_);
    groups.SetFilter(Format("TestPlanID = %d AND TestVariantID= %d AND UUTInstanceID=%d", info_.testPlanId,
                            info_.variantId, info_.UUTInstanceID));
    groups.Open(OpenMode::ReadOnly);
    for (; !groups.IsEOF(); groups.MoveNext())
        requirements[groups.TestID].push_back({groups.DSGID, groups.Name, groups.Description});
    DB_TestInstanceUsage usage(db_);
    usage.SetFilter(Format("TestStationID = %d AND TestPlanID = %d", info_.stationId, info_.testPlanId));
    usage.Open(OpenMode::ReadOnly);
    assignments_.clear();
    for (; !usage.IsEOF(); usage.MoveNext())
        assignments_.emplace_back(usage.DeviceSubstitutionGroup, usage.DeviceInstanceID);
    requirements_ = std::move(requirements);
}

// An instance's model, serial and trace numbers and calibration dates, read once per run.
CDatabaseOutputManager::EquipmentRow CDatabaseOutputManager::Equipment(int32_t dsg, int32_t instance) {
    auto key = std::make_pair(dsg, instance);
    if (auto known = equipment_.find(key); known != equipment_.end())
        return known->second;
    EquipmentItem item;
    EquipmentRow row;
    if (LoadEquipmentItem(db_, item, info_.testPlanId, dsg, -1, instance, "")) {
        row.modelNumber = item.alias;
        row.serialNumber = item.serialNumber;
        row.traceNumber = item.traceNumber;
    }
    row.lastCal = StoredDate(item.lastCalibration);
    row.calDue = StoredDate(item.nextCalibration);
    return equipment_.emplace(key, row).first->second;
}

void CDatabaseOutputManager::Connected() {
    if (!data_ || !connected_)
        throw ComponentFailure("The results database is not connected");
}

bool CDatabaseOutputManager::UpdateTestPlanResult(int code) {
    overallResult_ = code;
    return Guarded("Error updating over all test result.", "UpdateTestPlanResult", [&] {
        Connected();
        com::SafeArrayPtr names(com::SafeArrayCreateVector(com::VT_BSTR, 0, 1));
        com::SafeArrayPtr values(com::SafeArrayCreateVector(com::VT_VARIANT, 0, 1));
        if (!names || !values)
            throw ComponentFailure("Could not create safe array.");
        com::LONG index = 0;
        // The column is OverAllResult; names compare without regard to case.
        Bstr column("OverallResult");
        Variant value(static_cast<com::LONG>(code));
        if (FAILED(com::SafeArrayPutElement(names.get(), &index, column.get())) ||
            FAILED(com::SafeArrayPutElement(values.get(), &index, static_cast<com::VARIANT*>(&value))))
            throw ComponentFailure("Could not create safe array.");
        Check(data_->OpenTable(Bstr(kTestingDetailsTable).get()));
        Check(data_->Find(Bstr("UniqueID").get(), Bstr("=").get(), Variant(uniqueId_)));
        Check(data_->UpdateFields(names.get(), values.get()));
        return true;
    });
}

bool CDatabaseOutputManager::ExportReports() {
    exported_.clear();
    return Guarded(
        "Error exporting reports .", "Initialize",
        [&] {
            if (!stored_)
                throw ComponentFailure("The run is not stored in the results database " +
                                       operatordb::DisplaySource(resultsDatabasePath_));
            const std::string suffix = ResultSuffix(overallResult_);
            ReportTemplates names;
            if (!ReadReportTemplates(prompt_, info_, names))
                return false;
            com::ComPtr<IReportEngine> engine;
            Check(com::CreateInstance(CLSID_ReportEngine, nullptr, IReportEngine::iid, engine.OutVoid()),
                  "Unable to create Corvid crystal reports object");
            Check(engine->Initialize());
            const std::string base = info_.outputDirectory + "/" + FileNamePart(uniqueId_);
            const std::pair<const std::string*, const char*> reports[] = {
                {&names.detail, "_Detail"}, {&names.summary, "_Summary"}, {&names.trace, "_Trace"}};
            for (const auto& [name, kind] : reports) {
                if (name->empty() || !TemplateExists(reportsDirectory_, *name))
                    continue;
                std::string output = base + kind + suffix + ".rpt";
                std::string templatePath = reportsDirectory_ + "/" + *name;
                Check(engine->Open(Bstr(templatePath).get(), Bstr(output + " Report").get(),
                                   Bstr(resultsDatabasePath_).get()),
                      "Unable to open report", true);
                Check(engine->SetParameter(Bstr("UniqueID").get(), Bstr(uniqueId_).get()));
                Check(engine->Export(Bstr(output).get()));
                Check(engine->Close());
                exported_.push_back(output);
            }
            return true;
        },
        "Error:");
}

void CDatabaseOutputManager::Close() {
    if (!connected_)
        return;
    connected_ = false;
    if (data_) {
        data_->Disconnect();
        data_.Reset();
    }
}

} // namespace corvid::operatoroutput
