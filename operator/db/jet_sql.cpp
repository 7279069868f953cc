#include "operatordb/jet_sql.h"

#include "jet_tokens.h"
#include "operatordb/db_error.h"

#include <cctype>
#include <set>
#include <vector>

namespace corvid::operatordb {
namespace {

using jet::Kind;
using jet::Token;
using jet::Upper;

constexpr int kMaxQueryNesting = 32;

// Words that end a table reference, so that a name after one of them is no alias.
bool EndsTableReference(const std::string& upperWord) {
    static const std::set<std::string> kWords = {
        "WHERE", "INNER",  "LEFT",   "RIGHT", "FULL",   "OUTER",     "CROSS",    "NATURAL",
        "JOIN",  "ON",     "USING",  "GROUP", "ORDER",  "HAVING",    "UNION",    "EXCEPT",
        "LIMIT", "WINDOW", "VALUES", "SET",   "SELECT", "RETURNING", "INTERSECT"};
    return kWords.count(upperWord) != 0;
}

bool EndsTableList(const std::string& upperWord) {
    static const std::set<std::string> kWords = {"WHERE",  "GROUP", "ORDER",     "HAVING", "UNION",
                                                 "EXCEPT", "LIMIT", "INTERSECT", "WINDOW", "VALUES",
                                                 "SELECT", "SET",   "RETURNING"};
    return kWords.count(upperWord) != 0;
}

bool IsEquality(const Token& t) {
    return t.kind == Kind::Symbol && (t.text == "=" || t.text == "==");
}

bool IsInequality(const Token& t) {
    return t.kind == Kind::Symbol && (t.text == "<>" || t.text == "!=");
}

std::string SingleQuoted(const std::string& doubleQuoted) {
    std::string inner = doubleQuoted.size() >= 2 && doubleQuoted.back() == '"'
                            ? doubleQuoted.substr(1, doubleQuoted.size() - 2)
                            : doubleQuoted.substr(1);
    std::string out = "'";
    for (size_t i = 0; i < inner.size(); ++i) {
        if (inner[i] == '"' && i + 1 < inner.size() && inner[i + 1] == '"')
            ++i;
        if (inner[i] == '\'')
            out += '\'';
        out += inner[i];
    }
    return out + "'";
}

std::string WithSqlWildcards(std::string pattern) {
    for (size_t i = 1; i + 1 < pattern.size(); ++i) {
        if (pattern[i] == '*')
            pattern[i] = '%';
        else if (pattern[i] == '?')
            pattern[i] = '_';
    }
    return pattern;
}

std::string WithoutTrailingSemicolons(std::string sql) {
    while (!sql.empty() && (sql.back() == ';' || std::isspace(static_cast<unsigned char>(sql.back()))))
        sql.pop_back();
    return sql;
}

std::string Translate(std::string_view text, const SavedQueryLookup& lookup, int depth);

// Rewrites one token stream in place. Works on the significant (non-blank) tokens.
class Rewriter {
public:
    Rewriter(std::vector<Token>& tokens, const SavedQueryLookup& lookup, int depth)
        : tokens_(tokens), lookup_(lookup), depth_(depth) {
        for (size_t i = 0; i < tokens_.size(); ++i) {
            if (tokens_[i].kind == Kind::DoubleString) {
                tokens_[i].kind = Kind::String;
                tokens_[i].text = SingleQuoted(tokens_[i].text);
            }
            if (tokens_[i].kind != Kind::Space)
                sig_.push_back(i);
        }
    }

    void Run() {
        frames_.push_back({});
        for (size_t k = 0; k < sig_.size(); ++k)
            Visit(k);
    }

private:
    struct Frame {
        bool inTableList = false;
        bool expectTable = false;
        bool inSetClause = false;
    };

    Token& At(size_t k) { return tokens_[sig_[k]]; }
    const Token* Before(size_t k) { return k > 0 ? &At(k - 1) : nullptr; }
    const Token* After(size_t k) { return k + 1 < sig_.size() ? &At(k + 1) : nullptr; }
    bool IsSymbol(const Token* t, const char* text) {
        return t && t->kind == Kind::Symbol && t->text == text;
    }
    bool IsWord(const Token* t, const char* upper) {
        return t && t->kind == Kind::Word && Upper(t->text) == upper;
    }

    void Visit(size_t k) {
        Token& token = At(k);
        Frame& frame = frames_.back();
        switch (token.kind) {
        case Kind::Symbol:
            VisitSymbol(token, frame);
            break;
        case Kind::Word:
            VisitWord(k, token, frame);
            break;
        case Kind::QuotedName:
            if (frame.expectTable) {
                frame.expectTable = false;
                ExpandSavedQuery(k);
            }
            break;
        default:
            break;
        }
    }

