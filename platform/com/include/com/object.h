// Reference counting and QueryInterface, written once for every component class.
//
//   class CProbe final : public ComClass<CProbe, DispatchImpl<IProbe, kProbeDescription>, IProbeSetup> {
//   public:
//       static std::span<const InterfaceEntry> InterfaceTable() {
//           static constexpr InterfaceEntry table[] = {
//               Entry<CProbe, IProbe>(), Entry<CProbe, IDispatch, IProbe>(), Entry<CProbe, IProbeSetup>()};
//           return table;
//       }
//   private:
//       ~CProbe() override;   // objects go only through Release
//   };
//
// The count is atomic and starts at 0; MakeObject hands out the first reference. When
// the last reference goes, the count is set back to 1 before the object is deleted, so
// that AddRef/Release pairs inside the destructor cannot delete it twice. A Release on
// an object nobody holds is a fault that would corrupt memory: it aborts with a message.
#pragma once

#include "com/com_ptr.h"
#include "com/module_counts.h"
#include "com/unknown.h"

#include <atomic>
#include <new>
#include <span>
#include <utility>

namespace corvid::com {

// One row of a QueryInterface table: an identifier and how to reach that interface
// from the object.
struct InterfaceEntry {
    const IID* iid;
    void* (*cast)(void* object);
};

// The row for interface Itf, reached through base Via (for an interface that the
// class implements only as the base of another, such as IDispatch under a dual one).
template <class Self, class Itf, class Via = Itf>
constexpr InterfaceEntry Entry() {
    return {&Itf::iid, [](void* object) -> void* {
                return static_cast<Itf*>(static_cast<Via*>(static_cast<Self*>(object)));
            }};
}

// Looks iid up in the table; IUnknown answers with the first row (the object's
// identity). Does not add a reference. E_NOINTERFACE (and *out = nullptr) when absent.
HRESULT FindInterface(void* object, std::span<const InterfaceEntry> table, REFIID iid, void** out);

namespace detail {
[[noreturn]] void ReleaseOfUnownedObject();
}

template <class Self, class... Interfaces>
class ComClass : public Interfaces... {
public:
    HRESULT QueryInterface(REFIID riid, void** out) override {
        HRESULT hr = FindInterface(static_cast<Self*>(this), Self::InterfaceTable(), riid, out);
        if (SUCCEEDED(hr))
            AddRef();
        return hr;
    }

    ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }

    ULONG Release() override {
        ULONG before = refs_.fetch_sub(1, std::memory_order_acq_rel);
        if (before == 0)
            detail::ReleaseOfUnownedObject();
        if (before == 1) {
            refs_.store(1, std::memory_order_relaxed); // stabilised while the destructor runs
            delete this;
            return 0;
        }
        return before - 1;
    }

    // The default table: each listed interface under its own identifier. A class that
    // answers base interfaces too (IDispatch, IMessageIO, ...) declares its own.
    static std::span<const InterfaceEntry> InterfaceTable() {
        static constexpr InterfaceEntry table[] = {Entry<Self, Interfaces>()...};
        return table;
    }

    ComClass(const ComClass&) = delete;
    ComClass& operator=(const ComClass&) = delete;

protected:
    ComClass() { ModuleCounts::ObjectCreated(); }
    virtual ~ComClass() { ModuleCounts::ObjectDestroyed(); }

private:
    std::atomic<ULONG> refs_{0};
};

// Creates an object and hands out its first reference. Throws std::bad_alloc.
template <class T, class... Args>
ComPtr<T> MakeObject(Args&&... args) {
    return ComPtr<T>(new T(std::forward<Args>(args)...));
}

// Creates an object and queries it for iid, without throwing: E_OUTOFMEMORY when it
// cannot be allocated, E_UNEXPECTED when its constructor throws anything else.
template <class T, class... Args>
HRESULT CreateObject(REFIID iid, void** out, Args&&... args) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    T* object = nullptr;
    try {
        object = new T(std::forward<Args>(args)...);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
    object->AddRef();
    HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
}

} // namespace corvid::com
