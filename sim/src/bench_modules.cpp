#include "bench_modules.h"

#include <charconv>
#include <set>

namespace corvid::sim {

namespace {

// Numbers of module lines may be written in decimal or with 0x.
bool ParseNumber(const std::string& text, long& value) {
    std::string_view digits = text;
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
        base = 16;
    }
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    return ec == std::errc() && end == digits.data() + digits.size() && !digits.empty();
}

struct SpaceName {
    const char* name;
    ModuleSpace space;
    ModuleSpec::Kind kind;
};

constexpr SpaceName kSpaces[] = {
    {"a16", ModuleSpace::A16, ModuleSpec::Kind::Vxi},
    {"a24", ModuleSpace::A24, ModuleSpec::Kind::Vxi},
    {"config", ModuleSpace::PciConfig, ModuleSpec::Kind::Pxi},
    {"bar0", ModuleSpace::Bar0, ModuleSpec::Kind::Pxi},
    {"bar1", ModuleSpace::Bar1, ModuleSpec::Kind::Pxi},
    {"bar2", ModuleSpace::Bar2, ModuleSpec::Kind::Pxi},
    {"bar3", ModuleSpace::Bar3, ModuleSpec::Kind::Pxi},
    {"bar4", ModuleSpace::Bar4, ModuleSpec::Kind::Pxi},
    {"bar5", ModuleSpace::Bar5, ModuleSpec::Kind::Pxi},
};

// The first byte of a VXI module's configuration window that the description may set:
// the ID, device type, status and offset registers are the module's own.
constexpr uint32_t kFirstDeviceRegister = 0x08;
constexpr uint32_t kConfigWindow = 64;

} // namespace

void ModuleReader::Fail(int line, const std::string& reason) const {
    throw BenchError(bench_.file, line, reason);
}

long ModuleReader::Number(const BenchToken& token, long low, long high, const char* what, int line) const {
    long value = 0;
    if (token.quoted || !ParseNumber(token.text, value)) {
        Fail(line, std::string(what) + " \"" + token.text + "\" is not a whole number");
    }
    if (value < low || value > high) {
        Fail(line, std::string(what) + " " + token.text + " is outside " + std::to_string(low) + " to " +
                       std::to_string(high));
    }
    return value;
}

const MainframeSpec* ModuleReader::FindMainframe(int chassis) const {
    for (const MainframeSpec& m : bench_.mainframes) {
        if (m.chassis == chassis) {
            return &m;
        }
    }
    return nullptr;
}

void ModuleReader::Mainframe(const std::vector<BenchToken>& tokens, int line) {
    static const char* kUsage =
        "expected: mainframe CHASSIS controller \"NAME\" [la N], or mainframe CHASSIS "
        "gpib BOARD PRIMARY identity \"IDN\" [la N] [name \"NAME\"]";
    if (tokens.size() < 4) {
        Fail(line, kUsage);
    }
    MainframeSpec frame;
    frame.line = line;
    frame.chassis = static_cast<int>(Number(tokens[1], 0, 9, "mainframe number", line));
    if (const MainframeSpec* other = FindMainframe(frame.chassis)) {
        Fail(line,
             "mainframe " + tokens[1].text + " is already described at line " + std::to_string(other->line));
    }
    size_t i = 2;
    if (tokens[i].text == "controller") {
        if (!tokens[i + 1].quoted) {
            Fail(line, kUsage);
        }
        frame.controllerName = tokens[i + 1].text;
        i += 2;
    } else if (tokens[i].text == "gpib" && tokens.size() >= 5) {
        frame.gpibBoard = static_cast<int>(Number(tokens[i + 1], 0, 15, "board index", line));
        frame.gpibPad = static_cast<int>(Number(tokens[i + 2], 0, 30, "primary address", line));
        frame.controllerName = "GPIB-VXI controller";
        i += 3;
    } else {
        Fail(line, kUsage);
    }
    for (; i < tokens.size(); i += 2) {
        if (i + 1 >= tokens.size()) {
            Fail(line, kUsage);
        }
        const std::string& option = tokens[i].text;
        if (option == "la") {
            frame.controllerLa = static_cast<int>(Number(tokens[i + 1], 0, 255, "logical address", line));
        } else if (option == "name" && tokens[i + 1].quoted) {
            frame.controllerName = tokens[i + 1].text;
        } else if (option == "identity" && tokens[i + 1].quoted && frame.gpibBoard >= 0) {
            frame.identity = tokens[i + 1].text;
        } else {
            Fail(line, "unknown mainframe option \"" + option + "\"");
        }
    }
    if (frame.gpibBoard >= 0) {
        if (frame.identity.empty()) {
            Fail(line, "a mainframe behind a GPIB-VXI controller needs the controller's identity");
        }
        InstrumentSpec controller;
        controller.name = "mainframe" + std::to_string(frame.chassis);
        controller.board = frame.gpibBoard;
        controller.pad = frame.gpibPad;
        controller.identity = frame.identity;
        controller.gpibVxiController = true;
        controller.line = line;
        bench_.instruments.push_back(std::move(controller));
    }
    bench_.mainframes.push_back(std::move(frame));
}

