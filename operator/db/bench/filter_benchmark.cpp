// Prints what rebuilding the test selection filter costs on generated plans of 500,
// 1,000 and 2,000 tests (300 DSGs, 40 option groups, a unit with 20 options), in a
// database file on disk. --no-indexes drops the filter's indexes first, to show what
// they are worth (slow: the 500-test plan only, unless --all). --start-checks times what
// the Run page checks when Start is pressed: the rebuild, the required-equipment check
// (no DSG assigned: the longest text) and the list of tests to run, together. --server URI
// measures on a PostgreSQL server instead: each plan in a new database named after URI's
// with "_planN_PID" added (left for inspection; drop them afterwards).
#include "generated_plan.h"
#include "operatordb/equipment_item.h"
#include "operatordb/schema.h"
#include "operatordb/test_filter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

using namespace corvid::operatordb;
using Clock = std::chrono::steady_clock;

namespace {

struct Options {
    std::string server; // a server URI: each plan goes into a new database named after it
    bool noIndexes = false;
    bool all = false;
    bool startChecks = false;
    int repeat = 20;
};

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

long Count(Database& db, int type) {
    Recordset rows = db.OpenRecordset("SELECT count(*) FROM UUTFilter WHERE Type = :t", {{"t", type}});
    return static_cast<long>(rows.GetValue(0).AsInteger());
}

// The URI with "_SUFFIX" added to the name of its database.
std::string ServerDatabase(const std::string& uri, const std::string& suffix) {
    size_t query = std::min(uri.find('?'), uri.size());
    return uri.substr(0, query) + "_" + suffix + uri.substr(query);
}

void Measure(const std::filesystem::path& dir, int tests, const Options& options) {
    std::filesystem::path file =
        options.server.empty()
            ? dir / ("plan" + std::to_string(tests) + ".db")
            : std::filesystem::path(ServerDatabase(options.server, "plan" + std::to_string(tests) + "_" +
                                                                       std::to_string(getpid())));
    Database db(file, FileMode::CreateIfMissing);
    CreateInstrumentSchema(db);
    bench::PlanSize size;
    size.tests = tests;
    bench::GeneratePlan(db, size);
    if (db.IsServer()) {
        db.ExecuteNative("ANALYZE"); // as the server's autovacuum does soon after a load
    }
    if (options.noIndexes)
        for (const std::string& index : TestFilterIndexNames())
            db.ExecuteNative("DROP INDEX " + index);
    using P = bench::GeneratedPlan;
    int repeat = options.noIndexes ? 1 : options.repeat;
    std::vector<double> times;
    for (int i = 0; i < repeat; ++i) {
        Clock::time_point start = Clock::now();
        RebuildTestFilter(db, P::kPlan, P::kVariant, P::kModel, P::kInstance);
        if (options.startChecks) {
            std::string missing;
            std::vector<std::string> names;
            CheckRequiredEquipment(db, 1, P::kPlan, P::kVariant, P::kInstance, missing);
            TestsOfSelection(db, P::kPlan, P::kVariant, P::kInstance, names);
        }
        times.push_back(Milliseconds(Clock::now() - start));
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "%6d tests%s: best %8.2f ms  median %8.2f ms  worst %8.2f ms  (%ld groups, %ld tests, %ld DSGs "
        "selected; %d runs)\n",
        tests,
        options.noIndexes     ? " without indexes"
        : options.startChecks ? " (start checks)"
                              : "",
        times.front(), times[times.size() / 2], times.back(), Count(db, 3), Count(db, 1), Count(db, 2),
        repeat);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--no-indexes")
            options.noIndexes = true;
        else if (arg == "--all")
            options.all = true;
        else if (arg == "--start-checks")
            options.startChecks = true;
        else if (arg == "--repeat" && i + 1 < argc)
            options.repeat = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--server" && i + 1 < argc) {
            options.server = argv[++i];
        } else {
            std::fprintf(stderr,
                         "usage: %s [--no-indexes [--all]] [--start-checks] [--repeat N] [--server URI]\n",
                         argv[0]);
            return 2;
        }
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "filterbench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    std::filesystem::path dir = pattern;
    std::printf("RebuildTestFilter: 300 DSGs, 40 option groups, a unit with 20 options\n");
    int status = 0;
    try {
        for (int tests : {500, 1000, 2000}) {
            if (options.noIndexes && !options.all && tests > 500)
                break;
            Measure(dir, tests, options);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "error: %s\n", e.what());
        status = 1;
    }
    std::filesystem::remove_all(dir);
    return status;
}
