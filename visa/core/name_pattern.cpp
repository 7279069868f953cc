#include "name_pattern.h"

#include <cctype>
#include <memory>

namespace corvid::visa {

namespace {

// Patterns longer than this, or nested deeper, are refused rather than risk the stack.
constexpr std::size_t kMaxPatternLength = 4096;
constexpr int kMaxDepth = 64;

// The parsed form: a tree that the compiler turns into states back to front.
struct Node {
    enum Kind { Literal, Any, Set, Concat, Alternate, Star, Plus } kind = Literal;
    char literal = 0;
    std::uint16_t set = 0;
    std::vector<std::unique_ptr<Node>> children;
};

std::unique_ptr<Node> MakeNode(Node::Kind kind) {
    auto node = std::make_unique<Node>();
    node->kind = kind;
    return node;
}

} // namespace

class PatternCompiler {
public:
    PatternCompiler(std::string_view text, NamePattern& pattern) : text_(text), pattern_(pattern) {}

    bool Run() {
        auto root = Alternation(0);
        if (!root || pos_ != text_.size()) {
            return false;
        }
        int match = Add(MakeState(NamePattern::State::Match));
        pattern_.start_ = Emit(*root, match);
        return true;
    }

private:
    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek() const { return text_[pos_]; }

    std::unique_ptr<Node> Alternation(int depth) {
        if (depth > kMaxDepth) {
            return nullptr;
        }
        auto first = Sequence(depth);
        if (!first) {
            return nullptr;
        }
        if (AtEnd() || Peek() != '|') {
            return first;
        }
        auto node = MakeNode(Node::Alternate);
        node->children.push_back(std::move(first));
        while (!AtEnd() && Peek() == '|') {
            ++pos_;
            auto next = Sequence(depth);
            if (!next) {
                return nullptr;
            }
            node->children.push_back(std::move(next));
        }
        return node;
    }

    // One or more repeated atoms; an empty sequence is malformed.
    std::unique_ptr<Node> Sequence(int depth) {
        auto node = MakeNode(Node::Concat);
        while (!AtEnd() && Peek() != '|' && Peek() != ')') {
            auto atom = Atom(depth);
            if (!atom) {
                return nullptr;
            }
            while (!AtEnd() && (Peek() == '*' || Peek() == '+')) {
                Node::Kind kind = Peek() == '*' ? Node::Star : Node::Plus;
                ++pos_;
                if (atom->kind == Node::Star || atom->kind == Node::Plus) {
                    // x** is x*, x*+ and x+* are x*, x++ is x+: no deeper nesting needed.
                    if (kind == Node::Star) {
                        atom->kind = Node::Star;
                    }
                    continue;
                }
                auto repeat = MakeNode(kind);
                repeat->children.push_back(std::move(atom));
                atom = std::move(repeat);
            }
            node->children.push_back(std::move(atom));
        }
        if (node->children.empty()) {
            return nullptr;
        }
        return node;
    }

    std::unique_ptr<Node> Atom(int depth) {
        char c = Peek();
        ++pos_;
        switch (c) {
        case '(': {
            auto inner = Alternation(depth + 1);
            if (!inner || AtEnd() || Peek() != ')') {
                return nullptr;
            }
            ++pos_;
            return inner;
        }
        case '[':
            return BracketList();
        case '?':
            return MakeNode(Node::Any);
        case '\\':
            if (AtEnd()) {
                return nullptr;
            }
            return Literal(text_[pos_++]);
        case '*':
        case '+':
        case ']':
        case '{':
        case '}':
            return nullptr;
        default:
            return Literal(c);
        }
    }

    static std::unique_ptr<Node> Literal(char c) {
        auto node = MakeNode(Node::Literal);
        node->literal = c;
        return node;
    }

    std::unique_ptr<Node> BracketList() {
        std::vector<bool> flags(256, false);
        bool negate = !AtEnd() && Peek() == '^';
        if (negate) {
            ++pos_;
        }
        bool any = false;
        while (!AtEnd() && Peek() != ']') {
            unsigned char low = static_cast<unsigned char>(Next());
            if (low == '\\') {
                if (AtEnd()) {
                    return nullptr;
                }
                low = static_cast<unsigned char>(Next());
            }
            unsigned char high = low;
            if (pos_ + 1 < text_.size() && Peek() == '-' && text_[pos_ + 1] != ']') {
                ++pos_;
                high = static_cast<unsigned char>(Next());
                if (high == '\\') {
                    if (AtEnd()) {
                        return nullptr;
                    }
                    high = static_cast<unsigned char>(Next());
                }
                if (high < low) {
                    return nullptr;
                }
            }
            for (unsigned c = low; c <= high; ++c) {
                flags[c] = true;
                flags[static_cast<unsigned char>(std::toupper(static_cast<int>(c)))] = true;
                flags[static_cast<unsigned char>(std::tolower(static_cast<int>(c)))] = true;
            }
            any = true;
        }
        if (AtEnd() || !any) {
            return nullptr;
        }
        ++pos_; // ']'
        if (negate) {
            flags.flip();
        }
        auto node = MakeNode(Node::Set);
        node->set = static_cast<std::uint16_t>(pattern_.sets_.size());
        pattern_.sets_.push_back(std::move(flags));
        return node;
    }