void ModuleReader::NewModuleName(const std::string& name, int line) const {
    for (const ModuleSpec& other : bench_.modules) {
        if (other.name == name) {
            Fail(line, "module \"" + name + "\" is already described at line " + std::to_string(other.line));
        }
    }
}

ModuleSpec& ModuleReader::Module(const std::vector<BenchToken>& tokens, int line) {
    static const char* kUsage =
        "expected: module NAME at vxi CHASSIS LA, or module NAME at pxi BUS DEVICE [FUNCTION]";
    if (tokens.size() < 6 || tokens[2].text != "at") {
        Fail(line, kUsage);
    }
    ModuleSpec module;
    module.name = tokens[1].text;
    module.line = line;
    NewModuleName(module.name, line);
    if (tokens[3].text == "vxi" && tokens.size() == 6) {
        module.chassis = static_cast<int>(Number(tokens[4], 0, 9, "mainframe number", line));
        module.la = static_cast<int>(Number(tokens[5], 1, 255, "logical address", line));
    } else if (tokens[3].text == "pxi" && tokens.size() <= 7) {
        module.kind = ModuleSpec::Kind::Pxi;
        module.pciBus = static_cast<int>(Number(tokens[4], 0, 255, "PCI bus", line));
        module.pciDevice = static_cast<int>(Number(tokens[5], 0, 31, "PCI device", line));
        if (tokens.size() == 7) {
            module.pciFunction = static_cast<int>(Number(tokens[6], 0, 7, "PCI function", line));
        }
    } else {
        Fail(line, kUsage);
    }
    bench_.modules.push_back(std::move(module));
    return bench_.modules.back();
}

ModuleSpec& ModuleReader::MessageModule(const std::vector<BenchToken>& tokens, int line) {
    if (tokens.size() != 6) {
        Fail(line, "expected: instrument NAME at vxi CHASSIS LA");
    }
    ModuleSpec module;
    module.name = tokens[1].text;
    module.line = line;
    NewModuleName(module.name, line);
    module.deviceClass = VxiClass::Message;
    module.chassis = static_cast<int>(Number(tokens[4], 0, 9, "mainframe number", line));
    module.la = static_cast<int>(Number(tokens[5], 1, 255, "logical address", line));
    module.instrument = static_cast<int>(bench_.instruments.size()) - 1;
    bench_.modules.push_back(std::move(module));
    return bench_.modules.back();
}

