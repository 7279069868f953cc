// The equipment mapping subcommands of instrdb: the Add/Map Equipment dialog's work for
// administrators' scripts, printing what the dialog shows. Stations, plans, DSGs, models
// and variants are named by the texts the lists show.
//   instrdb map FILE STATION PLAN DSG MODEL SERIAL
//   instrdb map-file load|save FILE STATION PLAN MAPFILE
//   instrdb automap FILE STATION PLAN
//   instrdb required FILE STATION PLAN VARIANT SERIAL   (the unit under test's serial number)
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace corvid::instrdb {

inline constexpr const char* kMappingUsage = "       instrdb map FILE STATION PLAN DSG MODEL SERIAL\n"
                                             "       instrdb map-file load|save FILE STATION PLAN MAPFILE\n"
                                             "       instrdb automap FILE STATION PLAN\n"
                                             "       instrdb required FILE STATION PLAN VARIANT INSTANCE\n";

// Runs args when its first word is one of these subcommands and sets status (0 done,
// 1 refused or failed); false for any other command.
bool RunMappingCommand(const std::vector<std::string>& args, std::ostream& out, int& status);

} // namespace corvid::instrdb
