// The data-bound grid "GRIDWIZDAO.GridWizDaoCtrl.1": a table view of the rows of a saved
// query of an instrument database, for given query parameters, read-only or editable.
// Edits are kept in the grid until Save writes them to the table behind the query.
//
//   ComPtr<IGridControl> grid;
//   CreateInstance(kGridWizDaoProgId, grid);
//   grid->SetDatabase(Bstr(path).get(), Bstr("Access").get());
//   grid->SetQuery(Bstr("qry_CalData").get());
//   grid->SetParameter(Bstr("Instance_ID").get(), Bstr("4").get());
//   grid->SetColumnCount(5);
//   grid->Refresh();
//   QWidget* view = nullptr;
//   grid->CreateWidget(parent, reinterpret_cast<void**>(&view));
#pragma once

#include "com/guid.h"
#include "com/types.h"
#include "com/unknown.h"

namespace corvid::gridwizdao {

using namespace corvid::com;

inline constexpr CLSID CLSID_GridWizDaoCtrl = MakeGuid("{E64ABC0B-3DF6-43AC-B48F-F3E7B28E64D0}");
inline constexpr const char* kGridWizDaoProgId = "GRIDWIZDAO.GridWizDaoCtrl.1";

// Rows and columns count from 0 among the rows read and the columns shown. Colours are
// 0x00BBGGRR values. Settings take effect at the next Refresh. Every member returns a
// failed HRESULT with error information when it fails.
struct IGridControl : IUnknown {
    static constexpr IID iid = MakeGuid("{BBD50D4A-CE92-4A38-B433-72712F06F666}");

    // The database file and the type of data source: "Access" (also the default, empty).
    virtual HRESULT SetDatabase(BSTR path, BSTR dataSourceType) = 0;
    // The saved query whose rows are shown.
    virtual HRESULT SetQuery(BSTR queryName) = 0;
    // A parameter of the query (e.g. "Instance_ID"), as text converted to the type the
    // query declares. Parameters the query does not declare are not passed to it.
    virtual HRESULT SetParameter(BSTR name, BSTR value) = 0;
    virtual HRESULT ClearParameters() = 0;
    // How many of the query's leading columns are shown; 0 (the default) shows all.
    virtual HRESULT SetColumnCount(LONG count) = 0;
    // Editable grids take edits of the cells, except in columns marked read-only.
    virtual HRESULT SetEditable(VARIANT_BOOL editable) = 0;
    virtual HRESULT SetColumnReadOnly(LONG column, VARIANT_BOOL readOnly) = 0;

    // Reads the query's rows again, dropping unsaved edits and row colours. When the grid
    // is editable and the query's rows cannot be written (they do not come from one
    // table), the rows are shown read-only and the call fails saying why.
    virtual HRESULT Refresh() = 0;
    // The table view (a QTableView, as QWidget**) over the grid's rows, a child of parent
    // (a QWidget*, may be null: the caller then owns the view). Needs a QApplication and
    // its thread. The view follows later refreshes.
    virtual HRESULT CreateWidget(void* parent, void** widget) = 0;
    // Writes every edited cell to the table behind the query, all or nothing.
    virtual HRESULT Save() = 0;
    virtual HRESULT IsModified(VARIANT_BOOL* modified) = 0;

    virtual HRESULT GetRowCount(LONG* rows) = 0;
    virtual HRESULT GetColumnCount(LONG* columns) = 0; // the columns shown
    virtual HRESULT GetColumnName(LONG column, BSTR* name) = 0;
    virtual HRESULT GetCellText(LONG row, LONG column, BSTR* text) = 0;
    // Takes the text as an edit of the cell; fails when the cell is not editable or the
    // text is not a value of the cell's type.
    virtual HRESULT SetCellText(LONG row, LONG column, BSTR text) = 0;
    // Draws a row in these colours until the next Refresh.
    virtual HRESULT SetRowColors(LONG row, LONG foreground, LONG background) = 0;
    // Orders the rows by a column's values (numbers by value, texts without regard to
    // case, empty cells first), edits and row colours staying with their rows, until the
    // next Refresh reads them in the query's order again. A click on a column's header
    // in the view does the same.
    virtual HRESULT SortByColumn(LONG column, VARIANT_BOOL descending) = 0;
    // Rows whose cells in the columns first..last are all empty are drawn in these
    // colours (rows given their own keep them), after every Refresh and sort too.
    virtual HRESULT SetEmptyRowColors(LONG firstColumn, LONG lastColumn, LONG foreground,
                                      LONG background) = 0;
};

} // namespace corvid::gridwizdao
