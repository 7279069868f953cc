// A whole VISA find expression: a name pattern, optionally followed by an attribute
// expression in braces ("GPIB?*INSTR{VI_ATTR_GPIB_SECONDARY_ADDR > 0}").
#pragma once

#include "attribute_expression.h"
#include "name_pattern.h"

#include <string_view>

namespace corvid::visa {

class FindExpression {
public:
    // VI_SUCCESS, or VI_ERROR_INV_EXPR for a malformed expression.
    ViStatus Compile(std::string_view text);

    bool MatchesName(std::string_view name) const { return pattern_.Matches(name); }
    bool HasAttributeCondition() const { return hasAttributes_; }
    bool MatchesAttributes(const AttributeExpression::Lookup& lookup) const {
        return !hasAttributes_ || attributes_.Evaluate(lookup);
    }

private:
    NamePattern pattern_;
    AttributeExpression attributes_;
    bool hasAttributes_ = false;
};

} // namespace corvid::visa
