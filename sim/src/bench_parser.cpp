// Reading a bench description: the line structure (this file) and the resolution of
// names in expressions (bench_linker.cpp).
#include "bench_linker.h"
#include "bench_modules.h"
#include "bench_spec.h"
#include "property_codec.h"

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace corvid::sim {

namespace {

using Token = BenchToken;

bool IsIdentifier(std::string_view name) {
    if (name.empty() || !(std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_')) {
        return false;
    }
    for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') {
            return false;
        }
    }
    return true;
}

class BenchParser {
public:
    BenchParser(const std::string& text, const std::string& file) : text_(text), file_(file) {
        spec_.file = file;
    }

    BenchSpec Run() {
        std::istringstream in(text_);
        std::string line;
        while (std::getline(in, line)) {
            ++line_;
            ParseLine(line);
        }
        if (instrument_ != nullptr) {
            throw BenchError(file_, instrument_->line,
                             "instrument \"" + instrument_->name + "\" has no 'end'");
        }
        if (module_ >= 0) {
            const ModuleSpec& open = spec_.modules[static_cast<size_t>(module_)];
            throw BenchError(file_, open.line, "module \"" + open.name + "\" has no 'end'");
        }
        ModuleReader(spec_).Finish();
        LinkBench(spec_);
        return std::move(spec_);
    }

private:
    [[noreturn]] void Fail(const std::string& reason) const { throw BenchError(file_, line_, reason); }

    // The line without its comment; tokens before an '=' and the raw text after it.
    void Split(std::string_view line, std::vector<Token>& tokens, std::optional<std::string>& rest) {
        tokens.clear();
        rest.reset();
        size_t i = 0;
        while (i < line.size()) {
            char c = line[i];
            if (std::isspace(static_cast<unsigned char>(c))) {
                ++i;
            } else if (c == '#') {
                return;
            } else if (c == '=') {
                rest = std::string(StripComment(line.substr(i + 1)));
                return;
            } else if (c == '"') {
                tokens.push_back({ReadQuoted(line, i), true});
            } else {
                size_t start = i;
                while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])) &&
                       line[i] != '#' && line[i] != '=' && line[i] != '"') {
                    ++i;
                }
                // "<name=default>" keeps its '=' inside the angle brackets.
                if (line[start] == '<' && i < line.size() && line[i] == '=') {
                    size_t close = line.find('>', i);
                    if (close != std::string_view::npos) {
                        i = close + 1;
                    }
                }
                tokens.push_back({std::string(line.substr(start, i - start)), false});
            }
        }
    }

    std::string_view StripComment(std::string_view text) const {
        bool quoted = false;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '"') {
                quoted = !quoted;
            } else if (text[i] == '#' && !quoted) {
                text = text.substr(0, i);
                break;
            }
        }
        while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
            text.remove_suffix(1);
        }
        while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
            text.remove_prefix(1);
        }
        return text;
    }

    std::string ReadQuoted(std::string_view line, size_t& i) {
        std::string out;
        ++i;
        while (i < line.size() && line[i] != '"') {
            char c = line[i++];
            if (c != '\\') {
                out += c;
                continue;
            }
            if (i >= line.size()) {
                break;
            }
            char e = line[i++];
            switch (e) {
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case '\\':
            case '"':
                out += e;
                break;
            case 'x': {
                unsigned value = 0;
                auto [end, ec] =
                    std::from_chars(line.data() + i, line.data() + std::min(i + 2, line.size()), value, 16);
                if (ec != std::errc() || end != line.data() + i + 2) {
                    Fail("malformed \\x escape");
                }
                out += static_cast<char>(value);
                i += 2;
                break;
            }
            default:
                Fail(std::string("unknown escape \\") + e);
            }
        }
        if (i >= line.size()) {
            Fail("unterminated quoted text");
        }
        ++i;
        return out;
    }

    int Integer(const Token& token, int low, int high, const char* what) const {
        int value = 0;
        const std::string& t = token.text;
        auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
        if (token.quoted || ec != std::errc() || end != t.data() + t.size()) {
            Fail(std::string(what) + " \"" + t + "\" is not a whole number");
        }
        if (value < low || value > high) {
            Fail(std::string(what) + " " + t + " is outside " + std::to_string(low) + " to " +
                 std::to_string(high));
        }
        return value;
    }

    double Real(const Token& token, const char* what) const {
        const char* begin = token.text.c_str();
        char* end = nullptr;
        double value = std::strtod(begin, &end);
        if (token.quoted || token.text.empty() || *end != '\0') {
            Fail(std::string(what) + " \"" + token.text + "\" is not a number");
        }
        return value;
    }

    void Expect(const std::vector<Token>& tokens, size_t count, const char* usage) const {
        if (tokens.size() != count) {
            Fail(std::string("expected: ") + usage);
        }
    }

    void ParseLine(std::string_view line) {
        std::vector<Token> tokens;
        std::optional<std::string> rest;
        Split(line, tokens, rest);
        if (tokens.empty()) {
            if (rest) {
                Fail("line starts with '='");
            }
            return;
        }
        const std::string& keyword = tokens[0].text;
        if (tokens[0].quoted) {
            Fail("a line starts with a keyword, not a quoted text");
        }
        if (InBlock(keyword, tokens, rest)) {
            return;
        }
        block_ = Block::None;
        if (module_ >= 0) {
            NoRest(rest);
            ModuleBlockLine(keyword, tokens);
        } else if (instrument_ == nullptr) {
            TopLevel(keyword, tokens, rest);
        } else {
            InstrumentLine(keyword, tokens, rest);
        }
    }

    void NoRest(const std::optional<std::string>& rest) const {
        if (rest) {
            Fail("unexpected '='");
        }
    }

    void TopLevel(const std::string& keyword, const std::vector<Token>& tokens,
                  const std::optional<std::string>& rest) {
        NoRest(rest);
        if (keyword == "seed") {
            Expect(tokens, 2, "seed NUMBER");
            spec_.seed = static_cast<uint64_t>(Integer(tokens[1], 0, 0x7fffffff, "seed"));
        } else if (keyword == "board") {
            Board(tokens);
        } else if (keyword == "instrument") {
            Instrument(tokens);
        } else if (keyword == "mainframe") {
            ModuleReader(spec_).Mainframe(tokens, line_);
        } else if (keyword == "module") {
            ModuleReader(spec_).Module(tokens, line_);
            module_ = static_cast<int>(spec_.modules.size()) - 1;
        } else {
            Fail("unknown keyword \"" + keyword + "\"" +
                 (keyword == "end" || keyword == "identity" ? " outside an instrument" : ""));
        }
    }

    void Board(const std::vector<Token>& tokens) {
        if (tokens.size() < 2 || tokens.size() % 2 != 0) {
            Fail("expected: board INDEX [address PAD] [type CODE]");
        }
        BoardSpec board;
        board.index = Integer(tokens[1], 0, 15, "board index");
        board.line = line_;
        for (size_t i = 2; i < tokens.size(); i += 2) {
            if (tokens[i].text == "address") {
                board.pad = Integer(tokens[i + 1], 0, 30, "board address");
            } else if (tokens[i].text == "type") {
                board.type = Integer(tokens[i + 1], 0, 255, "board type");
            } else {
                Fail("unknown board option \"" + tokens[i].text + "\"");
            }
        }
        for (const BoardSpec& other : spec_.boards) {
            if (other.index == board.index) {
                Fail("board " + std::to_string(board.index) + " is already described at line " +
                     std::to_string(other.line));
            }
        }
        spec_.boards.push_back(board);
    }

    void ModuleBlockLine(const std::string& keyword, const std::vector<Token>& tokens) {
        ModuleSpec& module = spec_.modules[static_cast<size_t>(module_)];
        if (keyword == "end") {
            Expect(tokens, 1, "end");
            module_ = -1;
        } else if (!ModuleReader(spec_).ModuleLine(module, tokens, line_)) {
            Fail("unknown keyword \"" + keyword + "\" in module \"" + module.name + "\"");
        }
    }

    void Instrument(const std::vector<Token>& tokens) {
        const bool vxi = tokens.size() == 6 && tokens[3].text == "vxi";
        if ((tokens.size() != 5 && tokens.size() != 6) || tokens[2].text != "at") {
            Fail("expected: instrument NAME at BOARD PRIMARY [SECONDARY], or instrument NAME at vxi CHASSIS "
                 "LA");
        }
        InstrumentSpec inst;
        inst.name = tokens[1].text;
        if (!IsIdentifier(inst.name)) {
            Fail("instrument name \"" + inst.name + "\" is not a plain name");
        }
        for (const InstrumentSpec& other : spec_.instruments) {
            if (other.name == inst.name) {
                Fail("instrument \"" + inst.name + "\" is already described at line " +
                     std::to_string(other.line));
            }
        }
        inst.line = line_;
        if (vxi) {
            inst.board = -1;
            spec_.instruments.push_back(std::move(inst));
            ModuleReader(spec_).MessageModule(tokens, line_);
            messageModule_ = static_cast<int>(spec_.modules.size()) - 1;
        } else {
            inst.board = Integer(tokens[3], 0, 15, "board index");
            inst.pad = Integer(tokens[4], 0, 30, "primary address");
            if (tokens.size() == 6) {
                inst.sad = Integer(tokens[5], 0, 30, "secondary address");
            }
            spec_.instruments.push_back(std::move(inst));
            messageModule_ = -1;
        }
        instrument_ = &spec_.instruments.back();
    }

    void InstrumentLine(const std::string& keyword, const std::vector<Token>& tokens,
                        const std::optional<std::string>& rest) {
        InstrumentSpec& inst = *instrument_;
        if (keyword == "end") {
            NoRest(rest);
            Expect(tokens, 1, "end");
            if (inst.identity.empty()) {
                Fail("instrument \"" + inst.name + "\" has no identity");
            }
            instrument_ = nullptr;
        } else if (keyword == "identity") {
            NoRest(rest);
            Expect(tokens, 2, "identity \"TEXT\"");
            inst.identity = tokens[1].text;
        } else if (keyword == "delay") {
            NoRest(rest);
            Expect(tokens, 2, "delay MILLISECONDS");
            inst.delayMs = Integer(tokens[1], 0, 3600000, "delay");
        } else if (keyword == "terminator") {
            NoRest(rest);
            Expect(tokens, 2, "terminator \"TEXT\"");
            inst.terminator = tokens[1].text;
        } else if (keyword == "property") {
            NoRest(rest);
            Property(tokens);
        } else if (keyword == "state") {
            State(tokens, rest);
        } else if (keyword == "value") {
            if (tokens.size() != 2 || !rest || rest->empty()) {
                Fail("expected: value NAME = EXPRESSION");
            }
            NewName(tokens[1].text);
            inst.values.push_back({tokens[1].text, *rest, {}, line_});
        } else if (keyword == "on") {
            NoRest(rest);
            Dialogue(tokens);
        } else if (keyword == "trigger") {
            NoRest(rest);
            Expect(tokens, 1, "trigger");
            block_ = Block::Trigger;
        } else if (keyword == "vxi" && messageModule_ >= 0) {
            NoRest(rest);
            ModuleReader(spec_).ModuleLine(spec_.modules[static_cast<size_t>(messageModule_)], tokens, line_);
        } else if (keyword == "instrument") {
            Fail("instrument \"" + inst.name + "\" (line " + std::to_string(inst.line) + ") has no 'end'");
        } else {
            Fail("unknown keyword \"" + keyword + "\" in instrument \"" + inst.name + "\"");
        }
    }

    void NewName(const std::string& name) {
        if (!IsIdentifier(name)) {
            Fail("\"" + name + "\" is not a plain name");
        }
        for (const PropertySpec& p : instrument_->properties) {
            if (p.name == name) {
                Fail("\"" + name + "\" is already defined at line " + std::to_string(p.line));
            }
        }
        for (const ValueSpec& v : instrument_->values) {
            if (v.name == name) {
                Fail("\"" + name + "\" is already defined at line " + std::to_string(v.line));
            }
        }
    }

    void State(const std::vector<Token>& tokens, const std::optional<std::string>& rest) {
        if (tokens.size() != 2 || !rest || rest->empty()) {
            Fail("expected: state NAME = NUMBER or state NAME = \"TEXT\"");
        }
        NewName(tokens[1].text);
        PropertySpec state;
        state.name = tokens[1].text;
        state.line = line_;
        std::vector<Token> literal;
        std::optional<std::string> extra;
        Split(*rest, literal, extra);
        if (literal.size() != 1 || extra) {
            Fail("the initial value of a state is one number or one quoted text");
        }
        if (literal[0].quoted) {
            state.type = PropertyType::Text;
            state.initial = Value::Text(literal[0].text);
        } else {
            state.initial = Value::Number(Real(literal[0], "initial value"));
        }
        instrument_->properties.push_back(std::move(state));
    }

    PropertyType TypeNamed(const std::string& name) const {
        static const std::pair<const char*, PropertyType> kTypes[] = {{"real", PropertyType::Real},
                                                                      {"int", PropertyType::Integer},
                                                                      {"bool", PropertyType::Boolean},
                                                                      {"choice", PropertyType::Choice},
                                                                      {"text", PropertyType::Text}};
        for (const auto& [n, type] : kTypes) {
            if (name == n) {
                return type;
            }
        }
        Fail("unknown property type \"" + name + "\" (real, int, bool, choice or text)");
    }

    void Property(const std::vector<Token>& tokens) {
        if (tokens.size() < 4) {
            Fail("expected: property NAME \"HEADER\" TYPE [OPTIONS]");
        }
        NewName(tokens[1].text);
        PropertySpec p;
        p.name = tokens[1].text;
        p.line = line_;
        try {
            p.header.emplace(tokens[2].text);
        } catch (const std::invalid_argument& e) {
            Fail(e.what());
        }
        if (p.header->query()) {
            Fail("a property header has no '?': \"VOLT\" answers \"VOLT?\" by itself");
        }
        p.type = TypeNamed(tokens[3].text);
        size_t i = 4;
        if (p.type == PropertyType::Choice) {
            while (i < tokens.size() && tokens[i].text != "default") {
                p.choices.emplace_back(tokens[i++].text);
            }
            if (p.choices.empty()) {
                Fail("a choice property lists its words");
            }
        }
        std::optional<Token> fallback;
        std::set<std::string> seen;
        for (; i < tokens.size(); i += 2) {
            const std::string& option = tokens[i].text;
            if (i + 1 >= tokens.size()) {
                Fail("option \"" + option + "\" has no value");
            }
            if (!seen.insert(option).second) {
                Fail("option \"" + option + "\" is given twice");
            }
            bool numeric = p.type == PropertyType::Real || p.type == PropertyType::Integer;
            if (option == "default") {
                fallback = tokens[i + 1];
            } else if (option == "min" && numeric) {
                p.min = Real(tokens[i + 1], "min");
            } else if (option == "max" && numeric) {
                p.max = Real(tokens[i + 1], "max");
            } else if (option == "unit" && numeric) {
                p.unit = tokens[i + 1].text;
            } else {
                Fail("option \"" + option + "\" does not apply to this property");
            }
        }
        if (p.min > p.max) {
            Fail("min is above max");
        }
        std::string error;
        if (!ParseInitialValue(p, fallback ? &fallback->text : nullptr, fallback && fallback->quoted,
                               error)) {
            Fail(error);
        }
        instrument_->properties.push_back(std::move(p));
    }

    void Dialogue(const std::vector<Token>& tokens) {
        if (tokens.size() < 2) {
            Fail("expected: on \"HEADER\" [<PARAMETER>...]");
        }
        try {
            instrument_->dialogues.emplace_back(HeaderPattern(tokens[1].text));
        } catch (const std::invalid_argument& e) {
            Fail(e.what());
        }
        DialogueSpec& d = instrument_->dialogues.back();
        d.line = line_;
        for (size_t i = 2; i < tokens.size(); ++i) {
            const std::string& t = tokens[i].text;
            if (tokens[i].quoted || t.size() < 3 || t.front() != '<' || t.back() != '>') {
                Fail("a parameter is written <name> or <name=default>, not \"" + t + "\"");
            }
            std::string inner = t.substr(1, t.size() - 2);
            ParameterSpec param;
            size_t eq = inner.find('=');
            param.name = inner.substr(0, eq);
            if (eq != std::string::npos) {
                param.fallback = inner.substr(eq + 1);
            }
            if (!IsIdentifier(param.name)) {
                Fail("parameter name \"" + param.name + "\" is not a plain name");
            }
            for (const ParameterSpec& other : d.parameters) {
                if (other.name == param.name) {
                    Fail("parameter \"" + param.name + "\" is given twice");
                }
            }
            if (!param.fallback && !d.parameters.empty() && d.parameters.back().fallback) {
                Fail("a parameter without default follows one with a default");
            }
            d.parameters.push_back(std::move(param));
        }
        block_ = Block::Dialogue;
    }

    // Lines that belong to the dialogue or trigger block above; false for any other.
    bool InBlock(const std::string& keyword, const std::vector<Token>& tokens,
                 const std::optional<std::string>& rest) {
        if (block_ == Block::None || (keyword != "set" && keyword != "reply" && keyword != "delay")) {
            return false;
        }
        if (keyword == "set") {
            if (tokens.size() != 2 || !rest || rest->empty()) {
                Fail("expected: set PROPERTY = EXPRESSION");
            }
            SetAction action;
            action.source = *rest;
            action.line = line_;
            action.property = PropertyIndex(tokens[1].text);
            (block_ == Block::Trigger ? instrument_->trigger : instrument_->dialogues.back().actions)
                .push_back(std::move(action));
            return true;
        }
        if (block_ == Block::Trigger) {
            Fail("'" + keyword + "' does not belong in a trigger block");
        }
        DialogueSpec& d = instrument_->dialogues.back();
        NoRest(rest);
        if (keyword == "delay") {
            Expect(tokens, 2, "delay MILLISECONDS");
            d.delayMs = Integer(tokens[1], 0, 3600000, "delay");
            return true;
        }
        Expect(tokens, 2, "reply \"TEMPLATE\"");
        if (d.replySource) {
            Fail("the dialogue already has a reply");
        }
        if (!d.header.query()) {
            Fail("only a query (a header ending in '?') has a reply");
        }
        d.replySource = tokens[1].text;
        d.replyLine = line_;
        return true;
    }

    int PropertyIndex(const std::string& name) const {
        const auto& props = instrument_->properties;
        for (size_t i = 0; i < props.size(); ++i) {
            if (props[i].name == name) {
                return static_cast<int>(i);
            }
        }
        Fail("\"" + name + "\" is not a property or state of instrument \"" + instrument_->name + "\"");
    }

    enum class Block { None, Dialogue, Trigger };

    const std::string& text_;
    std::string file_;
    BenchSpec spec_;
    InstrumentSpec* instrument_ = nullptr;
    int module_ = -1;        // the module block being read
    int messageModule_ = -1; // the module of the instrument being read, if it is one
    Block block_ = Block::None;
    int line_ = 0;
};

} // namespace

BenchSpec ParseBench(const std::string& text, const std::string& file) {
    return BenchParser(text, file).Run();
}

BenchSpec ReadBenchFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw BenchError(path + ": cannot be read");
    }
    std::ostringstream text;
    text << in.rdbuf();
    return ParseBench(text.str(), path);
}

} // namespace corvid::sim
