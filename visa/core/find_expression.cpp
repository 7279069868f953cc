#include "find_expression.h"

#include "platform/text.h"

#include <cctype>

namespace corvid::visa {
namespace {

// The position of the brace that opens the attribute part: the first "{" that is neither
// escaped nor inside a bracket list; npos when there is none.
std::size_t AttributeStart(std::string_view text) {
    bool inList = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\') {
            ++i;
        } else if (inList) {
            inList = c != ']';
        } else if (c == '[') {
            inList = true;
            if (i + 1 < text.size() && text[i + 1] == '^') {
                ++i;
            }
        } else if (c == '{') {
            return i;
        }
    }
    return std::string_view::npos;
}

} // namespace

ViStatus FindExpression::Compile(std::string_view text) {
    hasAttributes_ = false;
    std::size_t brace = AttributeStart(text);
    std::string_view namePart = text.substr(0, brace);
    if (brace != std::string_view::npos) {
        std::string_view rest = platform::TrimRight(text.substr(brace + 1));
        if (rest.empty() || rest.back() != '}') {
            return VI_ERROR_INV_EXPR;
        }
        rest.remove_suffix(1);
        if (!attributes_.Compile(rest)) {
            return VI_ERROR_INV_EXPR;
        }
        hasAttributes_ = true;
        namePart = platform::TrimRight(namePart);
    }
    if (!pattern_.Compile(namePart)) {
        return VI_ERROR_INV_EXPR;
    }
    return VI_SUCCESS;
}

} // namespace corvid::visa
