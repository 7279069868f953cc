// The filter on generated plans, checked against the selection rules worked out here
// from the rows themselves.
#include "db_fixture.h"
#include "generated_plan.h"
#include "operatordb/test_filter.h"

#include <set>

namespace corvid::operatordb::testing {
namespace {

using bench::GeneratedPlan;
using bench::PlanSize;

struct Expected {
    std::set<int64_t> groups;
    std::multiset<std::pair<int64_t, int64_t>> tests; // (TestID, SeqNumber)
    std::set<int64_t> dsgs;
};

bool GroupApplies(const GeneratedPlan& plan, int32_t group) {
    bool any = false;
    for (const auto& member : plan.members) {
        if (member.group != group)
            continue;
        any = true;
        if (member.option == "In-Built Option Group")
            return true;
        bool present = false;
        for (const std::string& option : plan.uutOptions)
            present = present || option == member.option;
        if (present == member.forbidden)
            return false;
    }
    return any;
}

Expected Work(const GeneratedPlan& plan, bool identified) {
    Expected e;
    e.groups.insert(0);
    if (identified)
        for (int32_t g : plan.groups)
            if (GroupApplies(plan, g))
                e.groups.insert(g);
    std::set<int64_t> removedTests;
    std::set<std::pair<int64_t, int64_t>> added;
    for (const auto& t : plan.tests) {
        if (!e.groups.count(t.group))
            continue;
        if (t.remove)
            removedTests.insert(t.test);
        else
            added.insert({t.test, t.order});
    }
    std::set<int64_t> running;
    for (const auto& [test, order] : added)
        if (!removedTests.count(test)) {
            e.tests.insert({test, order});
            running.insert(test);
        }
    std::set<std::pair<int64_t, int64_t>> removedDsgs;
    for (const auto& r : plan.requirements)
        if (r.remove && e.groups.count(r.group))
            removedDsgs.insert({r.test, r.dsg});
    for (const auto& r : plan.requirements)
        if (!r.remove && e.groups.count(r.group) && running.count(r.test) &&
            !removedDsgs.count({r.test, r.dsg}))
            e.dsgs.insert(r.dsg);
    return e;
}

Expected Read(Database& db, int32_t instance) {
    Expected e;
    Recordset rows = db.OpenRecordset("SELECT Type, ID, SeqNumber FROM UUTFilter WHERE TestPlanID = 1 AND "
                                      "TestVariantID = 1 AND UUTInstanceID = :u",
                                      {{"u", instance}});
    for (; !rows.IsEOF(); rows.MoveNext()) {
        int64_t type = rows.GetValue(0).AsInteger(), id = rows.GetValue(1).AsInteger();
        if (type == 3) {
            EXPECT_TRUE(e.groups.insert(id).second) << "group " << id << " twice";
        } else if (type == 1) {
            e.tests.insert({id, rows.GetValue(2).AsInteger()});
        } else if (type == 2) {
            EXPECT_TRUE(e.dsgs.insert(id).second) << "DSG " << id << " twice";
        }
    }
    return e;
}

class CrossCheck : public SchemaTest, public ::testing::WithParamInterface<PlanSize> {};

TEST_P(CrossCheck, TheFilterSelectsWhatTheRulesSay) {
    GeneratedPlan plan = bench::GeneratePlan(*db, GetParam());
    for (int32_t instance : {GeneratedPlan::kInstance, 0}) {
        RebuildTestFilter(*db, GeneratedPlan::kPlan, GeneratedPlan::kVariant, GeneratedPlan::kModel,
                          instance);
        Expected expected = Work(plan, instance > 0);
        Expected actual = Read(*db, instance);
        EXPECT_EQ(actual.groups, expected.groups) << "instance " << instance;
        EXPECT_EQ(actual.tests, expected.tests) << "instance " << instance;
        EXPECT_EQ(actual.dsgs, expected.dsgs) << "instance " << instance;
        EXPECT_GT(expected.dsgs.size(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(GeneratedPlans, CrossCheck,
                         ::testing::Values(PlanSize{60, 15, 8, 5, 1}, PlanSize{150, 40, 12, 8, 2},
                                           PlanSize{150, 40, 12, 8, 3}, PlanSize{500, 300, 40, 20, 4}));

} // namespace
} // namespace corvid::operatordb::testing
