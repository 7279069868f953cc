#include "expression.h"

#include "header_pattern.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace corvid::sim {

namespace {

struct FunctionInfo {
    const char* name;
    size_t arity;
};

constexpr FunctionInfo kFunctions[] = {
    {"noise", 1}, {"uniform", 2}, {"abs", 1},   {"min", 2}, {"max", 2},
    {"sqrt", 1},  {"round", 1},   {"floor", 1}, {"if", 3},  {"time", 0},
};

const FunctionInfo* FindFunction(std::string_view name) {
    for (const FunctionInfo& f : kFunctions) {
        if (name == f.name) {
            return &f;
        }
    }
    return nullptr;
}

[[noreturn]] void Fail(const std::string& message) {
    throw std::invalid_argument(message);
}

// How deep an expression may nest (parentheses, operators, calls). Parsing and evaluation
// recurse once per level, so a deeper one is refused rather than left to exhaust the stack.
constexpr int kMaxNesting = 200;

} // namespace

// Recursive-descent parser from text to the node list of an Expression.
class ExpressionParser {
public:
    ExpressionParser(std::string_view text, const Resolver& resolve, Expression& out)
        : text_(text), resolve_(resolve), out_(out) {}

    void Run() {
        out_.root_ = ParseOr();
        SkipSpace();
        if (pos_ != text_.size()) {
            Fail("unexpected \"" + std::string(text_.substr(pos_)) + "\" in expression");
        }
    }

private:
    using Op = Expression::Op;

    void SkipSpace() {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) {
            ++pos_;
        }
    }
    bool Accept(std::string_view token) {
        SkipSpace();
        if (text_.substr(pos_, token.size()) == token) {
            pos_ += token.size();
            return true;
        }
        return false;
    }
    int Add(Expression::Node node) {
        int depth = 0;
        for (int arg : node.args) {
            depth = std::max(depth, out_.nodes_[static_cast<size_t>(arg)].depth);
        }
        node.depth = depth + 1;
        if (node.depth > kMaxNesting) {
            TooDeep();
        }
        out_.nodes_.push_back(std::move(node));
        return static_cast<int>(out_.nodes_.size() - 1);
    }
    [[noreturn]] static void TooDeep() {
        Fail("expression nested more than " + std::to_string(kMaxNesting) + " levels deep");
    }
    // Counts one level of recursion for as long as it lives.
    class Nesting {
    public:
        explicit Nesting(int& level) : level_(level) {
            if (++level_ > kMaxNesting) {
                --level_;
                TooDeep();
            }
        }
        ~Nesting() { --level_; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

    private:
        int& level_;
    };

    int Binary(Op op, int a, int b) {
        Expression::Node n;
        n.op = op;
        n.args = {a, b};
        return Add(std::move(n));
    }

    int ParseOr() {
        int left = ParseAnd();
        while (Accept("||")) {
            left = Binary(Op::Or, left, ParseAnd());
        }
        return left;
    }
    int ParseAnd() {
        int left = ParseCompare();
        while (Accept("&&")) {
            left = Binary(Op::And, left, ParseCompare());
        }
        return left;
    }
    int ParseCompare() {
        int left = ParseSum();
        static constexpr std::pair<std::string_view, Op> kOps[] = {
            {"==", Op::Eq}, {"!=", Op::Ne}, {"<=", Op::Le}, {">=", Op::Ge}, {"<", Op::Lt}, {">", Op::Gt}};
        for (const auto& [token, op] : kOps) {
            if (Accept(token)) {
                return Binary(op, left, ParseSum());
            }
        }
        return left;
    }
    int ParseSum() {
        int left = ParseProduct();
        while (true) {
            if (Accept("+")) {
                left = Binary(Op::Add, left, ParseProduct());
            } else if (Accept("-")) {
                left = Binary(Op::Sub, left, ParseProduct());
            } else {
                return left;
            }
        }
    }
    int ParseProduct() {
        int left = ParseUnary();
        while (true) {
            if (Accept("*")) {
                left = Binary(Op::Mul, left, ParseUnary());
            } else if (Accept("/")) {
                left = Binary(Op::Div, left, ParseUnary());
            } else if (Accept("%")) {
                left = Binary(Op::Mod, left, ParseUnary());
            } else {
                return left;
            }
        }
    }
    int ParseUnary() {
        if (Accept("-")) {
            Nesting nesting(level_);
            Expression::Node n;
            n.op = Op::Negate;
            n.args = {ParseUnary()};
            return Add(std::move(n));
        }
        if (Accept("!")) {
            Nesting nesting(level_);
            Expression::Node n;
            n.op = Op::Not;
            n.args = {ParseUnary()};
            return Add(std::move(n));
        }
        return ParsePrimary();
    }
    int ParsePrimary() {
        SkipSpace();
        if (pos_ >= text_.size()) {
            Fail("expression ends too early");
        }
        char c = text_[pos_];
        if (Accept("(")) {
            Nesting nesting(level_);
            int inner = ParseOr();
            if (!Accept(")")) {
                Fail("missing ')' in expression");
            }
            return inner;
        }
        if (c == '"') {
            return ParseString();
        }
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
            return ParseNumber();
        }
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            return ParseName();
        }
        Fail("unexpected '" + std::string(1, c) + "' in expression");
    }
    int ParseNumber() {
        std::string rest(text_.substr(pos_));
        char* end = nullptr;
        double value = std::strtod(rest.c_str(), &end);
        if (end == rest.c_str()) {
            Fail("malformed number in expression");
        }
        pos_ += static_cast<size_t>(end - rest.c_str());
        Expression::Node n;
        n.op = Op::Number;
        n.constant = Value::Number(value);
        return Add(std::move(n));
    }
    int ParseString() {
        ++pos_;
        std::string value;
        while (pos_ < text_.size() && text_[pos_] != '"') {
            value += text_[pos_++];
        }
        if (pos_ >= text_.size()) {
            Fail("unterminated text in expression");
        }
        ++pos_;
        Expression::Node n;
        n.op = Op::Text;
        n.constant = Value::Text(std::move(value));
        return Add(std::move(n));
    }
    std::string_view Identifier() {
        size_t start = pos_;
        while (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) ||
                                       text_[pos_] == '_' || text_[pos_] == '.')) {
            ++pos_;
        }
        return text_.substr(start, pos_ - start);
    }
    int ParseName() {
        std::string_view name = Identifier();
        if (Accept("(")) {
            return ParseCall(name);
        }
        std::optional<Reference> ref = resolve_(name);
        if (!ref) {
            Fail("unknown name \"" + std::string(name) + "\"");
        }
        out_.references_.push_back(*ref);
        Expression::Node n;
        n.op = Op::Read;
        n.ref = *ref;
        return Add(std::move(n));
    }
    int ParseCall(std::string_view name) {
        const FunctionInfo* info = FindFunction(name);
        if (info == nullptr) {
            Fail("unknown function \"" + std::string(name) + "\"");
        }
        Nesting nesting(level_);
        Expression::Node n;
        n.op = Op::Call;
        n.function = info->name;
        if (!Accept(")")) {
            do {
                n.args.push_back(ParseOr());
            } while (Accept(","));
            if (!Accept(")")) {
                Fail("missing ')' after the arguments of " + n.function);
            }
        }
        if (n.args.size() != info->arity) {
            Fail(n.function + " takes " + std::to_string(info->arity) + " argument(s)");
        }
        return Add(std::move(n));
    }

    std::string_view text_;
    const Resolver& resolve_;
    Expression& out_;
    size_t pos_ = 0;
    int level_ = 0;
};

