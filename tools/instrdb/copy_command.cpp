#include "copy_command.h"

#include "commands.h"
#include "operatordb/database.h"
#include "operatordb/db_error.h"
#include "operatordb/schema.h"
#include "operatoroutput/results_schema.h"

#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <strings.h>

namespace corvid::instrdb {
namespace {

using operatordb::Database;
using operatordb::Statement;
using operatordb::Value;

// Rows go in statements of many rows each: a server answers each statement in a round
// trip. The parameters of one statement stay well below every engine's limit.
constexpr size_t kParametersPerStatement = 400;
constexpr size_t kRowsPerStatement = 100;
constexpr int64_t kProgressEvery = 10000;

const char* const kSavedQueries = "MSysQueries";
const char* const kSavedQueriesTable =
    "CREATE TABLE MSysQueries (Name TEXT PRIMARY KEY COLLATE NOCASE, Parameters TEXT, SQL TEXT)";

enum class Kind { Instrument, Results, Other };

struct Table {
    std::string name;
    std::vector<std::string> columns;
    int64_t rows = 0;
};

bool SameName(const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) == 0;
}

bool HasAll(Database& db, std::initializer_list<const char*> tables) {
    return std::all_of(tables.begin(), tables.end(), [&](const char* table) { return db.HasTable(table); });
}

Kind KindOf(Database& db) {
    if (HasAll(db,
               {kSavedQueries, "TestStations", "DeviceInstances", "__sys_DeviceTypes", "__sys_TestPlans"})) {
        return Kind::Instrument;
    }
    using namespace operatoroutput;
    if (HasAll(db, {kUniqueIdsTable, kTestingDetailsTable, kTestsTable, kEquipInfoTable})) {
        return Kind::Results;
    }
    return Kind::Other;
}

const char* KindName(Kind kind) {
    return kind == Kind::Instrument ? "instrument" : kind == Kind::Results ? "results" : "none";
}

std::string Bracketed(const std::string& name) {
    return "[" + name + "]";
}

std::string ColumnList(const std::vector<std::string>& columns) {
    std::string list;
    for (const std::string& column : columns) {
        list += (list.empty() ? "" : ", ") + Bracketed(column);
    }
    return list;
}

int64_t CountRows(Database& db, const std::string& table) {
    auto count = db.Prepare("SELECT count(*) FROM " + Bracketed(table));
    count->Step();
    return count->Column(0).AsInteger();
}

// Every table of the database but the engine's own bookkeeping.
std::vector<Table> TablesOf(Database& db) {
    std::vector<Table> tables;
    for (std::string& name : db.TableNames(true)) {
        if (name.size() >= 7 && strncasecmp(name.c_str(), "sqlite_", 7) == 0) {
            continue;
        }
        Table table{name, db.ColumnsOf(name).value_or(std::vector<std::string>{}), 0};
        table.rows = CountRows(db, name);
        tables.push_back(std::move(table));
    }
    return tables;
}

// A table of FROM that the schema lacks, with column types from the values it holds:
// whole numbers, reals or text (the widest kind found in a column wins; text where
// there are no values).
std::string DefinitionOf(Database& from, const Table& table) {
    enum Width { None, Whole, Real, Text };
    std::vector<Width> widths(table.columns.size(), None);
    auto rows = from.Prepare("SELECT " + ColumnList(table.columns) + " FROM " + Bracketed(table.name));
    while (rows->Step()) {
        for (size_t i = 0; i < widths.size(); ++i) {
            Value value = rows->Column(static_cast<int>(i));
            Width width = value.IsNull() ? None : value.IsInteger() ? Whole : value.IsReal() ? Real : Text;
            widths[i] = std::max(widths[i], width);
        }
    }
    std::string definition;
    for (size_t i = 0; i < widths.size(); ++i) {
        definition += (i ? ", " : "") + Bracketed(table.columns[i]) +
                      (widths[i] == Whole  ? " INTEGER"
                       : widths[i] == Real ? " DOUBLE"
                                           : " TEXT COLLATE NOCASE");
    }
    return "CREATE TABLE " + Bracketed(table.name) + " (" + definition + ")";
}

void CreateSchema(Database& from, Database& to, Kind kind, const std::vector<Table>& tables) {
    if (kind == Kind::Instrument) {
        operatordb::CreateInstrumentSchema(to);
    } else if (kind == Kind::Results) {
        operatoroutput::CreateResultsSchema(to);
    }
    for (const Table& table : tables) {
        if (to.HasTable(table.name)) {
            continue;
        }
        to.ExecuteNative(SameName(table.name, kSavedQueries) ? kSavedQueriesTable
                                                             : DefinitionOf(from, table));
    }
    for (const Table& table : tables) {
        std::vector<std::string> columns = to.ColumnsOf(table.name).value_or(std::vector<std::string>{});
        for (const std::string& column : table.columns) {
            bool present = std::any_of(columns.begin(), columns.end(),
                                       [&](const std::string& c) { return SameName(c, column); });
            if (!present) {
                throw operatordb::DbError("The column " + column + " of table " + table.name +
                                          " is not in the new database's table; nothing was copied.");
            }
        }
    }
}

std::string InsertStatement(const Table& table, size_t rows) {
    std::string sql = "INSERT INTO " + Bracketed(table.name) + " (" + ColumnList(table.columns) + ") VALUES ";
    int parameter = 0;
    for (size_t r = 0; r < rows; ++r) {
        sql += r ? ", (" : "(";
        for (size_t c = 0; c < table.columns.size(); ++c) {
            sql += (c ? ", ?" : "?") + std::to_string(++parameter);
        }
        sql += ")";
    }
    return sql;
}

// Copies the rows of one table in statements of many rows, in the order FROM keeps them.
class RowCopier {
public:
    RowCopier(Database& to, const Table& table, std::ostream& err)
        : to_(to), table_(table), err_(err),
          rowsPerStatement_(std::clamp<size_t>(
              kParametersPerStatement / std::max<size_t>(table.columns.size(), 1), 1, kRowsPerStatement)) {}

