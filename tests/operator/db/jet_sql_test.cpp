// Jet SQL as the operator interface writes it, and what SQLite is given instead.
#include "operatordb/db_error.h"
#include "operatordb/jet_sql.h"

#include <gtest/gtest.h>
#include <map>

namespace corvid::operatordb {
namespace {

TEST(JetSql, DeleteStarFromLosesTheStar) {
    EXPECT_EQ(TranslateJetSql("Delete * from UUTFilter where TestPlanID =1"),
              "Delete  from UUTFilter where TestPlanID =1");
    EXPECT_EQ(TranslateJetSql("DELETE T.* FROM T WHERE x = 1"), "DELETE  FROM T WHERE x = 1");
    EXPECT_EQ(TranslateJetSql("delete from T"), "delete from T");
    // A product, not a delete list.
    EXPECT_EQ(TranslateJetSql("SELECT a * b FROM T"), "SELECT a * b FROM T");
}

TEST(JetSql, ComparisonsWithTrueAndFalseTestForNonZeroAndZero) {
    EXPECT_EQ(TranslateJetSql("where RemoveTest = False AND x"), "where RemoveTest = 0 AND x");
    EXPECT_EQ(TranslateJetSql("where RemoveTest = True"), "where RemoveTest <> 0");
    EXPECT_EQ(TranslateJetSql("where RemoveTest <> True"), "where RemoveTest = 0");
    EXPECT_EQ(TranslateJetSql("where RemoveTest <> false"), "where RemoveTest <> 0");
    EXPECT_EQ(TranslateJetSql("where True = RemoveTest"), "where 0 <> RemoveTest");
}

TEST(JetSql, TrueAndFalseAsValuesAreOneAndZero) {
    EXPECT_EQ(TranslateJetSql("values (1, True, FALSE)"), "values (1, 1, 0)");
    EXPECT_EQ(TranslateJetSql("UPDATE T SET Flag = True WHERE Other = True"),
              "UPDATE T SET Flag = 1 WHERE Other <> 0");
    EXPECT_EQ(TranslateJetSql("where x IS TRUE"), "where x IS TRUE");
}

TEST(JetSql, NamesAndTextsThatReadTrueAreLeftAlone) {
    EXPECT_EQ(TranslateJetSql("select [True], t.True, 'True = 1' from t"),
              "select [True], t.True, 'True = 1' from t");
}

TEST(JetSql, DoubleQuotedTextIsAString) {
    EXPECT_EQ(TranslateJetSql(R"(where Name = "Lab ""A"" it's")"), R"(where Name = 'Lab "A" it''s')");
    EXPECT_EQ(TranslateJetSql(R"(where Name like "Lab*")"), "where Name like 'Lab%'");
}

TEST(JetSql, AmpersandConcatenatesAndLikeUsesJetWildcards) {
    EXPECT_EQ(TranslateJetSql("select a & 'x' from t where b like 'VC*-?2?0'"),
              "select a || 'x' from t where b like 'VC%-_2_0'");
}

TEST(JetSql, BracketsParametersAndCommentsPassThrough) {
    const char* sql = "Select * from [__sys_TPUUT_OptionGroups] where TestPlanID = :TestPlan_ID -- note\n";
    EXPECT_EQ(TranslateJetSql(sql), sql);
}

class SavedQueries : public ::testing::Test {
protected:
    std::map<std::string, std::string> saved = {{"qry_a", "SELECT x FROM t WHERE y = True;"},
                                                {"qry_b", "SELECT * FROM qry_a"},
                                                {"loop1", "SELECT * FROM loop2"},
                                                {"loop2", "SELECT * FROM [loop1]"}};
    SavedQueryLookup lookup = [this](const std::string& name) -> std::optional<std::string> {
        auto it = saved.find(name);
        return it == saved.end() ? std::nullopt : std::optional<std::string>(it->second);
    };
};

TEST_F(SavedQueries, AQueryNamedWhereATableBelongsBecomesItsSql) {
    EXPECT_EQ(TranslateJetSql("SELECT * FROM [qry_a] WHERE x > 1", lookup),
              "SELECT * FROM (SELECT x FROM t WHERE y <> 0) AS [qry_a] WHERE x > 1");
    EXPECT_EQ(TranslateJetSql("SELECT q.x FROM t, qry_a AS q", lookup),
              "SELECT q.x FROM t, (SELECT x FROM t WHERE y <> 0) AS q");
    EXPECT_EQ(TranslateJetSql("SELECT * FROM t INNER JOIN qry_a q ON q.x = t.x", lookup),
              "SELECT * FROM t INNER JOIN (SELECT x FROM t WHERE y <> 0) q ON q.x = t.x");
    EXPECT_EQ(TranslateJetSql("SELECT * FROM (SELECT qry_a FROM qry_a)", lookup),
              "SELECT * FROM (SELECT qry_a FROM (SELECT x FROM t WHERE y <> 0) AS [qry_a])");
    // Only where a table belongs: a column of that name stays a column.
    EXPECT_EQ(TranslateJetSql("SELECT qry_a FROM t WHERE qry_a = 1", lookup),
              "SELECT qry_a FROM t WHERE qry_a = 1");
}

TEST_F(SavedQueries, QueriesOnQueriesExpandInTurnAndCirclesAreRefused) {
    EXPECT_EQ(TranslateJetSql("SELECT * FROM qry_b", lookup),
              "SELECT * FROM (SELECT * FROM (SELECT x FROM t WHERE y <> 0) AS [qry_a]) AS [qry_b]");
    try {
        TranslateJetSql("SELECT * FROM loop1", lookup);
        FAIL() << "a circle of saved queries was accepted";
    } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("Circular reference"), std::string::npos) << e.what();
    }
}

} // namespace
} // namespace corvid::operatordb