Expression::Expression(std::string_view text, const Resolver& resolve) {
    ExpressionParser(text, resolve, *this).Run();
}

Value Expression::Evaluate(EvalContext& context) const {
    if (root_ < 0) {
        return Value::Number(0);
    }
    return Eval(root_, context);
}

namespace {

double Num(const Value& v) {
    if (v.isText) {
        throw EvalError("text \"" + v.text + "\" where a number is needed");
    }
    return v.number;
}

bool Same(const Value& a, const Value& b) {
    if (a.isText != b.isText) {
        return false;
    }
    return a.isText ? EqualsNoCase(a.text, b.text) : a.number == b.number;
}

} // namespace

Value Expression::Eval(int index, EvalContext& context) const {
    const Node& n = nodes_[static_cast<size_t>(index)];
    auto arg = [&](size_t i) {
        return Eval(n.args[i], context);
    };
    auto num = [&](size_t i) {
        return Num(arg(i));
    };
    switch (n.op) {
    case Op::Number:
    case Op::Text:
        return n.constant;
    case Op::Read:
        return context.Read(n.ref);
    case Op::Negate:
        return Value::Number(-num(0));
    case Op::Not:
        return Value::Number(arg(0).Truthy() ? 0 : 1);
    case Op::Add:
        return Value::Number(num(0) + num(1));
    case Op::Sub:
        return Value::Number(num(0) - num(1));
    case Op::Mul:
        return Value::Number(num(0) * num(1));
    case Op::Div:
        return Value::Number(num(0) / num(1));
    case Op::Mod:
        return Value::Number(std::fmod(num(0), num(1)));
    case Op::Eq:
        return Value::Number(Same(arg(0), arg(1)) ? 1 : 0);
    case Op::Ne:
        return Value::Number(Same(arg(0), arg(1)) ? 0 : 1);
    case Op::Lt:
        return Value::Number(num(0) < num(1) ? 1 : 0);
    case Op::Le:
        return Value::Number(num(0) <= num(1) ? 1 : 0);
    case Op::Gt:
        return Value::Number(num(0) > num(1) ? 1 : 0);
    case Op::Ge:
        return Value::Number(num(0) >= num(1) ? 1 : 0);
    case Op::And:
        return Value::Number(arg(0).Truthy() && arg(1).Truthy() ? 1 : 0);
    case Op::Or:
        return Value::Number(arg(0).Truthy() || arg(1).Truthy() ? 1 : 0);
    case Op::Call:
        break;
    }
    const std::string& f = n.function;
    if (f == "if") {
        return arg(0).Truthy() ? arg(1) : arg(2);
    }
    if (f == "noise") {
        return Value::Number(context.Gaussian(num(0)));
    }
    if (f == "uniform") {
        return Value::Number(context.Uniform(num(0), num(1)));
    }
    if (f == "time") {
        return Value::Number(context.Seconds());
    }
    if (f == "min") {
        return Value::Number(std::fmin(num(0), num(1)));
    }
    if (f == "max") {
        return Value::Number(std::fmax(num(0), num(1)));
    }
    double x = num(0);
    if (f == "abs") {
        return Value::Number(std::fabs(x));
    }
    if (f == "sqrt") {
        return Value::Number(std::sqrt(x));
    }
    if (f == "round") {
        return Value::Number(std::round(x));
    }
    return Value::Number(std::floor(x));
}

