// The host's variable tables: named variables grouped in tables ("System",
// "TestPlanGlobals"), each reached by a handle that is never reused.
#pragma once

#include "platform/text.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace corvid::host {

class Variable {
public:
    Variable(std::string table, std::string name, bool integer);

    const std::string& table() const { return table_; }
    const std::string& name() const { return name_; }
    bool integer() const { return integer_; }

    // The value as text (an integer in decimal); the pointer stays valid until the next write.
    const std::string& text() const { return text_; }
    std::int32_t number() const;
    void SetText(std::string_view value);
    void SetNumber(std::int32_t value);

private:
    std::string table_;
    std::string name_;
    bool integer_;
    std::string text_;
};

class VariableTables {
public:
    // Defines a variable (or returns the handle of the one already defined).
    std::intptr_t Define(std::string_view table, std::string_view name, bool integer);
    // 0 when absent. Names and tables compare without regard to case.
    std::intptr_t Find(std::string_view table, std::string_view name) const;
    Variable* Get(std::intptr_t handle);
    // Removes every variable of a table; their handles become invalid.
    void RemoveTable(std::string_view table);

private:
    std::map<std::intptr_t, Variable> variables_;
    std::intptr_t next_ = 1;
};

// Names compare without regard to ASCII case.
using platform::EqualsNoCase;
// The name in ASCII lower case: the key under which EqualsNoCase names are one.
std::string FoldedName(std::string_view name);

} // namespace corvid::host
