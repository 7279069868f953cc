// Parsing of VISA resource names ("GPIB0::22::INSTR", "ASRL1::INSTR", ...) into their
// parts and their canonical spelling.
#pragma once

#include "visa/visa.h"

#include <string>
#include <string_view>

namespace corvid::visa {

struct ResourceName {
    ViUInt16 interfaceType = 0;   // VI_INTF_GPIB, ...
    ViUInt16 interfaceNumber = 0; // board, port or bus
    std::string interfaceName;    // "GPIB", "GPIB-VXI", "VXI", "ASRL", "PXI", "TCPIP", "USB"
    std::string resourceClass;    // "INSTR", "INTFC", "MEMACC", "BACKPLANE", "SERVANT", "SOCKET", "RAW"
    ViUInt16 primary = 0;         // GPIB primary address, VXI logical address, PXI device
    ViUInt16 secondary = 0;       // GPIB secondary address, PXI function
    bool hasSecondary = false;    // the name gave a GPIB secondary address or a PXI function
    std::string host;             // TCPIP host address
    std::string deviceName;       // TCPIP LAN device name
    ViUInt16 port = 0;            // TCPIP socket port
    ViUInt16 usbManufacturer = 0, usbModel = 0;
    std::string usbSerial;
    ViInt16 usbInterface = -1;
    std::string canonical; // the expanded name: board number and resource class spelled out
};

// Parses a resource name (case-insensitive). Returns VI_SUCCESS or VI_ERROR_INV_RSRC_NAME;
// never throws.
ViStatus ParseResourceName(std::string_view text, ResourceName& out);

} // namespace corvid::visa
