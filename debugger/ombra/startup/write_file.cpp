#include "desktop_files.h"
#include "platform/file_replace.h"

#include <fstream>
#include <iterator>

namespace corvid::ombra::detail {
namespace {

std::optional<std::string> ReadWhole(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

bool WriteFileIfChanged(const std::filesystem::path& file, const std::string& text, bool& changed) {
    changed = false;
    if (std::optional<std::string> current = ReadWhole(file); current && *current == text)
        return true;
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    if (error)
        return false;
    if (!platform::ReplaceFileContents(file, text, 0644)) {
        return false;
    }
    changed = true;
    return true;
}

} // namespace corvid::ombra::detail
