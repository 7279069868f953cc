// The rewrite that moves outer-row conditions out of "x IN (SELECT ...)" against plain
// SQLite: generated statements, run with and without it on one small database, must give
// the same rows.
#include "jet_hoist.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace corvid::operatordb::testing {
namespace {

// A has the outer rows; B is the subquery's table and shares the column x with A; C is
// for nested SELECTs. Small domains with NULLs make a changed result likely to show.
constexpr const char* kSchema = R"SQL(
    CREATE TABLE A (id INTEGER PRIMARY KEY, x INTEGER, y INTEGER, k INTEGER);
    CREATE TABLE B (id INTEGER PRIMARY KEY, x INTEGER, c INTEGER, a INTEGER);
    CREATE TABLE C (id INTEGER PRIMARY KEY, x INTEGER, y INTEGER);
)SQL";

class HoistCrossCheck : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr), SQLITE_OK);
        std::mt19937 random(17);
        auto value = [&random] {
            int v = static_cast<int>(random() % 4);
            return v == 3 ? std::string("NULL") : std::to_string(v);
        };
        for (const char* table : {"A", "B", "C"})
            for (int id = 1; id <= 12; ++id) {
                std::string sql = std::string("INSERT INTO ") + table + " VALUES (" +
                                  std::to_string(id * 5 % 13) + ", " + value() + ", " + value() +
                                  (table[0] == 'C' ? "" : ", " + value()) + ")";
                ASSERT_EQ(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
            }
    }
    void TearDown() override { sqlite3_close(db_); }

    std::optional<std::vector<std::string>> Columns(const std::string& table) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db_, "SELECT name FROM pragma_table_xinfo(?1)", -1, &statement, nullptr);
        sqlite3_bind_text(statement, 1, table.c_str(), -1, SQLITE_TRANSIENT);
        std::vector<std::string> columns;
        while (sqlite3_step(statement) == SQLITE_ROW)
            columns.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
        return columns.empty() ? std::nullopt : std::optional(columns);
    }

    // The rows of a statement as sorted texts, or nullopt when SQLite refuses it. Positional
    // parameters get 1, 2, ... by their place, ":p" gets 3.
    std::optional<std::vector<std::string>> Rows(const std::string& sql) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
            return std::nullopt;
        for (int i = 1; i <= sqlite3_bind_parameter_count(statement); ++i)
            sqlite3_bind_int(statement, i, i);
        if (int named = sqlite3_bind_parameter_index(statement, ":p"))
            sqlite3_bind_int(statement, named, 3);
        std::vector<std::string> rows;
        int rc = 0;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
            const unsigned char* text = sqlite3_column_text(statement, 0);
            rows.emplace_back(text ? reinterpret_cast<const char*>(text) : "NULL");
        }
        sqlite3_finalize(statement);
        if (rc != SQLITE_DONE)
            return std::nullopt;
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    sqlite3* db_ = nullptr;
};

class StatementGenerator {
public:
    explicit StatementGenerator(unsigned seed) : random_(seed) {}

    std::string Next() {
        outer_ = Pick({"A", "o"});
        std::string statement =
            "SELECT " + outer_ + ".id FROM A" + (outer_ == "o" ? " AS o" : "") + " WHERE " +
            Pick({"", "", "y = 1 AND ", "k IS NOT NULL AND ", "NOT ", "y = 1 OR ", "k = "}) +
            Pick({outer_ + ".x", "y", "k", "1", "?"}) + " IN (" + Subquery() + ")" +
            Pick({"", "", "", " AND k IS NOT NULL", " AND y = ?", " = 0", " IS NULL", " OR y = 2"});
        if (Chance(4)) // the whole as a correlated subquery of C
            statement = "SELECT w.id FROM C AS w WHERE w.x = 1 AND w.id IN (" + statement + ")";
        return statement;
    }

private:
    std::string Subquery() {
        inner_ = Pick({"B", "t"});
        std::string sql = "SELECT " +
                          Pick({"c", "c", "x", inner_ + ".c", "DISTINCT c", "max(c)", "count(*)"}) +
                          " FROM B" + (inner_ == "t" ? " AS t" : "") + " WHERE ";
        int conditions = 1 + static_cast<int>(random_() % 3);
        for (int i = 0; i < conditions; ++i)
            sql += (i ? " AND " : "") + Condition();
        return sql + Pick({"", "", "", "", "", "", " LIMIT 1", " LIMIT 2 OFFSET 1", " ORDER BY c LIMIT 1",
                           " GROUP BY c HAVING count(*) > 1", " UNION SELECT x FROM C"});
    }

    std::string Condition() {
        const std::string& o = outer_;
        const std::string& t = inner_;
        return Pick(
            {// the subquery's own row
             "a = 1", t + ".a = 2", "a = ?", "c > 0", "x = 1", "rowid = 2", t + ".rowid > 3", "oid < 5",
             // the outer row only
             o + ".y = 1", "y = 2", "k IS NULL", o + ".x = 1", o + ".rowid = 3", "y = ?", "k = :p",
             // nested SELECTs, correlated with either
             "EXISTS (SELECT 1 FROM C WHERE C.y = " + o + ".y)", "EXISTS (SELECT 1 FROM C WHERE C.x = c)",
             "y IN (SELECT y FROM C WHERE x = 1)", "(SELECT count(*) FROM C WHERE C.y = y) > 1",
             "EXISTS (SELECT 1 FROM C WHERE C.id = rowid)"});
    }

    std::string Pick(std::initializer_list<std::string> choices) {
        return *(choices.begin() + random_() % choices.size());
    }
    bool Chance(unsigned inverse) { return random_() % inverse == 0; }

    std::mt19937 random_;
    std::string outer_;
    std::string inner_;
};

TEST_F(HoistCrossCheck, GeneratedStatementsGiveTheSameRowsWithAndWithoutTheRewrite) {
    StatementGenerator generator(4065);
    auto lookup = [this](const std::string& table) {
        return Columns(table);
    };
    int checked = 0, rewritten = 0, withRows = 0;
    for (int i = 0; i < 4000; ++i) {
        std::string sql = generator.Next();
        std::optional<std::vector<std::string>> plain = Rows(sql);
        if (!plain)
            continue; // SQLite refuses the statement itself
        std::string hoisted = jet::HoistOuterConditions(sql, lookup);
        ++checked;
        withRows += !plain->empty();
        rewritten += hoisted != sql;
        std::optional<std::vector<std::string>> rows = Rows(hoisted);
        ASSERT_TRUE(rows) << sql << "\n  became  " << hoisted << "\n  " << sqlite3_errmsg(db_);
        ASSERT_EQ(*rows, *plain) << sql << "\n  became  " << hoisted;
    }
    // The generator must reach both sides: statements the rewrite takes and ones it leaves.
    EXPECT_GT(checked, 2000);
    EXPECT_GT(rewritten, checked / 20);
    EXPECT_LT(rewritten, checked);
    EXPECT_GT(withRows, checked / 4);
}

} // namespace
} // namespace corvid::operatordb::testing
