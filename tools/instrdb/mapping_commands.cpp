#include "mapping_commands.h"

#include "commands.h"
#include "operatordb/bindings_plans.h"
#include "operatordb/bindings_stations.h"
#include "operatordb/database.h"
#include "operatordb/db_error.h"
#include "operatordb/equipment_item.h"
#include "operatordb/lookups.h"
#include "operatordb/sql_text.h"
#include "operatordb/test_filter.h"
#include "operatortabs/equipment_mapping.h"

namespace corvid::instrdb {
namespace {

using operatordb::Database;
using operatortabs::CMapEquipment;
using operatortabs::MapListEntry;

// Every box the dialog would show, printed on its own line.
class PrintingPrompt final : public operatortabs::Prompt {
public:
    explicit PrintingPrompt(std::ostream& out) : out_(out) {}
    platform::MsgAnswer Ask(const platform::MessageBoxRequest& request) override {
        out_ << request.text;
        if (request.text.empty() || request.text.back() != '\n')
            out_ << "\n";
        return platform::MsgAnswer::Ok;
    }

private:
    std::ostream& out_;
};

int32_t StationId(Database& db, const std::string& name) {
    operatordb::DB_TestStations stations(db);
    stations.SetFilter("Name = " + operatordb::QuotedText(name));
    stations.Open(operatordb::OpenMode::ReadOnly);
    if (stations.IsEOF())
        throw UsageError("no station named " + name);
    return stations.TestStationID;
}

int32_t PlanId(Database& db, const std::string& name) {
    operatordb::DB_TestPlans2 plans(db);
    plans.SetFilter("Name = " + operatordb::QuotedText(name));
    plans.Open(operatordb::OpenMode::ReadOnly);
    if (plans.IsEOF())
        throw UsageError("no test plan named " + name);
    return plans.TestPlanID;
}

int Named(const std::vector<MapListEntry>& list, const std::string& text, const std::string& what) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].text == text)
            return static_cast<int>(i);
    throw UsageError("no " + what + " named " + text);
}

void Need(const std::vector<std::string>& args, std::size_t count, const char* shape) {
    if (args.size() != count)
        throw UsageError(args[0] + " takes " + shape);
}

// The dialog of the station and plan named by args[2] and args[3] of the database args[1].
struct Session {
    Session(const std::vector<std::string>& args, std::ostream& out)
        : db(Existing(args[1])), prompt(out), station(StationId(db, args[2])), plan(PlanId(db, args[3])),
          dialog(db, prompt, station, plan, operatordb::TestPlanLongName(db, plan)) {
        dialog.Initialize();
    }
    static const std::filesystem::path& Existing(const std::filesystem::path& source) {
        RequireDatabase(source);
        return source;
    }
    Database db;
    PrintingPrompt prompt;
    int32_t station, plan;
    CMapEquipment dialog;
};

int Map(const std::vector<std::string>& args, std::ostream& out) {
    Need(args, 7, "FILE STATION PLAN DSG MODEL SERIAL");
    if (args[6].empty())
        throw UsageError("map needs a serial number");
    Session session(args, out);
    session.dialog.SelectDsg(Named(session.dialog.dsgs(), args[4], "DSG"));
    session.dialog.SelectModel(Named(session.dialog.models(), args[5], "model for DSG " + args[4]));
    session.dialog.SetSerialText(args[6]);
    return session.dialog.MapEquipment(operatortabs::MapVariant::Interactive) ? 0 : 1;
}

int MapFile(const std::vector<std::string>& args, std::ostream& out) {
    Need(args, 6, "load|save FILE STATION PLAN MAPFILE");
    const std::string& verb = args[1];
    if (verb != "load" && verb != "save")
        throw UsageError("map-file takes load or save, not " + verb);
    std::vector<std::string> rest(args.begin() + 1, args.end());
    Session session(rest, out);
    if (verb == "load")
        return session.dialog.LoadFromFile(args[5]).empty() ? 1 : 0;
    return session.dialog.SaveToFile(args[5]) ? 0 : 1;
}

int AutoMap(const std::vector<std::string>& args, std::ostream& out) {
    Need(args, 4, "FILE STATION PLAN");
    Session session(args, out);
    session.dialog.AutoMapAll();
    return 0;
}

// The unit under test: an instance of one of the plan's UUT models with that serial
// number or, failing that, with that instance number.
int32_t UutInstance(Database& db, int32_t plan, const std::string& unit, int32_t& model) {
    const std::string units = "SELECT i.InstanceID, i.DeviceTypeID FROM DeviceInstances AS i INNER JOIN "
                              "__sys_Testplan_has_UUTs AS u ON u.UUTDeviceTypeID = i.DeviceTypeID "
                              "WHERE u.TestPlanID = :plan AND ";
    operatordb::Recordset found = db.OpenRecordset(units + "i.SerialNumber = :unit ORDER BY i.InstanceID",
                                                   {{"plan", plan}, {"unit", unit}});
    if (found.IsEOF() && !unit.empty() && unit.find_first_not_of("0123456789") == std::string::npos)
        found = db.OpenRecordset(units + "i.InstanceID = :unit",
                                 {{"plan", plan}, {"unit", static_cast<int64_t>(std::stoll(unit))}});
    if (found.IsEOF())
        throw UsageError("no unit under test of the plan is " + unit);
    model = static_cast<int32_t>(found.GetValue(1).AsInteger());
    return static_cast<int32_t>(found.GetValue(0).AsInteger());
}

int32_t VariantId(Database& db, int32_t plan, const std::string& name) {
    operatordb::DB_TPVs variants(db);
    variants.param.TestPlanID = plan;
    variants.SetFilter("Name = " + operatordb::QuotedText(name));
    variants.Open(operatordb::OpenMode::ReadOnly);
    if (variants.IsEOF())
        throw UsageError("no variant named " + name);
    return variants.TestPlanVariantID;
}

int Required(const std::vector<std::string>& args, std::ostream& out) {
    Need(args, 6, "FILE STATION PLAN VARIANT INSTANCE");
    Database db(Session::Existing(args[1]));
    const int32_t station = StationId(db, args[2]);
    const int32_t plan = PlanId(db, args[3]);
    const int32_t variant = VariantId(db, plan, args[4]);
    int32_t model = 0;
    const int32_t instance = UutInstance(db, plan, args[5], model);
    operatordb::RebuildTestFilter(db, plan, variant, model, instance);
    std::string missing;
    const bool complete = operatordb::CheckRequiredEquipment(db, station, plan, variant, instance, missing);
    out << missing;
    return complete ? 0 : 1;
}

} // namespace

bool RunMappingCommand(const std::vector<std::string>& args, std::ostream& out, int& status) {
    using Command = int (*)(const std::vector<std::string>&, std::ostream&);
    static const std::pair<const char*, Command> kCommands[] = {
        {"map", Map}, {"map-file", MapFile}, {"automap", AutoMap}, {"required", Required}};
    for (const auto& [name, command] : kCommands) {
        if (args.empty() || args[0] != name)
            continue;
        status = command(args, out);
        return true;
    }
    return false;
}

} // namespace corvid::instrdb