    char Next() { return text_[pos_++]; }

    static NamePattern::State MakeState(NamePattern::State::Kind kind, int next = -1, char literal = 0,
                                        std::uint16_t set = 0, int alternative = -1) {
        NamePattern::State state;
        state.kind = kind;
        state.next = next;
        state.literal = literal;
        state.set = set;
        state.alternative = alternative;
        return state;
    }

    int Add(NamePattern::State state) {
        pattern_.states_.push_back(state);
        return static_cast<int>(pattern_.states_.size()) - 1;
    }

    // Emits the states of node so that a match continues at next; returns the entry state.
    int Emit(const Node& node, int next) {
        using State = NamePattern::State;
        switch (node.kind) {
        case Node::Literal:
            return Add(MakeState(State::Literal, next, node.literal));
        case Node::Any:
            return Add(MakeState(State::Any, next));
        case Node::Set:
            return Add(MakeState(State::Set, next, 0, node.set));
        case Node::Concat:
            for (auto it = node.children.rbegin(); it != node.children.rend(); ++it) {
                next = Emit(**it, next);
            }
            return next;
        case Node::Alternate: {
            int entry = Emit(*node.children.back(), next);
            for (auto it = node.children.rbegin() + 1; it != node.children.rend(); ++it) {
                int branch = Emit(**it, next);
                entry = Add(MakeState(State::Split, branch, 0, 0, entry));
            }
            return entry;
        }
        case Node::Star:
        case Node::Plus: {
            int loop = Add(MakeState(State::Split, -1, 0, 0, next));
            int body = Emit(*node.children.front(), loop);
            pattern_.states_[static_cast<std::size_t>(loop)].next = body;
            return node.kind == Node::Star ? loop : body;
        }
        }
        return next;
    }

    std::string_view text_;
    NamePattern& pattern_;
    std::size_t pos_ = 0;
};

bool NamePattern::Compile(std::string_view pattern) {
    states_.clear();
    sets_.clear();
    start_ = -1;
    if (pattern.empty() || pattern.size() > kMaxPatternLength) {
        return false;
    }
    PatternCompiler compiler(pattern, *this);
    if (!compiler.Run()) {
        states_.clear();
        sets_.clear();
        start_ = -1;
        return false;
    }
    return true;
}

bool NamePattern::Accepts(const State& state, unsigned char c) const {
    switch (state.kind) {
    case State::Literal:
        return std::toupper(static_cast<unsigned char>(state.literal)) == std::toupper(c);
    case State::Any:
        return true;
    case State::Set:
        return sets_[state.set][c];
    default:
        return false;
    }
}

void NamePattern::AddClosure(std::vector<int>& states, std::vector<std::uint32_t>& mark,
                             std::uint32_t generation, int start) const {
    std::vector<int> stack{start};
    while (!stack.empty()) {
        int s = stack.back();
        stack.pop_back();
        if (s < 0 || mark[static_cast<std::size_t>(s)] == generation) {
            continue;
        }
        mark[static_cast<std::size_t>(s)] = generation;
        const State& state = states_[static_cast<std::size_t>(s)];
        if (state.kind == State::Split) {
            stack.push_back(state.alternative);
            stack.push_back(state.next);
        } else {
            states.push_back(s);
        }
    }
}

bool NamePattern::Matches(std::string_view name) const {
    if (start_ < 0) {
        return false;
    }
    std::vector<std::uint32_t> mark(states_.size(), 0);
    std::uint32_t generation = 1;
    std::vector<int> current, next;
    AddClosure(current, mark, generation, start_);
    for (char ch : name) {
        ++generation;
        next.clear();
        for (int s : current) {
            const State& state = states_[static_cast<std::size_t>(s)];
            if (Accepts(state, static_cast<unsigned char>(ch))) {
                AddClosure(next, mark, generation, state.next);
            }
        }
        current.swap(next);
        if (current.empty()) {
            return false;
        }
    }
    for (int s : current) {
        if (states_[static_cast<std::size_t>(s)].kind == State::Match) {
            return true;
        }
    }
    return false;
}

} // namespace corvid::visa
