#include "pg_dialect.h"

#include "jet_tokens.h"

#include <algorithm>
#include <cctype>

namespace corvid::operatordb::pg {
namespace {

using jet::Kind;
using jet::Token;
using jet::Upper;

// Words that stay keywords even where the database has a column of that name.
bool IsKeyword(const std::string& upper) {
    static const std::set<std::string> kKeywords = {
        "ALL",     "AND",    "AS",      "ASC",     "BETWEEN", "BY",       "CASE",  "CAST",   "CHECK",
        "COLLATE", "CREATE", "DEFAULT", "DELETE",  "DESC",    "DISTINCT", "ELSE",  "END",    "EXISTS",
        "FALSE",   "FROM",   "GROUP",   "HAVING",  "IN",      "INDEX",    "INNER", "INSERT", "INTO",
        "IS",      "JOIN",   "KEY",     "LEFT",    "LIKE",    "LIMIT",    "NOT",   "NULL",   "ON",
        "OR",      "ORDER",  "OUTER",   "PRIMARY", "RIGHT",   "SELECT",   "SET",   "TABLE",  "THEN",
        "TRUE",    "UNION",  "UNIQUE",  "UPDATE",  "VALUES",  "WHEN",     "WHERE"};
    return kKeywords.count(upper) != 0;
}

std::string QuoteName(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    return out + "\"";
}

bool IsQuotedName(const Token& t) {
    return t.kind == Kind::QuotedName || t.kind == Kind::DoubleString;
}

// The name a Word, [name], `name` or "name" token stands for.
std::string NameOfToken(const Token& t) {
    if (t.kind != Kind::DoubleString) {
        return jet::NameOf(t);
    }
    std::string inner = t.text.size() >= 2 ? t.text.substr(1, t.text.size() - 2) : std::string();
    std::string out;
    for (size_t i = 0; i < inner.size(); ++i) {
        out += inner[i];
        if (inner[i] == '"' && i + 1 < inner.size() && inner[i + 1] == '"') {
            ++i;
        }
    }
    return out;
}

// Column types of the layer's table definitions, by their first word.
std::string ColumnType(const std::string& upper) {
    static const std::map<std::string, std::string> kTypes = {{"INTEGER", "integer"},
                                                              {"INT", "integer"},
                                                              {"LONG", "integer"},
                                                              {"MEDIUMINT", "integer"},
                                                              {"COUNTER", "integer"},
                                                              {"BIGINT", "bigint"},
                                                              {"TINYINT", "smallint"},
                                                              {"BYTE", "smallint"},
                                                              {"SMALLINT", "smallint"},
                                                              {"SHORT", "smallint"},
                                                              {"BOOLEAN", "yesno"},
                                                              {"BOOL", "yesno"},
                                                              {"YESNO", "yesno"},
                                                              {"BIT", "yesno"},
                                                              {"LOGICAL", "yesno"},
                                                              {"DOUBLE", "double precision"},
                                                              {"FLOAT", "double precision"},
                                                              {"REAL", "double precision"},
                                                              {"SINGLE", "double precision"},
                                                              {"NUMERIC", "numeric"},
                                                              {"DECIMAL", "numeric"},
                                                              {"CURRENCY", "numeric"},
                                                              {"BLOB", "bytea"},
                                                              {"TEXT", "citext"},
                                                              {"VARCHAR", "citext"},
                                                              {"CHAR", "citext"},
                                                              {"NVARCHAR", "citext"},
                                                              {"MEMO", "citext"},
                                                              {"CLOB", "citext"},
                                                              {"STRING", "citext"},
                                                              {"DATETIME", "citext"},
                                                              {"DATE", "citext"},
                                                              {"TIME", "citext"}};
    auto found = kTypes.find(upper);
    return found == kTypes.end() ? std::string() : found->second;
}

std::string WithoutTrailingSemicolons(std::string sql) {
    while (!sql.empty() && (sql.back() == ';' || std::isspace(static_cast<unsigned char>(sql.back())))) {
        sql.pop_back();
    }
    return sql;
}

class Rewriter {
public:
    Rewriter(std::string_view sql, const Catalog& catalog) : tokens_(jet::Tokenize(sql)), catalog_(catalog) {
        for (size_t i = 0; i < tokens_.size(); ++i) {
            if (tokens_[i].kind != Kind::Space) {
                sig_.push_back(i);
            }
        }
        for (size_t k = 0; k < sig_.size(); ++k) {
            if (IsQuotedName(At(k))) {
                Learn(NameOfToken(At(k)));
            }
        }
    }

