#include "gpibvxi_controllers.h"

#include "../component.h"
#include "../gpib/gpib_driver.h"

#include <algorithm>
#include <cstdio>
#include <dlfcn.h>
#include <filesystem>
#include <sstream>

namespace corvid::visaio {

namespace {

constexpr const char* kBuiltInIdn = "\"Sorbel\",\"GPIB-VXI\"";
constexpr long kIdnReplyLength = 100;
constexpr int kSearchTimeout = T10s;

std::optional<std::vector<int>> Numbers(const std::string& text) {
    std::vector<int> numbers;
    std::string item;
    std::istringstream in(text);
    while (std::getline(in, item, ',')) {
        try {
            size_t used = 0;
            numbers.push_back(std::stoi(item, &used));
            if (item.find_first_not_of(" \t", used) != std::string::npos) {
                return std::nullopt;
            }
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }
    return numbers;
}

// Asks the device at board and primary address "*IDN?"; the empty text when it does not
// answer.
std::string Identify(int board, int primary) {
    GpibDriver& driver = GpibDriver::Instance();
    GpibResult opened = driver.Device(board, primary, 0, kSearchTimeout, 1, 0);
    if (opened.failed() || opened.count < 0) {
        return {};
    }
    int ud = static_cast<int>(opened.count);
    std::string reply;
    if (!driver.Write(ud, "*IDN?\n", 6).failed()) {
        char buffer[kIdnReplyLength] = {};
        GpibResult read = driver.Read(ud, buffer, sizeof buffer);
        if (!read.failed()) {
            reply.assign(buffer, static_cast<size_t>(std::max(0L, read.count)));
        }
    }
    driver.Online(ud, 0);
    return reply;
}

template <class Fn>
Fn Entry(void* library, const std::string& prefix, const char* function) {
    return reinterpret_cast<Fn>(dlsym(library, (prefix + "_" + function).c_str()));
}

} // namespace

std::vector<ControllerType> ReadControllerTypes() {
    const SbvisaServices& services = Services();
    int count = services.readConfigShort("SBGPVX", "NumEntries", -1);
    if (count < 0) {
        std::string idn = kBuiltInIdn;
        return {{"sbgpvx", idn, idn.size(), "Sorbel GPIB-VXI"}};
    }
    std::vector<ControllerType> types;
    for (int i = 0; i < count; ++i) {
        std::string section = "SBGPVX/Entry" + std::to_string(i);
        ControllerType type;
        type.prefix = ConfigString(section.c_str(), "Prefix", "");
        type.idn = ConfigString(section.c_str(), "IDNstr", "");
        type.name = ConfigString(section.c_str(), "Name", "Sorbel GPIB-VXI");
        int length =
            services.readConfigShort(section.c_str(), "IDNlen", static_cast<ViInt16>(type.idn.size()));
        type.idnLength = static_cast<size_t>(std::clamp<int>(length, 0, static_cast<int>(type.idn.size())));
        if (!type.prefix.empty() && type.idnLength > 0) {
            types.push_back(std::move(type));
        }
    }
    return types;
}

std::optional<std::size_t> MatchControllerType(const std::vector<ControllerType>& types,
                                               const std::string& reply) {
    for (std::size_t i = 0; i < types.size(); ++i) {
        if (reply.compare(0, types[i].idnLength, types[i].idn, 0, types[i].idnLength) == 0 &&
            reply.size() >= types[i].idnLength) {
            return i;
        }
    }
    return std::nullopt;
}

GpibVxiControllers& GpibVxiControllers::Instance() {
    static GpibVxiControllers controllers;
    return controllers;
}

void GpibVxiControllers::Configure() {
    types_ = ReadControllerTypes();
    for (int i = 0; i < kCount; ++i) {
        GpibVxiController& c = controllers_[i];
        std::string key = "Controller" + std::to_string(i);
        std::optional<std::vector<int>> place = Numbers(ConfigString("GPIB-VXI", key.c_str(), ""));
        if (!place || place->size() < 2 || place->size() > 3 || (*place)[0] < 0 ||
            (*place)[0] >= SBVISA_GPIB_BOARDS || (*place)[1] < 0 || (*place)[1] > 30) {
            continue;
        }
        c.configured = true;
        c.board = (*place)[0];
        c.primary = (*place)[1];
        // Without the search, the controller is of the type its entry names (the first).
        size_t entry = place->size() == 3 ? static_cast<size_t>(std::max(0, (*place)[2])) : 0;
        if (entry < types_.size()) {
            c.type = entry;
        }
    }
    configured_ = true;
}

void GpibVxiControllers::Search() {
    searched_ = true;
    if (Tables().disableAutoFind != 0) {
        return;
    }
    for (GpibVxiController& c : controllers_) {
        if (c.configured) {
            c.type = MatchControllerType(types_, Identify(c.board, c.primary));
        }
    }
}

bool GpibVxiControllers::LoadModule(GpibVxiController& c) {
    if (c.module) {
        return true;
    }
    if (!c.type) {
        return false;
    }
    const ControllerType& type = types_[*c.type];
    const char* directory = Services().installDirectory ? Services().installDirectory() : "";
    std::string path = std::string(directory) + "/bin/" + type.prefix + "32.so";
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        return false;
    }
    ControllerModule module;
    module.library = library;
    module.prefix = type.prefix;
    auto open = Entry<GpvxOpenFn>(library, type.prefix, "open");
    module.getDevs = Entry<GpvxGetDevsFn>(library, type.prefix, "getDevs");
    module.getDevInfo = Entry<GpvxGetDevInfoFn>(library, type.prefix, "getDevInfo");
    module.peek = Entry<GpvxPeekFn>(library, type.prefix, "peek");
    module.poke = Entry<GpvxPokeFn>(library, type.prefix, "poke");
    if (!open || !module.getDevs || !module.getDevInfo ||
        open(static_cast<int16_t>(c.board), static_cast<int16_t>(c.primary), &module.handle) < 0) {
        dlclose(library);
        return false;
    }
    c.module = module;
    return true;
}

const GpibVxiController* GpibVxiControllers::Ready(int index) {
    if (index < 0 || index >= kCount) {
        return nullptr;
    }
    std::lock_guard lock(mutex_);
    if (!configured_) {
        Configure();
    }
    if (!searched_) {
        Search();
    }
    GpibVxiController& c = controllers_[index];
    if (!c.configured) {
        return nullptr;
    }
    if (!LoadModule(c)) {
        c.configured = false;
        return nullptr;
    }
    return &c;
}

} // namespace corvid::visaio
