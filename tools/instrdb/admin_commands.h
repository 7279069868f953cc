// instrdb's administration commands, the command-line twins of the Administration tab:
//   instrdb station add|remove FILE NAME
//   instrdb equipment FILE STATION [PLAN [DSG]]
//   instrdb admin-flag show|clear FILE
// Names are the texts the tab's lists show (station name, test plan long name, DSG name).
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace corvid::instrdb {

bool IsAdministrationCommand(const std::string& command);
extern const char* const kAdministrationUsage;

// Runs one of the commands above; returns the exit status: 0 done, 1 refused (the
// message says why). Raises UsageError for wrong arguments and DbError when the
// database refuses a statement.
int RunAdministration(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace corvid::instrdb
