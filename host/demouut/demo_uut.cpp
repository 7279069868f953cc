// The DemoUut component module: the UUT configuration class of the demo unit model
// "DemoUut.LM4065.1", with self-registration.
#include "com/dispatch_impl.h"
#include "com/error_info.h"
#include "com/module_entry_points.h"
#include "com/registration.h"
#include "demouut/uut_configuration.h"
#include "operator_prompt.h"
#include "operatordb/db_error.h"
#include "unit_identity.h"
#include "unit_record.h"

#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvid::demouut {
namespace {

// clang-format off
constexpr ParamDescription kSerialParams[] = {{"serialNumber", VT_BSTR, kParamOut | kParamRetval}};
constexpr ParamDescription kInstanceParams[] = {{"instanceId", VT_I4, kParamOut | kParamRetval}};
constexpr ParamDescription kInitializeParams[] = {
    {"instrumentDatabasePath", VT_BSTR, kParamIn}, {"uutModelId", VT_I4, kParamIn},
    {"serialNumber", VT_BSTR, kParamIn}, {"ok", VT_I2, kParamOut | kParamRetval}};
constexpr ParamDescription kConfigureParams[] = {{"result", VT_I2, kParamOut | kParamRetval}};

constexpr MemberDescription kMembers[] = {
    DispMethod<&IUutConfiguration::GetSerialNumber, kSerialParams>("GetSerialNumber", kDispGetSerialNumber),
    DispMethod<&IUutConfiguration::GetInstanceID, kInstanceParams>("GetInstanceID", kDispGetInstanceID),
    DispMethod<&IUutConfiguration::Initialize, kInitializeParams>("Initialize", kDispInitialize),
    DispMethod<&IUutConfiguration::Configure, kConfigureParams>("Configure", kDispConfigure),
    DispMethod<&IUutConfiguration::Close>("Close", kDispClose),
};
// clang-format on

constexpr InterfaceDescription kDescription{
    "IUutConfiguration",          IUutConfiguration::iid, InterfaceKind::Dual, nullptr, kMembers,
    "UUT Configuration Interface"};
constexpr const InterfaceDescription* kInterfaces[] = {&kDescription};
constexpr ClassDescription kClass{"DemoUut", CLSID_DemoUut, "DemoUut LM4065 Class", kInterfaces,
                                  &kDescription};
constexpr const ClassDescription* kClasses[] = {&kClass};
constexpr TypeLibraryDescription kLibrary{"DEMOUUTLib", LIBID_DemoUut, 1, 0, 1033, "DemoUut 1.0 Type Library",
                                          kInterfaces,  kClasses};
constexpr ClassRegistration kRegistrations[] = {
    {CLSID_DemoUut, "DemoUut LM4065 Class", kDemoUutProgId, "DemoUut.LM4065", "Apartment", true, {}}};
constexpr ServerRegistration kServer{kRegistrations, &kLibrary};

constexpr char kSource[] = "DemoUut.LM4065.1";

// What the unit said about itself, or why it could not be asked.
struct Identification {
    std::optional<UnitIdentity> identity;
    std::vector<std::string> options;
    std::string failure;
};

Identification AskUnit(const UnitModel& model) {
    Identification result;
    if (!model.gpib) {
        result.failure = "the model " + model.alias + " has no default GPIB address";
        return result;
    }
    try {
        UnitSession unit(*model.gpib);
        std::string reply = unit.Query("*IDN?");
        UnitIdentity identity;
        if (!ParseIdentity(reply, identity)) {
            result.failure = "the unit at " + ResourceName(*model.gpib) + " gave no usable identity";
            return result;
        }
        if (!IsModel(model, identity.model)) {
            result.failure = "the unit at " + ResourceName(*model.gpib) + " is a " + identity.model +
                             ", not a " + model.alias;
            return result;
        }
        try {
            result.options = ParseOptions(unit.Query("*OPT?"));
        } catch (const NoAnswer& e) {
            // The unit is there and identified: its options are not something to guess.
            throw std::runtime_error("The " + model.alias + " " + identity.serialNumber +
                                     " did not report its options: " + e.what());
        }
        result.identity = identity;
    } catch (const NoAnswer& e) {
        result.failure = e.what();
    }
    return result;
}

class CDemoUut final : public ComClass<CDemoUut, DispatchImpl<IUutConfiguration, kDescription>,
                                       SupportErrorInfoImpl<IUutConfiguration::iid>> {
public:
    static std::span<const InterfaceEntry> InterfaceTable() {
        static constexpr InterfaceEntry table[] = {Entry<CDemoUut, IUutConfiguration>(),
                                                   Entry<CDemoUut, IDispatch, IUutConfiguration>(),
                                                   Entry<CDemoUut, ISupportErrorInfo>()};
        return table;
    }

    HRESULT GetSerialNumber(BSTR* serialNumber) override {
        if (!serialNumber)
            return E_POINTER;
        *serialNumber = BstrFromUtf8(serial_);
        return S_OK;
    }

    HRESULT GetInstanceID(LONG* instanceId) override {
        if (!instanceId)
            return E_POINTER;
        *instanceId = instance_;
        return S_OK;
    }

    HRESULT Initialize(BSTR instrumentDatabasePath, LONG uutModelId, BSTR serialNumber, SHORT* ok) override {
        if (!ok)
            return E_POINTER;
        *ok = 0;
        return Guard([&] {
            db_.reset();
            auto db = std::make_unique<operatordb::Database>(Utf8FromBstr(instrumentDatabasePath));
            model_ = LoadUnitModel(*db, uutModelId);
            serial_ = Utf8FromBstr(serialNumber);
            instance_ = serial_.empty() ? -1 : FindUnit(*db, model_.id, serial_);
            db_ = std::move(db);
            *ok = 1;
            return S_OK;
        });
    }

    HRESULT Configure(SHORT* result) override {
        if (!result)
            return E_POINTER;
        return Guard([&] {
            if (!db_)
                return ReportError(E_UNEXPECTED, IUutConfiguration::iid, kSource,
                                   "The UUT component is not initialised");
            model_ = LoadUnitModel(*db_, model_.id);
            Identification found = AskUnit(model_);
            std::optional<std::vector<std::string>> options;
            std::string serial;
            if (found.identity) {
                serial = found.identity->serialNumber;
                options = found.options;
            } else if (HRESULT hr = AskOperator(found.failure, serial); FAILED(hr)) {
                return hr;
            }
            CheckSerialNumber(serial);
            RecordedUnit unit = RecordUnit(*db_, model_, serial, options);
            bool changed = unit.changed || serial != serial_ || unit.instanceId != instance_;
            serial_ = serial;
            instance_ = unit.instanceId;
            *result = changed ? 0 : 1;
            return S_OK;
        });
    }

    HRESULT Close() override {
        db_.reset();
        return S_OK;
    }

private:
    ~CDemoUut() override = default;

    HRESULT AskOperator(const std::string& failure, std::string& serial) {
        std::string question = "The " + model_.alias + " could not be identified (" + failure +
                               "). Enter the serial number printed on the unit.";
        OperatorAnswer answer = AskOperatorForSerialNumber(question, serial_);
        switch (answer.outcome) {
        case OperatorAnswer::Outcome::Answered:
            serial = answer.serialNumber;
            return S_OK;
        case OperatorAnswer::Outcome::Cancelled:
            return ReportError(E_ABORT, IUutConfiguration::iid, kSource,
                               "The " + model_.alias + " could not be identified (" + failure +
                                   ") and no serial number was entered");
        case OperatorAnswer::Outcome::NoOperator:
            break;
        }
        return ReportError(E_FAIL, IUutConfiguration::iid, kSource,
                           "The " + model_.alias + " could not be identified (" + failure +
                               ") and there is no operator to ask for its serial number");
    }

    // Nothing thrown inside crosses the interface.
    template <typename Body>
    static HRESULT Guard(Body body) {
        try {
            return body();
        } catch (const operatordb::DbError& e) {
            return ReportError(E_FAIL, IUutConfiguration::iid, kSource,
                               std::string("Instrument database error: ") + e.what());
        } catch (const std::exception& e) {
            return ReportError(E_FAIL, IUutConfiguration::iid, kSource, e.what());
        }
    }

    std::unique_ptr<operatordb::Database> db_;
    UnitModel model_;
    std::string serial_;
    LONG instance_ = -1;
};

constexpr ClassObjectEntry kClassObjects[] = {ClassObject<CDemoUut>(CLSID_DemoUut)};

} // namespace
} // namespace corvid::demouut

CORVID_COM_MODULE_ENTRY_POINTS(corvid::demouut::kClassObjects, corvid::demouut::kServer)
