// The configuration store of the VISA library: $CORVID_HOME/visa.ini. Without the file
// the configuration is the demo bench: GPIB board 0 served by the simulated driver library.
//
//   [VISA]           IoLibrary=sbviio32.so  NotifyMode=0  LocalTimeout=2000
//   [GPIB]           Boards=0  Library=simgpib.so
//   [GPIB-DEVICES]   Device0=0,22,0,1   (board, primary, secondary, kind; up to 60)
//   [GPIB-CONFIG]    DisableIbListen=0  SRQPollTime=1000
//   [GPIB-VXI]       Controller0=0,12   (board, primary[, SBGPVX entry]; 0 to 9)
//   [ALIASES]        dmm=GPIB0::22::INSTR
#pragma once

#include "visa/sbvisa_io.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace corvid::visa {

class ConfigStore {
public:
    // $CORVID_HOME/visa.ini
    static std::filesystem::path DefaultPath();

    ConfigStore() = default;
    explicit ConfigStore(std::filesystem::path file) : file_(std::move(file)) {}

    // Reads the store. A missing or malformed file gives the defaults; every fallback
    // is reported on warnings, naming the file and line.
    void Load(std::ostream& warnings);

    const std::filesystem::path& file() const { return file_; }
    bool usable() const { return usable_; }

    // Raw values of the store (nullopt when missing, or when the store is not usable).
    std::optional<std::string> String(std::string_view section, std::string_view key) const;
    std::string String(std::string_view section, std::string_view key, std::string_view fallback) const;
    long Number(std::string_view section, std::string_view key, long fallback) const;

    // The interpreted settings.
    const std::string& ioLibrary() const { return ioLibrary_; }
    const std::string& gpibLibrary() const { return gpibLibrary_; }
    bool notifyMode() const { return notifyMode_; }
    ViUInt32 localTimeout() const { return localTimeout_; }
    const std::vector<ViUInt16>& gpibBoards() const { return gpibBoards_; }
    const std::vector<SbvisaGpibDevice>& gpibDevices() const { return gpibDevices_; }
    // The resource name an alias stands for (case-insensitive), if any.
    std::optional<std::string> Alias(std::string_view alias) const;
    // The first alias of a resource name, if any.
    std::optional<std::string> AliasOf(std::string_view canonicalName) const;

    // Copies the board and device tables and the driver library name into tables.
    void FillTables(SbvisaSharedTables& tables) const;

private:
    static std::optional<std::string> DemoBenchValue(std::string_view section, std::string_view key);
    bool CheckSyntax(std::ostream& warnings) const;
    void ReadBoards(std::ostream& warnings);
    void ReadDevices(std::ostream& warnings);

    std::filesystem::path file_;
    bool usable_ = false;
    bool demoBench_ = false; // no store at all: the demo bench's settings
    std::string ioLibrary_ = "sbviio32.so";
    std::string gpibLibrary_ = "simgpib.so";
    bool notifyMode_ = false;
    ViUInt32 localTimeout_ = 2000;
    std::vector<ViUInt16> gpibBoards_{0};
    std::vector<SbvisaGpibDevice> gpibDevices_;
    std::vector<std::pair<std::string, std::string>> aliases_;
};

} // namespace corvid::visa
