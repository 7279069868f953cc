// The layer's SQL as the server's engine rewrites it.
#include "pg_dialect.h"

#include <gtest/gtest.h>

namespace corvid::operatordb::pg {
namespace {

Catalog Names() {
    Catalog catalog;
    for (const char* name :
         {"TestStations", "TestStationID", "Name", "DeviceInstances", "UUTChecked", "Temporary"}) {
        catalog.spelling[Lower(name)] = name;
    }
    catalog.yesNoColumns = {"uutchecked", "temporary"};
    return catalog;
}

TEST(PgDialect, NamesKeepTheDatabasesSpellingAndParametersAreNumbered) {
    Statement s = Translate("SELECT name, [teststationid] FROM teststations AS t WHERE t.Name = :Name AND "
                            "TestStationID > ?2 AND rowid = :name",
                            Names());
    EXPECT_EQ(s.sql,
              "SELECT \"Name\", \"TestStationID\" FROM \"TestStations\" AS t WHERE t.\"Name\" = $1 AND "
              "\"TestStationID\" > $2 AND corvid_rowid = $1");
    EXPECT_EQ(s.parameters, (std::vector<std::string>{"Name", "?2"}));
    EXPECT_FALSE(s.changesSchema);
    Statement f = Translate("SELECT count(*) FROM (SELECT ?1 COLLATE NOCASE AS [Name]) AS r", Names());
    EXPECT_EQ(f.sql, "SELECT count(*) FROM (SELECT $1   AS \"Name\") AS r");
    EXPECT_EQ(f.caseInsensitive, std::vector<bool>{true});
}

TEST(PgDialect, AYesNoColumnStandingAloneIsACondition) {
    EXPECT_EQ(Translate("SELECT * FROM DeviceInstances WHERE NOT UUTChecked AND (Temporary)", Names()).sql,
              "SELECT * FROM \"DeviceInstances\" WHERE NOT (\"UUTChecked\" <> 0) AND ((\"Temporary\" <> 0))");
    // Compared, selected or parenthesised and compared, it stays a number.
    EXPECT_EQ(
        Translate("SELECT UUTChecked FROM DeviceInstances AS d WHERE (d.Temporary) = 0 AND UUTChecked <> 0",
                  Names())
            .sql,
        "SELECT \"UUTChecked\" FROM \"DeviceInstances\" AS d WHERE (d.\"Temporary\") = 0 AND \"UUTChecked\" "
        "<> 0");
}

TEST(PgDialect, TablesGetServerTypesAndTheHiddenRowKey) {
    Statement s =
        Translate("CREATE TABLE Bench (ID INTEGER NOT NULL PRIMARY KEY, Label TEXT(50) COLLATE NOCASE, "
                  "Busy BOOLEAN DEFAULT 0, Slot TINYINT, Reading DOUBLE)",
                  {});
    EXPECT_TRUE(s.changesSchema);
    EXPECT_EQ(s.sql,
              "CREATE TABLE \"Bench\" (\"ID\" integer NOT NULL PRIMARY KEY, \"Label\" citext  , "
              "\"Busy\" yesno DEFAULT 0, \"Slot\" smallint, \"Reading\" double precision, corvid_rowid "
              "bigserial)");
}

TEST(PgDialect, InsertOrIgnoreAndTriggers) {
    EXPECT_EQ(Translate("INSERT OR IGNORE INTO TestStations (TestStationID) VALUES (1);", Names()).sql,
              "INSERT   INTO \"TestStations\" (\"TestStationID\") VALUES (1) ON CONFLICT DO NOTHING");
    Statement trigger = Translate("CREATE TRIGGER Gone AFTER DELETE ON TestStations BEGIN DELETE FROM "
                                  "DeviceInstances WHERE Name = old.Name; END",
                                  Names());
    EXPECT_NE(trigger.sql.find("CREATE FUNCTION \"Gone_fn\"() RETURNS trigger"), std::string::npos)
        << trigger.sql;
    EXPECT_NE(trigger.sql.find("DELETE FROM \"DeviceInstances\" WHERE \"Name\" = old.\"Name\";"),
              std::string::npos);
    EXPECT_NE(trigger.sql.find("CREATE TRIGGER \"Gone\" AFTER DELETE ON \"TestStations\"  FOR EACH ROW"),
              std::string::npos)
        << trigger.sql;
    EXPECT_EQ(
        SplitScript("CREATE TABLE A (X INTEGER); CREATE TRIGGER T AFTER DELETE ON A BEGIN DELETE FROM A; "
                    "DELETE FROM A; END; ;")
            .size(),
        2u);
}

} // namespace
} // namespace corvid::operatordb::pg
