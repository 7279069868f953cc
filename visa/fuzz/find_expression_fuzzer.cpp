// Fuzz target: the find-expression matcher. The input is an expression, a line feed, and
// a resource name to match; attributes are answered from the name's first bytes.
#include "find_expression.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvid::visa;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t split = input.find('\n');
    std::string_view expression = input.substr(0, split);
    std::string_view name = split == std::string_view::npos ? std::string_view{} : input.substr(split + 1);
    FindExpression expr;
    ViStatus status = expr.Compile(expression);
    if (status != VI_SUCCESS) {
        if (status != VI_ERROR_INV_EXPR) {
            std::abort();
        }
        return 0;
    }
    bool first = expr.MatchesName(name);
    if (expr.MatchesName(name) != first) {
        std::abort(); // matching has no state
    }
    expr.MatchesAttributes([name](ViAttr attribute, AttributeValue& value) {
        if (name.empty() || (attribute & 1) != 0) {
            return false;
        }
        value.number = static_cast<unsigned char>(name[0]);
        value.text = std::string(name.substr(0, 8));
        value.isText = (attribute & 0x80000000u) != 0;
        return true;
    });
    return 0;
}
