// A generated test plan of a given size, for measuring and cross-checking the test
// selection filter. The rows are kept as well as written, so that a check can work out
// the expected filter on its own.
#pragma once

#include "operatordb/database.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvid::operatordb::bench {

struct PlanSize {
    int tests = 500;
    int dsgs = 300;
    int optionGroups = 40;
    int uutOptions = 20;
    uint32_t seed = 1;
};

struct GeneratedPlan {
    static constexpr int32_t kPlan = 1;
    static constexpr int32_t kVariant = 1;
    static constexpr int32_t kModel = 100;
    static constexpr int32_t kInstance = 1000;

    struct Member {
        int32_t group;
        std::string option;
        bool forbidden;
    };
    struct TestRow {
        int32_t test, order, group;
        bool remove;
    };
    struct DsgRow {
        int32_t test, dsg, group;
        bool remove;
    };

    std::vector<int32_t> groups;         // __sys_TPUUT_OptionGroups
    std::vector<Member> members;         // __sys_TPUUT_OptionGroup_has_Options (model kModel)
    std::vector<std::string> uutOptions; // DeviceInstance_has_Options of kInstance
    std::vector<TestRow> tests;          // __sys_TestPlanVariant_has_Tests (plan, variant)
    std::vector<DsgRow> requirements;    // __sys_Test_requires_DSG
};

// Writes the plan into a database that has the schema (one transaction).
GeneratedPlan GeneratePlan(Database& db, const PlanSize& size);

} // namespace corvid::operatordb::bench
