#include "query_source.h"

#include "operatordb/db_error.h"

#include <cctype>
#include <sstream>
#include <strings.h>

namespace corvid::gridwizdao {
namespace {

using namespace operatordb;

// One token of a query's text: a word ([bracketed] or bare), a quoted text, or one other
// character; depth counts the parentheses around it.
struct Token {
    std::string text;
    bool word = false;
    size_t end = 0; // offset just past the token
    int depth = 0;
};

size_t QuotedEnd(const std::string& sql, size_t i, char close) {
    size_t end = sql.find(close, i + 1);
    return end == std::string::npos ? sql.size() : end + 1;
}

std::vector<Token> Tokens(const std::string& sql) {
    std::vector<Token> tokens;
    int depth = 0;
    for (size_t i = 0; i < sql.size();) {
        char c = sql[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        Token token;
        size_t end = i + 1;
        if (c == '[') {
            end = QuotedEnd(sql, i, ']');
            token.text = sql.substr(i + 1, end - i - 2);
            token.word = true;
        } else if (c == '\'' || c == '"') {
            end = QuotedEnd(sql, i, c);
            token.text = sql.substr(i, end - i);
        } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
            while (end < sql.size() &&
                   (std::isalnum(static_cast<unsigned char>(sql[end])) || sql[end] == '_'))
                ++end;
            token.text = sql.substr(i, end - i);
            token.word = true;
        } else {
            token.text = std::string(1, c);
            depth -= c == ')';
        }
        token.depth = depth;
        depth += c == '(';
        token.end = end;
        tokens.push_back(token);
        i = end;
    }
    return tokens;
}

bool Is(const Token& token, const char* keyword) {
    return token.word && strcasecmp(token.text.c_str(), keyword) == 0;
}

bool IsAnyOf(const Token& token, std::initializer_list<const char*> keywords) {
    for (const char* keyword : keywords)
        if (Is(token, keyword))
            return true;
    return false;
}

// A result column "name", "alias.name", "*" or "alias.*", with an optional "[AS] alias": the table
// column it shows, or empty when it is computed.
std::string PlainColumn(const std::vector<Token>& item) {
    size_t n = item.size();
    if (n >= 3 && Is(item[n - 2], "AS"))
        n -= 2;
    else if (n >= 2 && item[n - 1].word && item[n - 2].word)
        n -= 1;
    if (n == 1 && (item[0].word || item[0].text == "*"))
        return item[0].text;
    if (n == 3 && item[0].word && item[1].text == "." && (item[2].word || item[2].text == "*"))
        return item[2].text;
    return {};
}

// The name a result column goes by: its alias, else the column's own name.
std::string ResultName(const std::vector<Token>& item) {
    size_t n = item.size();
    if (n >= 2 && item[n - 1].word)
        return item[n - 1].text;
    return n == 1 ? item[0].text : std::string();
}

// The position of name in names (case ignored), or -1.
int IndexOf(const std::vector<std::string>& names, const std::string& name) {
    for (size_t i = 0; i < names.size(); ++i)
        if (strcasecmp(names[i].c_str(), name.c_str()) == 0)
            return static_cast<int>(i);
    return -1;
}

bool IsTable(Database& db, const std::string& name) {
    Recordset found = db.OpenRecordset(
        "SELECT name FROM sqlite_master WHERE type = 'table' AND name = :name COLLATE NOCASE",
        {{"name", name}});
    return !found.IsEOF();
}

// The select list's items, split at the commas outside parentheses.
std::vector<std::vector<Token>> SelectItems(const std::vector<Token>& tokens, size_t from) {
    std::vector<std::vector<Token>> items(1);
    for (size_t i = 1; i < from; ++i) {
        if (tokens[i].depth == 0 && tokens[i].text == ",")
            items.emplace_back();
        else
            items.back().push_back(tokens[i]);
    }
    return items;
}

// Checks what follows FROM: one table, maybe an alias, then WHERE or ORDER BY or the end.
bool OneTable(const std::vector<Token>& tokens, size_t from, std::string& why) {
    const std::initializer_list<const char*> kCombining = {"GROUP", "HAVING", "UNION", "JOIN"};
    const std::initializer_list<const char*> kJoining = {"INNER", "LEFT", "RIGHT", "FULL", "CROSS"};
    size_t next = from + 2;
    if (next < tokens.size() && Is(tokens[next], "AS"))
        next += 2;
    else if (next < tokens.size() && tokens[next].word && !IsAnyOf(tokens[next], {"WHERE", "ORDER"}) &&
             !IsAnyOf(tokens[next], kCombining) && !IsAnyOf(tokens[next], kJoining))
        ++next;
    for (size_t i = next; i < tokens.size(); ++i) {
        if (tokens[i].depth == 0 && IsAnyOf(tokens[i], kCombining) && !Is(tokens[i], "JOIN")) {
            why = "it groups or combines rows";
            return false;
        }
    }
    if (next < tokens.size() && !IsAnyOf(tokens[next], {"WHERE", "ORDER"}) && tokens[next].text != ";") {
        why = "it draws on more than one table";
        return false;
    }
    return true;
}

std::optional<WritableQuery> Analyse(Database& db, const SavedQuery& query, std::string& why, int depth = 0);

// What a query reading the saved query source can write: source's table, with the
// source's rows (and their identities) in place of the name.
struct Source {
    std::string table;
    std::vector<std::string> names;        // the columns it offers
    std::vector<std::string> tableColumns; // the table column behind each
    std::string replacement;               // the text that takes the name's place
};

std::optional<Source> SourceOf(Database& db, const std::string& name, bool aliased, std::string& why,
                               int depth) {
    Source source;
    if (IsTable(db, name)) {
        source.table = name;
        source.names = db.ColumnsOf(name).value_or(std::vector<std::string>{});
        source.tableColumns = source.names;
        return source;
    }
    std::optional<SavedQuery> inner = db.FindSavedQuery(name);
    if (!inner || depth >= 8) {
        why = "'" + name + "' is not a table";
        return std::nullopt;
    }
    std::optional<WritableQuery> writable = Analyse(db, *inner, why, depth + 1);
    if (!writable) {
        why = "the query '" + inner->name + "' it reads cannot be edited: " + why;
        return std::nullopt;
    }
    source.table = writable->table;
    source.names = writable->names;
    source.tableColumns = writable->columns;
    source.replacement = "(" + writable->sqlWithRowIds + ")" + (aliased ? "" : " AS [" + name + "]");
    return source;
}

std::optional<WritableQuery> Analyse(Database& db, const SavedQuery& query, std::string& why, int depth) {
    std::vector<Token> tokens = Tokens(query.sql);
    if (tokens.empty() || !Is(tokens[0], "SELECT")) {
        why = "it does not select rows";
        return std::nullopt;
    }
    if (tokens.size() > 1 && IsAnyOf(tokens[1], {"DISTINCT", "DISTINCTROW", "TOP"})) {
        why = "it selects distinct rows";
        return std::nullopt;
    }
    size_t from = 1;
    while (from < tokens.size() && !(tokens[from].depth == 0 && Is(tokens[from], "FROM")))
        ++from;
    if (from + 1 >= tokens.size() || !tokens[from + 1].word) {
        why = "it does not read a table";
        return std::nullopt;
    }
    if (!OneTable(tokens, from, why))
        return std::nullopt;
    const Token& named = tokens[from + 1];
    const bool aliased =
        from + 2 < tokens.size() && tokens[from + 2].word && !IsAnyOf(tokens[from + 2], {"WHERE", "ORDER"});
    std::optional<Source> source = SourceOf(db, named.text, aliased, why, depth);
    if (!source)
        return std::nullopt;
    WritableQuery writable;
    writable.table = source->table;
    for (const std::vector<Token>& item : SelectItems(tokens, from)) {
        std::string column = PlainColumn(item);
        if (column == "*" && !source->replacement.empty()) {
            why = "it selects every column of the query '" + named.text + "' (name the columns instead)";
            return std::nullopt;
        }
        if (column == "*") {
            writable.columns.insert(writable.columns.end(), source->tableColumns.begin(),
                                    source->tableColumns.end());
            writable.names.insert(writable.names.end(), source->names.begin(), source->names.end());
            continue;
        }
        const int offered = column.empty() ? -1 : IndexOf(source->names, column);
        if (offered < 0) {
            why = "its column " + std::to_string(writable.columns.size() + 1) + " is computed";
            return std::nullopt;
        }
        writable.columns.push_back(source->tableColumns[static_cast<size_t>(offered)]);
        writable.names.push_back(ResultName(item));
    }
    std::string rest = query.sql.substr(tokens[0].end);
    if (source->replacement.empty()) {
        writable.sqlWithRowIds = "SELECT rowid AS [" + std::string(kRowIdColumn) + "]," + rest;
    } else {
        // The source query's rows carry their identities; the name gives way to them.
        const size_t nameEnd = named.end - tokens[0].end;
        const size_t nameLength = named.text.size() + (query.sql[named.end - 1] == ']' ? 2 : 0);
        rest.replace(nameEnd - nameLength, nameLength, source->replacement);
        writable.sqlWithRowIds = "SELECT [" + std::string(kRowIdColumn) + "]," + rest;
    }
    return writable;
}

Value Converted(const std::string& text, const std::string& type) {
    const char* t = type.c_str();
    Value value(text);
    if (strcasecmp(t, "Long") == 0 || strcasecmp(t, "Integer") == 0 || strcasecmp(t, "Byte") == 0)
        return Value(value.AsInteger());
    if (strcasecmp(t, "Double") == 0 || strcasecmp(t, "Single") == 0)
        return Value(value.AsReal());
    if (strcasecmp(t, "YesNo") == 0 || strcasecmp(t, "Bit") == 0)
        return Value(value.AsBool() ? 1 : 0);
    return value;
}

} // namespace

Parameters TypedParameters(const SavedQuery& query,
                           const std::vector<std::pair<std::string, std::string>>& values) {
    Parameters typed;
    std::stringstream declarations(query.parameters);
    std::string declaration;
    while (std::getline(declarations, declaration, ',')) {
        std::stringstream words(declaration);
        std::string name, type;
        words >> name >> type;
        for (const auto& [given, text] : values) {
            if (name.empty() || strcasecmp(given.c_str(), name.c_str()) != 0)
                continue;
            try {
                typed.push_back({name, Converted(text, type)});
            } catch (const DbError&) {
                throw DbError("Parameter '" + name + "' of query '" + query.name +
                              "' takes a value of type " + type + ", not '" + text + "'.");
            }
        }
    }
    return typed;
}

std::optional<WritableQuery> AnalyseQuery(Database& db, const SavedQuery& query, std::string& why) {
    return Analyse(db, query, why);
}

} // namespace corvid::gridwizdao
