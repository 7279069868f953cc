// The connection: opening, atomic statements with the engine's message, parameters,
// saved queries, Jet text comparison and yes/no reading, and the plan rewrite.
#include "db_fixture.h"
#include "operatordb/db_error.h"

#include <algorithm>
#include <fstream>

namespace corvid::operatordb::testing {
namespace {

TEST_F(EmptyDatabaseTest, MissingFilesAndFilesThatAreNoDatabaseAreRefused) {
    EXPECT_THROW(Database(dir.path() / "missing.db"), DbError);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing.db"))
        << "opening an existing file created one";
    std::ofstream(dir.path() / "text.db") << "this is not a database, just some text that is long enough\n";
    EXPECT_NE(ErrorOf([&] { Database text(dir.path() / "text.db"); }).find("not a database"),
              std::string::npos);
}

TEST_F(EmptyDatabaseTest, AFailingStatementChangesNothingAndCarriesTheEnginesMessage) {
    db->Execute("CREATE TABLE T (ID INTEGER PRIMARY KEY, Name TEXT)");
    db->Execute("CREATE TABLE Source (ID INTEGER)");
    db->Execute("INSERT INTO T (ID, Name) VALUES (2, 'two')");
    db->Execute("INSERT INTO Source (ID) VALUES (1), (2), (3)");
    // Row 1 would go in before row 2 collides: the whole statement must be undone.
    std::string message =
        ErrorOf([&] { db->Execute("INSERT INTO T (ID) SELECT ID FROM Source ORDER BY ID"); });
    EXPECT_NE(message.find(OnServer() ? "duplicate key" : "UNIQUE constraint failed"), std::string::npos)
        << message;
    EXPECT_EQ(Count("T"), 1);
    try {
        db->Execute("Delete * from Nowhere");
        FAIL();
    } catch (const DbError& e) {
        EXPECT_NE(
            std::string(e.what()).find(OnServer() ? "\"nowhere\" does not exist" : "no such table: Nowhere"),
            std::string::npos)
            << e.what();
        EXPECT_EQ(e.statement(), "Delete * from Nowhere");
    }
}

TEST_F(EmptyDatabaseTest, ExecuteTakesOneActionStatementOnly) {
    db->Execute("CREATE TABLE T (ID INTEGER)");
    EXPECT_EQ(ErrorOf([&] { db->Execute("SELECT * FROM T"); }), "Cannot execute a select query.");
    EXPECT_EQ(ErrorOf([&] { db->Execute("INSERT INTO T VALUES (1); INSERT INTO T VALUES (2)"); }),
              "Characters found after end of SQL statement.");
    EXPECT_EQ(Count("T"), 0);
    EXPECT_EQ(db->Execute("INSERT INTO T VALUES (1);  "), 1);
}

TEST_F(EmptyDatabaseTest, NamedParametersMustAllBeGivenAndKnown) {
    db->Execute("CREATE TABLE T (ID INTEGER, Name TEXT)");
    EXPECT_EQ(db->Execute("INSERT INTO T VALUES (:id, :Name)", {{"ID", 7}, {"name", "seven"}}), 1);
    EXPECT_NE(ErrorOf([&] {
                  db->Execute("INSERT INTO T VALUES (:id, :name)", {{"id", 8}});
              }).find("Too few parameters. Expected 1"),
              std::string::npos);
    EXPECT_NE(ErrorOf([&] {
                  db->Execute("INSERT INTO T VALUES (:id, 'x')", {{"id", 8}, {"other", 1}});
              }).find("Unknown parameter 'other'"),
              std::string::npos);
    EXPECT_EQ(Count("T"), 1);
}

TEST_F(EmptyDatabaseTest, TransactionsUndoUnlessCommitted) {
    db->Execute("CREATE TABLE T (ID INTEGER)");
    {
        Transaction t(*db);
        db->Execute("INSERT INTO T VALUES (1)");
    }
    EXPECT_EQ(Count("T"), 0);
    {
        Transaction outer(*db);
        db->Execute("INSERT INTO T VALUES (1)");
        {
            Transaction inner(*db);
            db->Execute("INSERT INTO T VALUES (2)");
        }
        outer.Commit();
    }
    EXPECT_EQ(Count("T"), 1);
}

TEST_F(SchemaTest, TextComparesWithoutRegardToCaseAndYesNoReadsAnyNonZeroAsTrue) {
    db->Execute("INSERT INTO TestStations (TestStationID, Name) VALUES (1, 'Lab A')");
    EXPECT_EQ(Count("TestStations", "Name = 'LAB a'"), 1);
    db->Execute(
        "INSERT INTO InterfaceData_GPIB (InstanceID, TempInterface, Board) VALUES (1, -1, 0), (1, 0, 1)");
    // A row written by an engine that stores true as -1 is the row in use.
    EXPECT_EQ(
        Scalar("SELECT Board FROM InterfaceData_GPIB WHERE InstanceID = 1 AND TempInterface").AsInteger(), 0);
    EXPECT_EQ(Scalar("SELECT Board FROM InterfaceData_GPIB WHERE TempInterface = True").AsInteger(), 0);
    EXPECT_EQ(Scalar("SELECT Board FROM InterfaceData_GPIB WHERE NOT TempInterface").AsInteger(), 1);
    EXPECT_TRUE(Scalar("SELECT TempInterface FROM InterfaceData_GPIB WHERE Board = 0").AsBool());
}

TEST_F(SchemaTest, SavedQueriesRunByNameWithTypedParameters) {
    db->SaveQuery({"qry_Add", "ID Long, Name Text",
                   "INSERT INTO TestStations (TestStationID, Name) VALUES (:ID, :Name)"});
    db->SaveQuery(
        {"qry_Find", "Pattern Text", "SELECT TestStationID FROM TestStations WHERE Name LIKE :Pattern"});
    EXPECT_EQ(db->ExecuteQuery("QRY_ADD", {{"ID", "12"}, {"Name", "Bench 12"}}), 1);
    EXPECT_TRUE(Scalar("SELECT TestStationID FROM TestStations").IsInteger())
        << "a Long parameter stayed text";
    Recordset found = db->OpenQuery("qry_find", {{"Pattern", "bench%"}});
    ASSERT_FALSE(found.IsEOF());
    EXPECT_EQ(found.GetValue("TestStationID").AsInteger(), 12);
    EXPECT_NE(ErrorOf([&] {
                  db->ExecuteQuery("qry_Add", {{"ID", "twelve"}, {"Name", "x"}});
              }).find("type Long"),
              std::string::npos);
    // A Long holds 32 bits: the limits pass, one beyond them is refused, not stored.
    EXPECT_EQ(db->ExecuteQuery("qry_Add", {{"ID", int64_t{INT32_MAX}}, {"Name", "max"}}), 1);
    EXPECT_EQ(db->ExecuteQuery("qry_Add", {{"ID", "-2147483648"}, {"Name", "min"}}), 1);
    for (Value beyond : {Value(int64_t{INT32_MAX} + 1), Value("-2147483649"), Value(4294967308.0)})
        EXPECT_NE(ErrorOf([&] {
                      db->ExecuteQuery("qry_Add", {{"ID", beyond}, {"Name", "x"}});
                  }).find("type Long"),
                  std::string::npos)
            << beyond.AsText();
    EXPECT_EQ(Count("TestStations"), 3);
    EXPECT_NE(ErrorOf([&] { db->ExecuteQuery("qry_Missing"); }).find("qry_Missing"), std::string::npos);
    EXPECT_THROW(db->SaveQuery({"qry_Bad", "", "SELECT * FROM NoSuchTable"}), DbError);
    EXPECT_FALSE(db->FindSavedQuery("qry_Bad"));
}

TEST_F(SchemaTest, SystemObjectsAreKeptOutOfTheTableList) {
    EXPECT_TRUE(IsSystemObject("MSysQueries"));
    EXPECT_TRUE(IsSystemObject("sqlite_sequence"));
    EXPECT_FALSE(IsSystemObject("__sys_DeviceTypes"));
    std::vector<std::string> tables = db->TableNames();
    EXPECT_EQ(std::count(tables.begin(), tables.end(), "MSysQueries"), 0);
    EXPECT_EQ(std::count(tables.begin(), tables.end(), "UUTFilter"), 1);
    std::vector<std::string> all = db->TableNames(true);
    EXPECT_EQ(std::count(all.begin(), all.end(), "MSysQueries"), 1);
}

TEST_F(SchemaTest, ASchemaIsNotCreatedTwice) {
    EXPECT_THROW(CreateInstrumentSchema(*db), DbError);
    EXPECT_EQ(db->SavedQueries().size(), InstrumentSavedQueries().size());
}

// The filter's DSG statement asks, inside "TestID IN (SELECT ... FROM UUTFilter ...)", a
// question about the outer row only; the engine must see it outside the subquery.
TEST_F(SchemaTest, OuterRowConditionsLeaveInSubqueries) {
    std::string sql = db->Translate(
        "SELECT DSGID FROM [__sys_Test_requires_DSG] AS DSG_1 WHERE TestPlanID IS NOT NULL AND TestID IN "
        "(Select ID "
        "from "
        "UUTFilter where Type = 1 AND DSGID NOT IN (Select DSGID from [__sys_Test_requires_DSG] where TestID "
        "= "
        "DSG_1.TestID AND OptGrpID IN (Select ID from UUTFilter where Type = 3)) AND UUTInstanceID = 4)");
    EXPECT_EQ(
        sql,
        "SELECT DSGID FROM [__sys_Test_requires_DSG] AS DSG_1 WHERE TestPlanID IS NOT NULL AND (DSGID NOT IN "
        "(Select DSGID from [__sys_Test_requires_DSG] where TestID = DSG_1.TestID AND OptGrpID IN (Select "
        "ID from UUTFilter where Type = 3))) AND TestID IN (Select ID from UUTFilter WHERE Type = 1 AND "
        "UUTInstanceID = 4 )");
}

TEST_F(SchemaTest, ConditionsThatMightUseTheSubquerysRowStay) {
    const std::vector<std::string> unchanged = {
        // the subquery's own column, directly or through its alias
        "SELECT 1 FROM UUTFilter AS f WHERE f.ID IN (SELECT TestID FROM __sys_Tests AS t WHERE t.Name = 'x')",
        // a nested SELECT that refers to the subquery's row
        "SELECT 1 FROM UUTFilter AS f WHERE f.ID IN (SELECT TestID FROM __sys_Tests AS t WHERE EXISTS "
        "(SELECT 1 FROM UUTFilter AS g WHERE g.ID = t.TestID))",
        // NOT IN, OR and functions change the logic or cannot be judged
        "SELECT 1 FROM UUTFilter AS f WHERE f.ID NOT IN (SELECT TestID FROM __sys_Tests WHERE f.Type = 1)",
        "SELECT 1 FROM UUTFilter AS f WHERE f.Type = 2 OR f.ID IN (SELECT TestID FROM __sys_Tests WHERE "
        "f.Type = 1)",
        "SELECT 1 FROM UUTFilter AS f WHERE f.ID IN (SELECT TestID FROM __sys_Tests WHERE abs(f.Type) = 1)",
        // the subquery's rowid; the IN as an operand; a subquery that is more than a filter
        "SELECT 1 FROM UUTFilter AS f WHERE f.ID IN (SELECT TestID FROM __sys_Tests WHERE rowid = 1)",
        "SELECT 1 FROM UUTFilter AS f WHERE f.ID IN (SELECT TestID FROM __sys_Tests WHERE f.Type = 1) = 0",
        "SELECT 1 FROM UUTFilter AS f WHERE f.ID IN (SELECT TestID FROM __sys_Tests WHERE f.Type = 1 LIMIT "
        "1)",
        "SELECT 1 FROM UUTFilter AS f WHERE f.ID IN (SELECT TestID FROM __sys_Tests WHERE f.Type = 1 ORDER "
        "BY "
        "Name)",
        "SELECT 1 FROM UUTFilter AS f WHERE f.ID IN (SELECT TestID FROM __sys_Tests WHERE f.Type = 1 GROUP "
        "BY "
        "TestID)",
        "SELECT 1 FROM UUTFilter AS f WHERE f.ID IN (SELECT TestID FROM __sys_Tests WHERE f.Type = 1 UNION "
        "SELECT 2)",
        // an IN in HAVING, and a positional parameter that moving would renumber
        "SELECT Type FROM UUTFilter AS f GROUP BY Type HAVING 1 AND f.Type IN (SELECT TestID FROM "
        "__sys_Tests "
        "WHERE f.Type = 1)",
        "SELECT 1 FROM UUTFilter AS f WHERE ? IN (SELECT TestID FROM __sys_Tests WHERE f.Type = ?)",
    };
    for (const std::string& sql : unchanged)
        EXPECT_EQ(db->Translate(sql), sql);
}

} // namespace
} // namespace corvid::operatordb::testing
