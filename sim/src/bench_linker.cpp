#include "bench_linker.h"

#include <algorithm>
#include <map>
#include <string>

namespace corvid::sim {

namespace {

class BenchLinker {
public:
    explicit BenchLinker(BenchSpec& bench) : bench_(bench) {}

    void Run() {
        CheckAddresses();
        for (size_t i = 0; i < bench_.instruments.size(); ++i) {
            LinkInstrument(static_cast<int>(i));
        }
        CheckCycles();
    }

private:
    [[noreturn]] void Fail(int line, const std::string& reason) const {
        throw BenchError(bench_.file, line, reason);
    }

    void CheckAddresses() const {
        // (board, primary) -> the instruments there
        std::map<std::pair<int, int>, std::vector<const InstrumentSpec*>> used;
        for (const InstrumentSpec& inst : bench_.instruments) {
            if (inst.board < 0) {
                continue; // a module in the embedded controller's mainframe
            }
            const BoardSpec* board = nullptr;
            for (const BoardSpec& b : bench_.boards) {
                if (b.index == inst.board) {
                    board = &b;
                }
            }
            if (board == nullptr) {
                Fail(inst.line, "board " + std::to_string(inst.board) + " is not described (add \"board " +
                                    std::to_string(inst.board) + "\")");
            }
            if (board->pad == inst.pad) {
                Fail(inst.line,
                     "primary address " + std::to_string(inst.pad) + " is the board's own address");
            }
            for (const InstrumentSpec* other : used[{inst.board, inst.pad}]) {
                if (other->sad == inst.sad) {
                    Fail(inst.line, "the address is already taken by \"" + other->name + "\"");
                }
                // A GPIB-VXI controller answers at its primary address, its modules at secondary ones.
                if ((other->sad < 0 || inst.sad < 0) && !other->gpibVxiController &&
                    !inst.gpibVxiController) {
                    Fail(inst.line, "primary address " + std::to_string(inst.pad) + " is shared with \"" +
                                        other->name + "\"; only secondary addresses can share one");
                }
            }
            used[{inst.board, inst.pad}].push_back(&inst);
        }
    }

    std::optional<Reference> Resolve(int instrument, const DialogueSpec* dialogue,
                                     std::string_view name) const {
        if (dialogue != nullptr) {
            for (size_t i = 0; i < dialogue->parameters.size(); ++i) {
                if (dialogue->parameters[i].name == name) {
                    return Reference{RefKind::Param, instrument, static_cast<int>(i)};
                }
            }
        }
        size_t dot = name.find('.');
        if (dot != std::string_view::npos) {
            std::string_view owner = name.substr(0, dot);
            for (size_t i = 0; i < bench_.instruments.size(); ++i) {
                if (bench_.instruments[i].name == owner) {
                    return Member(static_cast<int>(i), name.substr(dot + 1));
                }
            }
            return std::nullopt;
        }
        return Member(instrument, name);
    }

    std::optional<Reference> Member(int instrument, std::string_view name) const {
        const InstrumentSpec& inst = bench_.instruments[static_cast<size_t>(instrument)];
        for (size_t i = 0; i < inst.properties.size(); ++i) {
            if (inst.properties[i].name == name) {
                return Reference{RefKind::Property, instrument, static_cast<int>(i)};
            }
        }
        for (size_t i = 0; i < inst.values.size(); ++i) {
            if (inst.values[i].name == name) {
                return Reference{RefKind::Computed, instrument, static_cast<int>(i)};
            }
        }
        return std::nullopt;
    }

    Resolver ResolverFor(int instrument, const DialogueSpec* dialogue) const {
        return [this, instrument, dialogue](std::string_view name) {
            return Resolve(instrument, dialogue, name);
        };
    }

    void Compile(Expression& out, const std::string& source, int line, const Resolver& resolve) const {
        try {
            out = Expression(source, resolve);
        } catch (const std::invalid_argument& e) {
            Fail(line, e.what());
        }
    }

    void LinkInstrument(int index) {
        InstrumentSpec& inst = bench_.instruments[static_cast<size_t>(index)];
        Resolver plain = ResolverFor(index, nullptr);
        for (ValueSpec& v : inst.values) {
            Compile(v.expression, v.source, v.line, plain);
        }
        for (SetAction& action : inst.trigger) {
            Compile(action.expression, action.source, action.line, plain);
        }
        for (DialogueSpec& d : inst.dialogues) {
            Resolver resolve = ResolverFor(index, &d);
            for (SetAction& action : d.actions) {
                Compile(action.expression, action.source, action.line, resolve);
            }
            if (d.header.query() && !d.replySource) {
                Fail(d.line, "the query \"" + d.header.text() + "\" has no reply");
            }
            if (d.replySource) {
                try {
                    d.reply = Template(*d.replySource, resolve);
                } catch (const std::invalid_argument& e) {
                    Fail(d.replyLine, e.what());
                }
            }
        }
    }

    // Values read values while they are computed, one call deeper each: a longer chain is
    // refused rather than left to exhaust the stack.
    static constexpr int kMaxValueChain = 64;

    // Depth-first search over the computed values that read other computed values.
    void CheckCycles() const {
        std::map<std::pair<int, int>, int> state; // 1: on the path, 2: done
        for (size_t i = 0; i < bench_.instruments.size(); ++i) {
            for (size_t v = 0; v < bench_.instruments[i].values.size(); ++v) {
                Visit(static_cast<int>(i), static_cast<int>(v), state, 1);
            }
        }
    }

    [[noreturn]] void ChainTooLong(const ValueSpec& spec) const {
        Fail(spec.line, "value \"" + spec.name + "\" is read through more than " +
                            std::to_string(kMaxValueChain) + " other values");
    }

    // Returns the length of the longest chain of values read from this one.
    int Visit(int instrument, int value, std::map<std::pair<int, int>, int>& state, int length) const {
        int& mark = state[{instrument, value}];
        const ValueSpec& spec =
            bench_.instruments[static_cast<size_t>(instrument)].values[static_cast<size_t>(value)];
        if (mark == 1) {
            Fail(spec.line, "value \"" + spec.name + "\" depends on itself");
        }
        if (length > kMaxValueChain) {
            ChainTooLong(spec);
        }
        if (mark == 2) {
            return chains_.at({instrument, value});
        }
        mark = 1;
        int longest = 1;
        for (const Reference& ref : spec.expression.references()) {
            if (ref.kind == RefKind::Computed) {
                longest = std::max(longest, 1 + Visit(ref.instrument, ref.index, state, length + 1));
            }
        }
        if (length + longest - 1 > kMaxValueChain) {
            ChainTooLong(spec);
        }
        state[{instrument, value}] = 2;
        chains_[{instrument, value}] = longest;
        return longest;
    }

    BenchSpec& bench_;
    mutable std::map<std::pair<int, int>, int> chains_; // longest chain below each done value
};

} // namespace

void LinkBench(BenchSpec& bench) {
    BenchLinker(bench).Run();
}

} // namespace corvid::sim
