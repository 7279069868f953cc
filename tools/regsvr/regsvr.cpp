// regsvr <module> [-u]: registers a component module (or unregisters it with -u) by
// calling its exported DllRegisterServer (DllUnregisterServer).
//
// Exit status: 0 done, 1 bad command line, 3 the module cannot be loaded, 4 it lacks
// the entry point, 5 the entry point failed.
#include "com/error_info.h"
#include "com/hresult.h"
#include "com/module.h"

#include <cstdio>
#include <dlfcn.h>
#include <filesystem>
#include <string>
#include <string_view>

namespace {

using namespace corvid::com;

enum ExitStatus { kDone = 0, kUsage = 1, kLoadFailed = 3, kNoEntryPoint = 4, kCallFailed = 5 };

struct Request {
    std::string module;
    bool unregister = false;
};

bool ParseArguments(int argc, char** argv, Request& request) {
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        if (argument == "-u" || argument == "/u")
            request.unregister = true;
        else if (!argument.empty() && argument[0] != '-' && request.module.empty())
            request.module = argument;
        else
            return false;
    }
    return !request.module.empty();
}

// A file that exists is loaded by its absolute path, so that the module registers the
// path it was really loaded from; other names go to the library search path.
std::string ModuleToLoad(const std::string& name) {
    std::error_code error;
    auto path = std::filesystem::canonical(name, error);
    return error ? name : path.string();
}

int Run(const Request& request) {
    std::string path = ModuleToLoad(request.module);
    const char* entryName = request.unregister ? "DllUnregisterServer" : "DllRegisterServer";
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* reason = ::dlerror();
        std::fprintf(stderr, "regsvr: the module \"%s\" failed to load: %s\n", request.module.c_str(),
                     reason ? reason : "unknown reason");
        return kLoadFailed;
    }
    auto entry = reinterpret_cast<DllRegisterServerFunction>(::dlsym(module, entryName));
    if (!entry) {
        std::fprintf(stderr, "regsvr: the module \"%s\" was loaded, but the entry point %s was not found.\n",
                     request.module.c_str(), entryName);
        return kNoEntryPoint;
    }
    SetErrorInfo(0, nullptr);
    HRESULT hr = entry();
    if (FAILED(hr)) {
        std::fprintf(stderr, "regsvr: %s in %s failed.\nReturn code was: %s (%s)\n", entryName, path.c_str(),
                     FormatHResult(hr).c_str(), HResultText(hr).c_str());
        if (auto details = TakeErrorDetails(); details && !details->description.empty())
            std::fprintf(stderr, "%s\n", details->description.c_str());
        return kCallFailed;
    }
    std::printf("%s in %s succeeded.\n", entryName, path.c_str());
    return kDone;
}

} // namespace

int main(int argc, char** argv) {
    Request request;
    if (!ParseArguments(argc, argv, request)) {
        std::fprintf(stderr, "usage: regsvr <module> [-u]\n"
                             "  Registers a component module by calling its DllRegisterServer;\n"
                             "  -u unregisters it through DllUnregisterServer.\n");
        return kUsage;
    }
    return Run(request);
}
