#include "mapping_creator.h"

#include "unique_fd.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace corvid::platform::detail {
namespace {

struct CreatorRecord {
    pid_t pid = 0;
    unsigned long long startTime = 0;
    unsigned long long inode = 0;
};

// A process's start time in clock ticks since boot (field 22 of /proc/PID/stat), which
// tells a process from a later one that was given the same id.
std::optional<unsigned long long> StartTime(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t afterName = text.rfind(')'); // the command name may hold blanks and parentheses
    if (afterName == std::string::npos)
        return std::nullopt;
    std::istringstream fields(text.substr(afterName + 2));
    std::string field;
    for (int index = 3; index < 22 && fields >> field; ++index) {
    }
    unsigned long long ticks = 0;
    if (!(fields >> ticks))
        return std::nullopt;
    return ticks;
}

unsigned long long InodeOf(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 ? static_cast<unsigned long long>(info.st_ino) : 0;
}

std::optional<CreatorRecord> ReadRecord(const std::string& mappingPath) {
    std::ifstream in(CreatorRecordPath(mappingPath));
    CreatorRecord record;
    if (!(in >> record.pid >> record.startTime >> record.inode) || record.pid <= 0)
        return std::nullopt;
    return record;
}

} // namespace

std::string CreatorRecordPath(const std::string& mappingPath) {
    std::size_t slash = mappingPath.rfind('/');
    return mappingPath.substr(0, slash + 1) + ".creator-" + mappingPath.substr(slash + 1);
}

void WriteCreatorRecord(const std::string& mappingPath, int fd) {
    auto started = StartTime(::getpid());
    std::string record = std::to_string(::getpid()) + " " + std::to_string(started.value_or(0)) + " " +
                         std::to_string(InodeOf(fd)) + "\n";
    std::string temporary = CreatorRecordPath(mappingPath) + ".new-" + std::to_string(::getpid());
    UniqueFd out(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!out)
        ThrowErrno("cannot create " + temporary);
    bool written = ::write(out.get(), record.data(), record.size()) == static_cast<ssize_t>(record.size());
    if (!written || ::rename(temporary.c_str(), CreatorRecordPath(mappingPath).c_str()) != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        ThrowError(error ? error : EIO, "cannot record the creator of " + mappingPath);
    }
}

bool CreatorIsGone(const std::string& mappingPath, int fd) {
    auto record = ReadRecord(mappingPath);
    if (!record || record->inode != InodeOf(fd))
        return false;
    if (::kill(record->pid, 0) != 0 && errno == ESRCH)
        return true;
    auto started = StartTime(record->pid);
    return record->startTime != 0 && started && *started != record->startTime;
}

void RemoveCreatorRecord(const std::string& mappingPath, int fd) {
    auto record = ReadRecord(mappingPath);
    if (record && record->inode == InodeOf(fd))
        ::unlink(CreatorRecordPath(mappingPath).c_str());
}

} // namespace corvid::platform::detail
