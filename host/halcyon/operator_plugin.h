// The operator plug-in (pardel.so): loaded by path, entered through InitializeUserModule
// (which returns when the operator leaves its window) and shut down through
// ShutdownUserModule before it is unloaded.
#pragma once

#include <memory>
#include <string>

namespace corvid::host {

class OperatorPlugin {
public:
    // Null with the reason in problem when the file cannot be loaded or lacks an entry point.
    static std::unique_ptr<OperatorPlugin> Load(const std::string& path, std::string& problem);
    // Calls ShutdownUserModule when the module was initialised, then unloads it.
    ~OperatorPlugin();
    OperatorPlugin(const OperatorPlugin&) = delete;
    OperatorPlugin& operator=(const OperatorPlugin&) = delete;

    // Runs InitializeUserModule and returns its result.
    int Run();

private:
    using InitializeProc = unsigned short (*)();
    using ShutdownProc = void (*)();
    OperatorPlugin(void* module, InitializeProc initialize, ShutdownProc shutdown)
        : module_(module), initialize_(initialize), shutdown_(shutdown) {}

    void* module_;
    InitializeProc initialize_;
    ShutdownProc shutdown_;
    bool initialized_ = false;
};

// Where the plug-in is: the command line's path, else the configuration's ("HALCYON"
// OperatorModule), else pardel.so beside the program.
std::string OperatorPluginPath(const std::string& commandLinePath);

} // namespace corvid::host
