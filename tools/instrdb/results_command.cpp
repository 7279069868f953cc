#include "results_command.h"

#include "commands.h"
#include "operatordb/database.h"
#include "operatoroutput/results_schema.h"

#include <system_error>

namespace corvid::instrdb {

void CreateResults(const std::filesystem::path& file) {
    std::error_code error;
    if (std::filesystem::exists(file, error))
        throw UsageError(file.string() + " already exists; remove it first");
    try {
        operatordb::Database db(file, operatordb::FileMode::CreateIfMissing);
        operatoroutput::CreateResultsSchema(db);
    } catch (...) {
        std::filesystem::remove(file, error);
        throw;
    }
}

} // namespace corvid::instrdb