    void VisitSymbol(Token& token, Frame& frame) {
        if (token.text == "(") {
            // A parenthesised join or subquery where a table belongs starts a table list.
            bool nested = frame.expectTable;
            frame.expectTable = false;
            frames_.push_back({nested, nested, false});
        } else if (token.text == ")") {
            if (frames_.size() > 1)
                frames_.pop_back();
        } else if (token.text == ",") {
            if (frame.inTableList)
                frame.expectTable = true;
        } else if (token.text == "&") {
            token.text = "||";
        }
    }

    void VisitWord(size_t k, Token& token, Frame& frame) {
        std::string upper = Upper(token.text);
        if (frame.expectTable && upper != "SELECT") {
            frame.expectTable = false;
            ExpandSavedQuery(k);
            return;
        }
        if (upper == "FROM") {
            frame.inTableList = true;
            frame.expectTable = true;
            frame.inSetClause = false;
        } else if (upper == "JOIN") {
            frame.expectTable = true;
        } else if (upper == "SET") {
            frame.inTableList = false;
            frame.inSetClause = true;
        } else if (upper == "WHERE") {
            frame.inTableList = false;
            frame.inSetClause = false;
        } else if (EndsTableList(upper)) {
            frame.inTableList = false;
            frame.expectTable = false;
        } else if (upper == "DELETE") {
            DropDeleteStar(k);
        } else if (upper == "LIKE") {
            if (k + 1 < sig_.size() && At(k + 1).kind == Kind::String)
                At(k + 1).text = WithSqlWildcards(At(k + 1).text);
        } else if (upper == "TRUE" || upper == "FALSE") {
            RewriteYesNo(k, upper == "TRUE", frame);
        }
    }

    // "Delete * from" and "Delete T.* from": SQLite deletes whole rows without the list.
    void DropDeleteStar(size_t k) {
        if (IsSymbol(After(k), "*") && IsWord(k + 2 < sig_.size() ? &At(k + 2) : nullptr, "FROM")) {
            At(k + 1).text.clear();
        } else if (k + 4 < sig_.size() &&
                   (At(k + 1).kind == Kind::Word || At(k + 1).kind == Kind::QuotedName) &&
                   IsSymbol(&At(k + 2), ".") && IsSymbol(&At(k + 3), "*") && IsWord(&At(k + 4), "FROM")) {
            At(k + 1).text.clear();
            At(k + 2).text.clear();
            At(k + 3).text.clear();
        }
    }

    void RewriteYesNo(size_t k, bool value, const Frame& frame) {
        const Token* before = Before(k);
        const Token* after = After(k);
        if (IsSymbol(before, ".") || IsSymbol(after, ".") || IsSymbol(after, "("))
            return; // a name that happens to read True or False
        if (IsWord(before, "IS") || IsWord(before, "NOT"))
            return; // "IS TRUE" already tests for non-zero
        Token* op = nullptr;
        if (before && (IsEquality(*before) || IsInequality(*before)) && !frame.inSetClause)
            op = &At(k - 1);
        else if (after && (IsEquality(*after) || IsInequality(*after)))
            op = &At(k + 1);
        if (op) {
            // X = True is X <> 0; X = False is X = 0; and the other way round for <>.
            bool equality = IsEquality(*op);
            op->text = (equality == value) ? "<>" : "=";
        }
        At(k).text = op ? "0" : (value ? "1" : "0");
        At(k).kind = Kind::Number;
    }

    void ExpandSavedQuery(size_t k) {
        if (!lookup_)
            return;
        std::string name = jet::NameOf(At(k));
        std::optional<std::string> sql = lookup_(name);
        if (!sql)
            return;
        if (depth_ >= kMaxQueryNesting)
            throw DbError("Circular reference caused by '" + name + "'.");
        std::string inner = Translate(WithoutTrailingSemicolons(*sql), lookup_, depth_ + 1);
        const Token* next = After(k);
        bool aliasFollows = next && (next->kind == Kind::QuotedName ||
                                     (next->kind == Kind::Word && !EndsTableReference(Upper(next->text))));
        At(k).text = "(" + inner + ")" + (aliasFollows ? "" : " AS [" + name + "]");
    }

    std::vector<Token>& tokens_;
    const SavedQueryLookup& lookup_;
    int depth_;
    std::vector<size_t> sig_;
    std::vector<Frame> frames_;
};

std::string Translate(std::string_view text, const SavedQueryLookup& lookup, int depth) {
    std::vector<Token> tokens = jet::Tokenize(text);
    Rewriter(tokens, lookup, depth).Run();
    std::string out;
    out.reserve(text.size());
    for (const Token& t : tokens)
        out += t.text;
    return out;
}

} // namespace

std::string TranslateJetSql(std::string_view jetSql, const SavedQueryLookup& lookup) {
    return Translate(jetSql, lookup, 0);
}

} // namespace corvid::operatordb
