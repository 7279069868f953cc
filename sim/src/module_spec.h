// Register-based and message-based modules of a bench: VXI mainframes (reached through an
// embedded controller or a GPIB-VXI controller on a GPIB board) with their modules, and
// PXI modules on the PCI bus. A message-based VXI module is also an instrument of the bench
// (its word-serial dialogue is the instrument's); the rest is registers and memory.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace corvid::sim {

// A word of a description line: its text and whether it was quoted.
struct BenchToken {
    std::string text;
    bool quoted = false;
};

// The device classes of a VXI module, as bits 15-14 of its ID register give them.
enum class VxiClass { Memory = 0, Extended = 1, Message = 2, Register = 3 };

// Address spaces of module registers: VXI A16 (the module's configuration window),
// VXI A24 (its memory), PCI configuration space and PCI base address registers 0 to 5.
enum class ModuleSpace { A16, A24, PciConfig, Bar0, Bar1, Bar2, Bar3, Bar4, Bar5 };

// The initial value of a register (its width in bytes) and whether writes are ignored.
struct RegisterInit {
    ModuleSpace space = ModuleSpace::A16;
    uint32_t offset = 0;
    uint32_t value = 0;
    int width = 2;
    bool readOnly = false;
    int line = 0;
};

struct BarSpec {
    bool io = false;   // I/O space rather than memory
    uint32_t size = 0; // 0: the register is not in use
};

struct MainframeSpec {
    int chassis = 0;
    std::string controllerName;
    int controllerLa = 0;
    // A mainframe behind a GPIB-VXI controller: the controller's GPIB board and primary
    // address; -1 for the mainframe of the embedded controller.
    int gpibBoard = -1;
    int gpibPad = -1;
    std::string identity; // what the GPIB-VXI controller answers to *IDN?
    int line = 0;
};

struct ModuleSpec {
    enum class Kind { Vxi, Pxi };
    std::string name;
    Kind kind = Kind::Vxi;
    int line = 0;
    std::vector<RegisterInit> registers;

    // VXI
    int chassis = 0;
    int la = 0;
    int slot = -1; // unknown
    uint16_t manufacturer = 0xFFF;
    uint16_t model = 0;
    VxiClass deviceClass = VxiClass::Register;
    uint32_t memorySize = 0; // the A24 window, 0 for none
    int secondary = -1;      // GPIB secondary address through a GPIB-VXI controller
    int instrument = -1;     // index of the instrument of a message-based module

    // PXI
    int pciBus = 0;
    int pciDevice = 0;
    int pciFunction = 0;
    uint16_t vendor = 0xFFFF;
    uint16_t device = 0xFFFF;
    std::array<BarSpec, 6> bars{};
};

} // namespace corvid::sim
