// The in-memory shape of a registry key tree and the name rules shared by its parts.
#pragma once

#include "platform/registry.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvid::platform {

struct RegistryKeyTree::Node {
    std::string name;
    std::vector<RegistryNamedValue> values;
    std::vector<Node> subkeys;

    Node* FindSubKey(std::string_view key);
    const Node* FindSubKey(std::string_view key) const;
    RegistryNamedValue* FindValue(std::string_view valueName);
    const RegistryNamedValue* FindValue(std::string_view valueName) const;
};

namespace registry_detail {

// The components of a key path; nullopt when the path is invalid (an empty component or
// a line break or NUL in a name). "" is the root: no components.
std::optional<std::vector<std::string_view>> SplitKeyPath(std::string_view path);

} // namespace registry_detail

} // namespace corvid::platform
