// A bench as its description file gives it: boards and the instruments at their
// addresses, each with identity, properties, computed values, dialogues and trigger
// actions. Built by ReadBenchFile; the running bench (Bus) is made from it.
#pragma once

#include "expression.h"
#include "header_pattern.h"
#include "module_spec.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvid::sim {

enum class PropertyType { Real, Integer, Boolean, Choice, Text };

struct PropertySpec {
    std::string name;
    std::optional<HeaderPattern> header; // none for an internal state variable
    PropertyType type = PropertyType::Real;
    double min = -std::numeric_limits<double>::infinity();
    double max = std::numeric_limits<double>::infinity();
    std::vector<Mnemonic> choices;
    std::string unit;
    Value initial;
    int line = 0;
};

struct ValueSpec {
    std::string name;
    std::string source;
    Expression expression;
    int line = 0;
};

struct SetAction {
    int property = -1;
    std::string source;
    Expression expression;
    int line = 0;
};

struct ParameterSpec {
    std::string name;
    std::optional<std::string> fallback; // used when the parameter is not sent
};

struct DialogueSpec {
    explicit DialogueSpec(HeaderPattern pattern) : header(std::move(pattern)) {}
    HeaderPattern header;
    std::vector<ParameterSpec> parameters;
    std::vector<SetAction> actions;
    std::optional<std::string> replySource;
    int replyLine = 0;
    Template reply;
    std::optional<int> delayMs; // replaces the instrument's delay for this reply
    int line = 0;
};

struct InstrumentSpec {
    std::string name;
    int board = 0; // -1: not on a GPIB board (a module in the embedded controller's mainframe)
    int pad = 0;
    int sad = -1; // 0 to 30, or -1 for none
    std::string identity;
    int delayMs = 0;
    std::string terminator = "\n";
    std::vector<PropertySpec> properties;
    std::vector<ValueSpec> values;
    std::vector<DialogueSpec> dialogues;
    std::vector<SetAction> trigger;
    // A GPIB-VXI controller: its modules answer at secondary addresses of its primary one.
    bool gpibVxiController = false;
    int line = 0;
};

struct BoardSpec {
    int index = 0;
    int pad = 0;
    int type = 0;
    int line = 0;
};

struct BenchSpec {
    std::string file;
    std::optional<uint64_t> seed;
    std::vector<BoardSpec> boards;
    std::vector<InstrumentSpec> instruments;
    std::vector<MainframeSpec> mainframes;
    std::vector<ModuleSpec> modules;
};

// A description that cannot be used; what() is "file:line: reason".
class BenchError : public std::runtime_error {
public:
    BenchError(const std::string& file, int line, const std::string& reason)
        : std::runtime_error(file + ":" + std::to_string(line) + ": " + reason) {}
    explicit BenchError(const std::string& message) : std::runtime_error(message) {}
};

// Reads and checks a description file. Throws BenchError.
BenchSpec ReadBenchFile(const std::string& path);
// The same from text, with file naming it in messages.
BenchSpec ParseBench(const std::string& text, const std::string& file);

} // namespace corvid::sim
