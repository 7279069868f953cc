#include "admin_commands.h"

#include "commands.h"
#include "operatordb/admin_flag.h"
#include "operatordb/administration.h"
#include "operatordb/interface_types.h"
#include "operatortabs/admin_login.h"

#include <memory>
#include <nlohmann/json.hpp>

namespace corvid::instrdb {
namespace {

using namespace corvid::operatordb;

const char* const kClearWarning =
    "warning: clearing the administrator flag lets the next administrator log in. Do it only when no "
    "Administration tab is open on any station sharing this database (a crashed session leaves the flag "
    "set).";

std::unique_ptr<Database> OpenExisting(const std::string& file) {
    RequireDatabase(file);
    return std::make_unique<Database>(file);
}

int Station(const std::vector<std::string>& args, std::ostream& out) {
    if (args.size() != 4 || (args[1] != "add" && args[1] != "remove"))
        throw UsageError("station takes add|remove FILE NAME");
    const std::string& name = args[3];
    if (name.empty())
        throw UsageError("the station name is empty");
    auto db = OpenExisting(args[2]);
    StationChange change;
    if (args[1] == "add") {
        change = AddStation(*db, name);
    } else {
        int32_t station = StationIdByName(*db, name);
        if (station < 0) {
            out << "Station [" << name << "] does not exist!\n";
            return 1;
        }
        change = RemoveStation(*db, station);
    }
    if (!change.message.empty())
        out << change.message << "\n";
    return change.outcome == StationChange::Outcome::Refused ? 1 : 0;
}

int Equipment(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() < 3 || args.size() > 5)
        throw UsageError("equipment takes FILE STATION [PLAN [DSG]]");
    auto db = OpenExisting(args[1]);
    LoadInterfaceTypeNames(*db);
    int32_t station = StationIdByName(*db, args[2]);
    if (station < 0) {
        err << "instrdb: no station named " << args[2] << "\n";
        return 1;
    }
    int32_t plan = -1, dsg = -1;
    if (args.size() > 3 && (plan = TestPlanIdByLongName(*db, args[3])) < 0) {
        err << "instrdb: no test plan named " << args[3] << "\n";
        return 1;
    }
    if (args.size() > 4 && (dsg = DsgIdByName(*db, plan, args[4])) < 0) {
        err << "instrdb: test plan " << args[3] << " has no DSG named " << args[4] << "\n";
        return 1;
    }
    for (const EquipmentRow& row : EquipmentList(*db, station, plan, dsg)) {
        nlohmann::ordered_json line = {{"instance", row.item.instanceId},
                                       {"alias", row.item.alias},
                                       {"serialNumber", row.item.serialNumber},
                                       {"dsg", plan >= 0 ? row.item.dsgName : std::string()},
                                       {"lastCalibration", row.item.lastCalibration},
                                       {"nextCalibration", row.item.nextCalibration},
                                       {"status", static_cast<int>(row.status)}};
        out << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    }
    return 0;
}

int AdminFlag(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 3 || (args[1] != "show" && args[1] != "clear"))
        throw UsageError("admin-flag takes show|clear FILE");
    auto db = OpenExisting(args[2]);
    if (args[1] == "show") {
        out << (IsAdministratorLoggedIn(*db) ? 1 : 0) << "\n";
        return 0;
    }
    err << kClearWarning << "\n";
    bool wasSet = IsAdministratorLoggedIn(*db);
    SetAdministratorLoggedIn(*db, false);
    out << (wasSet ? "Administrator flag cleared." : "Administrator flag was not set.") << "\n";
    return 0;
}

// The login dialog's messages, written where the command's messages go.
class StreamPrompt final : public operatortabs::Prompt {
public:
    explicit StreamPrompt(std::ostream& err) : err_(err) {}
    platform::MsgAnswer Ask(const platform::MessageBoxRequest& request) override {
        err_ << request.text << "\n";
        return platform::MsgAnswer::Ok;
    }

private:
    std::ostream& err_;
};

// The Administration tab's login: the administrator session holds the database's flag
// until admin-flag clear (a window gives it back when it closes).
int AdminLogin(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 3) {
        throw UsageError("admin-login takes FILE PASSWORD");
    }
    auto db = OpenExisting(args[1]);
    StreamPrompt prompt(err);
    operatortabs::WindowState window;
    operatortabs::CAdminLogin login(*db, window, prompt);
    if (login.Login(operatortabs::kAdministratorName, args[2]) != operatortabs::DialogStep::Close) {
        return 1;
    }
    out << "Administrator logged in; instrdb admin-flag clear ends the session.\n";
    return 0;
}

} // namespace

const char* const kAdministrationUsage = "       instrdb station add|remove FILE NAME\n"
                                         "       instrdb equipment FILE STATION [PLAN [DSG]]\n"
                                         "       instrdb admin-flag show|clear FILE\n"
                                         "       instrdb admin-login FILE PASSWORD\n";

bool IsAdministrationCommand(const std::string& command) {
    return command == "station" || command == "equipment" || command == "admin-flag" ||
           command == "admin-login";
}

int RunAdministration(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args[0] == "station")
        return Station(args, out);
    if (args[0] == "equipment")
        return Equipment(args, out, err);
    if (args[0] == "admin-login") {
        return AdminLogin(args, out, err);
    }
    return AdminFlag(args, out, err);
}

} // namespace corvid::instrdb
