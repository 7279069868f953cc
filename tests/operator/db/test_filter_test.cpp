// The test selection filter on small hand-made plans: the edge cases of option
// groups, removed tests and DSGs, and the statements as they are issued.
#include "db_fixture.h"
#include "operatordb/db_error.h"
#include "operatordb/test_filter.h"

#include <set>
#include <tuple>

namespace corvid::operatordb::testing {
namespace {

constexpr int P = 1, V = 1, M = 10, U = 5;

class FilterTest : public SchemaTest {
protected:
    void Group(int group, const std::vector<std::pair<std::string, bool>>& members, int model = M) {
        db->Execute("INSERT OR IGNORE INTO __sys_TPUUT_OptionGroups (TestPlanID, OptGrpID) VALUES (:p, :g)",
                    {{"p", P}, {"g", group}});
        for (const auto& [option, forbidden] : members)
            db->Execute("INSERT INTO __sys_TPUUT_OptionGroup_has_Options VALUES (:p, :g, :m, :o, :f)",
                        {{"p", P}, {"g", group}, {"m", model}, {"o", option}, {"f", forbidden ? 1 : 0}});
    }
    void Test(int test, int order, int group, bool remove = false, int variant = V) {
        db->Execute(
            "INSERT INTO __sys_TestPlanVariant_has_Tests VALUES (:p, :v, :t, :o, :r, :g)",
            {{"p", P}, {"v", variant}, {"t", test}, {"o", order}, {"r", remove ? 1 : 0}, {"g", group}});
        db->Execute("INSERT OR IGNORE INTO __sys_Tests (TestPlanID, TestID, Name) VALUES (:p, :t, :n)",
                    {{"p", P}, {"t", test}, {"n", "Test " + std::to_string(test)}});
    }
    void Requires(int test, int dsg, int group, bool remove = false) {
        db->Execute("INSERT INTO __sys_Test_requires_DSG VALUES (:p, :t, :d, :r, :g)",
                    {{"p", P}, {"t", test}, {"d", dsg}, {"r", remove ? 1 : 0}, {"g", group}});
    }
    void Option(const std::string& code, int instance = U) {
        db->Execute("INSERT INTO DeviceInstance_has_Options VALUES (:i, :o, True)",
                    {{"i", instance}, {"o", code}});
    }
    bool Applies(int group, int instance = U) {
        return OptionGroupApplies(*db, std::to_string(P), std::to_string(group), std::to_string(M),
                                  std::to_string(instance));
    }

