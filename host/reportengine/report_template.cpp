#include "report_template.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace corvid::reportengine {
namespace {

struct Token {
    std::string text;
    bool quoted = false;
};

class LineParser {
public:
    LineParser(const std::string& path, int line) : path_(path), line_(line) {}

    [[noreturn]] void Fail(const std::string& message) const {
        throw TemplateError(path_ + ":" + std::to_string(line_) + ": " + message);
    }

    std::vector<Token> Split(const std::string& text) const {
        std::vector<Token> tokens;
        size_t i = 0;
        while (i < text.size()) {
            unsigned char c = static_cast<unsigned char>(text[i]);
            if (std::isspace(c)) {
                ++i;
            } else if (c == '#') {
                break;
            } else if (c == '"') {
                tokens.push_back({Quoted(text, i), true});
            } else {
                size_t start = i;
                while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])) &&
                       text[i] != '"')
                    ++i;
                tokens.push_back({text.substr(start, i - start), false});
            }
        }
        return tokens;
    }

private:
    std::string Quoted(const std::string& text, size_t& i) const {
        std::string value;
        for (++i; i < text.size(); ++i) {
            if (text[i] == '"') {
                ++i;
                return value;
            }
            if (text[i] == '\\' && i + 1 < text.size())
                ++i;
            value += text[i];
        }
        Fail("a text has no closing quote");
    }

    const std::string& path_;
    int line_;
};

ValueFormat FormatOf(const LineParser& parser, const Token& token) {
    if (token.text == "text")
        return ValueFormat::Text;
    if (token.text == "result")
        return ValueFormat::Result;
    if (token.text == "date")
        return ValueFormat::Date;
    if (token.text == "yesno")
        return ValueFormat::YesNo;
    parser.Fail("unknown format '" + token.text + "' (text, result, date or yesno)");
}

void Expect(const LineParser& parser, const std::vector<Token>& tokens, size_t index, bool quoted,
            const char* what) {
    if (index >= tokens.size())
        parser.Fail(std::string("missing ") + what);
    if (tokens[index].quoted != quoted)
        parser.Fail(std::string("expected ") + what + (quoted ? " in double quotes" : " (a bare name)") +
                    ", not '" + tokens[index].text + "'");
}

void ExpectEnd(const LineParser& parser, const std::vector<Token>& tokens, size_t count) {
    if (tokens.size() > count)
        parser.Fail("unexpected '" + tokens[count].text + "'");
}

TemplateItem Item(TemplateItem::Kind kind, std::string label, std::string column, int line) {
    TemplateItem item;
    item.kind = kind;
    item.label = std::move(label);
    item.column = std::move(column);
    item.line = line;
    return item;
}

} // namespace

ReportTemplate ParseTemplate(const std::string& text, const std::string& path) {
    ReportTemplate result;
    result.path = path;
    std::istringstream lines(text);
    std::string line;
    TemplateItem* table = nullptr;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        LineParser parser(path, number);
        std::vector<Token> tokens = parser.Split(line);
        if (tokens.empty())
            continue;
        const std::string& keyword = tokens[0].text;
        if (tokens[0].quoted)
            parser.Fail("a line starts with a statement, not a text");
        TemplateItem item;
        if (keyword == "title") {
            Expect(parser, tokens, 1, true, "the title");
            ExpectEnd(parser, tokens, 2);
            result.title = tokens[1].text;
            continue;
        } else if (keyword == "field") {
            Expect(parser, tokens, 1, true, "the field's label");
            Expect(parser, tokens, 2, false, "the field's column");
            item = Item(TemplateItem::Kind::Field, tokens[1].text, tokens[2].text, number);
            if (tokens.size() > 3)
                item.format = FormatOf(parser, tokens[3]);
            ExpectEnd(parser, tokens, 4);
        } else if (keyword == "flag") {
            Expect(parser, tokens, 1, false, "the flag's column");
            Expect(parser, tokens, 2, true, "the flag's text");
            ExpectEnd(parser, tokens, 3);
            item = Item(TemplateItem::Kind::Flag, tokens[2].text, tokens[1].text, number);
        } else if (keyword == "text") {
            Expect(parser, tokens, 1, true, "the paragraph");
            ExpectEnd(parser, tokens, 2);
            item = Item(TemplateItem::Kind::Text, tokens[1].text, {}, number);
        } else if (keyword == "table") {
            Expect(parser, tokens, 1, true, "the table's caption");
            Expect(parser, tokens, 2, false, "the table's name");
            item = Item(TemplateItem::Kind::Table, tokens[1].text, tokens[2].text, number);
            if (tokens.size() > 3) {
                if (tokens[3].text != "order" || tokens[3].quoted)
                    parser.Fail("unexpected '" + tokens[3].text + "' (order COLUMN)");
                Expect(parser, tokens, 4, false, "the column to order by");
                item.order = tokens[4].text;
                ExpectEnd(parser, tokens, 5);
            }
        } else if (keyword == "column") {
            if (!table)
                parser.Fail("a column outside a table");
            Expect(parser, tokens, 1, true, "the column's heading");
            Expect(parser, tokens, 2, false, "the column's name");
            TemplateColumn column{tokens[1].text, tokens[2].text, ValueFormat::Text, number};
            if (tokens.size() > 3)
                column.format = FormatOf(parser, tokens[3]);
            ExpectEnd(parser, tokens, 4);
            table->columns.push_back(column);
            continue;
        } else {
            parser.Fail("unknown statement '" + keyword + "'");
        }
        result.items.push_back(std::move(item));
        table = result.items.back().kind == TemplateItem::Kind::Table ? &result.items.back() : nullptr;
    }
    for (const TemplateItem& item : result.items)
        if (item.kind == TemplateItem::Kind::Table && item.columns.empty())
            LineParser(path, item.line).Fail("the table " + item.column + " has no column");
    return result;
}

ReportTemplate LoadTemplate(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw TemplateError(path + ": the report template cannot be read");
    std::stringstream text;
    text << in.rdbuf();
    return ParseTemplate(text.str(), path);
}

} // namespace corvid::reportengine
