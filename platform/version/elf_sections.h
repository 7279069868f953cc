// Finding the version section in an ELF64 image through bounds-checked reads.
#pragma once

#include "platform/file_version.h"

#include <cstdint>

namespace corvid::platform::version_detail {

// Random access to the bytes of a file image. Reads outside the image fail.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    virtual bool ReadAt(std::uint64_t offset, void* out, std::size_t count) const = 0;

protected:
    bool Contains(std::uint64_t offset, std::uint64_t count) const {
        return offset <= Size() && count <= Size() - offset;
    }
};

struct VersionLookup {
    std::optional<FileVersionInfo> info;
    VersionReadError error = VersionReadError::NoVersionSection;
};

VersionLookup FindVersionRecord(const ByteSource& source);

} // namespace corvid::platform::version_detail