    // The selection's rows of one type: ID, or (ID, SeqNumber) pairs for tests.
    std::multiset<int64_t> Ids(int type, int instance = U, int variant = V) {
        std::multiset<int64_t> ids;
        for (Recordset r =
                 db->OpenRecordset("SELECT ID FROM UUTFilter WHERE TestPlanID = :p AND TestVariantID = :v "
                                   "AND UUTInstanceID = :u AND Type = :t",
                                   {{"p", P}, {"v", variant}, {"u", instance}, {"t", type}});
             !r.IsEOF(); r.MoveNext())
            ids.insert(r.GetValue(0).AsInteger());
        return ids;
    }
};

TEST_F(FilterTest, AnUnidentifiedUnitGetsGroupZeroItsTestsAndTheirDsgsOnly) {
    Group(1, {{"In-Built Option Group", false}}); // would apply to any identified unit
    Test(1, 10, 0);
    Test(2, 20, 0);
    Test(2, 20, 0, true); // removed in group 0
    Test(3, 30, 1);
    Requires(1, 100, 0);
    Requires(2, 200, 0);
    Requires(3, 300, 1);
    RebuildTestFilter(*db, P, V, M, 0);
    EXPECT_EQ(Count("UUTFilter",
                    "TestPlanID = 1 AND TestVariantID = 1 AND UUTInstanceID = 0 AND Type = 3 AND "
                    "ID = 0 AND SeqNumber = 0"),
              1);
    EXPECT_EQ(Ids(3, 0), (std::multiset<int64_t>{0}));
    EXPECT_EQ(Ids(1, 0), (std::multiset<int64_t>{1}));
    EXPECT_EQ(Ids(2, 0), (std::multiset<int64_t>{100}));
    EXPECT_EQ(Scalar("SELECT SeqNumber FROM UUTFilter WHERE Type = 1 AND ID = 1").AsInteger(), 10);
}

TEST_F(FilterTest, RequiredOptionsMustBePresentAndForbiddenOnesAbsent) {
    Option("OPT-A");
    Option("opt-b");
    Group(1, {{"OPT-A", false}, {"OPT-B", false}}); // both present (text compares without case)
    Group(2, {{"OPT-A", false}, {"OPT-C", false}}); // OPT-C missing
    Group(3, {{"OPT-C", true}});                    // forbidden and absent
    Group(4, {{"OPT-A", false}, {"OPT-B", true}});  // forbidden and present
    EXPECT_TRUE(Applies(1));
    EXPECT_FALSE(Applies(2));
    EXPECT_TRUE(Applies(3));
    EXPECT_FALSE(Applies(4));
    RebuildTestFilter(*db, P, V, M, U);
    EXPECT_EQ(Ids(3), (std::multiset<int64_t>{0, 1, 3}));
}

TEST_F(FilterTest, AnInBuiltMemberEndsTheCheckWithTheGroupApplying) {
    Group(1, {{"In-Built Option Group", false}});
    Group(2, {{"In-Built Option Group", false}, {"OPT-MISSING", false}});
    Group(3, {{"OPT-MISSING", false}, {"In-Built Option Group", false}});
    Group(4, {{"in-built option group", false}}); // not the exact text: an option like any other
    EXPECT_TRUE(Applies(1));
    EXPECT_TRUE(Applies(2));
    EXPECT_FALSE(Applies(3));
    EXPECT_FALSE(Applies(4));
}

TEST_F(FilterTest, AGroupWithoutMembersForTheUnitsModelNeverApplies) {
    Option("OPT-A");
    Group(1, {{"OPT-A", false}}, M + 1);
    Group(2, {});
    EXPECT_FALSE(Applies(1));
    EXPECT_FALSE(Applies(2));
}

TEST_F(FilterTest, AnOptionCodeWithAnApostropheIsSearchedForLikeAnyOther) {
    Option("OPT'X");
    Group(1, {{"OPT'X", false}});
    Group(2, {{"OPT'X", true}});
    EXPECT_TRUE(Applies(1));
    EXPECT_FALSE(Applies(2));
}

TEST_F(FilterTest, TestsRemovedInAnApplicableGroupAreGoneEvenWhereAnotherAddedThem) {
    Option("OPT-A");
    Group(1, {{"OPT-A", false}});
    Group(2, {{"OPT-Z", false}}); // does not apply
    Test(1, 10, 0);
    Test(2, 20, 0);
    Test(3, 30, 1);
    Test(1, 10, 1, true); // group 1 removes test 1
    Test(2, 20, 2, true); // group 2 would remove test 2
    Requires(1, 100, 0);
    Requires(2, 200, 0);
    RebuildTestFilter(*db, P, V, M, U);
    EXPECT_EQ(Ids(1), (std::multiset<int64_t>{2, 3}));
    EXPECT_EQ(Ids(2), (std::multiset<int64_t>{200})) << "a removed test's DSGs are not needed";
}

TEST_F(FilterTest, ADsgRemovedForOneTestStaysOnceWhenAnotherStillNeedsIt) {
    Option("OPT-A");
    Group(1, {{"OPT-A", false}});
    Group(2, {{"OPT-Z", false}});
    Test(1, 10, 0);
    Test(2, 20, 0);
    Requires(1, 100, 0);
    Requires(1, 100, 1, true); // removed for test 1 by an applicable group
    Requires(2, 100, 0);
    Requires(1, 101, 0);
    Requires(1, 101, 1, true); // removed, and no other test needs it
    Requires(1, 102, 0);
    Requires(1, 102, 2, true); // removal in a group that does not apply
    Requires(2, 103, 2);       // needed only in a group that does not apply
    RebuildTestFilter(*db, P, V, M, U);
    EXPECT_EQ(Ids(2), (std::multiset<int64_t>{100, 102}));
}

TEST_F(FilterTest, ARebuildReplacesOnlyItsOwnSelection) {
    Test(1, 10, 0);
    Test(2, 20, 0, false, 2);
    RebuildTestFilter(*db, P, 2, M, U);
    RebuildTestFilter(*db, P, V, M, U + 1);
    db->Execute("DELETE FROM __sys_TestPlanVariant_has_Tests WHERE TestID = 1");
    RebuildTestFilter(*db, P, V, M, U);
    RebuildTestFilter(*db, P, V, M, U); // twice: still one set of rows
    EXPECT_EQ(Ids(1), (std::multiset<int64_t>{}));
    EXPECT_EQ(Ids(3), (std::multiset<int64_t>{0}));
    EXPECT_EQ(Ids(1, U + 1), (std::multiset<int64_t>{1}));
    EXPECT_EQ(Ids(1, U, 2), (std::multiset<int64_t>{2}));
}

TEST_F(FilterTest, AFailingStepLeavesThePreviousRowsInPlace) {
    Test(1, 10, 0);
    Requires(1, 100, 0);
    RebuildTestFilter(*db, P, V, M, U);
    db->Execute("DROP TABLE __sys_Test_requires_DSG");
    Test(2, 20, 0);
    EXPECT_THROW(RebuildTestFilter(*db, P, V, M, U), DbError);
    EXPECT_EQ(Ids(1), (std::multiset<int64_t>{1}));
    EXPECT_EQ(Ids(2), (std::multiset<int64_t>{100}));
}

TEST_F(FilterTest, TheStatementsAreIssuedAsWritten) {
    Option("OPT-A");
    Group(7, {{"OPT-A", false}});
    std::vector<std::string> issued;
    db->SetStatementObserver([&](const std::string& sql) { issued.push_back(sql); });
    RebuildTestFilter(*db, 1, 2, 10, 5);
    db->SetStatementObserver({});
    const std::vector<std::string> expected = {
        "Delete * from UUTFilter where TestPlanID =1 AND TestVariantID = 2 AND UUTInstanceID = 5",
        "Insert into UUTFilter (TestPlanID, TestVariantID, UUTInstanceID, Type, ID, SeqNumber) values "
        "(1,2,5,3,0,0)",
        "Select * from [__sys_TPUUT_OptionGroups] where TestPlanID = 1",
        "SELECT * FROM [__sys_TPUUT_OptionGroup_has_Options] where OptGrpID = 7 AND DeviceTypeID = 10 AND "
        "TestPlanID = 1",
        "SELECT * FROM [DeviceInstance_has_Options] where InstanceID  = 5",
        "Insert into UUTFilter (TestPlanID, TestVariantID, UUTInstanceID, Type, ID) values (1,2,5,3,7)",
        "Insert into  UUTFilter (TestPlanID, TestVariantID, UUTInstanceID, Type, ID, SeqNumber) Select "
        "DISTINCT "
        "TestPlanID, TestPlanVariantID,5, 1, TestID, TestSequenceOrder from "
        "[__sys_TestPlanVariant_has_Tests] where "
        "RemoveTest = False AND TestPlanID = 1 AND TestPlanVariantID = 2 AND OptGrpID IN (Select ID from "
        "UUTFilter "
        "where Type = 3 AND TestPlanID = 1 AND TestVariantID = 2 AND UUTInstanceID = 5) Order by "
        "TestSequenceOrder;",
        "Delete * from UUTFilter where Type = 1 AND TestPlanID =1 AND TestVariantID = 2 AND UUTInstanceID = "
        "5 AND ID "
        "IN (Select TestID from [__sys_TestPlanVariant_has_Tests] where RemoveTest = True AND TestPlanID = 1 "
        "AND "
        "TestPlanVariantID = 2 AND OptGrpID IN (Select ID from UUTFilter where Type = 3 AND TestPlanID = 1 "
        "AND "
        "TestVariantID = 2 AND UUTInstanceID = 5))",
        "Insert into  UUTFilter (TestPlanID, TestVariantID, UUTInstanceID, Type, ID, SeqNumber) Select "
        "DISTINCT "
        "TestPlanID,2,5, 2, DSGID, 0  from [__sys_Test_requires_DSG] AS DSG_1 where RemoveDSG = False AND "
        "TestPlanID = 1 AND OptGrpID IN (Select ID from UUTFilter where Type = 3 AND TestPlanID = 1 AND "
        "TestVariantID = 2 AND UUTInstanceID = 5)  AND TestID IN (Select ID from UUTFilter where Type = 1 "
        "AND "
        "TestPlanID = 1 AND DSGID NOT IN (Select DSGID from [__sys_Test_requires_DSG] where RemoveDSG = True "
        "AND "
        "TestPlanID = DSG_1.TestPlanID  AND TestID = DSG_1.TestID AND OptGrpID  IN (Select ID from UUTFilter "
        "where "
        "Type = 3 AND TestPlanID = 1 AND TestVariantID = 2 AND UUTInstanceID = 5) )  AND TestVariantID = 2 "
        "AND "
        "UUTInstanceID = 5); ",
    };
    EXPECT_EQ(issued, expected);
}

TEST_F(FilterTest, TestsOfSelectionListsTheNamesInSequenceOrder) {
    Test(3, 5, 0);
    Test(1, 10, 0);
    Test(2, 20, 0);
    RebuildTestFilter(*db, P, V, M, U);
    std::vector<std::string> names = {"stale"};
    TestsOfSelection(*db, P, V, U, names);
    EXPECT_EQ(names, (std::vector<std::string>{"Test 3", "Test 1", "Test 2"}));
    TestsOfSelection(*db, P, V, U + 1, names);
    EXPECT_TRUE(names.empty());
}

TEST_F(FilterTest, InstanceOptionsTextJoinsTheCodes) {
    EXPECT_EQ(InstanceOptionsText(*db, U), "");
    Option("OPT-A");
    Option("OPT-B");
    Option("OPT-C", U + 1);
    EXPECT_EQ(InstanceOptionsText(*db, U), "OPT-A; OPT-B");
    db->Execute("DROP TABLE DeviceInstance_has_Options");
    EXPECT_EQ(InstanceOptionsText(*db, U), "") << "a database error gives the text built so far";
}

} // namespace
} // namespace corvid::operatordb::testing
