// The Run page: start-up, the form and the selection steps.
#include "operatortabs/tab_run.h"

#include "operatorconfig/configuration_manager.h"
#include "operatordb/bindings.h"
#include "operatordb/db_error.h"
#include "operatordb/lookups.h"
#include "operatordb/test_filter.h"
#include "operatortabs/run_common.h"

#include <filesystem>

namespace corvid::operatortabs {
namespace {

using namespace corvid::operatordb;

constexpr const char* kAdminWarning =
    "Administrator may be updating equipment database.\n\n"
    "Equipment may be changing and any tests performed may have wrong equipment "
    "assignent.";

bool IsAdministratorLoggedIn(Database& db) {
    try {
        DB_IsAdminLoggedIn flag(db);
        flag.Open(OpenMode::ReadOnly);
        return !flag.IsEOF() && flag.IsAdminLoggedIn;
    } catch (const DbError&) {
        return false;
    }
}

} // namespace

CTabRun::CTabRun(ModuleContext& context, RunTabView& view) : ctx_(context), view_(view) {}

void CTabRun::Initialize() {
    form_.models.Clear();
    if (IsAdministratorLoggedIn(ctx_.db))
        ctx_.prompt.Show(kAdminWarning, operatorconfig::kApplicationTitle, MsgButtons::Ok, MsgIcon::Warning);
    FillStations();
    FillModels();
    display_.pauseEnabled = display_.abortEnabled = false;
    display_.pauseText = "&Pause After Test";
    initialised_ = true;
    std::string path = ctx_.testPlanMain + "$$$.TestInfo";
    auto known = [this](int32_t model, int32_t instance, const std::string& serial) {
        return IsKnownUut(ctx_.db, model, instance, serial);
    };
    if (operatoroutput::ReadTestInfo(path, ctx_.info, known)) {
        TestInfoToForm();
    } else {
        StationChanged();
        ModelChanged();
    }
    Notify();
    view_.DisplayChanged();
}

bool CTabRun::SetTemperature(double value) {
    if (!(value >= kTemperatureMin && value <= kTemperatureMax))
        return false;
    form_.temperature = value;
    return true;
}

bool CTabRun::SetHumidity(double value) {
    if (!(value >= kHumidityMin && value <= kHumidityMax))
        return false;
    form_.humidity = value;
    return true;
}

bool CTabRun::SetLineFrequency(double value) {
    if (!(value >= kLineFrequencyMin && value <= kLineFrequencyMax) || value != static_cast<int32_t>(value))
        return false;
    form_.lineFrequency = static_cast<int32_t>(value);
    return true;
}

namespace {
bool Selectable(const ComboList& combo, int index) {
    return index >= -1 && index < static_cast<int>(combo.items.size());
}
} // namespace

void CTabRun::SelectStation(int index) {
    if (running_ || !Selectable(form_.stations, index))
        return;
    form_.stations.selected = index;
    StationChanged();
    Notify();
}

void CTabRun::SelectModel(int index) {
    if (running_ || !Selectable(form_.models, index))
        return;
    form_.models.selected = index;
    ModelChanged();
    Notify();
}

void CTabRun::SelectPlan(int index) {
    if (running_ || !Selectable(form_.plans, index))
        return;
    form_.plans.selected = index;
    PlanChanged();
    Notify();
}

void CTabRun::SelectVariant(int index) {
    if (running_ || !Selectable(form_.variants, index))
        return;
    form_.variants.selected = index;
    VariantChanged();
    Notify();
}

void CTabRun::SetApplyUncertainty(bool checked) {
    if (!form_.uncertaintyEnabled)
        return;
    form_.uncertaintyChecked = checked;
    ctx_.info.applyUncertainty = checked ? 1 : 0;
}

void CTabRun::FormToTestInfo() {
    auto& info = ctx_.info;
    info.Temperature = form_.temperature;
    info.Humidity = form_.humidity;
    info.LineFrequency = form_.lineFrequency;
    info.Operator = form_.operatorName;
    info.SerialNumber = form_.serialNumber;
    info.CustomerName = form_.customer;
    info.ServiceOrderNumber = form_.reportNumber;
    info.GeneralNotes = form_.notes;
    info.TPA = form_.plans.SelectedName();
    info.TPV = form_.variants.SelectedName();
    info.testPlanId = form_.plans.SelectedId();
}

void CTabRun::TestInfoToForm() {
    if (!initialised_ || running_)
        return;
    const auto& info = ctx_.info;
    form_.temperature = info.Temperature;
    form_.humidity = info.Humidity;
    form_.lineFrequency = info.LineFrequency;
    form_.operatorName = info.Operator;
    form_.serialNumber = info.SerialNumber;
    form_.customer = info.CustomerName;
    form_.reportNumber = info.ServiceOrderNumber;
    form_.notes = info.GeneralNotes;
    // Copies: the selection steps write into the record as they go.
    std::string station = info.Station, model = info.UUT, plan = info.TPA, variant = info.TPV;
    form_.stations.SelectPrefix(station);
    if (form_.stations.SelectedName() != lastStation_)
        StationChanged();
    form_.models.SelectPrefix(model);
    if (form_.models.SelectedName() != lastModel_)
        ModelChanged();
    form_.plans.SelectPrefix(plan);
    if (form_.plans.SelectedName() != lastPlan_)
        PlanChanged();
    form_.variants.SelectPrefix(variant);
    if (form_.variants.SelectedName() != lastVariant_)
        VariantChanged();
    form_.uncertaintyChecked = form_.uncertaintyEnabled && ctx_.info.applyUncertainty != 0;
    ctx_.info.applyUncertainty = form_.uncertaintyChecked ? 1 : 0;
    ctx_.window.idle = true;
    Notify();
}

void CTabRun::FillStations() {
    form_.stations.Clear();
    DB_TestStations stations(ctx_.db);
    stations.SetSort("Name");
    stations.Open(OpenMode::ReadOnly);
    for (; !stations.IsEOF(); stations.MoveNext())
        form_.stations.AddUnique(EncodeItem(stations.Name, stations.TestStationID));
}

void CTabRun::FillModels() {
    form_.models.Clear();
    DB_DUTs models(ctx_.db);
    models.SetSort("Alias");
    models.Open(OpenMode::ReadOnly);
    for (; !models.IsEOF(); models.MoveNext())
        form_.models.AddUnique(EncodeItem(models.Alias, models.UUTDeviceTypeID));
}

void CTabRun::FillPlans() {
    form_.plans.Clear();
    DB_TestPlans plans(ctx_.db);
    plans.param.DeviceType_ID = ctx_.info.UUTModelID;
    plans.Open(OpenMode::ReadOnly);
    for (; !plans.IsEOF(); plans.MoveNext())
        form_.plans.AddUnique(EncodeItem(plans.Name, plans.TestPlanID));
}

void CTabRun::FillVariants() {
    form_.variants.Clear();
    DB_TPVs variants(ctx_.db);
    variants.param.TestPlanID = ctx_.info.testPlanId;
    variants.Open(OpenMode::ReadOnly);
    for (; !variants.IsEOF(); variants.MoveNext())
        form_.variants.AddUnique(EncodeItem(variants.Name, variants.TestPlanVariantID));
    if (!form_.variants.items.empty())
        form_.variants.selected = 0;
}

void CTabRun::FillOptions() {
    form_.options.clear();
    DB_InstanceOptions options(ctx_.db);
    options.SetFilter("InstanceID = " + std::to_string(ctx_.info.UUTInstanceID) + " ");
    options.Open(OpenMode::ReadOnly);
    for (; !options.IsEOF(); options.MoveNext())
        form_.options.push_back(options.DeviceOptionID);
}

void CTabRun::StationChanged() {
    ctx_.info.Station = form_.stations.SelectedName();
    ctx_.info.stationId = form_.stations.SelectedId();
    lastStation_ = ctx_.info.Station;
}

void CTabRun::ModelChanged() {
    auto& info = ctx_.info;
    std::string model = form_.models.SelectedName();
    if (model != info.UUT) {
        info.SerialNumber.clear();
        form_.serialNumber.clear();
        info.UUTInstanceID = -1;
        info.Options.clear();
        form_.options.clear();
    }
    info.UUT = model;
    info.UUTModelID = form_.models.SelectedId();
    lastModel_ = model;
    info.outputDirectory = model.empty() ? ctx_.outputPath : ctx_.outputPath + "/" + model;
    std::error_code ignored;
    std::filesystem::create_directory(info.outputDirectory, ignored);
    std::string plan = info.TPA;
    FillPlans();
    form_.plans.SelectPrefix(plan);
    PlanChanged();
    FillOptions();
    info.Options = InstanceOptionsText(ctx_.db, info.UUTInstanceID);
    FormattedReportCheck();
}

void CTabRun::PlanChanged() {
    auto& info = ctx_.info;
    info.TPA = form_.plans.SelectedName();
    info.testPlanId = form_.plans.SelectedId();
    lastPlan_ = info.TPA;
    std::string variant = info.TPV;
    FillVariants();
    if (!variant.empty() && !form_.variants.SelectPrefix(variant) && !form_.variants.items.empty())
        form_.variants.selected = 0;
    bool applies = TestPlanAppliesUncertainty(ctx_.db, info.testPlanId);
    form_.uncertaintyEnabled = form_.uncertaintyChecked = applies;
    info.applyUncertainty = applies ? 1 : 0;
    VariantChanged();
}

void CTabRun::VariantChanged() {
    ctx_.info.TPV = form_.variants.SelectedName();
    ctx_.info.variantId = form_.variants.SelectedId();
    lastVariant_ = ctx_.info.TPV;
}

void CTabRun::FormattedReportCheck() {
    WindowState& window = ctx_.window;
    FormattedReports settings = CheckFormattedReports(ctx_.prompt, ctx_.info.UUT);
    window.databaseOutput = settings.formatted;
    if (settings.formatted) {
        window.resultsDatabasePath = settings.resultsDatabase;
        window.reportsDirectory = settings.reportsDirectory;
    }
}

} // namespace corvid::operatortabs
