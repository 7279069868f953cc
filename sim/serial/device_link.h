// The symbolic link --link makes to the terminal device, so that clients can name the
// line by a fixed path. An existing symbolic link is replaced; anything else at the path
// is left alone and refused. The link is removed on destruction if it still points at
// the device.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace corvid::sim {

class LinkError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class DeviceLink {
public:
    // Throws LinkError.
    DeviceLink(std::filesystem::path path, std::string target);
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    void ReplaceExisting();

    std::filesystem::path path_;
    std::string target_;
};

} // namespace corvid::sim