bool ModuleReader::ModuleLine(ModuleSpec& module, const std::vector<BenchToken>& tokens, int line) {
    const std::string& keyword = tokens[0].text;
    const bool vxi = module.kind == ModuleSpec::Kind::Vxi;
    if (keyword == "vxi" && vxi) {
        VxiOptions(module, tokens, line);
    } else if (keyword == "pci" && !vxi) {
        PciOptions(module, tokens, line);
    } else if (keyword == "bar" && !vxi) {
        Bar(module, tokens, line);
    } else if (keyword == "register") {
        Register(module, tokens, line);
    } else {
        return false;
    }
    return true;
}

void ModuleReader::VxiOptions(ModuleSpec& module, const std::vector<BenchToken>& tokens, int line) {
    if (tokens.size() < 3 || tokens.size() % 2 == 0) {
        Fail(line,
             "expected: vxi manufacturer ID model CODE [slot N] [class CLASS] [memory BYTES] [secondary N]");
    }
    for (size_t i = 1; i < tokens.size(); i += 2) {
        const std::string& option = tokens[i].text;
        const BenchToken& value = tokens[i + 1];
        if (option == "manufacturer") {
            module.manufacturer = static_cast<uint16_t>(Number(value, 0, 0xFFF, "manufacturer", line));
        } else if (option == "model") {
            module.model = static_cast<uint16_t>(Number(value, 0, 0xFFF, "model code", line));
        } else if (option == "slot") {
            module.slot = static_cast<int>(Number(value, 0, 12, "slot", line));
        } else if (option == "memory") {
            module.memorySize = static_cast<uint32_t>(Number(value, 256, 0x100000, "memory size", line));
            if ((module.memorySize & (module.memorySize - 1)) != 0) {
                Fail(line, "memory size " + value.text + " is not a power of two");
            }
        } else if (option == "secondary") {
            module.secondary = static_cast<int>(Number(value, 1, 30, "secondary address", line));
        } else if (option == "class" && module.instrument < 0) {
            static const std::pair<const char*, VxiClass> kClasses[] = {{"memory", VxiClass::Memory},
                                                                        {"extended", VxiClass::Extended},
                                                                        {"register", VxiClass::Register}};
            bool known = false;
            for (const auto& [name, cls] : kClasses) {
                if (value.text == name) {
                    module.deviceClass = cls;
                    known = true;
                }
            }
            if (!known) {
                Fail(line, "unknown module class \"" + value.text + "\" (register, memory or extended)");
            }
        } else {
            Fail(line, "unknown vxi option \"" + option + "\"");
        }
    }
}

void ModuleReader::PciOptions(ModuleSpec& module, const std::vector<BenchToken>& tokens, int line) {
    if (tokens.size() != 5 || tokens[1].text != "vendor" || tokens[3].text != "device") {
        Fail(line, "expected: pci vendor ID device ID");
    }
    module.vendor = static_cast<uint16_t>(Number(tokens[2], 0, 0xFFFE, "vendor identifier", line));
    module.device = static_cast<uint16_t>(Number(tokens[4], 0, 0xFFFF, "device identifier", line));
}

void ModuleReader::Bar(ModuleSpec& module, const std::vector<BenchToken>& tokens, int line) {
    if (tokens.size() != 4 || (tokens[2].text != "memory" && tokens[2].text != "io")) {
        Fail(line, "expected: bar INDEX memory|io BYTES");
    }
    auto index = static_cast<size_t>(Number(tokens[1], 0, 5, "base address register", line));
    BarSpec& bar = module.bars[index];
    bar.io = tokens[2].text == "io";
    bar.size = static_cast<uint32_t>(Number(tokens[3], 16, bar.io ? 256 : 0x1000000, "size", line));
    if ((bar.size & (bar.size - 1)) != 0) {
        Fail(line, "size " + tokens[3].text + " is not a power of two");
    }
}

