// The layer's SQL (SQLite's dialect, as the Jet translation and the layer write it)
// rewritten for a PostgreSQL server.
//
// Names: the server folds bare names to lower case, while the layer's names compare
// without regard to case and keep their spelling. Tables and columns are created with
// their spelling quoted, and every name of the database met in a statement, bare or
// bracketed, is quoted with the spelling the database has.
// Types: text columns are case-insensitive text (citext, as Jet and NOCASE compare),
// yes/no columns the domain yesno over smallint (0 false, any other value true, as
// written by any engine), Byte columns smallint. A yes/no column standing alone as a
// condition becomes "column <> 0".
// Rows: every table has a hidden key column corvid_rowid that the name rowid stands
// for (the record sets find their rows again by it); SELECT * leaves it out.
// Parameters: ?, ?N and :Name become $1..$n; "? COLLATE NOCASE" marks a parameter whose
// text compares without regard to case. Triggers become trigger functions.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace corvid::operatordb::pg {

constexpr const char* kRowidColumn = "corvid_rowid";

// The names of a database: lower-case name to its spelling, the yes/no columns, and
// each table's columns in their order (the hidden row key left out).
struct Catalog {
    struct Table {
        std::string name;
        std::vector<std::string> columns;
    };
    std::map<std::string, std::string> spelling;
    std::set<std::string> yesNoColumns;  // lower case
    std::map<std::string, Table> tables; // by lower-case name
};

// ASCII lower case, as the catalog's keys are.
std::string Lower(std::string_view text);

struct Statement {
    std::string sql;
    // For $n, the name of the layer's parameter at n - 1: a :Name without the colon, or
    // "?N" for a numbered one.
    std::vector<std::string> parameters;
    // For $n, true where its text compares without regard to case.
    std::vector<bool> caseInsensitive;
    bool changesSchema = false;
};

// One statement (DDL of tables, indexes and triggers included).
Statement Translate(std::string_view sql, const Catalog& catalog);

// Splits a script of statements at its semicolons (a trigger's body is one statement
// with its own).
std::vector<std::string> SplitScript(std::string_view script);

} // namespace corvid::operatordb::pg
