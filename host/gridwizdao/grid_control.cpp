// The GridWizDao component module: the data-bound grid class "GRIDWIZDAO.GridWizDaoCtrl.1",
// with self-registration.
#include "gridwizdao/grid_control.h"

#include "com/bstr.h"
#include "com/error_info.h"
#include "com/module_entry_points.h"
#include "com/registration.h"
#include "grid_data.h"
#include "grid_model.h"
#include "operatordb/db_error.h"

#include <QApplication>
#include <QHeaderView>
#include <QPointer>
#include <QTableView>
#include <QThread>
#include <exception>
#include <memory>
#include <optional>
#include <strings.h>
#include <vector>

namespace corvid::gridwizdao {
namespace {

constexpr ClassRegistration kRegistrations[] = {{CLSID_GridWizDaoCtrl,
                                                 "GridWizDaoCtrl Class",
                                                 kGridWizDaoProgId,
                                                 "GRIDWIZDAO.GridWizDaoCtrl",
                                                 "Apartment",
                                                 false,
                                                 {}}};
constexpr ServerRegistration kServer{kRegistrations, nullptr};

constexpr char kSource[] = "GRIDWIZDAO.GridWizDaoCtrl.1";

class CGridControl final
    : public ComClass<CGridControl, IGridControl, SupportErrorInfoImpl<IGridControl::iid>> {
public:
    static std::span<const InterfaceEntry> InterfaceTable() {
        static constexpr InterfaceEntry table[] = {Entry<CGridControl, IGridControl>(),
                                                   Entry<CGridControl, ISupportErrorInfo>()};
        return table;
    }

    HRESULT SetDatabase(BSTR path, BSTR dataSourceType) override {
        std::string type = Utf8FromBstr(dataSourceType);
        if (!type.empty() && strcasecmp(type.c_str(), "Access") != 0)
            return Fail(E_INVALIDARG,
                        "The data source type \"" + type + "\" is not supported; use \"Access\"");
        source_.database = Utf8FromBstr(path);
        return S_OK;
    }

    HRESULT SetQuery(BSTR queryName) override {
        source_.query = Utf8FromBstr(queryName);
        return S_OK;
    }

    HRESULT SetParameter(BSTR name, BSTR value) override {
        std::string key = Utf8FromBstr(name);
        if (key.empty())
            return Fail(E_INVALIDARG, "A query parameter needs a name");
        for (auto& [given, text] : source_.parameters) {
            if (strcasecmp(given.c_str(), key.c_str()) == 0) {
                text = Utf8FromBstr(value);
                return S_OK;
            }
        }
        source_.parameters.emplace_back(key, Utf8FromBstr(value));
        return S_OK;
    }

    HRESULT ClearParameters() override {
        source_.parameters.clear();
        return S_OK;
    }

    HRESULT SetColumnCount(LONG count) override {
        if (count < 0)
            return Fail(E_INVALIDARG, "The number of columns cannot be negative");
        source_.columnCount = count;
        return S_OK;
    }

    HRESULT SetEditable(VARIANT_BOOL editable) override {
        source_.editable = editable != VARIANT_FALSE;
        return S_OK;
    }

    HRESULT SetColumnReadOnly(LONG column, VARIANT_BOOL readOnly) override {
        if (readOnly != VARIANT_FALSE)
            source_.readOnlyColumns.insert(column);
        else
            source_.readOnlyColumns.erase(column);
        return S_OK;
    }

    HRESULT Refresh() override {
        return Guard([&] {
            if (source_.database.empty() || source_.query.empty())
                return Fail(E_UNEXPECTED, "The grid needs a database file and a query name");
            auto data = std::make_shared<GridData>(source_);
            if (emptyRule_)
                data->SetEmptyRowColors(emptyRule_->first, emptyRule_->last, emptyRule_->colors);
            data_ = data;
            for (const QPointer<GridModel>& model : models_)
                if (model)
                    model->Replace(data_);
            if (source_.editable && !data_->IsWritable())
                return Fail(E_FAIL, data_->WhyReadOnly() + " Its rows are shown read-only.");
            return S_OK;
        });
    }

    HRESULT CreateWidget(void* parent, void** widget) override {
        if (!widget)
            return E_POINTER;
        *widget = nullptr;
        auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
        if (!application || QThread::currentThread() != application->thread())
            return Fail(E_UNEXPECTED, "The grid's view needs a QApplication and its thread");
        return Guard([&] {
            auto* view = new QTableView(static_cast<QWidget*>(parent));
            auto* model = new GridModel(data_, view);
            view->setModel(model); // the model's flags tell which cells take edits
            view->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
            view->setSortingEnabled(true); // a header click sorts; the rows start in the query's order
            std::erase_if(models_, [](const QPointer<GridModel>& m) { return m.isNull(); });
            models_.emplace_back(model);
            *widget = static_cast<QWidget*>(view);
            return S_OK;
        });
    }

    HRESULT Save() override {
        return Guard([&] {
            data_->Save();
            return S_OK;
        });
    }

    HRESULT IsModified(VARIANT_BOOL* modified) override {
        if (!modified)
            return E_POINTER;
        *modified = data_->IsModified() ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

    HRESULT GetRowCount(LONG* rows) override {
        if (!rows)
            return E_POINTER;
        *rows = data_->RowCount();
        return S_OK;
    }

    HRESULT GetColumnCount(LONG* columns) override {
        if (!columns)
            return E_POINTER;
        *columns = data_->ColumnCount();
        return S_OK;
    }

    HRESULT GetColumnName(LONG column, BSTR* name) override {
        if (!name)
            return E_POINTER;
        if (column < 0 || column >= data_->ColumnCount())
            return Fail(E_INVALIDARG, "There is no column " + std::to_string(column));
        *name = BstrFromUtf8(data_->ColumnName(column));
        return S_OK;
    }

    HRESULT GetCellText(LONG row, LONG column, BSTR* text) override {
        if (!text)
            return E_POINTER;
        if (!IsCell(row, column))
            return Fail(E_INVALIDARG, "There is no cell at row " + std::to_string(row) + ", column " +
                                          std::to_string(column));
        return Guard([&] {
            *text = BstrFromUtf8(data_->CellText(row, column));
            return S_OK;
        });
    }

    HRESULT SetCellText(LONG row, LONG column, BSTR text) override {
        if (!IsCell(row, column))
            return Fail(E_INVALIDARG, "There is no cell at row " + std::to_string(row) + ", column " +
                                          std::to_string(column));
        std::string value = Utf8FromBstr(text);
        if (!data_->IsCellEditable(column))
            return Fail(E_ACCESSDENIED, "The cell at row " + std::to_string(row) + ", column " +
                                            std::to_string(column) + " cannot be edited");
        if (!data_->SetCell(row, column, value))
            return Fail(DISP_E_TYPEMISMATCH, "\"" + value + "\" is not a value of the cell at row " +
                                                 std::to_string(row) + ", column " + std::to_string(column));
        for (const QPointer<GridModel>& model : models_)
            if (model)
                model->CellChanged(row, column);
        return S_OK;
    }

    HRESULT SetRowColors(LONG row, LONG foreground, LONG background) override {
        if (row < 0 || row >= data_->RowCount())
            return Fail(E_INVALIDARG, "There is no row " + std::to_string(row));
        data_->SetRowColors(row, {static_cast<uint32_t>(foreground), static_cast<uint32_t>(background)});
        for (const QPointer<GridModel>& model : models_)
            if (model)
                model->RowChanged(row);
        return S_OK;
    }

    HRESULT SortByColumn(LONG column, VARIANT_BOOL descending) override {
        if (column < 0 || column >= data_->ColumnCount())
            return Fail(E_INVALIDARG, "There is no column " + std::to_string(column));
        const Qt::SortOrder order = descending != VARIANT_FALSE ? Qt::DescendingOrder : Qt::AscendingOrder;
        bool sorted = false;
        for (const QPointer<GridModel>& model : models_) {
            if (!model)
                continue;
            if (sorted) {
                model->Replace(data_);
            } else {
                model->sort(column, order);
                sorted = true;
            }
        }
        if (!sorted)
            data_->Sort(column, order == Qt::DescendingOrder);
        return S_OK;
    }

    HRESULT SetEmptyRowColors(LONG firstColumn, LONG lastColumn, LONG foreground, LONG background) override {
        if (firstColumn < 0 || lastColumn < firstColumn)
            return Fail(E_INVALIDARG, "The columns " + std::to_string(firstColumn) + " to " +
                                          std::to_string(lastColumn) + " are no range of columns");
        emptyRule_ = EmptyRule{
            firstColumn, lastColumn, {static_cast<uint32_t>(foreground), static_cast<uint32_t>(background)}};
        data_->SetEmptyRowColors(firstColumn, lastColumn, emptyRule_->colors);
        for (const QPointer<GridModel>& model : models_)
            if (model)
                model->Replace(data_);
        return S_OK;
    }

private:
    ~CGridControl() override = default;

    struct EmptyRule {
        int first = 0, last = 0;
        RowColors colors;
    };

    bool IsCell(LONG row, LONG column) const {
        return row >= 0 && row < data_->RowCount() && column >= 0 && column < data_->ColumnCount();
    }

    static HRESULT Fail(HRESULT result, const std::string& description) {
        return ReportError(result, IGridControl::iid, kSource, description);
    }

    // Nothing thrown inside crosses the interface.
    template <typename Body>
    static HRESULT Guard(Body body) {
        try {
            return body();
        } catch (const operatordb::DbError& e) {
            return Fail(E_FAIL, std::string("Database error: ") + e.what());
        } catch (const std::exception& e) {
            return Fail(E_FAIL, e.what());
        }
    }

    GridSource source_;
    std::optional<EmptyRule> emptyRule_;
    std::shared_ptr<GridData> data_ = std::make_shared<GridData>();
    std::vector<QPointer<GridModel>> models_;
};

constexpr ClassObjectEntry kClassObjects[] = {ClassObject<CGridControl>(CLSID_GridWizDaoCtrl)};

} // namespace
} // namespace corvid::gridwizdao

CORVID_COM_MODULE_ENTRY_POINTS(corvid::gridwizdao::kClassObjects, corvid::gridwizdao::kServer)
