// The operator plug-in (pardel.so): loaded by path and started (UserModuleAttach, which
// may refuse the load), entered through InitializeUserModule (which returns when the
// operator leaves its window) or OperateUserModule (the Run page without a window), and
// shut down through ShutdownUserModule and UserModuleDetach before it is unloaded.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace corvid::host {

class OperatorPlugin {
public:
    // Null with the reason in problem when the file cannot be loaded, lacks an entry
    // point or refuses to start.
    static std::unique_ptr<OperatorPlugin> Load(const std::string& path, std::string& problem);
    // Calls ShutdownUserModule when the module was initialised and UserModuleDetach, then unloads it.
    ~OperatorPlugin();
    OperatorPlugin(const OperatorPlugin&) = delete;
    OperatorPlugin& operator=(const OperatorPlugin&) = delete;

    // Runs InitializeUserModule and returns its result.
    int Run();
    // Runs OperateUserModule with the arguments after "operate" and returns its exit
    // status; -1 when the plug-in has no such entry.
    int Operate(const std::vector<std::string>& args);
    // Runs ReportsUserModule with the arguments after "reports"; -1 without such an entry.
    int Reports(const std::vector<std::string>& args);

private:
    int CallCommand(const char* entry, const std::vector<std::string>& args);

    using InitializeProc = unsigned short (*)();
    using ShutdownProc = void (*)();
    using DetachProc = void (*)();
    using OperateProc = int (*)(int argc, const char* const* argv);
    OperatorPlugin(void* module, InitializeProc initialize, ShutdownProc shutdown)
        : module_(module), initialize_(initialize), shutdown_(shutdown) {}

    void* module_;
    InitializeProc initialize_;
    ShutdownProc shutdown_;
    DetachProc detach_ = nullptr;
    bool initialized_ = false;
};

// Where the plug-in is: the command line's path, else the configuration's ("HALCYON"
// OperatorModule), else pardel.so beside the program.
std::string OperatorPluginPath(const std::string& commandLinePath);

} // namespace corvid::host
