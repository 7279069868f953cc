// Expressions and reply templates of instrument descriptions: arithmetic over numbers,
// the instrument's properties and computed values (its own or another instrument's, as
// "name.property"), the parameters of a command, and a few functions for readings that
// vary (noise, uniform, time).
#pragma once

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace corvid::sim {

struct Value {
    bool isText = false;
    double number = 0;
    std::string text;

    static Value Number(double n) { return Value{false, n, {}}; }
    static Value Text(std::string t) { return Value{true, 0, std::move(t)}; }
    bool Truthy() const { return isText ? !text.empty() : number != 0; }
};

enum class RefKind { Property, Computed, Param };

struct Reference {
    RefKind kind;
    int instrument; // index in the bench (unused for parameters)
    int index;
};

// Maps a name used in an expression to what it denotes; nullopt for an unknown name.
using Resolver = std::function<std::optional<Reference>(std::string_view name)>;

// What an expression reads while it is evaluated.
class EvalContext {
public:
    virtual Value Read(const Reference& ref) = 0;
    virtual double Gaussian(double sigma) = 0;
    virtual double Uniform(double low, double high) = 0;
    virtual double Seconds() = 0; // since the bench was loaded

protected:
    ~EvalContext() = default;
};

// A failure while evaluating (a text where a number is needed, too deep a chain).
class EvalError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Expression {
public:
    Expression() = default;
    // Throws std::invalid_argument with the reason when the text is malformed or names
    // something the resolver does not know.
    Expression(std::string_view text, const Resolver& resolve);

    Value Evaluate(EvalContext& context) const;
    bool empty() const { return nodes_.empty(); }
    // Every name the expression reads, for the check against circular values.
    const std::vector<Reference>& references() const { return references_; }

    enum class Op {
        Number,
        Text,
        Read,
        Negate,
        Not,
        Add,
        Sub,
        Mul,
        Div,
        Mod,
        Eq,
        Ne,
        Lt,
        Le,
        Gt,
        Ge,
        And,
        Or,
        Call
    };
    struct Node {
        Op op = Op::Number;
        Value constant;
        Reference ref{RefKind::Param, 0, 0};
        std::string function;
        std::vector<int> args;
        int depth = 1; // of the subtree this node heads
    };

private:
    friend class ExpressionParser;
    Value Eval(int node, EvalContext& context) const;
    std::vector<Node> nodes_;
    std::vector<Reference> references_;
    int root_ = -1;
};

// Text with embedded "{expression}" or "{expression:%.6E}" fields; "{{" and "}}" stand
// for braces.
class Template {
public:
    Template() = default;
    Template(std::string_view text, const Resolver& resolve);
    std::string Render(EvalContext& context) const;
    const std::vector<Reference>& references() const { return references_; }

private:
    struct Piece {
        std::string literal;
        std::optional<Expression> field;
        std::string format;
    };
    std::vector<Piece> pieces_;
    std::vector<Reference> references_;
};

// A number as a reply shows it: the printf-style format (one of e, E, f, g, G) or
// "%.10g" when empty.
std::string FormatNumber(double value, const std::string& format);
// Whether format is a single printf conversion for one double.
bool IsNumberFormat(std::string_view format);
// Text form of a value for replies.
std::string FormatValue(const Value& value, const std::string& format);

} // namespace corvid::sim
