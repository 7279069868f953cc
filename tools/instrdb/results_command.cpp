#include "results_command.h"

#include "commands.h"
#include "operatordb/database.h"
#include "operatoroutput/results_schema.h"

namespace corvid::instrdb {

void CreateResults(const std::filesystem::path& target) {
    CreateDatabase(target, [](operatordb::Database& db) { operatoroutput::CreateResultsSchema(db); });
}

} // namespace corvid::instrdb
