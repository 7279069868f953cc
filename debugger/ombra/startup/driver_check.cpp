#include "ombra/version_check.h"
#include "platform/registry.h"
#include "text_util.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace corvid::ombra {
namespace {

constexpr const char* kNoRegistration = "No Ombra driver registration could be found in the system registry.";

// One key to open on the way to the registration, with the text when it is missing.
struct KeyStep {
    const char* name;
    const char* failure;
};

// Opens the keys in turn from the root of the tree and reads the default value of the
// last one, as the registry would hand it over (a string of at most 512 bytes).
std::pair<std::optional<std::string>, std::string> ReadRegistration(const platform::RegistryKeyTree& tree,
                                                                    const std::vector<KeyStep>& steps) {
    std::string path;
    for (const KeyStep& step : steps) {
        path += path.empty() ? "" : "\\";
        path += step.name;
        if (!tree.KeyExists(path))
            return {std::nullopt, step.failure};
    }
    std::optional<std::string> value = tree.GetString(path, "");
    if (!value || value->size() >= kMaxRegistryValueBytes)
        return {std::nullopt, kNoRegistration};
    return {std::move(value), {}};
}

std::vector<KeyStep> RegistrationSteps(std::vector<KeyStep> steps) {
    for (const char* name : {kDriverTypeLibrary, "1.0", "0", "win32"})
        steps.push_back({name, kNoRegistration});
    return steps;
}

using WrongNameText = std::string (*)(const std::string& lowerName, const std::string& value);

// The registered value when it names the driver's file (compared without regard to case),
// else nullopt with the failure text.
std::pair<std::optional<std::string>, std::string> RegisteredDriver(const platform::RegistryKeyTree& tree,
                                                                    const std::vector<KeyStep>& steps,
                                                                    WrongNameText wrongName) {
    auto [value, failure] = ReadRegistration(tree, steps);
    if (!value)
        return {std::nullopt, failure};
    const std::size_t slash = value->rfind('/');
    if (slash == std::string::npos)
        return {std::nullopt, "An invalid filename (" + *value + ") was registered for the Ombra driver."};
    const std::string name = detail::ToLowerAscii(value->substr(slash + 1));
    if (name != kDriverFileName)
        return {std::nullopt, wrongName(name, *value)};
    return {std::move(value), {}};
}

// Opened for reading only, never loaded. Directories and devices do not count as files.
bool CanOpenForReading(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    return regular;
}

DriverLookup Failure(std::string text) {
    DriverLookup lookup;
    lookup.failure = std::move(text);
    return lookup;
}

} // namespace

DriverLookup FindDriver() {
    // One consistent copy: the classes root is the SOFTWARE\Classes subtree of it.
    const platform::RegistryKeyTree machine =
        platform::RegistrySnapshot(platform::RegistryRoot::LocalMachine);

    auto [classesValue, classesFailure] = RegisteredDriver(
        machine,
        RegistrationSteps(
            {{"SOFTWARE\\Classes\\TypeLib", "HKEY_CLASSES_ROOT\\TypeLib registry key not found"}}),
        [](const std::string&, const std::string& value) {
            return "The registered driver found at:\r\n" + value + "\r\nis not a valid Ombra driver.";
        });
    if (!classesValue)
        return Failure(classesFailure);

    auto [value, failure] = RegisteredDriver(
        machine,
        RegistrationSteps(
            {{"SOFTWARE", "HKEY_LOCAL_MACHINE\\SOFTWARE registry key not found"},
             {"Classes", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes registry key not found"},
             {"TypeLib", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\TypeLib registry key not found"}}),
        [](const std::string& name, const std::string& registered) {
            return "The registered driver " + name + " is not a Ombra driver.\r\nFull path: " + registered;
        });
    if (!value)
        return Failure(failure);

    DriverLookup lookup;
    lookup.path = *value;
    if (!CanOpenForReading(lookup.path))
        return Failure("The driver registered as:\r\n" + *value +
                       "\r\ncould not be opened from the specified location.");
    lookup.record = ReadVersionRecord(lookup.path);
    if (!lookup.record)
        return Failure("Unable to determine driver information for the Ombra driver located at:\r\n" +
                       *value);
    return lookup;
}

} // namespace corvid::ombra
