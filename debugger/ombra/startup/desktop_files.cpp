#include "desktop_files.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <string_view>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace corvid::ombra::detail {
namespace {

// Characters that make a desktop entry's Exec argument need quotes.
constexpr std::string_view kReserved = " \t\"'\\><~|&;$*?#()`";

std::optional<std::filesystem::path> HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home);
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir && *entry->pw_dir)
        return std::filesystem::path(entry->pw_dir);
    return std::nullopt;
}

// The program of that name on the PATH, or nullopt when it is not installed.
std::optional<std::string> FindProgram(std::string_view name) {
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string_view directory = rest.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
        if (directory.empty())
            continue;
        std::string candidate = std::string(directory) + "/" + std::string(name);
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return std::nullopt;
}

// Starts a cache tool quietly; whatever it does, registration goes on.
void RunQuietly(std::string_view program, const std::filesystem::path& directory) {
    const std::optional<std::string> executable = FindProgram(program);
    if (!executable)
        return;
    posix_spawn_file_actions_t actions;
    if (::posix_spawn_file_actions_init(&actions) != 0)
        return;
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
        ::posix_spawn_file_actions_addopen(&actions, fd, "/dev/null",
                                           fd == STDIN_FILENO ? O_RDONLY : O_WRONLY, 0);
    std::string argument0(program);
    std::string argument1 = directory.string();
    char* argv[] = {argument0.data(), argument1.data(), nullptr};
    pid_t child = -1;
    const int spawned = ::posix_spawn(&child, executable->c_str(), &actions, nullptr, argv, environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return;
    // The tool may take a while; the program does not wait for it, a thread reaps it.
    std::thread([child] {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

} // namespace

std::optional<std::filesystem::path> DataHome() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/')
        return std::filesystem::path(data);
    std::optional<std::filesystem::path> home = HomeDirectory();
    if (!home)
        return std::nullopt;
    return *home / ".local" / "share";
}

std::optional<std::string> ExecArgument(const std::filesystem::path& executable) {
    const std::string path = executable.string();
    bool quote = path.empty();
    std::string argument;
    for (char c : path) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return std::nullopt;
        quote = quote || kReserved.find(c) != std::string_view::npos;
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            argument += '\\'; // escaped inside the quotes
        argument += c;
        if (c == '%')
            argument += '%'; // not a field code
    }
    if (quote)
        argument = "\"" + argument + "\"";
    // The key's value is a string: its own escapes apply before the quoting rules.
    std::string escaped;
    for (char c : argument) {
        if (c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::optional<std::string> DesktopEntryText(const std::filesystem::path& executable) {
    const std::optional<std::string> exec = ExecArgument(executable);
    if (!exec)
        return std::nullopt;
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Ombra\n"
           "GenericName=Instrument Command Debugger\n"
           "Comment=Trace, record, play back and edit GPIB instrument commands\n"
           "Exec=" +
           *exec +
           " %f\n"
           "MimeType=" +
           std::string(kRecordingMimeType) +
           ";\n"
           "Terminal=false\n"
           "Categories=Development;Debugger;\n";
}

std::string MimePackageText() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
           "  <mime-type type=\"" +
           std::string(kRecordingMimeType) +
           "\">\n"
           "    <comment>OMBRA Document</comment>\n"
           "    <glob pattern=\"*.omr\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

bool WriteDesktopFiles(const std::filesystem::path& dataHome, const std::filesystem::path& executable) {
    const std::optional<std::string> entry = DesktopEntryText(executable);
    bool entryChanged = false;
    bool mimeChanged = false;
    const bool entryWritten =
        entry && WriteFileIfChanged(dataHome / "applications" / "ombra.desktop", *entry, entryChanged);
    const bool mimeWritten =
        WriteFileIfChanged(dataHome / "mime" / "packages" / "ombra.xml", MimePackageText(), mimeChanged);
    if (mimeChanged)
        RunQuietly("update-mime-database", dataHome / "mime");
    if (entryChanged)
        RunQuietly("update-desktop-database", dataHome / "applications");
    return entryWritten && mimeWritten;
}

} // namespace corvid::ombra::detail
