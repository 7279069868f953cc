#include "jet_hoist.h"

#include "jet_tokens.h"

#include <set>
#include <strings.h>

namespace corvid::operatordb::jet {
namespace {

constexpr int kMaxRewrites = 32;

bool IsKeyword(const Token& t) {
    static const std::set<std::string> kWords = {
        "SELECT", "FROM",   "WHERE",   "AND",    "OR",     "NOT",       "IN",      "IS",      "NULL",
        "AS",     "ON",     "JOIN",    "INNER",  "LEFT",   "OUTER",     "CROSS",   "NATURAL", "DISTINCT",
        "ALL",    "EXISTS", "BETWEEN", "LIKE",   "GLOB",   "ESCAPE",    "CASE",    "WHEN",    "THEN",
        "ELSE",   "END",    "TRUE",    "FALSE",  "GROUP",  "BY",        "ORDER",   "HAVING",  "LIMIT",
        "OFFSET", "ASC",    "DESC",    "UNION",  "EXCEPT", "INTERSECT", "COLLATE", "NOCASE",  "BINARY",
        "RTRIM",  "CAST",   "USING",   "VALUES", "SET",    "RETURNING", "WINDOW"};
    return t.kind == Kind::Word && kWords.count(Upper(t.text)) != 0;
}

bool IsName(const Token& t) {
    return (t.kind == Kind::Word && !IsKeyword(t)) || t.kind == Kind::QuotedName;
}

bool SameName(const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) == 0;
}

// A bare rowid belongs to whichever table of the nearest scope has one, which a list of
// declared columns cannot tell.
bool IsRowidName(const std::string& name) {
    return SameName(name, "rowid") || SameName(name, "oid") || SameName(name, "_rowid_");
}

// Words that end a SELECT's WHERE clause, or join another SELECT to it.
constexpr std::initializer_list<const char*> kClauseEnds = {
    "GROUP", "ORDER", "LIMIT", "OFFSET", "HAVING", "WINDOW", "UNION", "EXCEPT", "INTERSECT", "RETURNING"};

struct TableRef {
    std::string alias; // the alias, or the table's name when it has none
    std::vector<std::string> columns;
};
using Scope = std::vector<TableRef>;

// The significant tokens of a statement with their matching parentheses.
class SqlTokens {
public:
    explicit SqlTokens(const std::string& sql) : tokens_(Tokenize(sql)) {
        std::vector<size_t> open;
        for (size_t i = 0; i < tokens_.size(); ++i) {
            if (tokens_[i].kind == Kind::Space)
                continue;
            size_t k = at_.size();
            at_.push_back(i);
            match_.push_back(kNone);
            if (Sym(k, "(")) {
                open.push_back(k);
            } else if (Sym(k, ")") && !open.empty()) {
                match_[k] = open.back();
                match_[open.back()] = k;
                open.pop_back();
            }
        }
    }

    static constexpr size_t kNone = static_cast<size_t>(-1);

    size_t size() const { return at_.size(); }
    const Token& operator[](size_t k) const { return tokens_[at_[k]]; }
    size_t Match(size_t k) const { return match_[k]; }
    bool Sym(size_t k, const char* text) const {
        return k < size() && (*this)[k].kind == Kind::Symbol && (*this)[k].text == text;
    }
    bool Word(size_t k, const char* upper) const {
        return k < size() && (*this)[k].kind == Kind::Word && Upper((*this)[k].text) == upper;
    }
    bool WordIn(size_t k, std::initializer_list<const char*> uppers) const {
        for (const char* u : uppers)
            if (Word(k, u))
                return true;
        return false;
    }
    // The text of significant tokens [from, to), with the blanks between them.
    std::string Text(size_t from, size_t to) const {
        std::string text;
        size_t end = to < size() ? at_[to] : tokens_.size();
        for (size_t i = from < size() ? at_[from] : tokens_.size(); i < end; ++i)
            text += tokens_[i].text;
        return text;
    }

private:
    std::vector<Token> tokens_;
    std::vector<size_t> at_;
    std::vector<size_t> match_;
};

// Finds column references of the target scope (the subquery the conditions would
// leave) inside a range of tokens, following nested SELECTs with their own scopes.
class References {
public:
    References(const SqlTokens& s, const ColumnLookup& columns) : s_(s), columns_(columns) {}

