// The regular-expression part of a VISA find expression: "?" any character, "[list]" and
// "[^list]" with ranges, "*" and "+" after a character or group, "|" alternatives, "(...)"
// grouping and "\" escapes. A pattern matches a whole resource name, without regard to case.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvid::visa {

class NamePattern {
public:
    // Compiles the pattern; false (and an unusable object) when it is malformed.
    bool Compile(std::string_view pattern);
    bool Matches(std::string_view name) const;

private:
    struct State {
        enum Kind : std::uint8_t { Literal, Any, Set, Split, Match } kind = Match;
        char literal = 0;
        std::uint16_t set = 0; // index into sets_
        int next = -1;
        int alternative = -1; // Split only
    };
    friend class PatternCompiler;

    void AddClosure(std::vector<int>& states, std::vector<std::uint32_t>& mark, std::uint32_t generation,
                    int start) const;
    bool Accepts(const State& state, unsigned char c) const;

    std::vector<State> states_;
    std::vector<std::vector<bool>> sets_; // 256 flags per bracket list
    int start_ = -1;
};

} // namespace corvid::visa