    void Run(Database& from) {
        if (table_.columns.empty()) {
            return;
        }
        auto rows = from.Prepare("SELECT " + ColumnList(table_.columns) + " FROM " + Bracketed(table_.name) +
                                 " ORDER BY rowid");
        const size_t width = table_.columns.size();
        while (rows->Step()) {
            for (size_t i = 0; i < width; ++i) {
                pending_.push_back(rows->Column(static_cast<int>(i)));
            }
            if (pending_.size() == rowsPerStatement_ * width) {
                Flush();
            }
        }
        Flush();
    }

private:
    void Flush() {
        const size_t rows = pending_.size() / table_.columns.size();
        if (rows == 0) {
            return;
        }
        std::unique_ptr<Statement> partial;
        Statement* insert = nullptr;
        if (rows == rowsPerStatement_) {
            if (!full_) {
                full_ = to_.Prepare(InsertStatement(table_, rows));
            }
            insert = full_.get();
        } else {
            partial = to_.Prepare(InsertStatement(table_, rows));
            insert = partial.get();
        }
        insert->Reset();
        for (size_t i = 0; i < pending_.size(); ++i) {
            insert->Bind(static_cast<int>(i + 1), pending_[i]);
        }
        insert->Step();
        pending_.clear();
        ShowProgress(copied_, copied_ + static_cast<int64_t>(rows));
        copied_ += static_cast<int64_t>(rows);
    }

    void ShowProgress(int64_t before, int64_t after) {
        if (table_.rows < kProgressEvery) {
            return;
        }
        if (before / kProgressEvery != after / kProgressEvery || after == table_.rows) {
            err_ << "instrdb: " << table_.name << ": " << after << " of " << table_.rows << " rows copied\n"
                 << std::flush;
        }
    }

    Database& to_;
    const Table& table_;
    std::ostream& err_;
    const size_t rowsPerStatement_;
    std::unique_ptr<Statement> full_;
    std::vector<Value> pending_;
    int64_t copied_ = 0;
};

// FROM's saved queries replace the schema's own of the same name.
void DropReplacedQueries(Database& from, Database& to) {
    auto drop = to.Prepare("DELETE FROM MSysQueries WHERE Name = ?1");
    for (const operatordb::SavedQuery& query : from.SavedQueries()) {
        drop->Reset();
        drop->Bind(1, Value(query.name));
        drop->Step();
    }
}

// The rows TO holds of a table; of the saved queries, those equal to one of FROM's (TO
// also keeps the schema's own that FROM lacks).
int64_t CopiedRows(Database& from, Database& to, const Table& table) {
    if (!SameName(table.name, kSavedQueries)) {
        return CountRows(to, table.name);
    }
    std::vector<operatordb::SavedQuery> copies = to.SavedQueries();
    int64_t equal = 0;
    for (const operatordb::SavedQuery& query : from.SavedQueries()) {
        equal += std::count_if(copies.begin(), copies.end(), [&](const operatordb::SavedQuery& copy) {
            return SameName(copy.name, query.name) && copy.parameters == query.parameters &&
                   copy.sql == query.sql;
        });
    }
    return equal;
}

std::string Shown(const std::filesystem::path& source) {
    return operatordb::DisplaySource(source.native());
}

// Prints the rows TO holds of each table and a summary; returns 0 when every table holds
// as many as FROM, else 1.
int Verify(Database& from, const std::filesystem::path& fromPath, const std::filesystem::path& toPath,
           Kind kind, const std::vector<Table>& tables, std::ostream& out, std::ostream& err) {
    Database copy(toPath);
    int64_t total = 0;
    int mismatches = 0;
    for (const Table& table : tables) {
        const int64_t rows = CopiedRows(from, copy, table);
        total += rows;
        out << nlohmann::ordered_json{{"table", table.name}, {"rows", rows}}.dump(
                   -1, ' ', false, nlohmann::json::error_handler_t::replace)
            << "\n";
        if (rows != table.rows) {
            ++mismatches;
            err << "instrdb: table " << table.name << " holds " << rows << " rows in " << Shown(toPath)
                << ", " << table.rows << " in " << Shown(fromPath) << "\n";
        }
    }
    out << nlohmann::ordered_json{{"schema", KindName(kind)},
                                  {"tables", tables.size()},
                                  {"rows", total},
                                  {"mismatches", mismatches}}
               .dump()
        << "\n";
    return mismatches == 0 ? 0 : 1;
}

} // namespace

int Copy(const std::filesystem::path& fromPath, const std::filesystem::path& toPath, std::ostream& out,
         std::ostream& err) {
    RequireDatabase(fromPath);
    Database from(fromPath);
    // Writers of FROM wait until it is read: the copy and its counts are of one moment.
    std::optional<operatordb::Transaction> reading;
    if (!from.IsReadOnly()) {
        reading.emplace(from);
    }
    const Kind kind = KindOf(from);
    const std::vector<Table> tables = TablesOf(from);
    if (tables.empty()) {
        throw operatordb::DbError(Shown(fromPath) + " holds no tables to copy.");
    }

    CreateDatabase(toPath, [&](Database& target) {
        CreateSchema(from, target, kind, tables);
        for (const Table& table : tables) {
            if (SameName(table.name, kSavedQueries)) {
                DropReplacedQueries(from, target);
            }
            RowCopier(target, table, err).Run(from);
        }
    });

    return Verify(from, fromPath, toPath, kind, tables, out, err);
}

} // namespace corvid::instrdb
