#include "visa_status.h"

#include <array>
#include <cstring>

namespace corvid::driver {

std::string StatusText(ViSession session, ViStatus status) {
    if (status == VI_SUCCESS)
        return "Ok, no IO error";
    std::array<ViChar, 512> description{}; // VISA writes at most 256 characters
    std::string text = "GPIB Error";
    if (viStatusDesc(session, status, description.data()) >= VI_SUCCESS) {
        description.back() = '\0';
        text.append(": ").append(description.data());
    }
    return text;
}

} // namespace corvid::driver
