// DBMerge SOURCE: merges the rows of the SQLite file SOURCE into the instrument database
// that the station configuration names ("VELA SYSTEM" InputDataSource). On failure it
// leaves DBMerge.ERR beside itself, holding the reason, and ends with status 1; a
// successful merge removes an old DBMerge.ERR.
#include "com/creation.h"
#include "com/variant.h"
#include "database_merge.h"
#include "operatordb/database.h"
#include "velaconfig/vela_config.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace {

std::filesystem::path ErrorFilePath() {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return (error ? std::filesystem::current_path() : self.parent_path()) / "DBMerge.ERR";
}

std::string InstrumentDatabasePath() {
    using namespace corvid::com;
    using namespace corvid::velaconfig;
    ComPtr<IVelaConfig> config;
    if (FAILED(CreateInstance(kVelaConfigProgId, config)) || !config)
        throw std::runtime_error("Can't Create Configuration Manager");
    VARIANT_BOOL found = VARIANT_FALSE;
    if (FAILED(config->IsConfigFileFound(&found)) || found == VARIANT_FALSE)
        throw std::runtime_error("Unable to find Tessera config file");
    Bstr path;
    if (FAILED(config->GetValue(Bstr("VELA SYSTEM").get(), Bstr("InputDataSource").get(), path.Out())))
        throw std::runtime_error("the configuration cannot be read");
    std::string text = Utf8FromBstr(path.get());
    if (text.empty())
        throw std::runtime_error("the configuration names no instrument database (InputDataSource)");
    return text;
}

} // namespace

int main(int argc, char** argv) {
    std::filesystem::path errorFile = ErrorFilePath();
    std::error_code ignored;
    std::filesystem::remove(errorFile, ignored);
    try {
        if (argc != 2)
            throw std::runtime_error("usage: DBMerge SOURCE");
        if (!std::filesystem::is_regular_file(argv[1]))
            throw std::runtime_error(std::string(argv[1]) + " does not exist");
        std::string target = InstrumentDatabasePath();
        if (corvid::operatordb::IsServerUri(target)) {
            throw std::runtime_error("the instrument database " + corvid::operatordb::DisplaySource(target) +
                                     " is on a server; merging into a server database is not supported");
        }
        corvid::dbmerge::MergeDatabase(target, argv[1]);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "DBMerge: %s\n", e.what());
        std::ofstream(errorFile) << e.what() << "\n";
        return 1;
    }
}
