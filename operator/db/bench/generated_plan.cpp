#include "generated_plan.h"

#include <cstdio>

namespace corvid::operatordb::bench {
namespace {

// A small fixed generator, so that every run builds the same plan for a seed.
class Random {
public:
    explicit Random(uint32_t seed) : state_(seed * 2654435761u + 1) {}
    uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }
    bool Percent(int p) { return Below(100) < p; }

private:
    uint32_t state_;
};

std::string OptionName(int n) {
    char name[16];
    std::snprintf(name, sizeof name, "OPT-%02d", n);
    return name;
}

void Write(Database& db, const std::string& sql, Parameters params) {
    db.Execute(sql, params);
}

void BuildGroups(GeneratedPlan& plan, const PlanSize& size, Random& random) {
    for (int i = 0; i < size.uutOptions; ++i)
        plan.uutOptions.push_back(OptionName(i));
    for (int g = 1; g <= size.optionGroups; ++g) {
        plan.groups.push_back(g);
        if (g % 10 == 0)
            continue; // no members for the model: never applies
        if (g % 13 == 0) {
            plan.members.push_back({g, "In-Built Option Group", false});
            continue;
        }
        int count = 1 + random.Below(3);
        for (int m = 0; m < count; ++m) {
            // Mostly options the unit has (required) or lacks (forbidden), so that
            // about half the groups apply.
            bool forbidden = random.Percent(30);
            int option = forbidden ? size.uutOptions + random.Below(10) : random.Below(size.uutOptions + 3);
            plan.members.push_back({g, OptionName(option), forbidden});
        }
    }
}

void BuildTests(GeneratedPlan& plan, const PlanSize& size, Random& random) {
    for (int t = 1; t <= size.tests; ++t) {
        int group = random.Percent(40) ? 0 : 1 + random.Below(size.optionGroups);
        plan.tests.push_back({t, t * 10, group, false});
        if (random.Percent(5))
            plan.tests.push_back({t, t * 10, 1 + random.Below(size.optionGroups), true});
        int needs = 1 + random.Below(4);
        for (int d = 0; d < needs; ++d) {
            int dsg = 1 + random.Below(size.dsgs);
            plan.requirements.push_back({t, dsg, random.Percent(50) ? 0 : group, false});
            if (random.Percent(8))
                plan.requirements.push_back({t, dsg, 1 + random.Below(size.optionGroups), true});
        }
    }
}

} // namespace

GeneratedPlan GeneratePlan(Database& db, const PlanSize& size) {
    GeneratedPlan plan;
    Random random(size.seed);
    BuildGroups(plan, size, random);
    BuildTests(plan, size, random);

    Transaction transaction(db);
    const int32_t P = GeneratedPlan::kPlan, V = GeneratedPlan::kVariant;
    for (int32_t g : plan.groups)
        Write(db, "INSERT INTO __sys_TPUUT_OptionGroups (TestPlanID, OptGrpID) VALUES (:p, :g)",
              {{"p", P}, {"g", g}});
    for (const auto& m : plan.members)
        Write(
            db,
            "INSERT INTO __sys_TPUUT_OptionGroup_has_Options (TestPlanID, OptGrpID, DeviceTypeID, [Option], "
            "OptionForbidden) VALUES (:p, :g, :m, :o, :f)",
            {{"p", P},
             {"g", m.group},
             {"m", GeneratedPlan::kModel},
             {"o", m.option},
             {"f", m.forbidden ? 1 : 0}});
    for (const std::string& option : plan.uutOptions)
        Write(db,
              "INSERT INTO DeviceInstance_has_Options (InstanceID, DeviceOptionID, Undetectable) VALUES (:i, "
              ":o, True)",
              {{"i", GeneratedPlan::kInstance}, {"o", option}});
    for (const auto& t : plan.tests)
        Write(db,
              "INSERT INTO __sys_TestPlanVariant_has_Tests (TestPlanID, TestPlanVariantID, TestID, "
              "TestSequenceOrder, "
              "RemoveTest, OptGrpID) VALUES (:p, :v, :t, :o, :r, :g)",
              {{"p", P}, {"v", V}, {"t", t.test}, {"o", t.order}, {"r", t.remove ? 1 : 0}, {"g", t.group}});
    for (const auto& r : plan.requirements)
        Write(db,
              "INSERT INTO __sys_Test_requires_DSG (TestPlanID, TestID, DSGID, RemoveDSG, OptGrpID) "
              "VALUES (:p, :t, :d, :r, :g)",
              {{"p", P}, {"t", r.test}, {"d", r.dsg}, {"r", r.remove ? 1 : 0}, {"g", r.group}});
    for (int d = 1; d <= size.dsgs; ++d)
        Write(db, "INSERT INTO __sys_DSGs (TestPlanID, DSGID, Name) VALUES (:p, :d, :n)",
              {{"p", P}, {"d", d}, {"n", "DSG " + std::to_string(d)}});
    for (int t = 1; t <= size.tests; ++t)
        Write(db, "INSERT INTO __sys_Tests (TestPlanID, TestID, Name) VALUES (:p, :t, :n)",
              {{"p", P}, {"t", t}, {"n", "Test " + std::to_string(t)}});
    transaction.Commit();
    return plan;
}

} // namespace corvid::operatordb::bench
