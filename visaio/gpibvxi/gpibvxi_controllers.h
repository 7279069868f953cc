// The GPIB-VXI controllers 0 to 9: where they are on the GPIB ("Controller<n>" of
// [GPIB-VXI]: "board,primary[,entry]"), which controller type answers there (the "SBGPVX"
// entries, found by asking each controller "*IDN?"), and the controller module loaded for
// it ("<installation>/bin/<prefix>32.so").
#pragma once

#include "visa/sbvisa_io.h"
#include "vxibus/vxibus.h"

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace corvid::visaio {

// A controller type: what its identification starts with, and the module that serves it.
struct ControllerType {
    std::string prefix;
    std::string idn;
    std::size_t idnLength = 0;
    std::string name;
};

// The "SBGPVX" entries: "NumEntries" in [SBGPVX], then "Prefix", "IDNstr", "IDNlen" and
// "Name" in [SBGPVX/Entry<n>]; without them the one built-in entry.
std::vector<ControllerType> ReadControllerTypes();
// The index of the type whose identification the reply starts with (compared for the
// type's length), if any.
std::optional<std::size_t> MatchControllerType(const std::vector<ControllerType>& types,
                                               const std::string& reply);

// A controller's loaded module.
struct ControllerModule {
    void* library = nullptr;
    void* handle = nullptr; // the module's handle of this controller
    std::string prefix;
    GpvxGetDevsFn getDevs = nullptr;
    GpvxGetDevInfoFn getDevInfo = nullptr;
    GpvxPeekFn peek = nullptr;
    GpvxPokeFn poke = nullptr;
};

struct GpibVxiController {
    bool configured = false;
    int board = 0;
    int primary = 0;
    int secondaryBase = 96;
    std::optional<std::size_t> type;
    std::optional<ControllerModule> module;
};

class GpibVxiControllers {
public:
    static constexpr int kCount = 10;
    static GpibVxiControllers& Instance();

    // The controllers once configured, searched and with their modules loaded; a
    // controller whose module cannot be loaded is unconfigured. Null for one that is not.
    const GpibVxiController* Ready(int index);
    const ControllerType& TypeOf(const GpibVxiController& controller) const {
        return types_[*controller.type];
    }

private:
    GpibVxiControllers() = default;
    void Configure();
    void Search();
    bool LoadModule(GpibVxiController& controller);

    std::mutex mutex_;
    bool configured_ = false;
    bool searched_ = false;
    std::vector<ControllerType> types_;
    GpibVxiController controllers_[kCount];
};

} // namespace corvid::visaio
