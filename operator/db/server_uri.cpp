#include "operatordb/database.h"

#include <algorithm>
#include <strings.h>

namespace corvid::operatordb {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

} // namespace

bool IsServerUri(std::string_view source) {
    return StartsWithNoCase(source, "postgresql://") || StartsWithNoCase(source, "postgres://");
}

std::string DisplaySource(std::string_view source) {
    if (!IsServerUri(source)) {
        return std::string(source);
    }
    std::string uri(source);
    // user:password@host
    size_t scheme = uri.find("://") + 3;
    size_t authorityEnd = uri.find_first_of("/?", scheme);
    size_t at = uri.rfind('@', authorityEnd == std::string::npos ? uri.size() : authorityEnd);
    if (at != std::string::npos && at >= scheme) {
        size_t colon = uri.find(':', scheme);
        if (colon != std::string::npos && colon < at) {
            uri.erase(colon, at - colon);
        }
    }
    // ?password=...&... : the query's other settings stay.
    size_t query = uri.find('?');
    if (query == std::string::npos) {
        return uri;
    }
    std::string kept;
    size_t start = query + 1;
    while (start <= uri.size()) {
        size_t end = std::min(uri.find('&', start), uri.size());
        std::string_view setting = std::string_view(uri).substr(start, end - start);
        if (!setting.empty() && !StartsWithNoCase(setting, "password=")) {
            kept += (kept.empty() ? "" : "&") + std::string(setting);
        }
        start = end + 1;
    }
    uri.erase(query);
    if (!kept.empty()) {
        uri += "?" + kept;
    }
    return uri;
}

} // namespace corvid::operatordb
