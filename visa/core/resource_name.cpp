#include "resource_name.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <optional>
#include <vector>

namespace corvid::visa {
namespace {

constexpr std::size_t kMaxNameLength = VI_FIND_BUFLEN - 1;

std::string Upper(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return result;
}

// The fields between "::" separators.
std::vector<std::string_view> SplitFields(std::string_view text) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t at = text.find("::", start);
        if (at == std::string_view::npos) {
            fields.push_back(text.substr(start));
            return fields;
        }
        fields.push_back(text.substr(start, at - start));
        start = at + 2;
    }
}

// A decimal number of at most five digits within [0, max].
std::optional<unsigned> Decimal(std::string_view text, unsigned max) {
    if (text.empty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); })) {
        return std::nullopt;
    }
    unsigned value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    if (value > max) {
        return std::nullopt;
    }
    return value;
}

// A USB identifier: decimal, or hexadecimal with 0x.
std::optional<unsigned> UsbNumber(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        if (text.empty() || text.size() > 4 ||
            !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isxdigit(c); })) {
            return std::nullopt;
        }
        unsigned value = 0;
        std::from_chars(text.data(), text.data() + text.size(), value, 16);
        return value;
    }
    return Decimal(text, 0xFFFF);
}

bool IsClass(std::string_view field, std::string_view name) {
    return Upper(field) == name;
}

struct InterfacePrefix {
    std::string_view name;
    ViUInt16 type;
};

// Longest prefix first so that "GPIB-VXI" is not taken for "GPIB".
constexpr InterfacePrefix kPrefixes[] = {
    {"GPIB-VXI", VI_INTF_GPIB_VXI}, {"GPIB", VI_INTF_GPIB},   {"VXI", VI_INTF_VXI}, {"ASRL", VI_INTF_ASRL},
    {"PXI", VI_INTF_PXI},           {"TCPIP", VI_INTF_TCPIP}, {"USB", VI_INTF_USB},
};

class Parser {
public:
    Parser(std::vector<std::string_view> fields, ResourceName& out) : fields_(std::move(fields)), out_(out) {}

    bool Run() {
        switch (out_.interfaceType) {
        case VI_INTF_GPIB:
            return Gpib();
        case VI_INTF_GPIB_VXI:
        case VI_INTF_VXI:
            return Vxi();
        case VI_INTF_ASRL:
            return Serial();
        case VI_INTF_PXI:
            return Pxi();
        case VI_INTF_TCPIP:
            return Tcpip();
        case VI_INTF_USB:
            return Usb();
        default:
            return false;
        }
    }

private:
    std::size_t Count() const { return fields_.size(); }
    std::string_view Last() const { return fields_.back(); }
    std::string Board() const { return out_.interfaceName + std::to_string(out_.interfaceNumber); }

    // Removes a trailing resource class field when it is one of the classes allowed.
    bool TakeClass(std::initializer_list<std::string_view> classes, std::string_view fallback) {
        for (std::string_view cls : classes) {
            if (Count() > 1 && IsClass(Last(), cls)) {
                out_.resourceClass = std::string(cls);
                fields_.pop_back();
                return true;
            }
        }
        out_.resourceClass = std::string(fallback);
        return false;
    }

    bool Gpib() {
        if (Count() == 2 && (IsClass(Last(), "INTFC") || IsClass(Last(), "SERVANT"))) {
            out_.resourceClass = Upper(Last());
            out_.canonical = Board() + "::" + out_.resourceClass;
            return true;
        }
        TakeClass({"INSTR"}, "INSTR");
        if (Count() < 2 || Count() > 3) {
            return false;
        }
        auto primary = Decimal(fields_[1], 30);
        if (!primary) {
            return false;
        }
        out_.primary = static_cast<ViUInt16>(*primary);
        out_.canonical = Board() + "::" + std::to_string(out_.primary);
        if (Count() == 3) {
            auto secondary = Decimal(fields_[2], 30);
            if (!secondary) {
                return false;
            }
            out_.secondary = static_cast<ViUInt16>(*secondary);
            out_.hasSecondary = true;
            out_.canonical += "::" + std::to_string(out_.secondary);
        }
        out_.canonical += "::INSTR";
        return true;
    }

    bool Vxi() {
        // pyvisa 1.11 spells GPIB-VXI names with a GPIB secondary address of 0
        // ("GPIB-VXI0::16::0::INSTR", "GPIB-VXI0::MEMACC::0::INSTR"): the same resources.
        if (out_.interfaceType == VI_INTF_GPIB_VXI && Count() == 4 && IsClass(Last(), "INSTR") &&
            fields_[2] == "0") {
            const bool memory = IsClass(fields_[1], "MEMACC");
            fields_.erase(fields_.begin() + 2, memory ? fields_.end() : fields_.begin() + 3);
        }
        if (Count() == 2 && (IsClass(Last(), "MEMACC") || IsClass(Last(), "BACKPLANE") ||
                             (out_.interfaceType == VI_INTF_VXI && IsClass(Last(), "SERVANT")))) {
            out_.resourceClass = Upper(Last());
            out_.canonical = Board() + "::" + out_.resourceClass;
            return true;
        }
        TakeClass({"INSTR"}, "INSTR");
        if (Count() != 2) {
            return false;
        }
        auto address = Decimal(fields_[1], 255);
        if (!address) {
            return false;
        }
        out_.primary = static_cast<ViUInt16>(*address);
        out_.canonical = Board() + "::" + std::to_string(out_.primary) + "::INSTR";
        return true;
    }

