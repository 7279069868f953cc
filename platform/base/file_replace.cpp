#include "platform/file_replace.h"

#include "platform/unique_fd.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace corvid::platform {
namespace {

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        ssize_t put = ::write(fd, text.data(), text.size());
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

} // namespace

bool ReplaceFileContents(const std::filesystem::path& file, std::string_view text, mode_t mode) {
    std::string name = (file.parent_path() / ("." + file.filename().string() + ".XXXXXX")).string();
    UniqueFd temporary(::mkostemp(name.data(), O_CLOEXEC));
    if (!temporary) {
        return false;
    }
    bool written = WriteAll(temporary.get(), text) && ::fchmod(temporary.get(), mode) == 0 &&
                   ::fsync(temporary.get()) == 0 && temporary.Close();
    if (!written || ::rename(name.c_str(), file.c_str()) != 0) {
        ::unlink(name.c_str());
        return false;
    }
    return true;
}

} // namespace corvid::platform
