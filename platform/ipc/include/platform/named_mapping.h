// Named shared memory between processes of one user: the file
// $CORVID_RUNTIME_DIR/map/<name>, mapped shared and read/write.
//
// Like a named mapping of the paging file, the memory belongs to the handles open on it:
// the process that created the file removes it when it closes its handle. A file that
// exists is opened as it is, whoever created it; only one that this library created, whose
// creator died and that no handle of this library holds open counts as absent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvid::platform {

// A mapped view of a named mapping; unmapped on destruction. It stays valid after the
// mapping's handle is closed.
class MappedView {
public:
    MappedView() = default;
    MappedView(MappedView&& other) noexcept;
    MappedView& operator=(MappedView&& other) noexcept;
    MappedView(const MappedView&) = delete;
    MappedView& operator=(const MappedView&) = delete;
    ~MappedView();

    void* data() const { return data_; }
    std::size_t size() const { return size_; }
    explicit operator bool() const { return data_ != nullptr; }

private:
    friend class NamedMapping;
    MappedView(void* data, std::size_t size) : data_(data), size_(size) {}
    void Unmap();

    void* data_ = nullptr;
    std::size_t size_ = 0;
};

// A handle on a named mapping.
class NamedMapping {
public:
    // Creates the mapping with `size` zeroed bytes when it does not exist; when it exists
    // it is opened as it is (its size unchanged) and alreadyExisted() is true. Throws
    // std::system_error (errno) on failure, EINVAL for an invalid name or a size of 0.
    static NamedMapping Create(const std::string& name, std::size_t size);

    NamedMapping() = default; // no mapping
    NamedMapping(NamedMapping&& other) noexcept;
    NamedMapping& operator=(NamedMapping&& other) noexcept;
    NamedMapping(const NamedMapping&) = delete;
    NamedMapping& operator=(const NamedMapping&) = delete;
    // Closes the handle; the creator removes the file.
    ~NamedMapping();

    explicit operator bool() const { return fd_ >= 0; }
    const std::string& name() const { return name_; }
    bool alreadyExisted() const { return alreadyExisted_; }
    std::size_t fileSize() const;
    // Whether the name still refers to this mapping: false once the file was removed or
    // replaced by another (its creator closed it, or it was found stale and recreated).
    bool StillNamed() const;

    // A shared read/write view of the first `length` bytes (0: the whole file). Throws
    // std::system_error: EINVAL when the length exceeds the file, else mmap's error.
    MappedView MapView(std::size_t length) const;

private:
    NamedMapping(int fd, std::string name, std::string path, bool created);
    void Close();

    int fd_ = -1;
    std::string name_;
    std::string path_;
    bool alreadyExisted_ = false;
    bool creator_ = false;
    // The file's identity, to tell cheaply whether the name still refers to it. While
    // the descriptor is open its inode number cannot be given to another file.
    std::uint64_t device_ = 0;
    std::uint64_t inode_ = 0;
};

} // namespace corvid::platform