    bool Serial() {
        TakeClass({"INSTR"}, "INSTR");
        if (Count() != 1) {
            return false;
        }
        out_.canonical = Board() + "::INSTR";
        return true;
    }

    bool Pxi() {
        if (Count() == 2 && IsClass(Last(), "MEMACC")) {
            out_.resourceClass = "MEMACC";
            out_.canonical = Board() + "::MEMACC";
            return true;
        }
        TakeClass({"INSTR"}, "INSTR");
        if (Count() < 2 || Count() > 3) {
            return false;
        }
        auto device = Decimal(fields_[1], 31);
        if (!device) {
            return false;
        }
        out_.primary = static_cast<ViUInt16>(*device);
        out_.canonical = Board() + "::" + std::to_string(out_.primary);
        if (Count() == 3) {
            auto function = Decimal(fields_[2], 7);
            if (!function) {
                return false;
            }
            out_.secondary = static_cast<ViUInt16>(*function);
            out_.hasSecondary = true;
            out_.canonical += "::" + std::to_string(out_.secondary);
        }
        out_.canonical += "::INSTR";
        return true;
    }

    // A host name, a dotted address, or an IPv6 address in brackets; no part may hold
    // "::", which separates the fields of the name.
    static bool ValidHost(std::string_view host) {
        if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
            host = host.substr(1, host.size() - 2);
            return std::all_of(host.begin(), host.end(),
                               [](unsigned char c) { return std::isxdigit(c) || c == ':' || c == '.'; }) &&
                   host.find("::") == std::string_view::npos && host.back() != ':' && host.front() != ':';
        }
        return !host.empty() && std::all_of(host.begin(), host.end(), [](unsigned char c) {
            return std::isalnum(c) || c == '.' || c == '-' || c == '_';
        });
    }

    bool Tcpip() {
        if (Count() == 4 && IsClass(Last(), "SOCKET")) {
            auto port = Decimal(fields_[2], 65535);
            if (!ValidHost(fields_[1]) || !port) {
                return false;
            }
            out_.resourceClass = "SOCKET";
            out_.host = std::string(fields_[1]);
            out_.port = static_cast<ViUInt16>(*port);
            out_.canonical = Board() + "::" + out_.host + "::" + std::to_string(out_.port) + "::SOCKET";
            return true;
        }
        TakeClass({"INSTR"}, "INSTR");
        if (Count() < 2 || Count() > 3 || !ValidHost(fields_[1])) {
            return false;
        }
        out_.host = std::string(fields_[1]);
        out_.deviceName = Count() == 3 ? std::string(fields_[2]) : std::string("inst0");
        if (out_.deviceName.empty() || !ValidHost(out_.deviceName)) {
            return false;
        }
        out_.canonical = Board() + "::" + out_.host + "::" + out_.deviceName + "::INSTR";
        return true;
    }

    bool Usb() {
        TakeClass({"INSTR", "RAW"}, "INSTR");
        if (Count() < 4 || Count() > 5) {
            return false;
        }
        auto manufacturer = UsbNumber(fields_[1]);
        auto model = UsbNumber(fields_[2]);
        if (!manufacturer || !model || fields_[3].empty() || !ValidHost(fields_[3])) {
            return false;
        }
        out_.usbManufacturer = static_cast<ViUInt16>(*manufacturer);
        out_.usbModel = static_cast<ViUInt16>(*model);
        out_.usbSerial = std::string(fields_[3]);
        char ids[32];
        std::snprintf(ids, sizeof ids, "0x%04X::0x%04X", out_.usbManufacturer, out_.usbModel);
        out_.canonical = Board() + "::" + ids + "::" + out_.usbSerial;
        if (Count() == 5) {
            auto number = Decimal(fields_[4], 255);
            if (!number) {
                return false;
            }
            out_.usbInterface = static_cast<ViInt16>(*number);
            out_.canonical += "::" + std::to_string(*number);
        }
        out_.canonical += "::" + out_.resourceClass;
        return true;
    }

    std::vector<std::string_view> fields_;
    ResourceName& out_;
};

} // namespace

ViStatus ParseResourceName(std::string_view text, ResourceName& out) {
    out = ResourceName{};
    if (text.empty() || text.size() > kMaxNameLength) {
        return VI_ERROR_INV_RSRC_NAME;
    }
    std::vector<std::string_view> fields = SplitFields(text);
    std::string head = Upper(fields[0]);
    for (const InterfacePrefix& prefix : kPrefixes) {
        if (head.compare(0, prefix.name.size(), prefix.name) != 0) {
            continue;
        }
        std::string_view number = std::string_view(head).substr(prefix.name.size());
        auto board = number.empty() ? std::optional<unsigned>(0) : Decimal(number, 32767);
        if (!board) {
            return VI_ERROR_INV_RSRC_NAME;
        }
        out.interfaceType = prefix.type;
        out.interfaceName = std::string(prefix.name);
        out.interfaceNumber = static_cast<ViUInt16>(*board);
        if (std::any_of(fields.begin() + 1, fields.end(), [](std::string_view f) { return f.empty(); })) {
            return VI_ERROR_INV_RSRC_NAME;
        }
        Parser parser(std::move(fields), out);
        // The expanded name must fit the 256-byte buffers that callers pass for it.
        if (!parser.Run() || out.canonical.size() > kMaxNameLength) {
            out = ResourceName{};
            return VI_ERROR_INV_RSRC_NAME;
        }
        return VI_SUCCESS;
    }
    return VI_ERROR_INV_RSRC_NAME;
}

} // namespace corvid::visa
