#include "com/property_bag.h"

#include "com/object.h"

#include <string>
#include <vector>

namespace corvid::com {
namespace {

bool SameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    auto lower = [](char16_t c) {
        return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
    };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

class MemoryPropertyBag final : public ComClass<MemoryPropertyBag, IPropertyBag> {
public:
    HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog* errorLog) override {
        if (!name || !value)
            return E_POINTER;
        const Entry* entry = Find(name);
        HRESULT hr = entry ? S_OK : E_INVALIDARG;
        Variant result;
        if (entry)
            hr = value->vt == VT_EMPTY ? VariantCopy(&result, &entry->value)
                                       : VariantChangeType(&result, &entry->value, 0, value->vt);
        if (FAILED(hr)) {
            Log(errorLog, name, hr);
            return hr;
        }
        result.Detach(value);
        return S_OK;
    }

    HRESULT Write(LPCOLESTR name, VARIANT* value) override {
        if (!name || !value)
            return E_POINTER;
        Variant copy;
        HRESULT hr = VariantCopyInd(&copy, value);
        if (FAILED(hr))
            return hr;
        if (Entry* entry = Find(name)) {
            entry->value = std::move(copy);
            return S_OK;
        }
        entries_.push_back({name, std::move(copy)});
        return S_OK;
    }

private:
    struct Entry {
        std::u16string name;
        Variant value;
    };

    ~MemoryPropertyBag() override = default;

    Entry* Find(std::u16string_view name) {
        for (auto& entry : entries_)
            if (SameName(entry.name, name))
                return &entry;
        return nullptr;
    }

    static void Log(IErrorLog* errorLog, LPCOLESTR name, HRESULT hr) {
        if (!errorLog)
            return;
        EXCEPINFO exception{};
        exception.scode = hr;
        errorLog->AddError(name, &exception);
    }

    std::vector<Entry> entries_;
};

} // namespace

HRESULT CreateMemoryPropertyBag(IPropertyBag** bag) {
    return CreateObject<MemoryPropertyBag>(IPropertyBag::iid, reinterpret_cast<void**>(bag));
}

ComPtr<IPropertyBag> MakeMemoryPropertyBag() {
    return MakeObject<MemoryPropertyBag>();
}

HRESULT PropertyBagWrite(IPropertyBag* bag, std::string_view name, const VARIANT& value) {
    if (!bag)
        return E_POINTER;
    std::u16string wide = Utf16FromUtf8(name);
    VARIANT shallow = value; // Write copies; the cast only satisfies the interface's signature
    return bag->Write(wide.c_str(), &shallow);
}

HRESULT PropertyBagRead(IPropertyBag* bag, std::string_view name, VARTYPE vt, Variant& value) {
    if (!bag)
        return E_POINTER;
    HRESULT hr = value.Clear();
    if (FAILED(hr))
        return hr;
    std::u16string wide = Utf16FromUtf8(name);
    VARIANT asked;
    VariantInit(&asked);
    asked.vt = vt;
    hr = bag->Read(wide.c_str(), &asked, nullptr);
    if (SUCCEEDED(hr))
        value = Variant::Adopt(&asked);
    return hr;
}

} // namespace corvid::com
