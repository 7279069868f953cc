#include "configuration_reader.h"

#include "com/creation.h"
#include "com/variant.h"
#include "velaconfig/vela_config.h"

namespace corvid::host {

std::string ReadConfiguration(const std::string& section, const std::string& key, std::string& value) {
    using namespace corvid::com;
    using namespace corvid::velaconfig;
    ComPtr<IVelaConfig> config;
    if (FAILED(CreateInstance(kVelaConfigProgId, config)) || !config)
        return std::string("the configuration component ") + kVelaConfigProgId + " cannot be created";
    VARIANT_BOOL found = VARIANT_FALSE;
    if (FAILED(config->IsConfigFileFound(&found)) || found == VARIANT_FALSE)
        return "the configuration store cannot be found";
    Bstr text;
    if (FAILED(config->GetValue(Bstr(section).get(), Bstr(key).get(), text.Out())))
        return "the configuration cannot be read";
    value = Utf8FromBstr(text.get());
    return {};
}

} // namespace corvid::host
