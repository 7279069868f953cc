// The subcommands of instrdb. Each writes its results to out and raises
// operatordb::DbError or UsageError on failure. A database is named by a file or by a
// server URI ("postgresql://user@host/dbname"); messages never show a URI's password.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvid::operatordb {
class Database;
} // namespace corvid::operatordb

namespace corvid::instrdb {

// Wrong or missing arguments (exit status 2).
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An existing database: a missing file is a usage error rather than a new file (a
// server database is checked by connecting to it).
void RequireDatabase(const std::filesystem::path& source);

// Creates the database target (a file, or a database on a server, created when
// missing) and fills it in one unit. A target that already holds tables is refused
// with a UsageError and left alone; when filling fails, a file this call created is
// removed again and a server database is left without tables.
void CreateDatabase(const std::filesystem::path& target,
                    const std::function<void(operatordb::Database&)>& fill);

// Creates FILE with the schema and saved queries and no rows. A file that already
// holds tables is refused and left alone.
void Init(const std::filesystem::path& file);

// As Init, then adds the demo station (calibration dates counted back from today).
void Demo(const std::filesystem::path& file, std::chrono::year_month_day today);

// Runs one Jet SQL statement: a SELECT prints its rows, an action statement the number
// of rows it changed.
void Sql(const std::filesystem::path& file, const std::string& statement, std::ostream& out);

// Prints the rows of a table, or runs a saved query with "Name=Value" parameters.
void Query(const std::filesystem::path& file, const std::string& name,
           const std::vector<std::string>& parameters, std::ostream& out);

// Rebuilds the test selection filter and prints the selection's UUTFilter rows.
void Filter(const std::filesystem::path& file, const std::vector<std::string>& selection, std::ostream& out);

// Runs a whole command line (without the program name); returns the exit status:
// 0 done, 1 database error, 2 usage error. Messages go to err.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace corvid::instrdb
