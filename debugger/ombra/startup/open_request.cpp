#include "ombra/open_request.h"

#include "platform/runtime_dir.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace corvid::ombra {
namespace {

constexpr const char* kRequestDirectory = "ombra";
// A path longer than this is no request of ours.
constexpr std::size_t kMaximumRequestBytes = 8192;

std::filesystem::path RequestPath(const std::filesystem::path& directory, pid_t sender) {
    return directory / ("open-" + std::to_string(sender));
}

} // namespace

bool WriteOpenRequest(const CommandLine& line, pid_t sender) {
    if (!line.file)
        return false;
    std::error_code error;
    const std::filesystem::path file = std::filesystem::absolute(*line.file, error);
    if (error)
        return false;
    try {
        const std::filesystem::path path =
            RequestPath(platform::EnsureRuntimeSubdir(kRequestDirectory), sender);
        const std::filesystem::path partial = path.string() + ".partial";
        {
            std::ofstream out(partial, std::ios::binary | std::ios::trunc);
            out << (line.play ? "play" : line.record ? "record" : "open") << '\n' << file.string() << '\n';
            if (!out.flush())
                return false;
        }
        // Renamed into place: the reader never sees half a request.
        std::filesystem::rename(partial, path);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

std::optional<CommandLine> TakeOpenRequest(pid_t sender) {
    std::error_code error;
    const std::filesystem::path path = RequestPath(platform::RuntimeDirPath() / kRequestDirectory, sender);
    if (std::filesystem::file_size(path, error) > kMaximumRequestBytes || error) {
        std::filesystem::remove(path, error);
        return std::nullopt;
    }
    std::string mode, file;
    {
        std::ifstream in(path, std::ios::binary);
        std::getline(in, mode);
        std::getline(in, file);
    }
    std::filesystem::remove(path, error);
    if (file.empty() || (mode != "open" && mode != "play" && mode != "record"))
        return std::nullopt;
    CommandLine line;
    line.file = file;
    line.play = mode == "play";
    line.record = mode == "record";
    return line;
}

} // namespace corvid::ombra
