// The objects a VISA handle can name (resource manager sessions, instrument sessions, find
// lists, event contexts) and the table that maps handles to them.
#pragma once

#include "visa/visa.h"

#include <atomic>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>
#include <utility>
#include <vector>

namespace corvid::visa {

class VisaObject {
public:
    enum class Kind { ResourceManager, Session, FindList, Event };

    explicit VisaObject(Kind kind) : kind_(kind) {}
    VisaObject(const VisaObject&) = delete;
    VisaObject& operator=(const VisaObject&) = delete;

    Kind kind() const { return kind_; }
    ViObject handle() const { return handle_.load(std::memory_order_relaxed); }
    void setHandle(ViObject handle) { handle_.store(handle, std::memory_order_relaxed); }

    void AddRef() { refs_.fetch_add(1, std::memory_order_relaxed); }
    void Release() {
        if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            delete this;
        }
    }
    int references() const { return refs_.load(std::memory_order_acquire); }

protected:
    virtual ~VisaObject() = default;

private:
    const Kind kind_;
    std::atomic<ViObject> handle_{VI_NULL};
    std::atomic<int> refs_{0};
};

// A counted reference to a VisaObject (or a class derived from it).
template <class T>
class Ref {
public:
    Ref() = default;
    Ref(T* object) : object_(object) { // NOLINT: implicit from a new object is the point
        if (object_) {
            object_->AddRef();
        }
    }
    Ref(const Ref& other) : Ref(other.object_) {}
    Ref(Ref&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    template <class U>
    Ref(const Ref<U>& other) : Ref(static_cast<T*>(other.get())) {}
    ~Ref() {
        if (object_) {
            object_->Release();
        }
    }
    Ref& operator=(Ref other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    T* object_ = nullptr;
};

class ObjectTable {
public:
    // Registers the object under a new handle (never VI_NULL, not reused) and returns it.
    ViObject Add(const Ref<VisaObject>& object);
    // A new handle for an object registered later with Insert.
    ViObject Reserve();
    void Insert(ViObject handle, const Ref<VisaObject>& object);
    Ref<VisaObject> Find(ViObject handle) const;
    // The object when it exists and is of that kind, else an empty reference.
    template <class T>
    Ref<T> FindAs(ViObject handle, VisaObject::Kind kind) const {
        Ref<VisaObject> object = Find(handle);
        if (!object || object->kind() != kind) {
            return {};
        }
        return Ref<T>(static_cast<T*>(object.get()));
    }
    // Unregisters the object; an empty reference when the handle was unknown.
    Ref<VisaObject> Remove(ViObject handle);
    std::vector<ViObject> Handles(VisaObject::Kind kind) const;

private:
    mutable std::shared_mutex mutex_;
    std::unordered_map<ViObject, Ref<VisaObject>> objects_;
    ViObject next_ = 1;
};

} // namespace corvid::visa
