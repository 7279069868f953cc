#include "ombra/startup.h"
#include "ombra/version_check.h"

namespace corvid::ombra {
namespace {

using debugger::MsgAnswer;
using debugger::MsgButtons;
using debugger::MsgIcon;

constexpr const char* kUnknownVersionText =
    "Ombra was unable to determine it's product version correctly. The\r\n"
    "version information provided by Ombra will not be correct.\r\n\r\n"
    "If using shortcuts to launch Ombra, make sure that the working\r\n"
    "directory is correctly set to the path that Ombra.exe resides.";

std::string DriverInformationText(const std::string& failure) {
    return "Ombra was unable to correctly determine the location or version\r\n"
           "of the required I/O driver. Either the driver is not correctly\r\n"
           "registered, an incorrect driver is registered, or the registered\r\n"
           "driver could not be found on your system.\r\n\r\n"
           "More information:\r\n" +
           failure;
}

std::string IncompatibleDriverText(const std::string& driverPath, const std::string& driverVersion,
                                   const std::string& ownVersion) {
    return "The driver currently registered at:\r\n\"" + driverPath +
           "\"\r\nis not compatible with this version of Ombra.\r\n\r\n"
           "Driver version:\t" +
           driverVersion + "\r\nOmbra version:\t" + ownVersion +
           "\r\n\r\n"
           "Operation is not guaranteed with this configuration and\r\n"
           "your system could become unstable if you attempt to run\r\n"
           "Corvid Halcyon simultaneously with Ombra.\r\n\r\n"
           "Do you still want to open Ombra?\r\n"
           "(Pressing \"No\" will exit the program)\r\n";
}

} // namespace

StartupResult RunStartupChecks(const std::filesystem::path& executable, debugger::Prompt& prompt) {
    StartupResult result;
    const OwnVersion own = DetermineOwnVersion(executable);
    result.versionText = own.text;
    if (!own.record)
        prompt.Ask(kUnknownVersionText, "Unknown product version", MsgButtons::Ok, MsgIcon::Error);

    // A missing or wrong driver is reported and the debugger starts anyway.
    const DriverLookup driver = FindDriver();
    if (!driver) {
        prompt.Ask(DriverInformationText(driver.failure), "Could not get driver information", MsgButtons::Ok,
                   MsgIcon::Information);
        return result;
    }
    if (VersionsDiffer(driver.record, own.record)) {
        const MsgAnswer answer =
            prompt.Ask(IncompatibleDriverText(driver.path.string(), VersionText(driver.record), own.text),
                       "Continue loading Ombra?", MsgButtons::YesNo, MsgIcon::Information);
        result.proceed = answer == MsgAnswer::Yes;
    }
    return result;
}

} // namespace corvid::ombra
