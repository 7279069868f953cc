#include "variable_tables.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace corvid::host {

std::string FoldedName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded)
        c = platform::AsciiLower(c);
    return folded;
}

Variable::Variable(std::string table, std::string name, bool integer)
    : table_(std::move(table)), name_(std::move(name)), integer_(integer), text_(integer ? "0" : "") {}

std::int32_t Variable::number() const {
    // The leading decimal value, as a classic conversion reads it.
    std::string_view text = text_;
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    std::int32_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

void Variable::SetText(std::string_view value) {
    text_.assign(value);
    if (integer_)
        text_ = std::to_string(number());
}

void Variable::SetNumber(std::int32_t value) {
    text_ = std::to_string(value);
}

std::intptr_t VariableTables::Define(std::string_view table, std::string_view name, bool integer) {
    if (std::intptr_t existing = Find(table, name))
        return existing;
    std::intptr_t handle = next_++;
    variables_.emplace(handle, Variable(std::string(table), std::string(name), integer));
    return handle;
}

std::intptr_t VariableTables::Find(std::string_view table, std::string_view name) const {
    for (const auto& [handle, variable] : variables_) {
        if (EqualsNoCase(variable.table(), table) && EqualsNoCase(variable.name(), name)) {
            return handle;
        }
    }
    return 0;
}

Variable* VariableTables::Get(std::intptr_t handle) {
    auto found = variables_.find(handle);
    return found == variables_.end() ? nullptr : &found->second;
}

void VariableTables::RemoveTable(std::string_view table) {
    std::erase_if(variables_, [&](const auto& entry) { return EqualsNoCase(entry.second.table(), table); });
}

} // namespace corvid::host