    Statement Run() {
        std::string first = WordAt(0), second = WordAt(1);
        out_.changesSchema = first == "CREATE" || first == "DROP" || first == "ALTER";
        if (first == "CREATE" && second == "TABLE") {
            DefineTable();
        }
        if (first == "CREATE" && second == "TRIGGER") {
            return DefineTrigger();
        }
        if (!out_.changesSchema) {
            MarkYesNoConditions();
        }
        RewriteNames(0, sig_.size());
        out_.sql = Joined(0, tokens_.size());
        if (ignoreConflicts_) {
            out_.sql = WithoutTrailingSemicolons(out_.sql) + " ON CONFLICT DO NOTHING";
        }
        return std::move(out_);
    }

private:
    Token& At(size_t k) { return tokens_[sig_[k]]; }
    std::string WordAt(size_t k) {
        return k < sig_.size() && At(k).kind == Kind::Word ? Upper(At(k).text) : "";
    }
    bool SymbolAt(size_t k, const char* text) {
        return k < sig_.size() && At(k).kind == Kind::Symbol && At(k).text == text;
    }
    bool IsNameAt(size_t k) {
        if (k >= sig_.size()) {
            return false;
        }
        const Token& t = At(k);
        return IsQuotedName(t) || (t.kind == Kind::Word && !IsKeyword(Upper(t.text)));
    }
    bool IsComparisonAt(size_t k) {
        static const std::set<std::string> kOperators = {"=", "==", "<>", "!=", "<", ">", "<=", ">="};
        static const std::set<std::string> kWords = {"IS", "IN", "LIKE", "BETWEEN"};
        return (k < sig_.size() && At(k).kind == Kind::Symbol && kOperators.count(At(k).text)) ||
               kWords.count(WordAt(k));
    }
    void Learn(const std::string& name) { catalog_.spelling.emplace(Lower(name), name); }

    std::string Joined(size_t from, size_t to) const {
        std::string text;
        for (size_t i = from; i < to; ++i) {
            text += tokens_[i].text;
        }
        return text;
    }

    // Column types become the server's; the hidden row key joins the columns.
    void DefineTable() {
        size_t k = 2;
        if (WordAt(k) == "IF") {
            k += 3; // IF NOT EXISTS
        }
        Learn(NameOfToken(At(k)));
        size_t open = k + 1;
        if (!SymbolAt(open, "(")) {
            return;
        }
        int depth = 0;
        size_t segment = open + 1;
        for (size_t j = open; j < sig_.size(); ++j) {
            if (SymbolAt(j, "(")) {
                ++depth;
            } else if (SymbolAt(j, ")") && --depth == 0) {
                DefineColumn(segment, j);
                At(j).text = ", " + std::string(kRowidColumn) + " bigserial)";
                return;
            } else if (SymbolAt(j, ",") && depth == 1) {
                DefineColumn(segment, j);
                segment = j + 1;
            }
        }
    }

    void DefineColumn(size_t from, size_t to) {
        static const std::set<std::string> kConstraints = {"PRIMARY", "UNIQUE", "CHECK", "FOREIGN",
                                                           "CONSTRAINT"};
        if (from >= to || kConstraints.count(WordAt(from)) != 0) {
            return;
        }
        Learn(NameOfToken(At(from)));
        for (size_t j = from; j + 1 < to; ++j) {
            if (WordAt(j) == "COLLATE") {
                At(j).text.clear();
                At(j + 1).text.clear();
            }
        }
        std::string type = from + 1 < to ? ColumnType(WordAt(from + 1)) : std::string();
        if (type.empty()) {
            At(from).text += " citext"; // a column without a type holds text
            return;
        }
        At(from + 1).text = type;
        size_t next = from + 2;
        if (WordAt(next) == "PRECISION") {
            At(next++).text.clear();
        }
        if (SymbolAt(next, "(")) { // a length, as in TEXT(50)
            for (; next < to && !SymbolAt(next, ")"); ++next) {
                At(next).text.clear();
            }
            if (next < to) {
                At(next).text.clear();
            }
        }
    }

