#include "attribute_expression.h"

#include "platform/text.h"
#include "visa/names.h"

#include <cctype>
#include <charconv>
#include <optional>
#include <vector>

namespace corvid::visa {

struct AttributeExpression::Node {
    enum Kind { Or, And, Not, Compare } kind = Or;
    enum Operator { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual } op = Equal;
    ViAttr attribute = 0;
    AttributeValue value;
    std::vector<std::unique_ptr<Node>> children;
};

namespace {

using Node = AttributeExpression::Node;

std::unique_ptr<Node> MakeNode(Node::Kind kind) {
    auto node = std::make_unique<Node>();
    node->kind = kind;
    return node;
}
constexpr int kMaxDepth = 64;
constexpr std::size_t kMaxLength = 4096;

struct NamedValue {
    std::string_view name;
    ViInt64 value;
};

constexpr NamedValue kNamedValues[] = {
    {"VI_TRUE", VI_TRUE},
    {"VI_FALSE", VI_FALSE},
    {"VI_INTF_GPIB", VI_INTF_GPIB},
    {"VI_INTF_VXI", VI_INTF_VXI},
    {"VI_INTF_GPIB_VXI", VI_INTF_GPIB_VXI},
    {"VI_INTF_ASRL", VI_INTF_ASRL},
    {"VI_INTF_PXI", VI_INTF_PXI},
    {"VI_INTF_TCPIP", VI_INTF_TCPIP},
    {"VI_INTF_USB", VI_INTF_USB},
    {"VI_NO_SEC_ADDR", VI_NO_SEC_ADDR},
};

class ExpressionParser {
public:
    explicit ExpressionParser(std::string_view text) : text_(text) {}

    std::unique_ptr<Node> Run() {
        auto root = OrExpression(0);
        SkipBlanks();
        if (!root || pos_ != text_.size()) {
            return nullptr;
        }
        return root;
    }

private:
    void SkipBlanks() {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) {
            ++pos_;
        }
    }

    bool Take(std::string_view token) {
        SkipBlanks();
        if (text_.substr(pos_, token.size()) == token) {
            pos_ += token.size();
            return true;
        }
        return false;
    }

    std::unique_ptr<Node> Combine(Node::Kind kind, std::unique_ptr<Node> left, std::unique_ptr<Node> right) {
        if (left->kind == kind) {
            left->children.push_back(std::move(right));
            return left;
        }
        auto node = MakeNode(kind);
        node->children.push_back(std::move(left));
        node->children.push_back(std::move(right));
        return node;
    }

    std::unique_ptr<Node> OrExpression(int depth) {
        auto left = AndExpression(depth);
        while (left && Take("||")) {
            auto right = AndExpression(depth);
            if (!right) {
                return nullptr;
            }
            left = Combine(Node::Or, std::move(left), std::move(right));
        }
        return left;
    }

    std::unique_ptr<Node> AndExpression(int depth) {
        auto left = Unary(depth);
        while (left && Take("&&")) {
            auto right = Unary(depth);
            if (!right) {
                return nullptr;
            }
            left = Combine(Node::And, std::move(left), std::move(right));
        }
        return left;
    }

    std::unique_ptr<Node> Unary(int depth) {
        if (depth > kMaxDepth) {
            return nullptr;
        }
        SkipBlanks();
        if (pos_ < text_.size() && text_[pos_] == '!' && text_.substr(pos_, 2) != "!=") {
            ++pos_;
            auto inner = Unary(depth + 1);
            if (!inner) {
                return nullptr;
            }
            auto node = MakeNode(Node::Not);
            node->children.push_back(std::move(inner));
            return node;
        }
        if (Take("(")) {
            auto inner = OrExpression(depth + 1);
            if (!inner || !Take(")")) {
                return nullptr;
            }
            return inner;
        }
        return Comparison();
    }

