#include "desktop_files.h"
#include "ombra/startup.h"
#include "platform/registry.h"

#include <stdexcept>

namespace corvid::ombra {
namespace {

constexpr const char* kExtension = ".omr";
constexpr const char* kFileTypeId = "OMBRA.Document";
constexpr const char* kFileTypeName = "OMBRA Document";

// The shell's view of the type under HKEY_CLASSES_ROOT. An extension that another program
// has taken is left to it, as the application framework does.
bool RegisterShellFileType(const std::filesystem::path& executable) {
    const std::string program = "\"" + executable.string() + "\"";
    const std::string type = kFileTypeId;
    try {
        return platform::RegistryModify(
            platform::RegistryRoot::ClassesRoot, [&](platform::RegistryKeyTree& tree) {
                bool ok = tree.SetString(type, "", kFileTypeName) &&
                          tree.SetString(type + "\\DefaultIcon", "", executable.string() + ",0") &&
                          tree.SetString(type + "\\shell\\open\\command", "", program + " \"%1\"") &&
                          tree.SetString(type + "\\shell\\print\\command", "", program + " /p \"%1\"") &&
                          tree.SetString(type + "\\shell\\printto\\command", "",
                                         program + " /pt \"%1\" \"%2\" \"%3\" \"%4\"");
                const std::optional<std::string> owner = tree.GetString(kExtension, "");
                if (!owner || owner->empty() || *owner == type)
                    ok = ok && tree.SetString(kExtension, "", type);
                if (!ok)
                    throw std::runtime_error("the file type cannot be stored");
            });
    } catch (const std::exception&) {
        return false; // nothing was written
    }
}

} // namespace

bool RegisterFileType(const std::filesystem::path& executable) {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::absolute(executable, error);
    if (error)
        return false;
    const bool shell = RegisterShellFileType(program);
    const std::optional<std::filesystem::path> dataHome = detail::DataHome();
    const bool desktop = dataHome && detail::WriteDesktopFiles(*dataHome, program);
    return shell && desktop;
}

} // namespace corvid::ombra