    // True when [from, to) may use a column of chain[0], or cannot be analysed.
    bool UsesTarget(size_t from, size_t to, std::vector<Scope>& chain) {
        for (size_t j = from; j < to; ++j) {
            if (s_.Sym(j, "(")) {
                if (s_.Match(j) == SqlTokens::kNone || s_.Match(j) >= to)
                    return true;
                if (s_.Word(j + 1, "SELECT") && NestedUsesTarget(j + 1, s_.Match(j), chain))
                    return true;
                if (!s_.Word(j + 1, "SELECT") && UsesTarget(j + 1, s_.Match(j), chain))
                    return true;
                j = s_.Match(j);
                continue;
            }
            if (s_[j].kind == Kind::DoubleString)
                return true; // a name where one resolves, else a text
            if (!IsName(s_[j]))
                continue;
            if (s_.Sym(j + 1, "("))
                return true; // a function call: leave it where it is
            if (s_.Sym(j + 1, ".") && j + 2 < to && IsName(s_[j + 2])) {
                if (ScopeOfAlias(NameOf(s_[j]), chain) == 0)
                    return true;
                j += 2;
                continue;
            }
            if (IsRowidName(NameOf(s_[j])) || ScopeOfColumn(NameOf(s_[j]), chain) == 0)
                return true;
        }
        return false;
    }

private:
    static constexpr size_t kOuter = static_cast<size_t>(-1);

    size_t ScopeOfAlias(const std::string& alias, const std::vector<Scope>& chain) const {
        for (size_t i = chain.size(); i-- > 0;)
            for (const TableRef& t : chain[i])
                if (SameName(t.alias, alias))
                    return i;
        return kOuter;
    }

    size_t ScopeOfColumn(const std::string& column, const std::vector<Scope>& chain) const {
        for (size_t i = chain.size(); i-- > 0;)
            for (const TableRef& t : chain[i])
                for (const std::string& c : t.columns)
                    if (SameName(c, column))
                        return i;
        return kOuter;
    }

    bool AddTable(size_t& q, size_t end, Scope& scope) {
        if (q >= end || !IsName(s_[q]))
            return false;
        std::optional<std::vector<std::string>> cols = columns_(NameOf(s_[q]));
        if (!cols)
            return false;
        TableRef ref{NameOf(s_[q]), *cols};
        ++q;
        if (s_.Word(q, "AS") && q + 1 < end && IsName(s_[q + 1])) {
            ref.alias = NameOf(s_[q + 1]);
            q += 2;
        } else if (q < end && IsName(s_[q])) {
            ref.alias = NameOf(s_[q]);
            ++q;
        }
        scope.push_back(ref);
        return true;
    }

    // A SELECT from begin (the SELECT keyword) to end (its closing parenthesis).
    bool NestedUsesTarget(size_t begin, size_t end, std::vector<Scope>& chain) {
        size_t from = begin;
        while (from < end && !s_.Word(from, "FROM")) {
            if (s_.Sym(from, "(") && s_.Match(from) != SqlTokens::kNone)
                from = s_.Match(from);
            ++from;
        }
        if (from >= end)
            return true;
        Scope scope;
        std::vector<std::pair<size_t, size_t>> conditions;
        size_t q = from + 1;
        if (!AddTable(q, end, scope))
            return true;
        while (q < end && !s_.WordIn(q, {"WHERE", "GROUP", "ORDER", "HAVING", "LIMIT"})) {
            if (s_.Sym(q, ",") || s_.Word(q, "JOIN")) {
                ++q;
                if (!AddTable(q, end, scope))
                    return true;
            } else if (s_.WordIn(q, {"INNER", "LEFT", "OUTER", "CROSS", "NATURAL"})) {
                ++q;
            } else if (s_.Word(q, "ON")) {
                size_t c = ++q;
                while (
                    q < end && !s_.Sym(q, ",") &&
                    !s_.WordIn(q, {"JOIN", "INNER", "LEFT", "CROSS", "NATURAL", "WHERE", "GROUP", "ORDER"})) {
                    if (s_.Sym(q, "(") && s_.Match(q) != SqlTokens::kNone)
                        q = s_.Match(q);
                    ++q;
                }
                conditions.emplace_back(c, q);
            } else {
                return true;
            }
        }
        conditions.emplace_back(begin + 1, from);
        conditions.emplace_back(q, end);
        chain.push_back(scope);
        bool uses = false;
        for (const auto& [a, b] : conditions)
            uses = uses || UsesTarget(a, b, chain);
        chain.pop_back();
        return uses;
    }

