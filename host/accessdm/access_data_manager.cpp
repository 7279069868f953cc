// The access data manager component module accessdm.so: rows of a results database
// through IAccessDataManager, with self-registration.
#include "operatoroutput/access_data_manager.h"

#include "com/bstr.h"
#include "com/error_info.h"
#include "com/module_entry_points.h"
#include "com/object.h"
#include "com/registration.h"
#include "com/safearray.h"
#include "com/variant.h"
#include "operatordb/db_error.h"
#include "results_connection.h"

#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace corvid::accessdm {
namespace {

using namespace corvid::com;
using operatoroutput::CLSID_AccessDataManager;
using operatoroutput::IAccessDataManager;

constexpr char kSource[] = "CorvidData.AccessDataManager.1";

constexpr ClassRegistration kRegistrations[] = {{CLSID_AccessDataManager,
                                                 "Access Data Manager Class",
                                                 operatoroutput::kAccessDataManagerProgId,
                                                 "CorvidData.AccessDataManager",
                                                 "Apartment",
                                                 true,
                                                 {}}};
constexpr ServerRegistration kServer{kRegistrations, nullptr};

class Failure : public std::runtime_error {
public:
    Failure(HRESULT result, const std::string& what) : std::runtime_error(what), result_(result) {}
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

// An automation value as a database value: numbers stay numbers, booleans are 1 or 0,
// empty and null are null, anything else is stored as its text.
Value ToValue(const VARIANT& value) {
    Variant plain;
    if (FAILED(VariantCopyInd(&plain, &value)))
        throw Failure(DISP_E_TYPEMISMATCH, "The value cannot be read");
    switch (plain.vt) {
    case VT_EMPTY:
    case VT_NULL:
        return Value();
    case VT_I2:
        return Value(static_cast<int64_t>(plain.iVal));
    case VT_I4:
        return Value(static_cast<int64_t>(plain.lVal));
    case VT_UI1:
        return Value(static_cast<int64_t>(plain.bVal));
    case VT_UI4:
        return Value(static_cast<int64_t>(plain.ulVal));
    case VT_R4:
        return Value(static_cast<double>(plain.fltVal));
    case VT_R8:
        return Value(plain.dblVal);
    case VT_BOOL:
        return Value(plain.boolVal ? 1 : 0);
    case VT_BSTR:
        return Value(Utf8FromBstr(plain.bstrVal));
    default:
        if (FAILED(plain.ChangeType(VT_BSTR)))
            throw Failure(DISP_E_TYPEMISMATCH, "The value has no type a column can hold");
        return Value(Utf8FromBstr(plain.bstrVal));
    }
}

// The elements of a one-dimensional array, each as a VARIANT.
std::vector<Variant> Elements(SAFEARRAY* array, const char* what) {
    if (!array || SafeArrayGetDim(array) != 1)
        throw Failure(E_INVALIDARG, std::string("The ") + what + " are not a one-dimensional array");
    VARTYPE type = VT_EMPTY;
    SafeArrayGetVartype(array, &type);
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    std::vector<Variant> elements;
    for (LONG i = lower; i <= upper; ++i) {
        Variant element;
        if (type == VT_VARIANT) {
            SafeArrayGetElement(array, &i, static_cast<VARIANT*>(&element));
        } else if (type == VT_BSTR) {
            BSTR text = nullptr;
            SafeArrayGetElement(array, &i, &text);
            element = Variant(Utf8FromBstr(text));
            SysFreeString(text);
        } else {
            throw Failure(DISP_E_TYPEMISMATCH,
                          std::string("The ") + what + " are neither texts nor variants");
        }
        elements.push_back(std::move(element));
    }
    return elements;
}

std::string Text(BSTR text) {
    return Utf8FromBstr(text);
}

class CAccessDataManager final
    : public ComClass<CAccessDataManager, IAccessDataManager, SupportErrorInfoImpl<IAccessDataManager::iid>> {
public:
    static std::span<const InterfaceEntry> InterfaceTable() {
        static constexpr InterfaceEntry table[] = {Entry<CAccessDataManager, IAccessDataManager>(),
                                                   Entry<CAccessDataManager, ISupportErrorInfo>()};
        return table;
    }

    HRESULT Connect(BSTR, BSTR, BSTR databasePath, BSTR, BSTR) override {
        return Guard([&] {
            connection_.reset();
            std::string path = Text(databasePath);
            if (path.empty())
                throw Failure(E_INVALIDARG, "No results database is named");
            connection_ = std::make_unique<ResultsConnection>(path);
        });
    }

    HRESULT OpenTable(BSTR table) override {
        return Guard([&] { Connection().OpenTable(Text(table)); });
    }

    HRESULT SetField(BSTR column, VARIANT value) override {
        return Guard([&] { Connection().SetField(Text(column), ToValue(value)); });
    }

    HRESULT Update() override {
        return Guard([&] { Connection().AddRow(); });
    }

    HRESULT Find(BSTR column, BSTR comparison, VARIANT value) override {
        return Guard([&] { Connection().Find(Text(column), Text(comparison), ToValue(value)); });
    }

    HRESULT UpdateFields(SAFEARRAY* columns, SAFEARRAY* values) override {
        return Guard([&] {
            std::vector<Variant> names = Elements(columns, "column names");
            std::vector<Variant> data = Elements(values, "values");
            if (names.size() != data.size())
                throw Failure(E_INVALIDARG, "The column names and the values differ in number");
            std::vector<std::pair<std::string, Value>> fields;
            for (size_t i = 0; i < names.size(); ++i) {
                if (names[i].vt != VT_BSTR)
                    throw Failure(DISP_E_TYPEMISMATCH, "A column name is not a text");
                fields.emplace_back(Text(names[i].bstrVal), ToValue(data[i]));
            }
            Connection().UpdateFound(fields);
        });
    }

    HRESULT Disconnect() override {
        connection_.reset();
        return S_OK;
    }

    HRESULT ColumnExists(BSTR table, BSTR column, VARIANT_BOOL* exists) override {
        if (!exists)
            return E_POINTER;
        return Guard([&] { *exists = ToVariantBool(Connection().ColumnExists(Text(table), Text(column))); });
    }

    HRESULT BeginTransaction() override {
        return Guard([&] { Connection().Begin(); });
    }

    HRESULT CommitTransaction() override {
        return Guard([&] { Connection().Commit(); });
    }

    HRESULT RollbackTransaction() override {
        return Guard([&] { Connection().Rollback(); });
    }

private:
    ~CAccessDataManager() override = default;

    ResultsConnection& Connection() {
        if (!connection_)
            throw Failure(E_UNEXPECTED, "Not connected to a results database");
        return *connection_;
    }

    // Nothing thrown inside crosses the interface.
    template <typename Body>
    static HRESULT Guard(Body body) {
        try {
            body();
            return S_OK;
        } catch (const Failure& e) {
            return ReportError(e.result(), IAccessDataManager::iid, kSource, e.what());
        } catch (const operatordb::DbError& e) {
            return ReportError(E_FAIL, IAccessDataManager::iid, kSource, e.what());
        } catch (const std::exception& e) {
            return ReportError(E_FAIL, IAccessDataManager::iid, kSource, e.what());
        }
    }

    std::unique_ptr<ResultsConnection> connection_;
};

constexpr ClassObjectEntry kClassObjects[] = {ClassObject<CAccessDataManager>(CLSID_AccessDataManager)};

} // namespace
} // namespace corvid::accessdm

CORVID_COM_MODULE_ENTRY_POINTS(corvid::accessdm::kClassObjects, corvid::accessdm::kServer)
