#include "platform/runtime_dir.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace corvid::platform {
namespace {

namespace fs = std::filesystem;

std::string EnvOrEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

void MakeDir(const fs::path& dir) {
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        throw std::system_error(errno, std::generic_category(), "cannot create directory " + dir.string());
}

} // namespace

fs::path RuntimeDirPath() {
    if (auto dir = EnvOrEmpty("CORVID_RUNTIME_DIR"); !dir.empty())
        return dir;
    if (auto xdg = EnvOrEmpty("XDG_RUNTIME_DIR"); !xdg.empty())
        return fs::path(xdg) / "corvid";
    return "/tmp/corvid-" + std::to_string(::getuid());
}

fs::path HomeDirPath() {
    if (auto dir = EnvOrEmpty("CORVID_HOME"); !dir.empty())
        return dir;
    if (auto xdg = EnvOrEmpty("XDG_CONFIG_HOME"); !xdg.empty())
        return fs::path(xdg) / "corvid";
    return fs::path(EnvOrEmpty("HOME")) / ".config" / "corvid";
}

bool CheckRuntimeDir(const fs::path& dir) {
    struct stat info {};
    if (::lstat(dir.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return false;
        throw RuntimeDirError("cannot inspect the runtime directory " + dir.string());
    }
    if (!S_ISDIR(info.st_mode))
        throw RuntimeDirError("the runtime directory " + dir.string() + " is not a directory");
    if (info.st_uid != ::getuid())
        throw RuntimeDirError("the runtime directory " + dir.string() + " is owned by another user (uid " +
                              std::to_string(info.st_uid) + ")");
    if ((info.st_mode & 0066) != 0)
        throw RuntimeDirError("the runtime directory " + dir.string() +
                              " can be read or written by other users; it must have mode 0700");
    return true;
}

fs::path EnsureRuntimeDir() {
    fs::path dir = RuntimeDirPath();
    if (!CheckRuntimeDir(dir)) {
        MakeDir(dir);
        CheckRuntimeDir(dir);
    }
    return dir;
}

fs::path EnsureRuntimeSubdir(const std::string& name) {
    fs::path sub = EnsureRuntimeDir() / name;
    MakeDir(sub);
    return sub;
}

fs::path EnsureHomeDir() {
    fs::path dir = HomeDirPath();
    if (dir.has_parent_path())
        fs::create_directories(dir.parent_path());
    MakeDir(dir);
    return dir;
}

} // namespace corvid::platform