    const SqlTokens& s_;
    const ColumnLookup& columns_;
};

class Hoister {
public:
    Hoister(const std::string& sql, const ColumnLookup& columns) : s_(sql), columns_(columns) {}

    // Rewrites the first IN subquery that has conditions to move; false when none has.
    bool RewriteOnce(std::string& out) {
        for (size_t k = 1; k + 2 < s_.size(); ++k)
            if (s_.Word(k, "IN") && s_.Sym(k + 1, "(") && s_.Word(k + 2, "SELECT") &&
                !s_.Word(k - 1, "NOT") && TryAt(k, out))
                return true;
        return false;
    }

private:
    bool IsClauseEnd(size_t q) const { return s_.Sym(q, ")") || s_.Sym(q, ";") || s_.WordIn(q, kClauseEnds); }

    // The start of the WHERE conjunct that holds the IN at k, or kNone when the IN is
    // not a conjunct of a WHERE clause made of ANDs only.
    size_t ConjunctStart(size_t k) const {
        size_t boundary = SqlTokens::kNone;
        bool inWhere = false;
        for (size_t j = k; j-- > 0;) {
            if (s_.Sym(j, ")") && s_.Match(j) != SqlTokens::kNone) {
                j = s_.Match(j);
                continue;
            }
            if (s_.Sym(j, "(") || s_.Sym(j, ",") ||
                s_.WordIn(j, {"OR", "CASE", "BETWEEN", "ON", "SELECT", "SET", "FROM", "JOIN"}) ||
                s_.WordIn(j, kClauseEnds))
                return SqlTokens::kNone;
            // NOT and ESCAPE bind looser than IN: in the IN's own conjunct it would be their operand.
            if (boundary == SqlTokens::kNone && s_.WordIn(j, {"NOT", "ESCAPE"}))
                return SqlTokens::kNone;
            if (s_.Word(j, "WHERE") || s_.Word(j, "AND")) {
                if (boundary == SqlTokens::kNone)
                    boundary = j;
                if (s_.Word(j, "WHERE")) {
                    inWhere = true;
                    break;
                }
            }
        }
        if (!inWhere || boundary + 1 >= k)
            return SqlTokens::kNone;
        // The IN must be the whole conjunct, not an operand of "= False" or "IS NULL".
        size_t after = s_.Match(k + 1) + 1;
        if (after < s_.size() && !s_.Word(after, "AND") && !IsClauseEnd(after))
            return SqlTokens::kNone;
        // The rest of the clause must not turn the ANDs into something else either.
        for (size_t q = after; q < s_.size(); ++q) {
            if (IsClauseEnd(q))
                break;
            if (s_.WordIn(q, {"OR", "CASE", "BETWEEN"}))
                return SqlTokens::kNone;
            if (s_.Sym(q, "(") && s_.Match(q) != SqlTokens::kNone)
                q = s_.Match(q);
        }
        return boundary + 1;
    }

