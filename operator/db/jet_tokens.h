// The token stream of a Jet SQL text: every character of the text belongs to exactly
// one token, so that joining the texts gives the input back.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvid::operatordb::jet {

enum class Kind {
    Space,        // blanks and comments
    Word,         // keyword or bare name
    QuotedName,   // [name] or `name`
    String,       // 'text'
    DoubleString, // "text"
    Number,
    Parameter, // :Name, @Name, $Name, ?, ?NNN
    Symbol,    // operators and punctuation
};

struct Token {
    Kind kind;
    std::string text;
};

std::vector<Token> Tokenize(std::string_view sql);

// The name inside a Word or QuotedName token.
std::string NameOf(const Token& token);

// Upper-case ASCII copy, for comparing keywords.
std::string Upper(std::string_view text);

} // namespace corvid::operatordb::jet
