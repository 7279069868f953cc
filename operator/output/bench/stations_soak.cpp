// Several stations at once on one shared instrument database and one shared results
// database, on SQLite files and on a PostgreSQL server:
//
//   stations_soak_benchmark [--stations N (8)] [--tests N (200)] [--engine sqlite|postgres|both]
//                           [--server URI]
//
// Each station is a process of its own: it adds its station row and assignments to the
// instrument database, rebuilds the test filter of the generated 500-test plan for its
// unit, and stores N test results through the results database output (each test's
// rows in one transaction), timing every store. The stations start together once all
// are set up. Afterwards the rows of the results database are counted against what the
// stations stored. Without --server a throw-away server is started (scripts/pg-test-server)
// and stopped at the end; scratch databases on the server are dropped at the end.
//
// Prints the figures; the exit status is 1 when an operation failed or a row was lost or
// duplicated, 2 for bad arguments.
#include "operatordb/database.h"
#include "operatoroutput/results_schema.h"
#include "pg_test_server.h"
#include "register_module.h"
#include "soak_station.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace corvid;
using namespace corvid::operatoroutput::soak;
using Clock = std::chrono::steady_clock;

struct Options {
    int stations = 8;
    int tests = 200;
    bool sqlite = true;
    bool postgres = true;
    std::string server;
};

std::optional<Options> Parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!value) {
            return std::nullopt;
        }
        ++i;
        if (arg == "--stations") {
            options.stations = std::atoi(value);
        } else if (arg == "--tests") {
            options.tests = std::atoi(value);
        } else if (arg == "--server") {
            options.server = value;
        } else if (arg == "--engine" && std::string(value) == "sqlite") {
            options.postgres = false;
        } else if (arg == "--engine" && std::string(value) == "postgres") {
            options.sqlite = false;
        } else if (!(arg == "--engine" && std::string(value) == "both")) {
            return std::nullopt;
        }
    }
    if (options.stations < 1 || options.tests < 1) {
        return std::nullopt;
    }
    return options;
}