    // CREATE TRIGGER name AFTER event ON table BEGIN statements END: the statements
    // become a trigger function run for each row.
    Statement DefineTrigger() {
        size_t begin = 0, end = 0;
        for (size_t k = 0; k < sig_.size(); ++k) {
            if (WordAt(k) == "BEGIN" && !begin) {
                begin = k;
            }
            if (WordAt(k) == "END") {
                end = k;
            }
        }
        if (!begin || end <= begin) {
            return {Joined(0, tokens_.size()), {}, {}, true};
        }
        std::string name = NameOfToken(At(2));
        RewriteNames(0, sig_.size());
        std::string function = QuoteName(name + "_fn");
        std::string body = Joined(sig_[begin] + 1, sig_[end]);
        std::string header = Joined(sig_[3], sig_[begin]);
        out_.sql = "CREATE FUNCTION " + function + "() RETURNS trigger LANGUAGE plpgsql AS $corvid$BEGIN " +
                   body + " RETURN NULL; END$corvid$; CREATE TRIGGER " + QuoteName(name) + " " + header +
                   " FOR EACH ROW EXECUTE FUNCTION " + function + "()";
        return std::move(out_);
    }

    // A yes/no column standing alone as a condition ("WHERE NOT Flag", "AND T.Flag)").
    void MarkYesNoConditions() {
        static const std::set<std::string> kBefore = {"WHERE", "AND", "OR", "NOT", "ON", "HAVING", "WHEN"};
        static const std::set<std::string> kAfter = {"AND",  "OR",    "ORDER", "GROUP",     "HAVING",
                                                     "THEN", "LIMIT", "UNION", "INTERSECT", "EXCEPT"};
        for (size_t k = 0; k < sig_.size(); ++k) {
            if (!IsNameAt(k) || (k > 0 && SymbolAt(k - 1, "."))) {
                continue;
            }
            size_t last = k;
            while (SymbolAt(last + 1, ".") && IsNameAt(last + 2)) {
                last += 2;
            }
            if (catalog_.yesNoColumns.count(Lower(NameOfToken(At(last)))) == 0) {
                continue;
            }
            bool openedAsCondition = k > 0 && SymbolAt(k - 1, "(") &&
                                     (k < 2 || kBefore.count(WordAt(k - 2)) || SymbolAt(k - 2, "("));
            bool conditionBefore = k > 0 && (kBefore.count(WordAt(k - 1)) || openedAsCondition);
            size_t next = last + 1;
            // "(Flag) = False" compares the column: the parenthesis is no condition of its own.
            bool comparedAfterParenthesis = SymbolAt(next, ")") && IsComparisonAt(next + 1);
            bool conditionAfter = next >= sig_.size() || kAfter.count(WordAt(next)) ||
                                  (SymbolAt(next, ")") && !comparedAfterParenthesis) || SymbolAt(next, ";");
            if (conditionBefore && conditionAfter) {
                yesNoConditions_.emplace_back(k, last);
            }
            k = last;
        }
    }

    void RewriteNames(size_t from, size_t to) {
        for (size_t k = from; k < to; ++k) {
            RewriteToken(k);
        }
        for (const auto& [first, last] : yesNoConditions_) {
            At(first).text = "(" + At(first).text;
            At(last).text += " <> 0)";
        }
        yesNoConditions_.clear();
    }

    void RewriteToken(size_t k) {
        Token& token = At(k);
        if (IsQuotedName(token)) {
            token.text = QuoteName(Spelling(NameOfToken(token)));
        } else if (token.kind == Kind::Parameter) {
            token.text = "$" + std::to_string(ParameterIndex(token.text));
        } else if (token.kind == Kind::Symbol && token.text == "==") {
            token.text = "=";
        } else if (token.kind == Kind::Word) {
            RewriteWord(k, token);
        }
    }

