// One column or parameter value as the engine holds it.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace corvid::operatordb {

// Null, an integer, a real or a text. Reading converts between them as the record
// bindings need: a number from a text that holds one, a text from any number.
class Value {
public:
    Value() = default;
    Value(int v) : data_(static_cast<int64_t>(v)) {}
    Value(int64_t v) : data_(v) {}
    Value(double v) : data_(v) {}
    Value(std::string v) : data_(std::move(v)) {}
    Value(const char* v) : data_(std::string(v)) {}
    Value(bool) = delete; // a yes/no value is written as Value(flag ? 1 : 0)

    bool IsNull() const { return std::holds_alternative<std::monostate>(data_); }
    bool IsInteger() const { return std::holds_alternative<int64_t>(data_); }
    bool IsReal() const { return std::holds_alternative<double>(data_); }
    bool IsText() const { return std::holds_alternative<std::string>(data_); }

    // Null reads as 0; a real is rounded to the nearest integer (halves to even); a
    // text must hold a number, else DbError "Data type conversion error.".
    int64_t AsInteger() const;
    double AsReal() const;
    // Null reads as empty text; numbers in decimal.
    std::string AsText() const;
    // Yes/no reading: any non-zero value is true, null is false.
    bool AsBool() const { return AsInteger() != 0; }

    bool operator==(const Value&) const = default;

private:
    std::variant<std::monostate, int64_t, double, std::string> data_;
};

// A named query parameter (:Name in the SQL); names compare without regard to case.
struct Parameter {
    std::string name;
    Value value;
};
using Parameters = std::vector<Parameter>;

} // namespace corvid::operatordb
