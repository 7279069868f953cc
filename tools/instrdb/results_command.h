// instrdb results FILE|URI: a new, empty results database.
#pragma once

#include <filesystem>

namespace corvid::instrdb {

// Creates the file or server database with the four tables of the results database and
// no rows. A database that already holds tables is refused and left alone.
void CreateResults(const std::filesystem::path& target);

} // namespace corvid::instrdb
