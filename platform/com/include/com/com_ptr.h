// ComPtr: owns one reference to an interface and releases it when it goes.
#pragma once

#include "com/unknown.h"

#include <cstddef>
#include <utility>

namespace corvid::com {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Adds a reference of its own.
    explicit ComPtr(T* pointer) : pointer_(pointer) { AddRefPointer(); }
    ComPtr(const ComPtr& other) : pointer_(other.pointer_) { AddRefPointer(); }
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    template <class U>
    ComPtr(const ComPtr<U>& other) : pointer_(other.get()) {
        AddRefPointer();
    }
    ~ComPtr() { Reset(); }

    ComPtr& operator=(const ComPtr& other) {
        ComPtr(other).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        ComPtr(std::move(other)).Swap(*this);
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) {
        Reset();
        return *this;
    }

    // Takes over a reference the caller owns, without adding one.
    static ComPtr Adopt(T* pointer) {
        ComPtr result;
        result.pointer_ = pointer;
        return result;
    }
    void Attach(T* pointer) {
        Reset();
        pointer_ = pointer;
    }
    // Gives up the reference without releasing it.
    [[nodiscard]] T* Detach() { return std::exchange(pointer_, nullptr); }

    void Reset() {
        if (T* old = std::exchange(pointer_, nullptr))
            old->Release();
    }

    T* get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    T& operator*() const { return *pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // For out parameters: releases the current reference and returns the slot.
    T** Out() {
        Reset();
        return &pointer_;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }

    // QueryInterface into another smart pointer.
    template <class U>
    HRESULT As(ComPtr<U>& target) const {
        if (!pointer_)
            return E_POINTER;
        return pointer_->QueryInterface(IidOf<U>(), target.OutVoid());
    }
    template <class U>
    ComPtr<U> As() const {
        ComPtr<U> target;
        As(target);
        return target;
    }

    // Hands out a new reference through a raw out parameter.
    HRESULT CopyTo(T** target) const {
        if (!target)
            return E_POINTER;
        *target = pointer_;
        AddRefPointer();
        return S_OK;
    }

    void Swap(ComPtr& other) noexcept { std::swap(pointer_, other.pointer_); }

    friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.pointer_ == b.pointer_; }
    friend bool operator==(const ComPtr& a, std::nullptr_t) { return a.pointer_ == nullptr; }

private:
    void AddRefPointer() const {
        if (pointer_)
            pointer_->AddRef();
    }

    T* pointer_ = nullptr;
};

} // namespace corvid::com