void ModuleReader::Register(ModuleSpec& module, const std::vector<BenchToken>& tokens, int line) {
    if (tokens.size() != 4 && !(tokens.size() == 5 && tokens[4].text == "readonly")) {
        Fail(line, "expected: register SPACE OFFSET VALUE [readonly]");
    }
    RegisterInit reg;
    reg.line = line;
    bool known = false;
    for (const SpaceName& s : kSpaces) {
        if (tokens[1].text == s.name && s.kind == module.kind) {
            reg.space = s.space;
            known = true;
        }
    }
    if (!known) {
        Fail(line, "unknown address space \"" + tokens[1].text + "\" (" +
                       (module.kind == ModuleSpec::Kind::Vxi ? "a16 or a24" : "bar0 to bar5") + ")");
    }
    reg.width = module.kind == ModuleSpec::Kind::Vxi ? 2 : 4;
    reg.offset = static_cast<uint32_t>(Number(tokens[2], 0, 0xFFFFFF, "offset", line));
    reg.value =
        static_cast<uint32_t>(Number(tokens[3], 0, reg.width == 2 ? 0xFFFF : 0xFFFFFFFFL, "value", line));
    reg.readOnly = tokens.size() == 5;
    if (reg.offset % static_cast<uint32_t>(reg.width) != 0) {
        Fail(line, "offset " + tokens[2].text + " is not a multiple of " + std::to_string(reg.width));
    }
    if (reg.space == ModuleSpace::PciConfig) {
        Fail(line, "the configuration space is the module's own");
    }
    if (reg.space == ModuleSpace::A16 && (reg.offset < kFirstDeviceRegister || reg.offset >= kConfigWindow)) {
        Fail(line,
             "a16 registers of a module are at offsets 0x08 to 0x3E (below are its configuration registers)");
    }
    module.registers.push_back(reg);
}

void ModuleReader::Finish() {
    std::set<std::pair<int, int>> logical;
    std::set<std::tuple<int, int, int>> pci;
    for (ModuleSpec& module : bench_.modules) {
        if (module.kind == ModuleSpec::Kind::Pxi) {
            if (module.vendor == 0xFFFF) {
                Fail(module.line,
                     "PXI module \"" + module.name + "\" has no 'pci vendor ... device ...' line");
            }
            if (!pci.insert({module.pciBus, module.pciDevice, module.pciFunction}).second) {
                Fail(module.line, "the PCI address of \"" + module.name + "\" is already taken");
            }
            for (const RegisterInit& reg : module.registers) {
                const BarSpec& bar =
                    module.bars[static_cast<size_t>(reg.space) - static_cast<size_t>(ModuleSpace::Bar0)];
                if (reg.offset + 4 > bar.size) {
                    Fail(reg.line, "the register is outside its base address register's range");
                }
            }
            continue;
        }
        const MainframeSpec* frame = FindMainframe(module.chassis);
        if (frame == nullptr) {
            Fail(module.line, "mainframe " + std::to_string(module.chassis) +
                                  " is not described (add \"mainframe " + std::to_string(module.chassis) +
                                  " ...\")");
        }
        if (module.la == frame->controllerLa || !logical.insert({module.chassis, module.la}).second) {
            Fail(module.line, "logical address " + std::to_string(module.la) + " is already taken");
        }
        for (const RegisterInit& reg : module.registers) {
            if (reg.space == ModuleSpace::A24 && reg.offset + 2 > module.memorySize) {
                Fail(reg.line, "the register is outside the module's memory (vxi memory BYTES)");
            }
        }
        if (module.instrument < 0) {
            continue;
        }
        InstrumentSpec& inst = bench_.instruments[static_cast<size_t>(module.instrument)];
        if (frame->gpibBoard < 0) {
            continue;
        }
        if (module.secondary < 0) {
            Fail(module.line, "a message-based module behind a GPIB-VXI controller needs 'vxi secondary N'");
        }
        inst.board = frame->gpibBoard;
        inst.pad = frame->gpibPad;
        inst.sad = module.secondary;
    }
}

} // namespace corvid::sim