    std::string_view Identifier() {
        SkipBlanks();
        std::size_t start = pos_;
        while (pos_ < text_.size() &&
               (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_')) {
            ++pos_;
        }
        return text_.substr(start, pos_ - start);
    }

    std::optional<Node::Operator> Operator() {
        static constexpr std::pair<std::string_view, Node::Operator> kOperators[] = {
            {"==", Node::Equal},     {"!=", Node::NotEqual}, {">=", Node::GreaterEqual},
            {"<=", Node::LessEqual}, {">", Node::Greater},   {"<", Node::Less},
        };
        for (const auto& [token, op] : kOperators) {
            if (Take(token)) {
                return op;
            }
        }
        return std::nullopt;
    }

    std::unique_ptr<Node> Comparison() {
        std::string_view name = Identifier();
        if (name.size() <= 8 || name.substr(0, 8) != "VI_ATTR_") {
            return nullptr;
        }
        const AttributeInfo* info = FindAttribute(name);
        auto op = Operator();
        if (!info || !op) {
            return nullptr;
        }
        auto node = MakeNode(Node::Compare);
        node->op = *op;
        node->attribute = info->id;
        bool textAttribute = info->type == AttributeType::Text;
        if (!Value(node->value) || node->value.isText != textAttribute) {
            return nullptr;
        }
        if (textAttribute && *op != Node::Equal && *op != Node::NotEqual) {
            return nullptr;
        }
        return node;
    }

    bool Value(AttributeValue& value) {
        SkipBlanks();
        if (pos_ >= text_.size()) {
            return false;
        }
        char c = text_[pos_];
        if (c == '"' || c == '\'') {
            std::size_t end = text_.find(c, pos_ + 1);
            if (end == std::string_view::npos) {
                return false;
            }
            value.isText = true;
            value.text = std::string(text_.substr(pos_ + 1, end - pos_ - 1));
            pos_ = end + 1;
            return true;
        }
        if (std::isalpha(static_cast<unsigned char>(c))) {
            std::string_view name = Identifier();
            for (const NamedValue& named : kNamedValues) {
                if (named.name == name) {
                    value.number = named.value;
                    return true;
                }
            }
            return false;
        }
        return Number(value.number);
    }

    bool Number(ViInt64& number) {
        bool negative = text_[pos_] == '-';
        if (negative) {
            ++pos_;
        }
        int base = 10;
        if (text_.substr(pos_, 2) == "0x" || text_.substr(pos_, 2) == "0X") {
            base = 16;
            pos_ += 2;
        }
        ViUInt64 magnitude = 0;
        auto [end, error] =
            std::from_chars(text_.data() + pos_, text_.data() + text_.size(), magnitude, base);
        if (error != std::errc{} || magnitude > 0xFFFFFFFFFFFFULL) {
            return false;
        }
        pos_ = static_cast<std::size_t>(end - text_.data());
        number = negative ? -static_cast<ViInt64>(magnitude) : static_cast<ViInt64>(magnitude);
        return true;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

bool Compare(const Node& node, const AttributeValue& actual) {
    if (node.value.isText) {
        bool same = actual.isText && platform::EqualsNoCase(actual.text, node.value.text);
        return node.op == Node::Equal ? same : !same;
    }
    ViInt64 a = actual.number, b = node.value.number;
    switch (node.op) {
    case Node::Equal:
        return a == b;
    case Node::NotEqual:
        return a != b;
    case Node::Less:
        return a < b;
    case Node::LessEqual:
        return a <= b;
    case Node::Greater:
        return a > b;
    case Node::GreaterEqual:
        return a >= b;
    }
    return false;
}

bool EvaluateNode(const Node& node, const AttributeExpression::Lookup& lookup) {
    switch (node.kind) {
    case Node::Or:
        for (const auto& child : node.children) {
            if (EvaluateNode(*child, lookup)) {
                return true;
            }
        }
        return false;
    case Node::And:
        for (const auto& child : node.children) {
            if (!EvaluateNode(*child, lookup)) {
                return false;
            }
        }
        return true;
    case Node::Not:
        return !EvaluateNode(*node.children.front(), lookup);
    case Node::Compare: {
        AttributeValue actual;
        return lookup(node.attribute, actual) && Compare(node, actual);
    }
    }
    return false;
}

} // namespace

AttributeExpression::AttributeExpression() = default;
AttributeExpression::~AttributeExpression() = default;
AttributeExpression::AttributeExpression(AttributeExpression&&) noexcept = default;
AttributeExpression& AttributeExpression::operator=(AttributeExpression&&) noexcept = default;

bool AttributeExpression::Compile(std::string_view text) {
    root_.reset();
    if (text.size() > kMaxLength) {
        return false;
    }
    root_ = ExpressionParser(text).Run();
    return root_ != nullptr;
}

bool AttributeExpression::Evaluate(const Lookup& lookup) const {
    return root_ && EvaluateNode(*root_, lookup);
}

} // namespace corvid::visa
