#include "operator_plugin.h"

#include "halcyon/host_program.h"

#include <dlfcn.h>
#include <filesystem>
#include <vector>

namespace corvid::host {

std::unique_ptr<OperatorPlugin> OperatorPlugin::Load(const std::string& path, std::string& problem) {
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* reason = ::dlerror();
        problem = reason ? reason : "cannot load " + path;
        return nullptr;
    }
    auto initialize = reinterpret_cast<InitializeProc>(::dlsym(module, "InitializeUserModule"));
    auto shutdown = reinterpret_cast<ShutdownProc>(::dlsym(module, "ShutdownUserModule"));
    if (!initialize || !shutdown) {
        problem = path + " does not export InitializeUserModule and ShutdownUserModule";
        ::dlclose(module);
        return nullptr;
    }
    std::unique_ptr<OperatorPlugin> plugin(new OperatorPlugin(module, initialize, shutdown));
    using AttachProc = int (*)();
    if (auto attach = reinterpret_cast<AttachProc>(::dlsym(module, "UserModuleAttach"));
        attach && !attach()) {
        problem = path + " refused to start (see its message)";
        return nullptr;
    }
    plugin->detach_ = reinterpret_cast<DetachProc>(::dlsym(module, "UserModuleDetach"));
    return plugin;
}

OperatorPlugin::~OperatorPlugin() {
    if (initialized_)
        shutdown_();
    if (detach_)
        detach_();
    ::dlclose(module_);
}

int OperatorPlugin::Operate(const std::vector<std::string>& args) {
    return CallCommand("OperateUserModule", args);
}

int OperatorPlugin::Reports(const std::vector<std::string>& args) {
    return CallCommand("ReportsUserModule", args);
}

int OperatorPlugin::CallCommand(const char* entry, const std::vector<std::string>& args) {
    auto operate = reinterpret_cast<OperateProc>(::dlsym(module_, entry));
    if (!operate)
        return -1;
    std::vector<const char*> argv;
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    return operate(static_cast<int>(argv.size()), argv.data());
}

int OperatorPlugin::Run() {
    initialized_ = true;
    return initialize_();
}

std::string OperatorPluginPath(const std::string& commandLinePath) {
    if (!commandLinePath.empty())
        return commandLinePath;
    std::vector<char> buffer(4096);
    int length =
        HalcyonConfigValue("HALCYON", "OperatorModule", buffer.data(), static_cast<int>(buffer.size()));
    if (length > 0)
        return buffer.data();
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("pardel.so") : (self.parent_path() / "pardel.so").string();
}

} // namespace corvid::host
