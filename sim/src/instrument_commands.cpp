// Carrying out program messages: the IEEE 488.2 common commands, the error queue query,
// the dialogues and properties of the description.
#include "bus.h"
#include "instrument.h"
#include "property_codec.h"

#include <cmath>
#include <cstdlib>

namespace corvid::sim {

// One program message: its units in turn, the replies they produce, and the delay of
// the slowest of them.
class CommandRunner {
public:
    CommandRunner(Instrument& instrument, Clock::time_point now)
        : inst_(instrument), now_(now), delayMs_(instrument.spec_.delayMs) {}

    void Run(std::string_view message) {
        std::vector<std::string_view> units;
        if (!SplitMessage(message, units)) {
            inst_.Error(kSyntaxError);
            return;
        }
        for (std::string_view unit : units) {
            if (unit.empty()) {
                continue; // "*RST;" and empty messages
            }
            bool carriedOn = RunUnit(unit);
            // Each command can raise a service request of its own: "*CLS;*OPC" clears the
            // summary and then sets it again, a new reason for service.
            inst_.UpdateStatus(now_);
            if (!carriedOn) {
                break; // a command error ends the message
            }
        }
        if (!replies_.empty()) {
            inst_.output_ = replies_ + inst_.spec_.terminator;
            inst_.readPos_ = 0;
            inst_.readyAt_ = now_ + std::chrono::milliseconds(delayMs_);
        }
    }

private:
    using Handler = void (CommandRunner::*)(const ProgramUnit&);
    struct Common {
        const char* name;
        bool query;
        bool takesNumber;
        Handler run;
    };
    static const Common kCommon[14];

    void Reply(const std::string& text) {
        if (!replies_.empty()) {
            replies_ += ';';
        }
        replies_ += text;
    }

    // False for a command error, which ends the message.
    bool RunUnit(std::string_view text) {
        ProgramUnit unit;
        SentHeader header;
        if (!ParseUnit(text, unit) || !SplitHeader(unit.header, header)) {
            inst_.Error(kSyntaxError);
            return false;
        }
        if (header.common && RunCommon(header, unit)) {
            return !failed_;
        }
        if (kErrorQuery.Matches(header)) {
            if (NoParameters(unit)) {
                Reply(inst_.status_.NextError());
            }
            return !failed_;
        }
        for (const DialogueSpec& d : inst_.spec_.dialogues) {
            if (d.header.Matches(header)) {
                RunDialogue(d, unit);
                return !failed_;
            }
        }
        const auto& props = inst_.spec_.properties;
        for (size_t i = 0; i < props.size(); ++i) {
            if (props[i].header && props[i].header->MatchesPath(header)) {
                header.query ? QueryProperty(i, unit) : SetProperty(i, unit);
                return !failed_;
            }
        }
        Fail(kUndefinedHeader);
        return false;
    }

    void Fail(const ScpiError& e) {
        inst_.Error(e);
        failed_ = failed_ || (e.code <= -100 && e.code > -200);
    }

    bool NoParameters(const ProgramUnit& unit) {
        if (!unit.parameters.empty()) {
            Fail(kParameterNotAllowed);
            return false;
        }
        return true;
    }

    bool RunCommon(const SentHeader& header, const ProgramUnit& unit) {
        for (const Common& c : kCommon) {
            if (c.query == header.query && EqualsNoCase(header.mnemonics[0], c.name)) {
                if (!c.takesNumber && !NoParameters(unit)) {
                    return true;
                }
                (this->*c.run)(unit);
                return true;
            }
        }
        return false;
    }

    // The 0 to 255 argument of *ESE and *SRE.
    std::optional<uint8_t> Mask(const ProgramUnit& unit) {
        if (unit.parameters.empty()) {
            Fail(kMissingParameter);
            return std::nullopt;
        }
        if (unit.parameters.size() > 1) {
            Fail(kParameterNotAllowed);
            return std::nullopt;
        }
        const Parameter& p = unit.parameters[0];
        char* end = nullptr;
        double value = std::strtod(p.text.c_str(), &end);
        if (p.quoted || p.text.empty() || *end != '\0') {
            Fail(kDataTypeError);
            return std::nullopt;
        }
        value = std::round(value);
        if (value < 0 || value > 255) {
            Fail(kDataOutOfRange);
            return std::nullopt;
        }
        return static_cast<uint8_t>(value);
    }

    void Cls(const ProgramUnit&) { inst_.status_.Clear(); }
    void Ese(const ProgramUnit& unit) {
        if (auto mask = Mask(unit)) {
            inst_.status_.SetEventEnable(*mask);
        }
    }
    void EseQuery(const ProgramUnit&) { Reply(std::to_string(inst_.status_.eventEnable())); }
    void EsrQuery(const ProgramUnit&) { Reply(std::to_string(inst_.status_.TakeEventRegister())); }
    void IdnQuery(const ProgramUnit&) { Reply(inst_.spec_.identity); }
    void Opc(const ProgramUnit&) { inst_.status_.SetEvents(StatusModel::kOperationComplete); }
    void OpcQuery(const ProgramUnit&) { Reply("1"); }
    void Rst(const ProgramUnit&) { inst_.Reset(); }
    void Sre(const ProgramUnit& unit) {
        if (auto mask = Mask(unit)) {
            inst_.status_.SetServiceRequestEnable(*mask);
        }
    }
    void SreQuery(const ProgramUnit&) { Reply(std::to_string(inst_.status_.serviceRequestEnable())); }
    void StbQuery(const ProgramUnit&) {
        Reply(std::to_string(inst_.status_.StatusByteQuery(inst_.MessageAvailable(now_))));
    }
    void Trg(const ProgramUnit&) { inst_.Trigger(now_); }
    void TstQuery(const ProgramUnit&) { Reply("0"); }
    void Wai(const ProgramUnit&) {} // every command completes before the next starts

