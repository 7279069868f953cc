// The runs a results database holds for one UUT model, newest first, for the viewer.
#pragma once

#include "operatordb/database.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvid::reportengine {

struct StoredRun {
    std::string uniqueId, serialNumber, testDate, plan, variant;
    int overallResult = 0;
};

std::vector<StoredRun> ListRuns(operatordb::Database& results, int32_t uutModelId);

// The report templates (".rpt" files) in a directory: their names, sorted.
std::vector<std::string> ListTemplates(const std::string& directory);

} // namespace corvid::reportengine