    void RewriteWord(size_t k, Token& token) {
        static const std::set<std::string> kBeforeTable = {"TABLE", "INTO", "ON", "REFERENCES", "EXISTS"};
        std::string upper = Upper(token.text);
        bool call = SymbolAt(k + 1, "(") && !(k > 0 && kBeforeTable.count(WordAt(k - 1)));
        if (upper == "ROWID" && !call) {
            token.text = kRowidColumn;
        } else if (upper == "COLLATE" && (WordAt(k + 1) == "NOCASE" || WordAt(k + 1) == "BINARY")) {
            // Text columns compare without regard to case already; a parameter is given
            // the case-insensitive type.
            if (k > 0 && At(k - 1).kind == Kind::Parameter && WordAt(k + 1) == "NOCASE") {
                MarkCaseInsensitive(At(k - 1).text);
            }
            token.text.clear();
            At(k + 1).text.clear();
        } else if (upper == "OR" && k == 1 && WordAt(0) == "INSERT" && WordAt(2) == "IGNORE") {
            // INSERT OR IGNORE: rows that would break a key or a unique index are left out.
            token.text.clear();
            At(k + 1).text.clear();
            ignoreConflicts_ = true;
        } else if (call) {
            static const std::map<std::string, std::string> kFunctions = {
                {"IFNULL", "coalesce"}, {"INSTR", "strpos"}, {"GROUP_CONCAT", "string_agg"}};
            auto found = kFunctions.find(upper);
            if (found != kFunctions.end()) {
                token.text = found->second;
            }
        } else if (!IsKeyword(upper) && catalog_.spelling.count(Lower(token.text))) {
            token.text = QuoteName(Spelling(token.text));
        }
    }

    std::string Spelling(const std::string& name) const {
        auto found = catalog_.spelling.find(Lower(name));
        return found == catalog_.spelling.end() ? name : found->second;
    }

    // The layer's parameter a token names: "?N" for a numbered one (a bare ? takes the
    // number after the largest so far), else the name without its prefix.
    std::string ParameterKey(const std::string& text) {
        if (text[0] != '?') {
            return text.substr(1);
        }
        int number = text.size() > 1 ? std::stoi(text.substr(1)) : largestNumber_ + 1;
        largestNumber_ = std::max(largestNumber_, number);
        return "?" + std::to_string(number);
    }

    size_t ParameterIndex(const std::string& text) {
        std::string key = ParameterKey(text);
        for (size_t i = 0; i < out_.parameters.size(); ++i) {
            if (Lower(out_.parameters[i]) == Lower(key)) {
                return i + 1;
            }
        }
        out_.parameters.push_back(key);
        out_.caseInsensitive.push_back(false);
        return out_.parameters.size();
    }

    void MarkCaseInsensitive(const std::string& rewritten) {
        size_t index = std::stoul(rewritten.substr(1));
        if (index >= 1 && index <= out_.caseInsensitive.size()) {
            out_.caseInsensitive[index - 1] = true;
        }
    }

    std::vector<Token> tokens_;
    std::vector<size_t> sig_;
    Catalog catalog_;
    Statement out_;
    int largestNumber_ = 0;
    bool ignoreConflicts_ = false;
    std::vector<std::pair<size_t, size_t>> yesNoConditions_;
};

} // namespace

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

Statement Translate(std::string_view sql, const Catalog& catalog) {
    return Rewriter(sql, catalog).Run();
}

std::vector<std::string> SplitScript(std::string_view script) {
    std::vector<std::string> statements;
    std::string current;
    std::vector<std::string> words; // the statement's words so far, upper case
    for (const Token& token : jet::Tokenize(script)) {
        if (token.kind == Kind::Word) {
            words.push_back(Upper(token.text));
        }
        bool trigger = words.size() >= 2 && words[0] == "CREATE" && words[1] == "TRIGGER";
        if (token.kind == Kind::Symbol && token.text == ";" && (!trigger || words.back() == "END")) {
            if (!words.empty()) {
                statements.push_back(current);
            }
            current.clear();
            words.clear();
            continue;
        }
        current += token.text;
    }
    if (!words.empty()) {
        statements.push_back(current);
    }
    return statements;
}

} // namespace corvid::operatordb::pg
