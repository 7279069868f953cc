#include "link/shared_memory.h"

#include "platform/message_box.h"
#include "platform/named_mapping.h"
#include "platform/named_mutex.h"

#include <cstdio>
#include <cstring>
#include <system_error>

namespace corvid::link {
namespace {

constexpr const char* defaultMappingName = "SharedMemory";

std::string MutexNameOf(const std::string& mappingName) {
    return mappingName + "Mutex";
}

void ShowViewFailure(const std::system_error& error, std::uintptr_t mappingHandle, std::size_t size) {
    char text[1024];
    std::snprintf(
        text, sizeof text,
        "MapViewOfFile failed. This is a potentially critical error\r\n\r\nThe system error message "
        "returned is:\r\n%s\r\nMemoryFile Address: %i\r\nBytesToMap: %i",
        std::strerror(error.code().value()), static_cast<int>(mappingHandle), static_cast<int>(size));
    platform::ShowMessageBox(text, "MapViewOfFile failed", platform::MsgButtons::Ok,
                             platform::MsgIcon::Error);
}

} // namespace

CSharedMemory::CSharedMemory()
    : mutexName_(MutexNameOf(defaultMappingName)), mappingName_(defaultMappingName) {}

CSharedMemory::~CSharedMemory() {
    Close();
}

std::uint8_t* CSharedMemory::View() const {
    return view_ ? static_cast<std::uint8_t*>(view_->data()) : nullptr;
}

bool CSharedMemory::Create(const std::string& name, std::size_t size) {
    mappingName_ = name;
    alreadyExisted_ = false;
    mutexName_ = MutexNameOf(name);
    size_ = size;
    return Open();
}

bool CSharedMemory::Open() {
    Close();
    try {
        mutex_ = std::make_unique<platform::NamedMutex>(platform::NamedMutex::OpenOrCreate(mutexName_));
        mapping_ =
            std::make_unique<platform::NamedMapping>(platform::NamedMapping::Create(mappingName_, size_));
    } catch (const std::exception&) {
        mapping_.reset();
        platform::ShowMessageBox("CreateFileMapping failed");
        return false;
    }
    alreadyExisted_ = mapping_->alreadyExisted();
    try {
        view_ = std::make_unique<platform::MappedView>(mapping_->MapView(size_));
    } catch (const std::system_error& error) {
        ShowViewFailure(error, reinterpret_cast<std::uintptr_t>(mapping_.get()), size_);
        mapping_.reset();
        return false;
    }
    mapped_ = true;
    return true;
}

bool CSharedMemory::IsCurrent() const {
    return mapped_ && mapping_->StillNamed();
}

bool CSharedMemory::Lock() {
    if (!mutex_)
        return false;
    try {
        mutex_->Lock();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool CSharedMemory::Unlock() {
    return mutex_ && mutex_->Unlock();
}

void CSharedMemory::Close() {
    view_.reset();
    mapped_ = false;
    mapping_.reset();
    mutex_.reset();
}

} // namespace corvid::link
