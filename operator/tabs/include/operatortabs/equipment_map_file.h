// An equipment map file: per DSG of a test plan (a section "[name]"), the models that
// can serve it ("model = serial | number"), the first of which is the one to map. The
// Add/Map Equipment dialog writes it from the current assignments and reads it to
// assign equipment in bulk.
#pragma once

#include "operatortabs/prompt.h"

#include <cstdint>
#include <filesystem>
#include <istream>
#include <string>
#include <vector>

namespace corvid::operatortabs {

struct MapModelEntry {
    std::string modelName;    // never empty
    std::string serialNumber; // empty when the entry gives none
    int32_t number = 0;       // 0 when the entry gives none
    std::vector<std::string> further;
};

struct MapSection {
    std::string name;
    std::vector<MapModelEntry> entries;
    // The entry to map: the section's first, or null while the section has none.
    const MapModelEntry* First() const { return entries.empty() ? nullptr : &entries.front(); }
};

// Longest line the parser takes: 511 characters before the line feed. A longer line
// ends the parse as if the file ended there.
inline constexpr std::size_t kMapFileLineLimit = 511;

class CEquipmentMapFile {
public:
    explicit CEquipmentMapFile(Prompt& prompt) : prompt_(prompt) {}

    // Reads the file; false (after its message) when it cannot be opened or holds an
    // entry before any section or an entry without a model name. An empty path gives
    // false without a message. A failed parse keeps no sections.
    bool Open(const std::filesystem::path& path);
    bool Parse(std::istream& in);

    std::size_t SectionCount() const { return sections_.size(); }
    // Null when index is out of range.
    const MapSection* Section(std::size_t index) const;
    const std::vector<MapSection>& sections() const { return sections_; }

    // The auto mapper's problem lines, each followed by "\r\n".
    void AddProblem(const std::string& line) { problems_ += line + "\r\n"; }
    const std::string& ProblemText() const { return problems_; }

private:
    bool Fail(const std::string& message);

    Prompt& prompt_;
    std::vector<MapSection> sections_;
    std::string problems_;
};

} // namespace corvid::operatortabs