// The stations wait at the gate once set up; the parent opens it when all are waiting.
class StartGate {
public:
    StartGate() {
        if (::pipe(ready_) != 0 || ::pipe(go_) != 0) {
            throw std::runtime_error("cannot create the start pipes");
        }
    }
    ~StartGate() {
        for (int fd : {ready_[0], ready_[1], go_[0], go_[1]}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    StartGate(const StartGate&) = delete;
    StartGate& operator=(const StartGate&) = delete;

    // In a station: says it is ready and waits until the gate opens (the pipe's end).
    void Wait() {
        Close(go_[1]); // the gate opens when the parent's end is the last one closed
        char byte = 1;
        if (::write(ready_[1], &byte, 1) != 1) {
            std::perror("start gate");
        }
        while (::read(go_[0], &byte, 1) > 0) {
        }
    }
    void StationStarted() { Close(go_[1]); }
    // In the parent, after the last station is started: waits until every station is ready
    // (or has ended), then opens the gate.
    void Open(int stations) {
        Close(ready_[1]);
        Close(go_[0]);
        char byte;
        for (int ready = 0; ready < stations && ::read(ready_[0], &byte, 1) == 1; ++ready) {
        }
        Close(go_[1]);
    }

private:
    static void Close(int& fd) {
        if (fd >= 0) {
            ::close(fd);
        }
        fd = -1;
    }
    int ready_[2] = {-1, -1};
    int go_[2] = {-1, -1};
};

struct Figures {
    std::vector<StationReport> stations;
    int64_t failed = 0; // operations, and stations that ended abnormally
    int64_t storedTests = 0, storedEquipment = 0, storedRuns = 0;
    ResultRows rows;
    double wallSeconds = 0;
    double idleRebuildMs = 0;
    std::vector<double> latencies; // sorted

    int64_t Lost() const {
        return (storedTests - (rows.tests - rows.duplicate)) +
               std::max<int64_t>(0, storedEquipment - rows.equipment) +
               std::max<int64_t>(0, storedRuns - rows.runs) + std::max<int64_t>(0, storedRuns - rows.details);
    }
    int64_t Duplicated() const {
        return rows.duplicate + std::max<int64_t>(0, rows.equipment - storedEquipment) +
               std::max<int64_t>(0, rows.runs - storedRuns) + std::max<int64_t>(0, rows.details - storedRuns);
    }
    double Percentile(double p) const {
        if (latencies.empty()) {
            return 0;
        }
        size_t rank = static_cast<size_t>(std::ceil(p * static_cast<double>(latencies.size())));
        return latencies[std::clamp<size_t>(rank, 1, latencies.size()) - 1];
    }
    double StationsRebuildMs() const {
        std::vector<double> times;
        for (const StationReport& station : stations) {
            times.push_back(station.rebuildMs);
        }
        std::sort(times.begin(), times.end());
        return times.empty() ? 0 : times[times.size() / 2];
    }
};

// Starts the stations as child processes, opens the gate and waits for all of them.
void RunStations(const SharedDatabases& databases, const fs::path& dir, const Options& options,
                 Figures& figures) {
    StartGate gate;
    std::vector<pid_t> children;
    for (int station = 1; station <= options.stations; ++station) {
        std::fflush(nullptr);
        pid_t pid = ::fork();
        if (pid == 0) {
            StationReport report = RunStation(databases, station, options.tests, [&] { gate.Wait(); });
            WriteReport(report, dir / ("station-" + std::to_string(station) + ".txt"));
            std::fflush(nullptr);
            ::_exit(0);
        }
        if (pid < 0) {
            std::perror("fork");
            ++figures.failed;
            break;
        }
        children.push_back(pid);
    }
    gate.StationStarted();
    gate.Open(static_cast<int>(children.size()));
    Clock::time_point start = Clock::now();
    for (pid_t child : children) {
        int status = 0;
        if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            ++figures.failed;
        }
    }
    figures.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    for (size_t i = 1; i <= children.size(); ++i) {
        StationReport report = ReadReport(dir / ("station-" + std::to_string(i) + ".txt"));
        figures.failed += report.failed;
        figures.storedTests += report.tests;
        figures.storedEquipment += report.equipment;
        figures.storedRuns += report.runs;
        figures.latencies.insert(figures.latencies.end(), report.storeMs.begin(), report.storeMs.end());
        figures.stations.push_back(std::move(report));
    }
    std::sort(figures.latencies.begin(), figures.latencies.end());
}

// Prepares the shared databases, runs the stations and counts the rows they left.
Figures Soak(const SharedDatabases& databases, const fs::path& dir, const Options& options) {
    Figures figures;
    fs::create_directories(dir);
    {
        operatordb::Database instrument(databases.instrument, operatordb::FileMode::CreateIfMissing);
        PrepareInstrumentDatabase(instrument);
        figures.idleRebuildMs = IdleRebuildMilliseconds(instrument, 5);
        operatordb::Database results(databases.results, operatordb::FileMode::CreateIfMissing);
        operatoroutput::CreateResultsSchema(results);
    }
    RunStations(databases, dir, options, figures);
    operatordb::Database results(databases.results);
    figures.rows = CountResultRows(results);
    return figures;
}

void Print(const char* engine, const Figures& f, const Options& options) {
    std::printf("%s:\n", engine);
    std::printf("  stations x tests            %d x %d\n", options.stations, options.tests);
    std::printf("  failed operations           %lld\n", static_cast<long long>(f.failed));
    std::printf(
        "  result rows                 %lld lost, %lld duplicated (%lld results, %lld equipment rows, "
        "%lld runs stored)\n",
        static_cast<long long>(f.Lost()), static_cast<long long>(f.Duplicated()),
        static_cast<long long>(f.rows.tests), static_cast<long long>(f.rows.equipment),
        static_cast<long long>(f.rows.runs));
    std::printf("  throughput                  %.1f results/s (%lld in %.2f s wall, rebuilds and run headers "
                "included)\n",
                f.wallSeconds > 0 ? static_cast<double>(f.storedTests) / f.wallSeconds : 0.0,
                static_cast<long long>(f.storedTests), f.wallSeconds);
    std::printf("  storing one test's rows     p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", f.Percentile(0.50),
                f.Percentile(0.99), f.latencies.empty() ? 0.0 : f.latencies.back());
    std::printf("  filter rebuild (500 tests)  %.1f ms median of the stations, %.1f ms one station idle\n",
                f.StationsRebuildMs(), f.idleRebuildMs);
    std::fflush(stdout);
}

// The throw-away server of scripts/pg-test-server, stopped on destruction.
class ThrowAwayServer {
public:
    explicit ThrowAwayServer(fs::path dir) : dir_(std::move(dir)) {
        Script("start");
        std::ifstream uri(dir_ / "uri"), skipped(dir_ / "skipped");
        std::string line;
        if (std::getline(uri, line) && !line.empty()) {
            uri_ = line;
        } else if (std::getline(skipped, line)) {
            reason_ = line;
        } else {
            reason_ = "the throw-away server did not start (see above)";
        }
    }
    ~ThrowAwayServer() { Script("stop"); }
    ThrowAwayServer(const ThrowAwayServer&) = delete;
    ThrowAwayServer& operator=(const ThrowAwayServer&) = delete;

