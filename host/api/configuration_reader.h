// Reads one value of the station configuration through its component.
#pragma once

#include <string>

namespace corvid::host {

// Empty on success (value set, empty when the key is missing), else why the value
// could not be read.
std::string ReadConfiguration(const std::string& section, const std::string& key, std::string& value);

} // namespace corvid::host
