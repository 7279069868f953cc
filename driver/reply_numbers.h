// The numbers at the start of an instrument's reply, read the way the C library's atol
// and atof read them, but independent of the process's locale.
#pragma once

#include <cstdint>
#include <string_view>

namespace corvid::driver {

// Leading blanks, an optional sign and decimal digits: "+12.7E0\n" gives 12. 0 when
// there is no number; values beyond 32 bits are clamped.
std::int32_t LeadingInteger(std::string_view text);

// Leading blanks and a decimal floating-point number: "+12.7E0\n" gives 12.7. 0.0 when
// there is none.
double LeadingDouble(std::string_view text);

} // namespace corvid::driver