    void RunDialogue(const DialogueSpec& d, const ProgramUnit& unit) {
        if (unit.parameters.size() > d.parameters.size()) {
            Fail(kParameterNotAllowed);
            return;
        }
        std::vector<Value> values;
        for (size_t i = 0; i < d.parameters.size(); ++i) {
            if (i < unit.parameters.size()) {
                values.push_back(ParameterValue(unit.parameters[i].text, unit.parameters[i].quoted));
            } else if (d.parameters[i].fallback) {
                values.push_back(ParameterValue(*d.parameters[i].fallback, false));
            } else {
                Fail(kMissingParameter);
                return;
            }
        }
        inst_.parameters_ = std::move(values);
        BusEvaluation evaluation(inst_.bus_, inst_.parameters_);
        for (const SetAction& action : d.actions) {
            if (!inst_.Apply(action, evaluation)) {
                return;
            }
        }
        if (d.header.query()) {
            try {
                Reply(d.reply.Render(evaluation));
            } catch (const EvalError&) {
                Fail(kExecutionError);
                return;
            }
        }
        if (d.delayMs) {
            delayMs_ = std::max(delayMs_, *d.delayMs);
        }
    }

    static Value ParameterValue(const std::string& text, bool quoted) {
        if (!quoted) {
            char* end = nullptr;
            double number = std::strtod(text.c_str(), &end);
            if (!text.empty() && *end == '\0') {
                return Value::Number(number);
            }
        }
        return Value::Text(text);
    }

    void SetProperty(size_t index, const ProgramUnit& unit) {
        const PropertySpec& p = inst_.spec_.properties[index];
        if (unit.parameters.empty()) {
            Fail(kMissingParameter);
            return;
        }
        if (unit.parameters.size() > 1) {
            Fail(kParameterNotAllowed);
            return;
        }
        Value value;
        if (auto e = ParseSetting(p, unit.parameters[0], value)) {
            Fail(*e);
            return;
        }
        inst_.properties_[index] = std::move(value);
    }

    void QueryProperty(size_t index, const ProgramUnit& unit) {
        const PropertySpec& p = inst_.spec_.properties[index];
        if (unit.parameters.size() > 1) {
            Fail(kParameterNotAllowed);
            return;
        }
        if (unit.parameters.empty()) {
            Reply(FormatSetting(p, inst_.properties_[index]));
            return;
        }
        Value limit;
        if (auto e = LimitQuery(p, unit.parameters[0], limit)) {
            Fail(*e);
            return;
        }
        Reply(FormatSetting(p, limit));
    }

    static const HeaderPattern kErrorQuery;

    Instrument& inst_;
    Clock::time_point now_;
    int delayMs_;
    std::string replies_;
    bool failed_ = false;
};

const HeaderPattern CommandRunner::kErrorQuery("SYSTem:ERRor[:NEXT]?");

const CommandRunner::Common CommandRunner::kCommon[14] = {
    {"CLS", false, false, &CommandRunner::Cls},     {"ESE", false, true, &CommandRunner::Ese},
    {"ESE", true, false, &CommandRunner::EseQuery}, {"ESR", true, false, &CommandRunner::EsrQuery},
    {"IDN", true, false, &CommandRunner::IdnQuery}, {"OPC", false, false, &CommandRunner::Opc},
    {"OPC", true, false, &CommandRunner::OpcQuery}, {"RST", false, false, &CommandRunner::Rst},
    {"SRE", false, true, &CommandRunner::Sre},      {"SRE", true, false, &CommandRunner::SreQuery},
    {"STB", true, false, &CommandRunner::StbQuery}, {"TRG", false, false, &CommandRunner::Trg},
    {"TST", true, false, &CommandRunner::TstQuery}, {"WAI", false, false, &CommandRunner::Wai},
};

void Instrument::Execute(std::string_view message, Clock::time_point now) {
    if (HasReply()) {
        // A new message before the last reply was read: 488.2 discards the reply.
        output_.clear();
        readPos_ = 0;
        Error(kQueryInterrupted);
    }
    CommandRunner(*this, now).Run(message);
}

bool Instrument::Apply(const SetAction& action, EvalContext& evaluation) {
    const PropertySpec& p = spec_.properties[static_cast<size_t>(action.property)];
    try {
        Value value = action.expression.Evaluate(evaluation);
        if (auto e = CheckComputed(p, value)) {
            Error(*e);
            return false;
        }
        properties_[static_cast<size_t>(action.property)] = std::move(value);
        return true;
    } catch (const EvalError&) {
        Error(kExecutionError);
        return false;
    }
}

} // namespace corvid::sim
