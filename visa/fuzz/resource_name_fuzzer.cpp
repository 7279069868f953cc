// Fuzz target: resource-name parsing. A name that parses has a canonical form that parses
// to itself.
#include "resource_name.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvid::visa;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    ResourceName name;
    ViStatus status = ParseResourceName(text, name);
    if (status != VI_SUCCESS) {
        if (status != VI_ERROR_INV_RSRC_NAME || !name.canonical.empty()) {
            std::abort();
        }
        return 0;
    }
    ResourceName again;
    if (name.canonical.empty() || name.canonical.size() >= VI_FIND_BUFLEN ||
        ParseResourceName(name.canonical, again) != VI_SUCCESS || again.canonical != name.canonical ||
        again.interfaceType != name.interfaceType || again.interfaceNumber != name.interfaceNumber) {
        std::abort();
    }
    return 0;
}