    const std::optional<std::string>& uri() const { return uri_; }
    const std::string& reason() const { return reason_; }

private:
    void Script(const char* command) {
        std::fflush(nullptr);
        std::string line =
            std::string("'") + PG_TEST_SERVER_SCRIPT + "' " + command + " '" + dir_.string() + "'";
        if (std::system(line.c_str()) != 0) {
            std::fprintf(stderr, "%s failed\n", line.c_str());
        }
    }
    fs::path dir_;
    std::optional<std::string> uri_;
    std::string reason_;
};

std::optional<Figures> SoakPostgres(const fs::path& dir, const Options& options) {
    std::optional<ThrowAwayServer> server;
    std::string serverUri = options.server;
    if (serverUri.empty()) {
        server.emplace(dir / "server");
        if (!server->uri()) {
            std::printf("PostgreSQL: skipped: %s\n", server->reason().c_str());
            return std::nullopt;
        }
        serverUri = *server->uri();
    }
    // Dropped (with any connection left) when they go out of scope.
    test::ScratchPostgresDatabase instrument(serverUri), results(serverUri);
    std::printf("PostgreSQL databases %s and %s on %s\n", instrument.name().c_str(), results.name().c_str(),
                operatordb::DisplaySource(serverUri).c_str());
    return Soak({instrument.uri(), results.uri()}, dir / "stations", options);
}

double LoadAverage() {
    std::ifstream in("/proc/loadavg");
    double load = 0;
    in >> load;
    return load;
}

int Soaks(const fs::path& dir, const Options& options) {
    std::printf("Stations soak: %d stations x %d tests, generated plan of 500 tests and 300 DSGs; %ld "
                "processors, load average %.2f\n",
                options.stations, options.tests, ::sysconf(_SC_NPROCESSORS_ONLN), LoadAverage());
    std::optional<Figures> sqlite, postgres;
    if (options.sqlite) {
        sqlite = Soak({(dir / "Instrument.mdb").string(), (dir / "Results.mdb").string()}, dir / "sqlite",
                      options);
        Print("SQLite", *sqlite, options);
    }
    if (options.postgres && (postgres = SoakPostgres(dir / "postgres", options))) {
        Print("PostgreSQL", *postgres, options);
    }
    if (sqlite && postgres) {
        double p99 = postgres->Percentile(0.99);
        double idle = postgres->idleRebuildMs / sqlite->idleRebuildMs;
        double busy = postgres->StationsRebuildMs() / sqlite->StationsRebuildMs();
        std::printf("PostgreSQL / SQLite:\n");
        std::printf(
            "  storing p99                 %.2f ms against %.2f ms (goal under 20 ms on PostgreSQL: %s)\n",
            p99, sqlite->Percentile(0.99), p99 < 20 ? "met" : "missed");
        std::printf(
            "  filter rebuild              %.2fx idle, %.2fx median of the stations (goal within 3x: %s)\n",
            idle, busy, idle <= 3 && busy <= 3 ? "met" : "missed");
    }
    int status = 0;
    for (const std::optional<Figures>& figures : {sqlite, postgres}) {
        if (figures && (figures->failed || figures->Lost() || figures->Duplicated())) {
            status = 1;
        }
    }
    return status;
}

} // namespace

int main(int argc, char** argv) {
    std::optional<Options> options = Parse(argc, argv);
    if (!options) {
        std::fprintf(stderr,
                     "usage: %s [--stations N (8)] [--tests N (200)] [--engine sqlite|postgres|both (both)] "
                     "[--server URI]\n",
                     argv[0]);
        return 2;
    }
    std::string pattern = (fs::temp_directory_path() / "stations-soak-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path home = pattern;
    ::setenv("CORVID_HOME", home.c_str(), 1);
    ::setenv("CORVID_RUNTIME_DIR", (home / "run").c_str(), 1);
    std::ofstream(home / "vela.ini") << "[VELA PROJECT VERSIONS]\nsoak_plan=01.00\n";
    int status = 1;
    if (operatoroutput::bench::RegisterModule(VELACONFIG_MODULE) &&
        operatoroutput::bench::RegisterModule(ACCESSDM_MODULE)) {
        try {
            status = Soaks(home, *options);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "error: %s\n", error.what());
        }
    }
    std::error_code ignored;
    fs::remove_all(home, ignored);
    return status;
}