    // Parses "SELECT [DISTINCT] column FROM table [[AS] alias] WHERE ..." from the IN's
    // parenthesis at open; returns the position of WHERE and the subquery's table.
    size_t ParseSubquery(size_t open, TableRef& table) const {
        size_t close = s_.Match(open);
        size_t q = open + 2;
        if (s_.WordIn(q, {"DISTINCT", "ALL"}))
            ++q;
        if (q >= close || !IsName(s_[q]))
            return SqlTokens::kNone;
        q += (s_.Sym(q + 1, ".") && q + 2 < close && IsName(s_[q + 2])) ? 3 : 1;
        if (!s_.Word(q, "FROM") || q + 1 >= close || !IsName(s_[q + 1]))
            return SqlTokens::kNone;
        std::optional<std::vector<std::string>> cols = columns_(NameOf(s_[q + 1]));
        if (!cols)
            return SqlTokens::kNone;
        table = {NameOf(s_[q + 1]), *cols};
        q += 2;
        if (s_.Word(q, "AS") && q + 1 < close && IsName(s_[q + 1])) {
            table.alias = NameOf(s_[q + 1]);
            q += 2;
        } else if (q < close && IsName(s_[q])) {
            table.alias = NameOf(s_[q]);
            ++q;
        }
        return s_.Word(q, "WHERE") && q + 1 < close ? q : SqlTokens::kNone;
    }

    // The conjuncts [from, to) of a condition, or none when it is not made of ANDs only.
    std::vector<std::pair<size_t, size_t>> Conjuncts(size_t from, size_t to) const {
        std::vector<std::pair<size_t, size_t>> parts;
        size_t start = from;
        for (size_t q = from; q < to; ++q) {
            // A LIMIT, an ORDER BY, a grouping or a compound SELECT after the WHERE: the
            // subquery is more than a filter of its table.
            if (s_.WordIn(q, {"OR", "CASE", "BETWEEN"}) || IsClauseEnd(q))
                return {};
            if (s_.Sym(q, "(") && s_.Match(q) != SqlTokens::kNone) {
                q = s_.Match(q);
            } else if (s_.Word(q, "AND")) {
                if (q == start)
                    return {};
                parts.emplace_back(start, q);
                start = q + 1;
            }
        }
        if (start >= to)
            return {};
        parts.emplace_back(start, to);
        return parts;
    }

    // A bare "?" takes the next value by its place, which moving text would change.
    bool HasPositionalParameter(size_t from, size_t to) const {
        for (size_t q = from; q < to; ++q)
            if (s_[q].kind == Kind::Parameter && s_[q].text == "?")
                return true;
        return false;
    }

    bool TryAt(size_t k, std::string& out) {
        size_t open = k + 1;
        size_t close = s_.Match(open);
        if (close == SqlTokens::kNone)
            return false;
        size_t conjunct = ConjunctStart(k);
        if (conjunct == SqlTokens::kNone || HasPositionalParameter(conjunct, close))
            return false;
        TableRef table;
        size_t where = ParseSubquery(open, table);
        if (where == SqlTokens::kNone)
            return false;
        std::vector<std::pair<size_t, size_t>> parts = Conjuncts(where + 1, close);
        References references(s_, columns_);
        std::vector<std::string> moved, kept;
        for (const auto& [a, b] : parts) {
            std::vector<Scope> chain = {Scope{table}};
            std::string text = s_.Text(a, b);
            text.erase(text.find_last_not_of(" \t\r\n") + 1);
            (references.UsesTarget(a, b, chain) ? kept : moved).push_back(text);
        }
        if (moved.empty())
            return false;
        out = s_.Text(0, conjunct);
        for (const std::string& m : moved)
            out += "(" + m + ") AND ";
        out += s_.Text(conjunct, where);
        for (size_t i = 0; i < kept.size(); ++i)
            out += (i ? " AND " : "WHERE ") + kept[i];
        out += " " + s_.Text(close, s_.size());
        return true;
    }

    SqlTokens s_;
    const ColumnLookup& columns_;
};

} // namespace

std::string HoistOuterConditions(const std::string& sqliteSql, const ColumnLookup& columns) {
    std::string sql = sqliteSql;
    for (int i = 0; i < kMaxRewrites; ++i) {
        std::string rewritten;
        if (!Hoister(sql, columns).RewriteOnce(rewritten))
            break;
        sql = std::move(rewritten);
    }
    return sql;
}

} // namespace corvid::operatordb::jet
