// The VelaConfig component module: the class VelaConfig over $CORVID_HOME/vela.ini,
// with self-registration.
#include "velaconfig/vela_config.h"

#include "com/dispatch_impl.h"
#include "com/error_info.h"
#include "com/module_entry_points.h"
#include "com/registration.h"
#include "platform/locked_file.h"
#include "platform/profile.h"
#include "platform/runtime_dir.h"

#include <exception>
#include <string>

namespace corvid::velaconfig {
namespace {

// clang-format off
constexpr ParamDescription kGetValueParams[] = {
    {"section", VT_BSTR, kParamIn}, {"key", VT_BSTR, kParamIn}, {"value", VT_BSTR, kParamOut | kParamRetval}};
constexpr ParamDescription kSetValueParams[] = {
    {"section", VT_BSTR, kParamIn}, {"key", VT_BSTR, kParamIn}, {"value", VT_BSTR, kParamIn}};
constexpr ParamDescription kSystemPathParams[] = {{"path", VT_BSTR, kParamOut | kParamRetval}};
constexpr ParamDescription kFoundParams[] = {{"found", VT_BOOL, kParamOut | kParamRetval}};

constexpr MemberDescription kMembers[] = {
    DispMethod<&IVelaConfig::GetValue, kGetValueParams>("GetValue", kDispGetValue),
    DispMethod<&IVelaConfig::SetValue, kSetValueParams>("SetValue", kDispSetValue),
    DispPropertyGet<&IVelaConfig::get_SystemPath, kSystemPathParams>("SystemPath", kDispSystemPath),
    DispMethod<&IVelaConfig::IsConfigFileFound, kFoundParams>("IsConfigFileFound", kDispIsConfigFileFound),
};
// clang-format on

constexpr InterfaceDescription kDescription{"IVelaConfig", IVelaConfig::iid, InterfaceKind::Dual,
                                            nullptr,       kMembers,         "VelaConfig Interface"};
constexpr const InterfaceDescription* kInterfaces[] = {&kDescription};
constexpr ClassDescription kClass{"VelaConfig", CLSID_VelaConfig, "VelaConfig Class", kInterfaces,
                                  &kDescription};
constexpr const ClassDescription* kClasses[] = {&kClass};
constexpr TypeLibraryDescription kLibrary{
    "VELACONFIGLib", LIBID_VelaConfig, 1, 0, 1033, "VelaConfig 1.0 Type Library", kInterfaces, kClasses};
constexpr ClassRegistration kRegistrations[] = {{CLSID_VelaConfig,
                                                 "VelaConfig Class",
                                                 "VelaConfig.VelaConfig.1",
                                                 "VelaConfig.VelaConfig",
                                                 "Apartment",
                                                 true,
                                                 {}}};
constexpr ServerRegistration kServer{kRegistrations, &kLibrary};

constexpr char kSource[] = "VelaConfig.VelaConfig.1";

std::filesystem::path StorePath() {
    return platform::HomeDirPath() / "vela.ini";
}

class CVelaConfig final : public ComClass<CVelaConfig, DispatchImpl<IVelaConfig, kDescription>,
                                          SupportErrorInfoImpl<IVelaConfig::iid>> {
public:
    static std::span<const InterfaceEntry> InterfaceTable() {
        static constexpr InterfaceEntry table[] = {Entry<CVelaConfig, IVelaConfig>(),
                                                   Entry<CVelaConfig, IDispatch, IVelaConfig>(),
                                                   Entry<CVelaConfig, ISupportErrorInfo>()};
        return table;
    }

    HRESULT GetValue(BSTR section, BSTR key, BSTR* value) override {
        if (!value)
            return E_POINTER;
        return Guard([&] {
            *value = BstrFromUtf8(
                platform::ReadProfileString(StorePath(), Utf8FromBstr(section), Utf8FromBstr(key), ""));
            return S_OK;
        });
    }

    HRESULT SetValue(BSTR section, BSTR key, BSTR value) override {
        return Guard([&] {
            platform::EnsureHomeDir();
            std::string text = Utf8FromBstr(value);
            if (!platform::WriteProfileString(StorePath(), Utf8FromBstr(section), Utf8FromBstr(key), text))
                return ReportError(E_FAIL, IVelaConfig::iid, kSource,
                                   "Unable to write the configuration file " + StorePath().string());
            return S_OK;
        });
    }

    HRESULT get_SystemPath(BSTR* path) override {
        if (!path)
            return E_POINTER;
        return Guard([&] {
            *path = BstrFromUtf8(platform::ReadProfileString(StorePath(), "VELA SYSTEM", "VelaBasePath", ""));
            return S_OK;
        });
    }

    HRESULT IsConfigFileFound(VARIANT_BOOL* found) override {
        if (!found)
            return E_POINTER;
        *found = platform::ReadLockedFile(StorePath()) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

private:
    ~CVelaConfig() override = default;

    // Nothing thrown inside crosses the interface.
    template <typename Body>
    static HRESULT Guard(Body body) {
        try {
            return body();
        } catch (const std::exception& e) {
            return ReportError(E_FAIL, IVelaConfig::iid, kSource, e.what());
        }
    }
};

constexpr ClassObjectEntry kClassObjects[] = {ClassObject<CVelaConfig>(CLSID_VelaConfig)};

} // namespace
} // namespace corvid::velaconfig

CORVID_COM_MODULE_ENTRY_POINTS(corvid::velaconfig::kClassObjects, corvid::velaconfig::kServer)
