#include "operatordb/record_binding.h"

#include "operatordb/db_error.h"

#include <limits>

namespace corvid::operatordb {
namespace {

std::string Unbracketed(const std::string& source) {
    if (source.size() >= 2 && source.front() == '[' && source.back() == ']')
        return source.substr(1, source.size() - 2);
    return source;
}

int64_t InRange(const std::string& column, int64_t value, int64_t low, int64_t high) {
    if (value < low || value > high)
        throw DbError("Numeric field overflow: column '" + column + "' holds " + std::to_string(value) + ".");
    return value;
}

} // namespace

RecordBinding::RecordBinding(DatabaseRef db, std::string source)
    : db_(db.db_), source_(std::move(source)), name_(Unbracketed(source_)) {
    if (!db_) {
        ownConnection_ = std::make_unique<Database>(db.file_);
        db_ = ownConnection_.get();
    }
}

RecordBinding::~RecordBinding() = default;

void RecordBinding::BindColumn(std::string name, int32_t& member) {
    columns_.push_back({std::move(name), &member});
}

void RecordBinding::BindColumn(std::string name, std::string& member) {
    columns_.push_back({std::move(name), &member});
}

void RecordBinding::BindColumn(std::string name, uint8_t& member) {
    columns_.push_back({std::move(name), &member});
}

void RecordBinding::BindColumn(std::string name, bool& member) {
    columns_.push_back({std::move(name), &member});
}

void RecordBinding::BindParameter(std::string name, int32_t& member) {
    parameters_.emplace_back(std::move(name), &member);
}

Recordset& RecordBinding::Set() {
    if (!set_)
        throw DbError("Operation is not allowed when the object is closed.");
    return *set_;
}

const Recordset& RecordBinding::Set() const {
    if (!set_)
        throw DbError("Operation is not allowed when the object is closed.");
    return *set_;
}

void RecordBinding::Open(OpenMode mode) {
    mode_ = mode;
    std::vector<std::string> names;
    for (const Field& field : columns_)
        names.push_back(field.name);
    set_.reset();
    if (db_->HasTable(name_)) {
        set_.emplace(Recordset::Table(*db_, name_, names, filter_, sort_, mode == OpenMode::Updatable));
    } else if (db_->FindSavedQuery(name_)) {
        std::string sql = "SELECT ";
        for (size_t i = 0; i < names.size(); ++i)
            sql += (i ? ", [" : "[") + names[i] + "]";
        sql += " FROM " + source_;
        if (!filter_.empty())
            sql += " WHERE (" + filter_ + ")";
        if (!sort_.empty())
            sql += " ORDER BY " + sort_;
        Parameters params;
        for (const auto& [name, member] : parameters_)
            params.push_back({name, Value(*member)});
        set_.emplace(Recordset::Select(*db_, sql, params));
    } else {
        throw DbError("Cannot find the input table or query '" + name_ + "'.");
    }
    LoadMembers();
}

void RecordBinding::Close() {
    set_.reset();
}

bool RecordBinding::IsEOF() const {
    return !set_ || set_->IsEOF();
}

void RecordBinding::MoveNext() {
    Set().MoveNext();
    LoadMembers();
}

void RecordBinding::MoveFirst() {
    Set().MoveFirst();
    LoadMembers();
}

void RecordBinding::MoveLast() {
    Set().MoveLast();
    LoadMembers();
}

long RecordBinding::RecordCount() const {
    return Set().RecordCount();
}

bool RecordBinding::FindFirst(const std::string& condition) {
    bool found = Set().FindFirst(condition);
    if (found)
        LoadMembers();
    return found;
}

void RecordBinding::Requery() {
    Open(mode_);
}

void RecordBinding::AddNew() {
    Set().AddNew();
    adding_ = true;
    ClearMembers();
}

void RecordBinding::Edit() {
    Set().Edit();
    adding_ = false;
}

void RecordBinding::Update() {
    Recordset& set = Set();
    if (!set.IsEditing())
        throw DbError("Update or CancelUpdate without AddNew or Edit.");
    for (size_t i = 0; i < columns_.size(); ++i) {
        Value value = MemberValue(columns_[i]);
        if (adding_ || i >= loaded_.size() || !(value == loaded_[i]))
            set.SetValue(columns_[i].name, std::move(value));
    }
    set.Update();
    LoadMembers();
}

void RecordBinding::CancelUpdate() {
    Set().CancelUpdate();
    LoadMembers();
}

void RecordBinding::Delete() {
    Set().Delete();
}

int32_t RecordBinding::NextKey(const std::string& keyColumn) {
    // The set holds only the row of the largest key: reading a large table whole for
    // every new row made bulk inserts quadratic. The binding is left unfiltered.
    filter_ = keyColumn + " = (SELECT MAX(" + keyColumn + ") FROM " + source_ + ")";
    sort_ = keyColumn + " DESC";
    try {
        Open(IsOpen() ? mode_ : OpenMode::Updatable);
    } catch (...) {
        filter_.clear();
        throw;
    }
    filter_.clear();
    if (set_->IsEOF())
        return 1;
    int64_t largest = set_->GetValue(keyColumn).AsInteger();
    if (largest >= std::numeric_limits<int32_t>::max())
        throw DbError("No key is left above " + std::to_string(largest) + " in '" + name_ + "'.");
    return static_cast<int32_t>(std::max<int64_t>(largest, 0) + 1);
}

// The members show the current row; at the end of the set they keep what they had.
void RecordBinding::LoadMembers() {
    loaded_.clear();
    if (!set_ || set_->IsEOF())
        return;
    for (size_t i = 0; i < columns_.size(); ++i)
        StoreMember(columns_[i], set_->GetValue(static_cast<int>(i)));
    for (const Field& field : columns_)
        loaded_.push_back(MemberValue(field));
}

void RecordBinding::ClearMembers() {
    for (const Field& field : columns_)
        StoreMember(field, Value());
    loaded_.clear();
}

void RecordBinding::StoreMember(const Field& field, const Value& value) {
    constexpr int64_t kLongMin = std::numeric_limits<int32_t>::min();
    constexpr int64_t kLongMax = std::numeric_limits<int32_t>::max();
    if (auto* p = std::get_if<int32_t*>(&field.member))
        **p = static_cast<int32_t>(InRange(field.name, value.AsInteger(), kLongMin, kLongMax));
    else if (auto* t = std::get_if<std::string*>(&field.member))
        **t = value.AsText();
    else if (auto* b = std::get_if<uint8_t*>(&field.member))
        **b = static_cast<uint8_t>(InRange(field.name, value.AsInteger(), 0, 255));
    else if (auto* f = std::get_if<bool*>(&field.member))
        **f = value.AsBool();
}

Value RecordBinding::MemberValue(const Field& field) const {
    if (auto* p = std::get_if<int32_t*>(&field.member))
        return Value(static_cast<int64_t>(**p));
    if (auto* t = std::get_if<std::string*>(&field.member))
        return Value(**t);
    if (auto* b = std::get_if<uint8_t*>(&field.member))
        return Value(static_cast<int64_t>(**b));
    return Value(*std::get<bool*>(field.member) ? 1 : 0);
}

} // namespace corvid::operatordb
