// instrdb results FILE: a new, empty results database.
#pragma once

#include <filesystem>

namespace corvid::instrdb {

// Creates FILE with the four tables of the results database and no rows. An existing
// file is refused and left alone.
void CreateResults(const std::filesystem::path& file);

} // namespace corvid::instrdb
