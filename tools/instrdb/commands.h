// The subcommands of instrdb. Each writes its results to out and raises
// operatordb::DbError or UsageError on failure.
#pragma once

#include <chrono>
#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvid::instrdb {

// Wrong or missing arguments (exit status 2).
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

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
