// The Add/Map Equipment dialog's bulk work: Load from file with the auto mapper, Save to
// file and Auto Map All.
#include "operatordb/db_error.h"
#include "operatortabs/equipment_mapping.h"

#include <algorithm>
#include <fstream>

namespace corvid::operatortabs {
namespace {

constexpr const char* kBlanks = " \t\r\n";

int FindExact(const std::vector<MapListEntry>& list, const std::string& text) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].text == text)
            return static_cast<int>(i);
    return -1;
}

} // namespace

// A bulk pass tells the view once, at its end, and groups its writes so that hundreds of
// mappings do not each wait for the disk; each mapping still stands or falls alone.
class CMapEquipment::BulkPass {
public:
    explicit BulkPass(CMapEquipment& dialog) : dialog_(dialog), transaction_(dialog.db_) {
        dialog_.quiet_ = true;
    }
    ~BulkPass() {
        dialog_.quiet_ = false;
        if (dialog_.view_) {
            dialog_.view_->ListsChanged();
            dialog_.view_->AssignmentsChanged();
        }
    }
    BulkPass(const BulkPass&) = delete;
    BulkPass& operator=(const BulkPass&) = delete;
    void Commit() { transaction_.Commit(); }

private:
    CMapEquipment& dialog_;
    operatordb::Transaction transaction_;
};

std::string CMapEquipment::DefaultMapFileName() const {
    std::string name = testPlanLongName_.size() > 10
                           ? testPlanLongName_.substr(0, testPlanLongName_.size() - 10)
                           : std::string();
    std::size_t begin = name.find_first_not_of(kBlanks);
    name = begin == std::string::npos ? std::string()
                                      : name.substr(begin, name.find_last_not_of(kBlanks) - begin + 1);
    return name + ".txt";
}

std::string CMapEquipment::LoadFromFile(const std::filesystem::path& file) {
    CEquipmentMapFile map(prompt_);
    if (!map.Open(file)) {
        prompt_.Notify("Failed to initialize the auto mapper.");
        return {};
    }
    MapFileSections(map);
    std::string shown =
        map.ProblemText().empty() ? "Successfully mapped equipment with no errors" : map.ProblemText();
    prompt_.Notify(shown);
    return shown;
}

void CMapEquipment::MapFileSections(CEquipmentMapFile& map) {
    BulkPass pass(*this);
    try {
        for (const MapSection& section : map.sections())
            MapFileSection(map, section);
    } catch (const operatordb::DbError& error) {
        ShowDatabaseError(error);
    }
    pass.Commit();
}

void CMapEquipment::MapFileSection(CEquipmentMapFile& map, const MapSection& section) {
    const int dsg = FindExact(dsgs_, section.name);
    if (dsg < 0) {
        map.AddProblem("Missing DSG Named: " + section.name);
        return;
    }
    try {
        SelectDsg(dsg);
    } catch (const operatordb::DbError& error) {
        ShowDatabaseError(error);
    }
    for (const MapModelEntry& entry : section.entries) {
        const int model = FindExact(models_, entry.modelName);
        if (model < 0) {
            map.AddProblem("Missing Model for DSG " + section.name + " Called: " + entry.modelName);
        } else if (&entry == section.First()) {
            SelectModel(model);
            SetSerialText(entry.serialNumber);
            MapEquipment(MapVariant::Bulk);
        }
    }
    for (const MapListEntry& model : models_) {
        bool named = std::any_of(section.entries.begin(), section.entries.end(),
                                 [&](const MapModelEntry& entry) { return entry.modelName == model.text; });
        if (!named)
            map.AddProblem("Added Model for DSG " + section.name + " Called: " + model.text);
    }
}

std::string CMapEquipment::SaveText() {
    std::string text;
    const std::vector<AssignmentRow> rows = assignments();
    for (std::size_t i = 0; i < dsgs_.size(); ++i) {
        // The DSG's grid row: the grid lists the DSGs as the list does, but a station may
        // hold more than one assignment of a DSG.
        auto row = std::find_if(rows.begin(), rows.end(),
                                [&](const AssignmentRow& r) { return r.dsgId == dsgs_[i].id; });
        ShowAssignment(static_cast<int>(i), row == rows.end() ? AssignmentRow{} : *row);
        text += "[" + dsgs_[i].text + "]\n";
        if (model_ >= 0)
            text += " " + models_[model_].text + "=" + serialText_ + "\n";
        for (std::size_t m = 0; m < models_.size(); ++m)
            if (static_cast<int>(m) != model_)
                text += " " + models_[m].text + "=\n";
        text += "\n";
    }
    return text;
}

bool CMapEquipment::SaveToFile(const std::filesystem::path& file) {
    std::string text;
    {
        BulkPass pass(*this);
        text = SaveText();
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (out)
        out << text;
    if (out)
        out.close();
    if (!out) {
        prompt_.Notify("Error creating output file");
        return false;
    }
    prompt_.Notify("File saved!");
    return true;
}

void CMapEquipment::AutoMapAll() {
    BulkPass pass(*this);
    try {
        int counter = 0;
        for (std::size_t d = 0; d < dsgs_.size(); ++d) {
            SelectDsg(static_cast<int>(d));
            for (int m = static_cast<int>(models_.size()) - 1; m >= 0; --m) {
                SelectModel(m);
                SetSerialText((std::to_string(counter) + ":" + dsgs_[d].text).substr(0, 10));
                ++counter;
                MapEquipment(MapVariant::Bulk);
            }
        }
    } catch (const operatordb::DbError& error) {
        ShowDatabaseError(error);
    }
    pass.Commit();
}

} // namespace corvid::operatortabs
