#include "run_catalog.h"

#include <algorithm>
#include <filesystem>
#include <strings.h>
#include <system_error>

namespace corvid::reportengine {

std::vector<StoredRun> ListRuns(operatordb::Database& results, int32_t uutModelId) {
    operatordb::Recordset rows = results.OpenRecordset(
        "SELECT u.UniqueID, u.SerialNumber, d.TestDate, d.TestPlanName, d.TestPlanVariantName, "
        "d.OverAllResult "
        "FROM __sys_tblUniqueIds AS u LEFT JOIN __sys_tblTestingDetails AS d ON d.UniqueID = u.UniqueID "
        "WHERE u.UUTID = :model ORDER BY d.TestDate DESC, u.UniqueID",
        {{"model", operatordb::Value(uutModelId)}});
    std::vector<StoredRun> runs;
    for (; !rows.IsEOF(); rows.MoveNext())
        runs.push_back({rows.GetValue(0).AsText(), rows.GetValue(1).AsText(), rows.GetValue(2).AsText(),
                        rows.GetValue(3).AsText(), rows.GetValue(4).AsText(),
                        static_cast<int>(rows.GetValue(5).AsInteger())});
    return runs;
}

std::vector<std::string> ListTemplates(const std::string& directory) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error))
        if (entry.is_regular_file(error) && strcasecmp(entry.path().extension().c_str(), ".rpt") == 0)
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace corvid::reportengine
