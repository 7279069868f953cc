// The attribute part of a VISA find expression, the text between braces after the name
// pattern: comparisons of attributes with numbers or quoted texts ("VI_ATTR_GPIB_PRIMARY_ADDR
// > 5", "VI_ATTR_RSRC_MANF_NAME == \"Sorbel\""), combined with "!", "&&", "||" and parentheses.
#pragma once

#include "visa/visa.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace corvid::visa {

// The value of one attribute of a candidate resource.
struct AttributeValue {
    bool isText = false;
    ViInt64 number = 0;
    std::string text;
};

class AttributeExpression {
public:
    // Answers an attribute of the candidate; false when the resource does not have it.
    using Lookup = std::function<bool(ViAttr attribute, AttributeValue& value)>;

    AttributeExpression();
    ~AttributeExpression();
    AttributeExpression(AttributeExpression&&) noexcept;
    AttributeExpression& operator=(AttributeExpression&&) noexcept;

    // Compiles the text between the braces; false when it is malformed, names an unknown
    // attribute or compares a text attribute with a number (or the other way round).
    bool Compile(std::string_view text);
    // A comparison on an attribute the resource does not have is false.
    bool Evaluate(const Lookup& lookup) const;

    struct Node;

private:
    std::unique_ptr<Node> root_;
};

} // namespace corvid::visa
