// The record-binding mechanism: a class per source (a table or a saved query) that
// exposes the current row's columns as typed members.
//
// A binding names its source ("[DeviceInstances]"), binds its output columns in
// exchange order and its query parameters (all Long), may be given a filter (a WHERE
// condition without the keyword) and a sort (an ORDER BY list without the keyword)
// before it is opened, and opens read-only or updatable. Column types:
//   Long  int32_t      Text  std::string (never truncated)
//   Byte  uint8_t      Bool  bool (yes/no: any non-zero stored value reads as true)
// A null reads as 0, empty text or false. A stored value outside the member's range is
// an error, not a silent wrap.
#pragma once

#include "operatordb/database.h"
#include "operatordb/recordset.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace corvid::operatordb {

enum class OpenMode { ReadOnly, Updatable };

// The database a binding works on: the shared connection, or a file that the binding
// opens for itself and closes with it.
class DatabaseRef {
public:
    DatabaseRef(Database& db) : db_(&db) {}
    DatabaseRef(std::filesystem::path file) : file_(std::move(file)) {}

private:
    friend class RecordBinding;
    Database* db_ = nullptr;
    std::filesystem::path file_;
};

class RecordBinding {
public:
    virtual ~RecordBinding();
    RecordBinding(const RecordBinding&) = delete;
    RecordBinding& operator=(const RecordBinding&) = delete;

    const std::string& source() const { return source_; }
    Database& database() { return *db_; }

    void SetFilter(std::string filter) { filter_ = std::move(filter); }
    void SetSort(std::string sort) { sort_ = std::move(sort); }
    const std::string& filter() const { return filter_; }
    const std::string& sort() const { return sort_; }

    // Opens with the current filter, sort and parameter values and makes the first row
    // current. All bindings open updatable unless asked otherwise; a saved query's rows
    // cannot be written.
    void Open(OpenMode mode = OpenMode::Updatable);
    bool IsOpen() const { return set_.has_value(); }
    void Close();

    bool IsEOF() const;
    void MoveNext();
    void MoveFirst();
    void MoveLast();
    long RecordCount() const;
    // First row of the open set matching condition (Jet SQL over the bound columns).
    bool FindFirst(const std::string& condition);
    // Reopens with the current filter, sort and parameter values.
    void Requery();

    // AddNew clears the members; Update writes them as a new row. Edit and Update write
    // the members changed since the row was read.
    void AddNew();
    void Edit();
    void Update();
    void CancelUpdate();
    void Delete();

    // Key assignment for tables whose keys the plug-in hands out: clears the filter,
    // sorts by keyColumn descending, (re)opens and returns the first row's key plus 1,
    // or 1 for an empty table. Keys below 1 count as 0, so a new key is never taken
    // for "no row"; a table whose largest key is 2147483647 raises DbError.
    int32_t NextKey(const std::string& keyColumn);

protected:
    RecordBinding(DatabaseRef db, std::string source);

    void BindColumn(std::string name, int32_t& member);
    void BindColumn(std::string name, std::string& member);
    void BindColumn(std::string name, uint8_t& member);
    void BindColumn(std::string name, bool& member);
    void BindParameter(std::string name, int32_t& member);

private:
    struct Field {
        std::string name;
        std::variant<int32_t*, std::string*, uint8_t*, bool*> member;
    };

    Recordset& Set();
    const Recordset& Set() const;
    void LoadMembers();
    void ClearMembers();
    Value MemberValue(const Field& field) const;
    void StoreMember(const Field& field, const Value& value);

    std::unique_ptr<Database> ownConnection_;
    Database* db_;
    std::string source_;
    std::string name_;
    std::string filter_;
    std::string sort_;
    std::vector<Field> columns_;
    std::vector<std::pair<std::string, int32_t*>> parameters_;
    std::optional<Recordset> set_;
    OpenMode mode_ = OpenMode::Updatable;
    bool adding_ = false;
    std::vector<Value> loaded_; // the members as last read, to find what an edit changed
};

} // namespace corvid::operatordb
