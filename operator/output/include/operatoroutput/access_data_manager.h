// The access data manager component: rows of the tables of a results database, added
// one at a time and changed by a search on one column. Created in process by class
// identifier; every member returns a failed HRESULT with error information when it fails.
//
// Several stations share one results database: a connection waits for another's write
// to end (up to a busy time-out) instead of failing at once.
#pragma once

#include "com/guid.h"
#include "com/safearray.h"
#include "com/types.h"
#include "com/unknown.h"
#include "com/variant.h"

namespace corvid::operatoroutput {

using namespace corvid::com;

inline constexpr CLSID CLSID_AccessDataManager = com::MakeGuid("{200CDAC9-22CF-11D4-96B2-0010B5094BE6}");
inline constexpr const char* kAccessDataManagerProgId = "CorvidData.AccessDataManager.1";

// The members in slot order; the transaction members come after the first eight.
struct IAccessDataManager : IUnknown {
    static constexpr IID iid = com::MakeGuid("{9A0755B0-5F60-11D5-9726-0010B5094BE6}");

    // Opens the database file (which must exist). driver and dataSource name the kind of
    // database; user and password are accepted for that kind and not checked.
    virtual HRESULT Connect(BSTR driver, BSTR dataSource, BSTR databasePath, BSTR user, BSTR password) = 0;
    // The table that SetField, Update, Find and UpdateFields work on; starts a new row.
    virtual HRESULT OpenTable(BSTR table) = 0;
    // A column of the new row (column names in any case).
    virtual HRESULT SetField(BSTR column, VARIANT value) = 0;
    // Stores the new row and starts the next one.
    virtual HRESULT Update() = 0;
    // Selects the rows of the open table where column compares with value (operator one
    // of "=", "<>", "<", "<=", ">", ">=").
    virtual HRESULT Find(BSTR column, BSTR comparison, VARIANT value) = 0;
    // Changes the selected rows: one-dimensional arrays of column names (VT_BSTR) and of
    // values (VT_VARIANT), of the same length.
    virtual HRESULT UpdateFields(SAFEARRAY* columns, SAFEARRAY* values) = 0;
    // Rolls back an unfinished transaction and closes the database.
    virtual HRESULT Disconnect() = 0;
    virtual HRESULT ColumnExists(BSTR table, BSTR column, VARIANT_BOOL* exists) = 0;

    // The rows stored between BeginTransaction and CommitTransaction are stored together
    // or not at all. BeginTransaction waits (up to the busy time-out) until no other
    // connection writes.
    virtual HRESULT BeginTransaction() = 0;
    virtual HRESULT CommitTransaction() = 0;
    virtual HRESULT RollbackTransaction() = 0;
};

} // namespace corvid::operatoroutput
