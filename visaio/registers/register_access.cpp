#include "register_access.h"

#include <cstdint>
#include <cstring>

namespace corvid::visaio {

namespace {

// Mapped addresses are bus addresses moved away from 0, so that no mapping starts at a
// null pointer; they are only good for viPeek and viPoke of the session.
constexpr ViBusAddress64 kMappedBias = 0x100000000000ull;

bool KnownWidth(ViUInt16 width) {
    return width == 1 || width == 2 || width == 4 || width == 8;
}

void Store(void* buffer, ViBusSize index, ViUInt16 width, ViUInt64 value) {
    auto* bytes = static_cast<unsigned char*>(buffer) + index * width;
    switch (width) {
    case 1: {
        auto v = static_cast<ViUInt8>(value);
        std::memcpy(bytes, &v, 1);
        break;
    }
    case 2: {
        auto v = static_cast<ViUInt16>(value);
        std::memcpy(bytes, &v, 2);
        break;
    }
    case 4: {
        auto v = static_cast<ViUInt32>(value);
        std::memcpy(bytes, &v, 4);
        break;
    }
    default:
        std::memcpy(bytes, &value, 8);
    }
}

ViUInt64 Load(const void* buffer, ViBusSize index, ViUInt16 width) {
    const auto* bytes = static_cast<const unsigned char*>(buffer) + index * width;
    ViUInt8 v8 = 0;
    ViUInt16 v16 = 0;
    ViUInt32 v32 = 0;
    ViUInt64 v64 = 0;
    switch (width) {
    case 1:
        std::memcpy(&v8, bytes, 1);
        return v8;
    case 2:
        std::memcpy(&v16, bytes, 2);
        return v16;
    case 4:
        std::memcpy(&v32, bytes, 4);
        return v32;
    default:
        std::memcpy(&v64, bytes, 8);
        return v64;
    }
}

} // namespace

const RegisterWindow* RegisterAccess::Window(ViUInt16 space) const {
    for (const RegisterWindow& w : windows_) {
        if (w.space == space) {
            return &w;
        }
    }
    return nullptr;
}

ViStatus RegisterAccess::Locate(ViUInt16 space, ViBusAddress64 offset, ViUInt16 width, ViBusSize count,
                                ViBusAddress64& address) const {
    const RegisterWindow* window = Window(space);
    if (window == nullptr) {
        return VI_ERROR_INV_SPACE;
    }
    if (!KnownWidth(width)) {
        return VI_ERROR_INV_WIDTH;
    }
    if (width > 4) {
        return VI_ERROR_NSUP_WIDTH; // no D64 transfers on these buses
    }
    if (offset % width != 0) {
        return VI_ERROR_NSUP_ALIGN_OFFSET;
    }
    const ViBusSize span = count * width;
    if (offset >= window->size || count > window->size / width || span > window->size - offset) {
        return VI_ERROR_NSUP_OFFSET;
    }
    address = window->base + offset;
    return VI_SUCCESS;
}

ViStatus RegisterAccess::In(ViUInt16 space, ViBusAddress64 offset, ViUInt16 width, ViUInt64* value) {
    ViBusAddress64 address = 0;
    ViStatus status = Locate(space, offset, width, 1, address);
    return status < VI_SUCCESS ? status : bus_.Read(space, address, width, *value);
}

ViStatus RegisterAccess::Out(ViUInt16 space, ViBusAddress64 offset, ViUInt16 width, ViUInt64 value) {
    ViBusAddress64 address = 0;
    ViStatus status = Locate(space, offset, width, 1, address);
    return status < VI_SUCCESS ? status : bus_.Write(space, address, width, value);
}

ViStatus RegisterAccess::MoveIn(ViUInt16 space, ViBusAddress64 offset, ViUInt16 width, ViBusSize length,
                                void* buffer) {
    ViBusAddress64 address = 0;
    // A source increment of 0 reads one register (a FIFO) length times.
    const ViBusSize step = sourceIncrement_.load() == 0 ? 0 : width;
    ViStatus status = Locate(space, offset, width, step == 0 ? 1 : length, address);
    if (status < VI_SUCCESS || length == 0) {
        return status < VI_SUCCESS ? status : VI_SUCCESS;
    }
    for (ViBusSize i = 0; i < length; ++i) {
        ViUInt64 value = 0;
        status = bus_.Read(space, address + i * step, width, value);
        if (status < VI_SUCCESS) {
            return status;
        }
        Store(buffer, i, width, value);
    }
    return VI_SUCCESS;
}

ViStatus RegisterAccess::MoveOut(ViUInt16 space, ViBusAddress64 offset, ViUInt16 width, ViBusSize length,
                                 const void* buffer) {
    ViBusAddress64 address = 0;
    const ViBusSize step = destinationIncrement_.load() == 0 ? 0 : width;
    ViStatus status = Locate(space, offset, width, step == 0 ? 1 : length, address);
    if (status < VI_SUCCESS || length == 0) {
        return status < VI_SUCCESS ? status : VI_SUCCESS;
    }
    for (ViBusSize i = 0; i < length; ++i) {
        status = bus_.Write(space, address + i * step, width, Load(buffer, i, width));
        if (status < VI_SUCCESS) {
            return status;
        }
    }
    return VI_SUCCESS;
}

ViStatus RegisterAccess::Map(ViUInt16 space, ViBusAddress64 offset, ViBusSize size, ViAddr* address) {
    std::lock_guard lock(mappingMutex_);
    if (mapping_) {
        return VI_ERROR_WINDOW_MAPPED;
    }
    const RegisterWindow* window = Window(space);
    if (window == nullptr) {
        return VI_ERROR_INV_SPACE;
    }
    if (offset >= window->size) {
        return VI_ERROR_NSUP_OFFSET;
    }
    if (size == 0 || size > window->size - offset) {
        return VI_ERROR_INV_SIZE;
    }
    mapping_ = Mapping{{space, window->base + offset, size}, kMappedBias + window->base + offset};
    *address = reinterpret_cast<ViAddr>(static_cast<std::uintptr_t>(mapping_->start));
    return VI_SUCCESS;
}

ViStatus RegisterAccess::Unmap() {
    std::lock_guard lock(mappingMutex_);
    if (!mapping_) {
        return VI_ERROR_WINDOW_NMAPPED;
    }
    mapping_.reset();
    return VI_SUCCESS;
}

ViStatus RegisterAccess::MappedAddress(ViAddr address, ViUInt16 width, ViUInt16& space,
                                       ViBusAddress64& busAddress) const {
    std::lock_guard lock(mappingMutex_);
    if (!mapping_) {
        return VI_ERROR_WINDOW_NMAPPED;
    }
    auto at = static_cast<ViBusAddress64>(reinterpret_cast<std::uintptr_t>(address));
    if (at < mapping_->start || at - mapping_->start >= mapping_->window.size ||
        mapping_->window.size - (at - mapping_->start) < width) {
        return VI_ERROR_NSUP_OFFSET;
    }
    if (width > 4) {
        return VI_ERROR_NSUP_WIDTH;
    }
    space = mapping_->window.space;
    busAddress = mapping_->window.base + (at - mapping_->start);
    return busAddress % width == 0 ? VI_SUCCESS : VI_ERROR_NSUP_ALIGN_OFFSET;
}

ViStatus RegisterAccess::Peek(ViAddr address, ViUInt16 width, ViUInt64* value) {
    ViUInt16 space = 0;
    ViBusAddress64 busAddress = 0;
    ViStatus status = MappedAddress(address, width, space, busAddress);
    return status < VI_SUCCESS ? status : bus_.Read(space, busAddress, width, *value);
}

ViStatus RegisterAccess::Poke(ViAddr address, ViUInt16 width, ViUInt64 value) {
    ViUInt16 space = 0;
    ViBusAddress64 busAddress = 0;
    ViStatus status = MappedAddress(address, width, space, busAddress);
    return status < VI_SUCCESS ? status : bus_.Write(space, busAddress, width, value);
}

std::optional<ViStatus> RegisterAccess::SetAttribute(ViAttr attribute, ViAttrState value) {
    auto increment = static_cast<ViInt32>(value);
    switch (attribute) {
    case VI_ATTR_SRC_INCREMENT:
    case VI_ATTR_DEST_INCREMENT:
        // Only 1 (successive registers) and 0 (one register, a FIFO) are defined.
        if (increment != 0 && increment != 1) {
            return VI_ERROR_NSUP_ATTR_STATE;
        }
        (attribute == VI_ATTR_SRC_INCREMENT ? sourceIncrement_ : destinationIncrement_) = increment;
        return VI_SUCCESS;
    default:
        return std::nullopt;
    }
}

std::optional<ViAttrState> RegisterAccess::Attribute(ViAttr attribute) const {
    switch (attribute) {
    case VI_ATTR_SRC_INCREMENT:
        return static_cast<ViAttrState>(sourceIncrement_.load());
    case VI_ATTR_DEST_INCREMENT:
        return static_cast<ViAttrState>(destinationIncrement_.load());
    default:
        break;
    }
    std::lock_guard lock(mappingMutex_);
    switch (attribute) {
    case VI_ATTR_WIN_ACCESS:
        return mapping_ ? VI_USE_OPERS : VI_NMAPPED;
    case VI_ATTR_WIN_BASE_ADDR_32:
    case VI_ATTR_WIN_BASE_ADDR_64:
        return mapping_ ? mapping_->window.base : 0;
    case VI_ATTR_WIN_SIZE:
        return mapping_ ? mapping_->window.size : 0;
    case VI_ATTR_WIN_ACCESS_PRIV:
    case VI_ATTR_SRC_ACCESS_PRIV:
    case VI_ATTR_DEST_ACCESS_PRIV:
        return VI_DATA_PRIV;
    case VI_ATTR_WIN_BYTE_ORDER:
    case VI_ATTR_SRC_BYTE_ORDER:
    case VI_ATTR_DEST_BYTE_ORDER:
        return byteOrder_;
    default:
        return std::nullopt;
    }
}

} // namespace corvid::visaio