bool IsNumberFormat(std::string_view format) {
    size_t i = 0;
    auto digits = [&]() {
        size_t start = i;
        while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i]))) {
            ++i;
        }
        return i - start;
    };
    if (format.empty() || format[i++] != '%') {
        return false;
    }
    while (i < format.size() && std::string_view("-+ 0#").find(format[i]) != std::string_view::npos) {
        ++i;
    }
    if (digits() > 2) {
        return false;
    }
    if (i < format.size() && format[i] == '.') {
        ++i;
        if (digits() > 2) {
            return false;
        }
    }
    return i + 1 == format.size() && std::string_view("eEfgG").find(format[i]) != std::string_view::npos;
}

std::string FormatNumber(double value, const std::string& format) {
    char buffer[128];
    // The format was checked by IsNumberFormat when the description was read.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    int n = std::snprintf(buffer, sizeof buffer, format.empty() ? "%.10g" : format.c_str(), value);
#pragma GCC diagnostic pop
    if (n < 0) {
        return {};
    }
    return std::string(buffer, static_cast<size_t>(std::min<int>(n, sizeof buffer - 1)));
}

std::string FormatValue(const Value& value, const std::string& format) {
    return value.isText ? value.text : FormatNumber(value.number, format);
}

Template::Template(std::string_view text, const Resolver& resolve) {
    Piece current;
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if ((c == '{' || c == '}') && i + 1 < text.size() && text[i + 1] == c) {
            current.literal += c;
            i += 2;
            continue;
        }
        if (c == '}') {
            Fail("unmatched '}' in reply");
        }
        if (c != '{') {
            current.literal += c;
            ++i;
            continue;
        }
        size_t close = text.find('}', i);
        if (close == std::string_view::npos) {
            Fail("unclosed '{' in reply");
        }
        std::string_view field = text.substr(i + 1, close - i - 1);
        size_t colon = field.rfind(":%");
        if (colon != std::string_view::npos) {
            current.format = std::string(field.substr(colon + 1));
            if (!IsNumberFormat(current.format)) {
                Fail("bad number format \"" + current.format + "\" in reply");
            }
            field = field.substr(0, colon);
        }
        current.field.emplace(field, resolve);
        for (const Reference& ref : current.field->references()) {
            references_.push_back(ref);
        }
        pieces_.push_back(std::move(current));
        current = Piece{};
        i = close + 1;
    }
    if (!current.literal.empty()) {
        pieces_.push_back(std::move(current));
    }
}

std::string Template::Render(EvalContext& context) const {
    std::string out;
    for (const Piece& piece : pieces_) {
        out += piece.literal;
        if (piece.field) {
            out += FormatValue(piece.field->Evaluate(context), piece.format);
        }
    }
    return out;
}

} // namespace corvid::sim
