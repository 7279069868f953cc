#include "operatorconfig/configuration_manager.h"

#include "com/creation.h"
#include "com/variant.h"
#include "platform/message_box.h"
#include "velaconfig/vela_config.h"

#include <initializer_list>
#include <vector>

namespace corvid::operatorconfig {
namespace {

using namespace corvid::com;
using velaconfig::kDispGetValue;
using velaconfig::kDispIsConfigFileFound;
using velaconfig::kDispSetValue;
using velaconfig::kDispSystemPath;

// The component for one use: created and checked, released at the end of the scope.
class ConfigurationComponent {
public:
    explicit ConfigurationComponent(Prompt& prompt) {
        if (FAILED(CreateInstance(velaconfig::kVelaConfigProgId, dispatch_)) || !dispatch_) {
            prompt.Notify(kCantCreate);
            dispatch_ = nullptr;
            return;
        }
        Variant found;
        HRESULT hr = InvokeMember(dispatch_.get(), kDispIsConfigFileFound, DISPATCH_METHOD, {}, &found);
        if (FAILED(hr) || found.vt != VT_BOOL || found.boolVal == VARIANT_FALSE) {
            prompt.Notify(kConfigNotFound);
            dispatch_ = nullptr;
        }
    }

    explicit operator bool() const { return static_cast<bool>(dispatch_); }

    bool Text(DISPID id, WORD flags, std::span<VARIANT> arguments, std::string& text) {
        Variant result;
        if (FAILED(InvokeMember(dispatch_.get(), id, flags, arguments, &result)) || result.vt != VT_BSTR)
            return false;
        text = Utf8FromBstr(result.bstrVal);
        return true;
    }

    bool Call(DISPID id, std::span<VARIANT> arguments) {
        return SUCCEEDED(InvokeMember(dispatch_.get(), id, DISPATCH_METHOD, arguments, nullptr));
    }

private:
    ComPtr<IDispatch> dispatch_;
};

// Text arguments of one call, cleared at the end of the scope.
class TextArguments {
public:
    explicit TextArguments(std::initializer_list<std::string_view> texts) {
        for (std::string_view text : texts) {
            VARIANT& value = values_.emplace_back();
            VariantInit(&value);
            value.vt = VT_BSTR;
            value.bstrVal = BstrFromUtf8(text);
        }
    }
    ~TextArguments() {
        for (VARIANT& value : values_)
            VariantClear(&value);
    }
    TextArguments(const TextArguments&) = delete;
    TextArguments& operator=(const TextArguments&) = delete;
    std::span<VARIANT> span() { return values_; }

private:
    std::vector<VARIANT> values_;
};

} // namespace

void MessageBoxPrompt::Notify(const std::string& text) {
    platform::ShowMessageBox(text, kApplicationTitle, platform::MsgButtons::Ok, platform::MsgIcon::Warning);
}

bool CConfigurationManager::IsAvailable() {
    return static_cast<bool>(ConfigurationComponent(prompt_));
}

bool CConfigurationManager::GetValue(const std::string& section, const std::string& key, std::string& value) {
    ConfigurationComponent component(prompt_);
    if (!component)
        return false;
    TextArguments arguments{section, key};
    return component.Text(kDispGetValue, DISPATCH_METHOD, arguments.span(), value);
}

bool CConfigurationManager::SetValue(const std::string& section, const std::string& key,
                                     const std::string& value) {
    ConfigurationComponent component(prompt_);
    if (!component)
        return false;
    TextArguments arguments{section, key, value};
    return component.Call(kDispSetValue, arguments.span());
}

bool CConfigurationManager::GetSystemPath(std::string& path) {
    ConfigurationComponent component(prompt_);
    return component && component.Text(kDispSystemPath, DISPATCH_PROPERTYGET, {}, path);
}

} // namespace corvid::operatorconfig
