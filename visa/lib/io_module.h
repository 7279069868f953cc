// The VISA I/O component sbviio32.so, loaded by file name, with its exports.
#pragma once

#include "visa/sbvisa_io.h"

#include <array>
#include <ostream>
#include <string>

namespace corvid::visa {

class IoModule {
public:
    IoModule() = default;
    IoModule(const IoModule&) = delete;
    IoModule& operator=(const IoModule&) = delete;

    // Loads the module and attaches it with the services. VI_ERROR_LIBRARY_NFOUND (with a
    // warning naming the file) when it cannot be loaded or attached.
    ViStatus Load(const std::string& path, const SbvisaServices* services, std::ostream& warnings);
    bool loaded() const { return handle_ != nullptr; }

    // The find functions of every interface type in the order they are searched; null
    // entries for types the module does not export.
    const std::array<SbvisaFindFunction, 5>& finders() const { return finders_; }
    // The open function for an interface type and resource class, or null.
    SbvisaOpenFunction Opener(ViUInt16 interfaceType, const std::string& resourceClass) const;

private:
    void* handle_ = nullptr;
    std::array<SbvisaFindFunction, 5> finders_{};
    SbvisaOpenFunction openGpib_ = nullptr, openGpibVxi_ = nullptr, openGpibVxiMemory_ = nullptr;
    SbvisaOpenFunction openVxi_ = nullptr, openVxiMemory_ = nullptr, openSerial_ = nullptr,
                       openPxi_ = nullptr;
};

} // namespace corvid::visa
