// Who created a mapping file: a record beside it, ".creator-<name>" in the same folder,
// holding the creator's process id, its start time and the mapping file's inode. The
// mapping's own bytes and size are the peers' and stay untouched. A file whose record
// names this very file and a process that is gone was left behind by a creator that
// crashed; any other file (a peer's, which has no record) is a live mapping.
#pragma once

#include <string>
#include <sys/types.h>

namespace corvid::platform::detail {

std::string CreatorRecordPath(const std::string& mappingPath);

// Writes the record of this process for the mapping file open as fd (replacing it
// atomically). Throws std::system_error on failure.
void WriteCreatorRecord(const std::string& mappingPath, int fd);

// True when the record names the file open as fd and its creator is no longer running.
bool CreatorIsGone(const std::string& mappingPath, int fd);

// Removes the record when it still names the file open as fd.
void RemoveCreatorRecord(const std::string& mappingPath, int fd);

} // namespace corvid::platform::detail
