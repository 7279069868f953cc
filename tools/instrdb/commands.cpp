#include "commands.h"

#include "admin_commands.h"
#include "copy_command.h"
#include "mapping_commands.h"
#include "operatordb/database.h"
#include "operatordb/db_error.h"
#include "operatordb/demo_station.h"
#include "operatordb/schema.h"
#include "operatordb/test_filter.h"
#include "results_command.h"
#include "table_output.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <limits>
#include <optional>

namespace corvid::instrdb {
namespace {

using operatordb::Database;
using operatordb::DbError;
using operatordb::FileMode;

const std::string kUsage = std::string("usage: instrdb init FILE\n"
                                       "       instrdb demo FILE\n"
                                       "       instrdb results FILE\n"
                                       "       instrdb sql FILE \"JET SQL\"\n"
                                       "       instrdb query FILE NAME [Param=Value]...\n"
                                       "       instrdb filter FILE PLAN VARIANT MODEL INSTANCE\n"
                                       "       instrdb copy FROM TO\n") +
                           kMappingUsage + kAdministrationUsage +
                           "A database (FILE, FROM, TO) is a file or a server URI "
                           "postgresql://[USER[:PASSWORD]@]HOST[:PORT]/DBNAME[?SETTINGS]\n";

void PrintChanged(std::ostream& out, int changed) {
    out << changed << (changed == 1 ? " row" : " rows") << " affected\n";
}

int32_t ParseLong(const std::string& text, const char* what) {
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max())
        throw UsageError(std::string(what) + " must be a whole number, not '" + text + "'");
    return static_cast<int32_t>(value);
}

// Today's date where the user is.
std::chrono::year_month_day LocalToday() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return std::chrono::year(local.tm_year + 1900) / std::chrono::month(local.tm_mon + 1) /
           std::chrono::day(local.tm_mday);
}

} // namespace

void RequireDatabase(const std::filesystem::path& source) {
    if (!operatordb::IsServerUri(source.native()) && !std::filesystem::exists(source)) {
        throw UsageError("no such file: " + source.string());
    }
}

void CreateDatabase(const std::filesystem::path& target, const std::function<void(Database&)>& fill) {
    const bool server = operatordb::IsServerUri(target.native());
    const bool existed = server || std::filesystem::exists(target);
    try {
        Database db(target, FileMode::CreateIfMissing);
        // Checked inside the unit: of two stations creating one database, the second is refused.
        operatordb::Transaction unit(db);
        if (!db.TableNames(true).empty()) {
            throw UsageError(operatordb::DisplaySource(target.native()) +
                             " already holds a database; remove it first");
        }
        fill(db);
        unit.Commit();
    } catch (...) {
        if (!existed) {
            std::error_code ignored;
            std::filesystem::remove(target, ignored);
        }
        throw;
    }
}

void Init(const std::filesystem::path& file) {
    CreateDatabase(file, [](Database& db) { operatordb::CreateInstrumentSchema(db); });
}

void Demo(const std::filesystem::path& file, std::chrono::year_month_day today) {
    CreateDatabase(file, [&](Database& db) {
        operatordb::CreateInstrumentSchema(db);
        operatordb::CreateDemoStation(db, today);
    });
}

void Sql(const std::filesystem::path& file, const std::string& statement, std::ostream& out) {
    RequireDatabase(file);
    Database db(file);
    if (db.ReturnsRows(statement)) {
        operatordb::Recordset rows = db.OpenRecordset(statement);
        PrintRows(out, rows);
    } else {
        PrintChanged(out, db.Execute(statement));
    }
}

void Query(const std::filesystem::path& file, const std::string& name,
           const std::vector<std::string>& parameters, std::ostream& out) {
    RequireDatabase(file);
    Database db(file);
    operatordb::Parameters params;
    for (const std::string& p : parameters) {
        size_t equals = p.find('=');
        if (equals == std::string::npos || equals == 0)
            throw UsageError("a parameter is written Name=Value, not '" + p + "'");
        params.push_back({p.substr(0, equals), operatordb::Value(p.substr(equals + 1))});
    }
    if (db.HasTable(name)) {
        if (!params.empty())
            throw UsageError("table " + name + " takes no parameters");
        operatordb::Recordset rows = db.OpenRecordset("SELECT * FROM [" + name + "]");
        PrintRows(out, rows);
        return;
    }
    std::optional<operatordb::SavedQuery> query = db.FindSavedQuery(name);
    if (!query)
        throw UsageError("no table or saved query named " + name);
    if (db.ReturnsRows(query->sql)) {
        operatordb::Recordset rows = db.OpenQuery(name, params);
        PrintRows(out, rows);
    } else {
        PrintChanged(out, db.ExecuteQuery(name, params));
    }
}

void Filter(const std::filesystem::path& file, const std::vector<std::string>& selection, std::ostream& out) {
    if (selection.size() != 4)
        throw UsageError("filter takes PLAN VARIANT MODEL INSTANCE");
    int32_t plan = ParseLong(selection[0], "PLAN");
    int32_t variant = ParseLong(selection[1], "VARIANT");
    int32_t model = ParseLong(selection[2], "MODEL");
    int32_t instance = ParseLong(selection[3], "INSTANCE");
    RequireDatabase(file);
    Database db(file);
    operatordb::RebuildTestFilter(db, plan, variant, model, instance);
    operatordb::Recordset rows = db.OpenRecordset(
        "SELECT TestPlanID, TestVariantID, UUTInstanceID, Type, ID, SeqNumber FROM UUTFilter"
        " WHERE TestPlanID = :plan AND TestVariantID = :variant AND UUTInstanceID = :instance"
        " ORDER BY Type, SeqNumber, ID",
        {{"plan", plan}, {"variant", variant}, {"instance", instance}});
    PrintRows(out, rows);
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        if (args.empty() || args[0] == "--help" || args[0] == "-h") {
            (args.empty() ? err : out) << kUsage;
            return args.empty() ? 2 : 0;
        }
        const std::string& command = args[0];
        auto need = [&](size_t count) {
            if (args.size() != count)
                throw UsageError("wrong number of arguments for " + command);
        };
        if (command == "init") {
            need(2);
            Init(args[1]);
        } else if (command == "demo") {
            need(2);
            Demo(args[1], LocalToday());
        } else if (command == "results") {
            need(2);
            CreateResults(args[1]);
        } else if (command == "sql") {
            need(3);
            Sql(args[1], args[2], out);
        } else if (command == "query") {
            if (args.size() < 3)
                throw UsageError("query takes FILE NAME [Param=Value]...");
            Query(args[1], args[2], {args.begin() + 3, args.end()}, out);
        } else if (command == "filter") {
            if (args.size() < 2)
                throw UsageError("filter takes FILE PLAN VARIANT MODEL INSTANCE");
            Filter(args[1], {args.begin() + 2, args.end()}, out);
        } else if (command == "copy") {
            need(3);
            return Copy(args[1], args[2], out, err);
        } else if (int status = 0; RunMappingCommand(args, out, status)) {
            return status;
        } else if (IsAdministrationCommand(command)) {
            return RunAdministration(args, out, err);
        } else {
            throw UsageError("unknown command " + command);
        }
        return 0;
    } catch (const UsageError& e) {
        err << "instrdb: " << e.what() << "\n" << kUsage;
        return 2;
    } catch (const DbError& e) {
        err << "instrdb: " << e.what() << "\n";
        return 1;
    } catch (const std::exception& e) {
        err << "instrdb: " << e.what() << "\n";
        return 1;
    }
}

} // namespace corvid::instrdb
