// One address space of a simulated module: bytes with their byte order, and the bytes
// that writes leave alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvid::sim {

class RegisterFile {
public:
    enum class Order { BigEndian, LittleEndian };

    RegisterFile() = default;
    RegisterFile(uint32_t size, Order order) : bytes_(size), readOnly_(size), order_(order) {}

    uint32_t size() const { return static_cast<uint32_t>(bytes_.size()); }
    // width is 1, 2 or 4 bytes; false when the access leaves the space.
    bool Read(uint32_t offset, int width, uint32_t& value) const;
    // Writes the bytes that are not read-only; false when the access leaves the space.
    bool Write(uint32_t offset, int width, uint32_t value);
    // Sets a value whatever the read-only marks, and marks it read-only when asked.
    void Set(uint32_t offset, int width, uint32_t value, bool readOnly);

private:
    bool Inside(uint32_t offset, int width) const {
        return width > 0 && offset < bytes_.size() && bytes_.size() - offset >= static_cast<uint32_t>(width);
    }

    std::vector<uint8_t> bytes_;
    std::vector<bool> readOnly_;
    Order order_ = Order::BigEndian;
};

} // namespace corvid::sim
