#include "serial_ports.h"

#include "../component.h"

#include <cstdio>
#include <strings.h>
#include <sys/stat.h>

namespace corvid::visaio {
namespace {

constexpr const char* kAliasSection = "ASRL-RSRC-ALIAS";
constexpr const char* kDevicePrefix = "/dev/";

std::string Key(const char* name, int index) {
    return name + std::to_string(index);
}

// The port number of "ASRL%hd::INSTR", or 0 when the name is not one.
int PortOfName(const std::string& name) {
    short number = 0;
    int used = 0;
    if (std::sscanf(name.c_str(), "%*1[Aa]%*1[Ss]%*1[Rr]%*1[Ll]%hd%n", &number, &used) != 1 ||
        strcasecmp(name.c_str() + used, "::INSTR") != 0) {
        return 0;
    }
    return SerialPorts::ValidNumber(number) ? number : 0;
}

std::string DefaultDevice(int number) {
    return "ttyS" + std::to_string(number - 1);
}

} // namespace

SerialPorts& SerialPorts::Instance() {
    static SerialPorts* ports = new SerialPorts(); // worker threads may outlive static destruction
    return *ports;
}

SerialPorts::SerialPorts() {
    for (auto& entry : entries_) {
        entry = std::make_unique<SerialPortEntry>();
    }
}

void SerialPorts::Load() {
    if (loaded_) {
        return;
    }
    loaded_ = true;
    int count = Services().readConfigShort(kAliasSection, "NumOfResources", 0);
    for (int i = 0; i < count; ++i) {
        LoadAlias(i);
    }
}

// Values are kept as configured: a port opened with VI_LOAD_CONFIG and a value outside
// its range fails to open (with a warning here), rather than opening with other settings.
void SerialPorts::LoadAlias(int index) {
    const SbvisaServices& services = Services();
    int number = PortOfName(ConfigString(kAliasSection, Key("Name", index).c_str(), ""));
    std::string systemName = ConfigString(kAliasSection, Key("SystemName", index).c_str(), "");
    if (number == 0 || systemName.empty()) {
        return;
    }
    SerialAlias alias;
    alias.configured = true;
    alias.systemName = systemName;
    auto number16 = [&](const char* key, ViInt16 fallback) {
        return services.readConfigShort(kAliasSection, Key(key, index).c_str(), fallback);
    };
    alias.line.baud =
        static_cast<ViUInt32>(services.readConfigLong(kAliasSection, Key("BaudRate", index).c_str(), 9600));
    alias.line.dataBits = static_cast<ViUInt16>(number16("DataBits", 8));
    alias.line.parity = static_cast<ViUInt16>(number16("Parity", 0));
    alias.line.stopBits = static_cast<ViUInt16>(number16("StopBits", 10));
    alias.flow = static_cast<ViUInt16>(number16("FlowCtrl", 0));
    if (!ValidLineSettings(alias.line) || alias.flow > 7) {
        std::fprintf(
            stderr,
            "sbviio32: [%s] settings of ASRL%d::INSTR (BaudRate%d, DataBits%d, Parity%d, StopBits%d, "
            "FlowCtrl%d) are out of range; opening it with VI_LOAD_CONFIG fails\n",
            kAliasSection, number, index, index, index, index, index);
    }
    Entry(number).alias = alias;
}

bool SerialPorts::Present(int number) {
    if (!ValidNumber(number)) {
        return false;
    }
    if (Entry(number).alias.configured) {
        return true;
    }
    struct stat info {};
    return number <= kLastDefaultSerialPort && ::stat(DevicePath(number).c_str(), &info) == 0;
}

std::string SerialPorts::DevicePath(int number) {
    const SerialAlias& alias = Entry(number).alias;
    if (alias.configured) {
        return alias.systemName[0] == '/' ? alias.systemName : kDevicePrefix + alias.systemName;
    }
    return number <= kLastDefaultSerialPort ? kDevicePrefix + DefaultDevice(number) : std::string();
}

std::string SerialPorts::DisplayName(int number) {
    const SerialAlias& alias = Entry(number).alias;
    return alias.configured ? alias.systemName : DefaultDevice(number);
}

} // namespace corvid::visaio
