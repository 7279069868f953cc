// CMapEquipment: the Add/Map Equipment dialog's logic. For a station and a test plan it
// assigns equipment to the plan's DSGs: for a DSG, a model and a serial number it
// creates the instance when the serial number is new (with the model's default
// properties, calibration data and communication settings), records the assignment and
// installs the instance at the station. The same step runs in bulk from an equipment map
// file and in Auto Map All; the assignments can be written back to a map file.
#pragma once

#include "operatordb/database.h"
#include "operatortabs/equipment_map_file.h"
#include "operatortabs/prompt.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace corvid::operatortabs {

// A list entry: its text and the identifier it stands for.
struct MapListEntry {
    std::string text;
    int32_t id = 0;
};

// A row of the assignments grid: a DSG of the plan with the model and serial number
// assigned at the station (both empty when unassigned).
struct AssignmentRow {
    int32_t dsgId = 0;
    std::string dsg;
    std::string model;
    std::string serialNumber;
    // Unassigned rows are drawn white on red.
    bool Unassigned() const { return model.empty() && serialNumber.empty(); }
};

// Colours of unassigned rows (0x00BBGGRR): white on red.
inline constexpr int32_t kUnassignedForeground = 16777215;
inline constexpr int32_t kUnassignedBackground = 255;

// What the dialog is told; every member has a do-nothing default.
class MapEquipmentView {
public:
    // The lists or the selection changed.
    virtual void ListsChanged() {}
    // The assignments changed: the grid reads them again.
    virtual void AssignmentsChanged() {}

protected:
    ~MapEquipmentView() = default;
};

enum class MapVariant {
    Interactive, // shows the report text
    Bulk,        // shows nothing but database errors
};

class CMapEquipment {
public:
    // testPlanLongName is the plan's text as the Administration tab shows it; the map
    // file's default name is made from it.
    CMapEquipment(operatordb::Database& db, Prompt& prompt, int32_t station, int32_t testPlan,
                  std::string testPlanLongName, MapEquipmentView* view = nullptr);

    // Opening the dialog: the names, the station's links to the instances its
    // assignments use, the plan's DSGs; models and serial numbers empty.
    void Initialize();

    operatordb::Database& database() { return db_; }
    int32_t station() const { return station_; }
    int32_t testPlan() const { return testPlan_; }
    const std::string& stationName() const { return stationName_; }
    const std::string& testPlanName() const { return testPlanName_; }

    const std::vector<MapListEntry>& dsgs() const { return dsgs_; }
    const std::vector<MapListEntry>& models() const { return models_; }
    const std::vector<MapListEntry>& serials() const { return serials_; }
    int selectedDsg() const { return dsg_; }
    int selectedModel() const { return model_; }
    int selectedSerial() const { return serial_; }
    // The Serial # box's text: the selected entry's or what was typed.
    const std::string& serialText() const { return serialText_; }
    const std::string& notes() const { return notes_; }

    // The grid's rows, read again after every change.
    const std::vector<AssignmentRow>& assignments();

    // Selecting a DSG fills its models, selects the first and fills its serial numbers;
    // selecting a model fills the serial numbers of its instances at every station.
    void SelectDsg(int index);
    void SelectModel(int index);
    void SelectSerial(int index);
    // Typing into the Serial # box leaves no entry selected.
    void SetSerialText(const std::string& text);
    // A click on a grid row selects its DSG, model and serial number.
    void SelectAssignment(int row);

    // Maps the chosen DSG, model and serial number; true when the mapping was written.
    // The report text of the last mapping stays in lastReport().
    bool MapEquipment(MapVariant variant);
    const std::string& lastReport() const { return report_; }

    // The map file's default name: the plan's long name without its last 10
    // characters, trimmed, followed by ".txt".
    std::string DefaultMapFileName() const;
    // Load from file: parses the file and maps its sections, then shows the problem
    // lines (or the success text). Returns the text shown, empty when the file could
    // not be read.
    std::string LoadFromFile(const std::filesystem::path& file);
    // Save to file: the current assignments as a map file; false (after its message)
    // when the file cannot be written.
    bool SaveToFile(const std::filesystem::path& file);
    // Maps a placeholder instance of every model of every DSG, the DSG's first model last.
    void AutoMapAll();

private:
    class BulkPass;

    void FillDsgs();
    void FillModels();
    void FillSerials();
    void ShowNotes();
    // Selects the DSG at index dsg with the row's model and serial number.
    void ShowAssignment(int dsg, const AssignmentRow& row);
    void MapFileSections(CEquipmentMapFile& map);
    void MapFileSection(CEquipmentMapFile& map, const MapSection& section);
    void WriteMapping(const std::string& serialNumber);
    int32_t FindOrCreateInstance(int32_t model, const std::string& serialNumber);
    int32_t CreateInstance(int32_t model, const std::string& serialNumber);
    void RunCopyQuery(const std::string& query, int32_t model, int32_t instance, const std::string& failure);
    void RecordAssignment(int32_t instance);
    void InstallAtStation(int32_t instance);
    void ShowDatabaseError(const std::exception& error);
    void Changed();
    std::string SaveText();

    operatordb::Database& db_;
    Prompt& prompt_;
    int32_t station_;
    int32_t testPlan_;
    std::string testPlanLongName_;
    MapEquipmentView* view_;
    std::string stationName_, testPlanName_;
    std::vector<MapListEntry> dsgs_, models_, serials_;
    int dsg_ = -1, model_ = -1, serial_ = -1;
    std::string serialText_;
    std::string notes_;
    std::vector<AssignmentRow> assignments_;
    bool assignmentsStale_ = true;
    bool quiet_ = false; // a bulk pass tells the view once at its end
    std::string report_;
};

} // namespace corvid::operatortabs
