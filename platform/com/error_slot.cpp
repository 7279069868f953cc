#include "error_slot.h"

#include <utility>

namespace {

// Releases whatever is left when the thread ends.
struct ThreadErrorSlot {
    corvid::com::IErrorInfo* info = nullptr;
    ThreadErrorSlot() = default;
    ThreadErrorSlot(const ThreadErrorSlot&) = delete;
    ThreadErrorSlot& operator=(const ThreadErrorSlot&) = delete;
    ~ThreadErrorSlot() {
        if (info)
            info->Release();
    }
};

thread_local ThreadErrorSlot slot;

} // namespace

corvid::com::IErrorInfo* corvid_com_exchange_error_info(corvid::com::IErrorInfo* info) {
    return std::exchange(slot.info, info);
}
