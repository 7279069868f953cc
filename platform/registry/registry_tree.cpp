#include "platform/registry.h"
#include "platform/text.h"
#include "registry_node.h"

#include <algorithm>

namespace corvid::platform {

namespace registry_detail {

std::optional<std::vector<std::string_view>> SplitKeyPath(std::string_view path) {
    std::vector<std::string_view> parts;
    if (path.empty())
        return parts;
    if (path.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        return std::nullopt;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = path.find('\\', start);
        std::string_view part = path.substr(start, end == std::string_view::npos ? end : end - start);
        if (part.empty())
            return std::nullopt;
        parts.push_back(part);
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

} // namespace registry_detail

using registry_detail::SplitKeyPath;
using Node = RegistryKeyTree::Node;

Node* Node::FindSubKey(std::string_view key) {
    auto it = std::find_if(subkeys.begin(), subkeys.end(),
                           [&](const Node& n) { return EqualsNoCase(n.name, key); });
    return it == subkeys.end() ? nullptr : &*it;
}

const Node* Node::FindSubKey(std::string_view key) const {
    return const_cast<Node*>(this)->FindSubKey(key);
}

RegistryNamedValue* Node::FindValue(std::string_view valueName) {
    auto it = std::find_if(values.begin(), values.end(),
                           [&](const RegistryNamedValue& v) { return EqualsNoCase(v.first, valueName); });
    return it == values.end() ? nullptr : &*it;
}

const RegistryNamedValue* Node::FindValue(std::string_view valueName) const {
    return const_cast<Node*>(this)->FindValue(valueName);
}

namespace {

const Node* FindKey(const Node& root, std::string_view path) {
    auto parts = SplitKeyPath(path);
    if (!parts)
        return nullptr;
    const Node* node = &root;
    for (std::string_view part : *parts) {
        node = node->FindSubKey(part);
        if (!node)
            return nullptr;
    }
    return node;
}

Node* FindOrCreateKey(Node& root, std::string_view path) {
    auto parts = SplitKeyPath(path);
    if (!parts)
        return nullptr;
    Node* node = &root;
    for (std::string_view part : *parts) {
        Node* next = node->FindSubKey(part);
        if (!next) {
            node->subkeys.push_back(Node{std::string(part), {}, {}});
            next = &node->subkeys.back();
        }
        node = next;
    }
    return node;
}

bool NodesEqual(const Node& a, const Node& b) {
    return a.name == b.name && a.values == b.values &&
           std::equal(a.subkeys.begin(), a.subkeys.end(), b.subkeys.begin(), b.subkeys.end(), NodesEqual);
}

} // namespace

RegistryKeyTree::RegistryKeyTree() : root_(std::make_unique<Node>()) {}
RegistryKeyTree::~RegistryKeyTree() = default;
RegistryKeyTree::RegistryKeyTree(const RegistryKeyTree& other)
    : root_(std::make_unique<Node>(*other.root_)) {}

RegistryKeyTree& RegistryKeyTree::operator=(const RegistryKeyTree& other) {
    if (this != &other)
        root_ = std::make_unique<Node>(*other.root_);
    return *this;
}

// A moved-from tree stays usable as an empty tree.
RegistryKeyTree::RegistryKeyTree(RegistryKeyTree&& other) noexcept : root_(std::make_unique<Node>()) {
    std::swap(root_, other.root_);
}

RegistryKeyTree& RegistryKeyTree::operator=(RegistryKeyTree&& other) noexcept {
    std::swap(root_, other.root_);
    return *this;
}

bool RegistryKeyTree::CreateKey(std::string_view path) {
    return FindOrCreateKey(*root_, path) != nullptr;
}

bool RegistryKeyTree::KeyExists(std::string_view path) const {
    return FindKey(*root_, path) != nullptr;
}

std::vector<std::string> RegistryKeyTree::SubKeys(std::string_view path) const {
    std::vector<std::string> names;
    if (const Node* node = FindKey(*root_, path)) {
        for (const Node& sub : node->subkeys)
            names.push_back(sub.name);
    }
    return names;
}

std::vector<RegistryNamedValue> RegistryKeyTree::Values(std::string_view path) const {
    const Node* node = FindKey(*root_, path);
    return node ? node->values : std::vector<RegistryNamedValue>{};
}

std::optional<RegistryValue> RegistryKeyTree::GetValue(std::string_view path, std::string_view name) const {
    const Node* node = FindKey(*root_, path);
    const RegistryNamedValue* value = node ? node->FindValue(name) : nullptr;
    return value ? std::optional<RegistryValue>(value->second) : std::nullopt;
}

std::optional<std::string> RegistryKeyTree::GetString(std::string_view path, std::string_view name) const {
    auto value = GetValue(path, name);
    if (!value || value->kind != RegistryValue::Kind::String)
        return std::nullopt;
    return std::move(value->text);
}

std::optional<std::uint32_t> RegistryKeyTree::GetDword(std::string_view path, std::string_view name) const {
    auto value = GetValue(path, name);
    if (!value || value->kind != RegistryValue::Kind::Dword)
        return std::nullopt;
    return value->dword;
}

bool RegistryKeyTree::SetValue(std::string_view path, std::string_view name, RegistryValue value) {
    Node* node = FindOrCreateKey(*root_, path);
    if (!node)
        return false;
    if (RegistryNamedValue* existing = node->FindValue(name))
        existing->second = std::move(value);
    else
        node->values.emplace_back(std::string(name), std::move(value));
    return true;
}

bool RegistryKeyTree::SetString(std::string_view path, std::string_view name, std::string_view text) {
    return SetValue(path, name, RegistryValue::String(std::string(text)));
}

bool RegistryKeyTree::SetDword(std::string_view path, std::string_view name, std::uint32_t value) {
    return SetValue(path, name, RegistryValue::Dword(value));
}

bool RegistryKeyTree::DeleteValue(std::string_view path, std::string_view name) {
    Node* node = const_cast<Node*>(FindKey(*root_, path));
    if (!node)
        return false;
    auto it = std::find_if(node->values.begin(), node->values.end(),
                           [&](const RegistryNamedValue& v) { return EqualsNoCase(v.first, name); });
    if (it == node->values.end())
        return false;
    node->values.erase(it);
    return true;
}

bool RegistryKeyTree::DeleteKey(std::string_view path) {
    auto parts = SplitKeyPath(path);
    if (!parts || parts->empty())
        return false;
    std::string_view last = parts->back();
    std::string_view parentPath = path.substr(0, path.size() - last.size());
    if (!parentPath.empty())
        parentPath.remove_suffix(1); // the separator before the last name
    Node* parent = const_cast<Node*>(FindKey(*root_, parentPath));
    if (!parent)
        return false;
    auto it = std::find_if(parent->subkeys.begin(), parent->subkeys.end(),
                           [&](const Node& n) { return EqualsNoCase(n.name, last); });
    if (it == parent->subkeys.end())
        return false;
    parent->subkeys.erase(it);
    return true;
}

bool RegistryKeyTree::Empty() const {
    return root_->values.empty() && root_->subkeys.empty();
}

bool RegistryKeyTree::operator==(const RegistryKeyTree& other) const {
    return NodesEqual(*root_, *other.root_);
}

} // namespace corvid::platform
