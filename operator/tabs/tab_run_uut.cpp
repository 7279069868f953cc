// The Run page: Configure UUT through the model's UUT component, and the plan's help.
#include "com/bstr.h"
#include "com/com_ptr.h"
#include "com/creation.h"
#include "operatorconfig/configuration_manager.h"
#include "operatordb/bindings.h"
#include "operatordb/lookups.h"
#include "operatordb/sql_text.h"
#include "operatordb/test_filter.h"
#include "operatortabs/result_error.h"
#include "operatortabs/run_common.h"
#include "operatortabs/tab_run.h"
#include "operatortabs/uut_configuration.h"

#include <algorithm>
#include <exception>
#include <filesystem>

namespace corvid::operatortabs {
namespace {

using com::BSTR;
using com::ComPtr;

constexpr const char* kUutCaption = "Error on  UUT configuration component.";

// A BSTR owned for the length of one call.
class OwnedBstr {
public:
    explicit OwnedBstr(const std::string& text) : text_(com::BstrFromUtf8(text)) {}
    OwnedBstr() = default;
    ~OwnedBstr() { com::SysFreeString(text_); }
    OwnedBstr(const OwnedBstr&) = delete;
    OwnedBstr& operator=(const OwnedBstr&) = delete;
    BSTR get() const { return text_; }
    BSTR* Out() {
        com::SysFreeString(text_);
        text_ = nullptr;
        return &text_;
    }

private:
    BSTR text_ = nullptr;
};

void Check(com::HRESULT result, const char* message) {
    if (FAILED(result))
        throw CResultError(message, kUutCaption, result);
}

// Runs the component's members in their order; the record takes the unit it reports.
void ConfigureWith(IUutConfiguration& uut, const std::string& database, operatoroutput::CTestInfo& info) {
    OwnedBstr path(database), serial(info.SerialNumber);
    com::SHORT ok = 0;
    com::HRESULT result = uut.Initialize(path.get(), info.UUTModelID, serial.get(), &ok);
    if (FAILED(result) || ok == 0)
        throw CResultError("Unable initialize UUT component, Select the correct UUT Model first", kUutCaption,
                           result);
    com::SHORT unchanged = 0;
    Check(uut.Configure(&unchanged), "UUT Configuration error");
    if (unchanged != 1) {
        com::LONG instance = 0;
        Check(uut.GetInstanceID(&instance), "Unable to get instanceID from UUT Component");
        OwnedBstr reported;
        Check(uut.GetSerialNumber(reported.Out()), "Unable to get Serial Number from UUT Component");
        info.UUTInstanceID = instance;
        info.SerialNumber = com::Utf8FromBstr(reported.get());
    }
    Check(uut.Close(), "Closing error on UUT Component");
}

} // namespace

void CTabRun::ConfigureUut() {
    auto& info = ctx_.info;
    if (running_ || info.TPA.empty())
        return;
    FormToTestInfo();
    try {
        std::string progId = operatordb::UutProgId(ctx_.db, info.testPlanId, info.UUTModelID);
        ComPtr<IUutConfiguration> uut;
        if (progId.empty() || FAILED(com::CreateInstance(progId, uut)) || !uut)
            throw CResultError("Unable to locate and create UUT component, Verify Installation", kUutCaption);
        ConfigureWith(*uut, ctx_.inputDataSource, info);
    } catch (const CResultError& error) {
        ctx_.prompt.Show(error.Text(), error.title(), MsgButtons::Ok, MsgIcon::Error);
    } catch (const std::exception& error) {
        ctx_.prompt.Show(std::string("UUT Component error:\n") + error.what(),
                         operatorconfig::kApplicationTitle, MsgButtons::Ok, MsgIcon::Error);
    }
    try {
        UnitChanged();
    } catch (const std::exception& error) {
        ctx_.prompt.Show(std::string("UUT Component error:\n") + error.what(),
                         operatorconfig::kApplicationTitle, MsgButtons::Ok, MsgIcon::Error);
    }
    Notify();
}

void CTabRun::UnitChanged() {
    auto& info = ctx_.info;
    form_.serialNumber = info.SerialNumber;
    FillOptions();
    operatordb::RebuildTestFilter(ctx_.db, info.testPlanId, info.variantId, info.UUTModelID,
                                  info.UUTInstanceID);
    info.Options = operatordb::InstanceOptionsText(ctx_.db, info.UUTInstanceID);
}

bool CTabRun::UseUnit(const std::string& serialNumber) {
    auto& info = ctx_.info;
    if (running_ || serialNumber.empty())
        return false;
    operatordb::DB_InstancesAll units(ctx_.db);
    units.SetFilter("DeviceTypeID = " + std::to_string(info.UUTModelID) +
                    " AND SerialNumber = " + operatordb::QuotedText(serialNumber));
    units.Open(operatordb::OpenMode::ReadOnly);
    if (units.IsEOF())
        return false;
    info.SerialNumber = units.SerialNumber;
    info.UUTInstanceID = units.InstanceID;
    UnitChanged();
    Notify();
    return true;
}

namespace {

std::string CutAtLastDot(const std::string& name) {
    std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// The first file (by name) of directory whose name begins with prefix: the pattern
// "<prefix>*" matched without letting the directory's own characters act as wildcards.
std::string FirstMatch(const std::string& directory, const std::string& prefix) {
    std::error_code error;
    std::string first;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
        std::string name = entry.path().filename().string();
        if (name.compare(0, prefix.size(), prefix) == 0 && (first.empty() || entry.path().string() < first))
            first = entry.path().string();
    }
    return first;
}

} // namespace

void CTabRun::ShowPlanHelp() {
    ShowTestPlanHelp(ctx_, [this](const std::string& page) { return view_.OpenDocument(page); });
}

void ShowTestPlanHelp(ModuleContext& ctx, const std::function<bool(const std::string&)>& open) {
    std::string base = CutAtLastDot(operatordb::TestPlanFileName(ctx.db, ctx.info.testPlanId));
    std::string directory;
    operatorconfig::CConfigurationManager config(ctx.prompt);
    if (!base.empty())
        config.GetValue("VELA PROJECTS", base, directory);
    if (!directory.empty())
        directory += "/Help/";
    else
        directory = ctx.testPlanMain;
    if (directory.back() != '/')
        directory += '/';
    std::string pattern = directory + CutAtLastDot(base) + ".htm*";
    std::string page = FirstMatch(directory, CutAtLastDot(base) + ".htm");
    if (page.empty()) {
        ctx.prompt.Show(pattern, "File not found...");
        return;
    }
    if (!open(page))
        ctx.prompt.Show(
            "No Browser Installed on system\nPlease get the latest browser from Netscape or Microsoft "
            "to view online help",
            "Help");
}

} // namespace corvid::operatortabs
