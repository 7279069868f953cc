// omr record and omr play: the debugger's controller window without a desktop.
#include "debugger/controller_window.h"
#include "debugger/document.h"
#include "debugger/engine.h"
#include "omr.h"
#include "prompts.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <unistd.h>

namespace corvid::omr {
namespace {

using Clock = std::chrono::steady_clock;
using debugger::DocumentRef;
using debugger::RecordingDocument;

constexpr std::chrono::milliseconds kPumpInterval{100};

std::atomic<int> stopSignals{0};
std::atomic<int> pauseSignals{0};
std::atomic<int> stepSignals{0};

void OnSignal(int signal) {
    if (signal == SIGUSR1)
        pauseSignals.fetch_add(1);
    else if (signal == SIGUSR2)
        stepSignals.fetch_add(1);
    else
        stopSignals.fetch_add(1);
}

// SIGINT and SIGTERM end the session; SIGUSR1 toggles pause, SIGUSR2 steps.
class SignalHandlers {
public:
    SignalHandlers() {
        struct sigaction action {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            sigaction(kSignals[i], &action, &previous_[i]);
    }
    ~SignalHandlers() {
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            sigaction(kSignals[i], &previous_[i], nullptr);
    }
    SignalHandlers(const SignalHandlers&) = delete;
    SignalHandlers& operator=(const SignalHandlers&) = delete;

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGUSR1, SIGUSR2};
    struct sigaction previous_[std::size(kSignals)]{};
};

std::string Line(const nlohmann::ordered_json& object) {
    return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

void PrintEvent(const char* name) {
    PrintJsonLine(Line({{"event", name}}));
}

// The controller window with its engine and the signals that steer it.
class LiveSession {
public:
    LiveSession(EventPrompt& prompt, debugger::Options options)
        : route_(prompt), engine_(prompt, options, Hooks()) {
        stopSignals = pauseSignals = stepSignals = 0;
        window_ = debugger::ControllerWindow::Create(
            engine_, [this](const platform::WindowMessage&) { lastMessage_ = Clock::now(); });
        if (!window_)
            throw std::runtime_error("another debugger's controller window is running");
    }

    debugger::Engine& Engine() { return engine_; }

    // Handles the driver's messages and the signals for one interval. False once a stop
    // signal came.
    bool Turn() {
        window_->Pump(kPumpInterval);
        for (int n = pauseSignals.exchange(0); n > 0; --n) {
            engine_.TogglePause();
            PrintEvent(engine_.IsPaused() ? "paused" : "resumed");
        }
        if (stepSignals.exchange(0) > 0 && engine_.IsPaused()) {
            engine_.RequestStep();
            PrintEvent("step");
        }
        // "held" each time a driver starts waiting for a step or a resume.
        const bool held = engine_.StepCommand().enabled;
        if (held && !held_)
            PrintEvent("held");
        held_ = held;
        return stopSignals.load() == 0;
    }

    Clock::duration SinceLastMessage() const { return Clock::now() - lastMessage_; }

private:
    static debugger::EngineHooks Hooks() {
        debugger::EngineHooks hooks;
        // omr never asks for a database reset.
        hooks.resetCalibrationQuietly = [] {
            return true;
        };
        return hooks;
    }

    SignalHandlers signals_;
    MessageBoxRoute route_;
    debugger::Engine engine_;
    std::unique_ptr<debugger::ControllerWindow> window_;
    Clock::time_point lastMessage_ = Clock::now();
    bool held_ = false;
};

const std::string& ValueOf(const Arguments& args, std::size_t& i) {
    if (i + 1 >= args.size())
        throw UsageError{args[i] + " needs a value"};
    return args[++i];
}

bool IsNumber(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

bool OpenInto(RecordingDocument& document, const std::string& path) {
    CollectingPrompt prompt;
    MessageBoxRoute route(prompt);
    if (document.Open(path, prompt))
        return true;
    prompt.PrintTo(stderr);
    return false;
}

struct RecordArguments {
    std::string output;
    debugger::RecordingStart start = debugger::RecordingStart::reset;
    long insertAt = 0;
    long count = -1;
};

RecordArguments ParseRecord(const Arguments& args) {
    RecordArguments parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--append") {
            parsed.start = debugger::RecordingStart::append;
        } else if (args[i] == "--insert") {
            parsed.start = debugger::RecordingStart::insert;
            parsed.insertAt = ParseNumber("--insert", ValueOf(args, i));
        } else if (args[i] == "--count") {
            parsed.count = ParseNumber("--count", ValueOf(args, i));
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            throw UsageError{"unknown option '" + args[i] + "'"};
        } else if (parsed.output.empty()) {
            parsed.output = args[i];
        } else {
            throw UsageError{"more than one output file"};
        }
    }
    if (parsed.output.empty())
        throw UsageError{"no output file"};
    return parsed;
}

} // namespace

int Record(const Arguments& args) {
    const RecordArguments parsed = ParseRecord(args);
    // Refused before recording rather than after: the commands would be lost.
    const std::filesystem::path folder = std::filesystem::absolute(parsed.output).parent_path();
    if (::access(folder.c_str(), W_OK) != 0) {
        std::fprintf(stderr, "omr record: cannot write into %s\n", folder.c_str());
        return kExitFailed;
    }
    auto document = std::make_shared<RecordingDocument>();
    const bool existing = std::filesystem::exists(parsed.output);
    if (parsed.start == debugger::RecordingStart::insert && !existing)
        throw UsageError{"--insert needs an existing recording"};
    if (parsed.start != debugger::RecordingStart::reset && existing && !OpenInto(*document, parsed.output))
        return kExitFailed;
    if (parsed.start == debugger::RecordingStart::insert) {
        if (parsed.insertAt > document->Commands().Count())
            throw UsageError{"--insert " + std::to_string(parsed.insertAt) +
                             " is past the end of the recording"};
        // Recording inserts after the selected command, or before the first without one
        // (selecting -1 would mean the last command).
        if (parsed.insertAt == 0)
            document->Commands().ClearSelection();
        else
            document->Commands().Select(static_cast<int>(parsed.insertAt) - 1, false);
    }

    EventPrompt prompt;
    LiveSession session(prompt, debugger::Options{});
    session.Engine().StartRecording(document, debugger::RecordingChoice{parsed.start, false});
    const int before = document->Commands().Count();
    PrintJsonLine(Line({{"event", "listening"}, {"mode", "record"}, {"file", parsed.output}}));
    while (session.Turn() && (parsed.count < 0 || document->Commands().Count() - before < parsed.count)) {
    }
    session.Engine().StopRecording();
    const int recorded = document->Commands().Count() - before;
    if (!document->Save(parsed.output, prompt))
        return kExitFailed;
    PrintJsonLine(Line({{"event", "saved"},
                        {"file", parsed.output},
                        {"records", document->RecordCount()},
                        {"recorded", recorded}}));
    return kExitOk;
}

namespace {

struct PlayArguments {
    std::string file;
    std::optional<long> from;
    debugger::Options options;
    PlayRules rules;
    std::vector<long> breaks;
    std::optional<long> idleSeconds;
};

std::string Choice(const Arguments& args, std::size_t& i, const char* first, const char* second) {
    const std::string option = args[i];
    const std::string& value = ValueOf(args, i);
    if (value != first && value != second)
        throw UsageError{option + " takes " + first + " or " + second + ", not '" + value + "'"};
    return value;
}

PlayArguments ParsePlay(const Arguments& args) {
    PlayArguments parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--from") {
            parsed.from = ParseNumber(arg, ValueOf(args, i));
        } else if (arg == "--types-only") {
            parsed.options.validateCommandTypeOnly = true;
        } else if (arg == "--ignore-bus") {
            parsed.options.validateBusAddresses = 0;
        } else if (arg == "--strict-timeouts") {
            parsed.options.ignoreTimeoutChanges = false;
        } else if (arg == "--on-difference") {
            parsed.rules.continueOnDifference = Choice(args, i, "continue", "stop") == "continue";
        } else if (arg == "--at-end") {
            parsed.rules.pauseAtEnd = Choice(args, i, "pause", "continue") == "pause";
        } else if (arg == "--break") {
            parsed.breaks.push_back(ParseNumber(arg, ValueOf(args, i)));
            while (i + 1 < args.size() && IsNumber(args[i + 1]))
                parsed.breaks.push_back(ParseNumber(arg, args[++i]));
        } else if (arg == "--idle-timeout") {
            parsed.idleSeconds = ParseNumber(arg, ValueOf(args, i));
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw UsageError{"unknown option '" + arg + "'"};
        } else if (parsed.file.empty()) {
            parsed.file = arg;
        } else {
            throw UsageError{"more than one recording"};
        }
    }
    if (parsed.file.empty())
        throw UsageError{"no recording to play"};
    return parsed;
}

const char* PlayResult(const EventPrompt& prompt, bool interrupted, bool idle) {
    if (prompt.StoppedAtDifference())
        return "stopped";
    if (prompt.ReachedEnd())
        return prompt.Differences() > 0 ? "differences" : "complete";
    if (idle)
        return "idle-timeout";
    return interrupted ? "interrupted" : "ended";
}

} // namespace

int Play(const Arguments& args) {
    const PlayArguments parsed = ParsePlay(args);
    auto document = std::make_shared<RecordingDocument>();
    if (!OpenInto(*document, parsed.file))
        return kExitFailed;
    debugger::CommandList& commands = document->Commands();
    for (long index : parsed.breaks) {
        if (index >= commands.Count())
            throw UsageError{"--break " + std::to_string(index) + " is past the end of the recording"};
        commands.At(static_cast<int>(index))->breakpoint = true;
    }
    if (parsed.from && *parsed.from >= commands.Count())
        throw UsageError{"--from " + std::to_string(*parsed.from) + " is past the end of the recording"};

    EventPrompt prompt(parsed.rules);
    LiveSession session(prompt, parsed.options);
    debugger::Engine& engine = session.Engine();
    debugger::PlaybackChoice choice;
    if (parsed.from) {
        commands.Select(static_cast<int>(*parsed.from), false);
        choice.start = debugger::PlaybackStart::atSelected;
    }
    const bool started = engine.StartPlayback(document, choice);
    if (started) {
        PrintJsonLine(Line({{"event", "listening"},
                            {"mode", "play"},
                            {"file", parsed.file},
                            {"commands", commands.Count()}}));
        // The engine looks for breakpoints after each report; one on the first command
        // played holds the driver before it reports anything.
        engine.PauseAtBreakpoint();
    }
    bool interrupted = false, idle = false;
    while (started && (engine.IsPlaying() || engine.IsPaused())) {
        if (!session.Turn()) {
            interrupted = true;
            break;
        }
        if (parsed.idleSeconds && engine.IsPlaying() &&
            session.SinceLastMessage() >= std::chrono::seconds(*parsed.idleSeconds)) {
            idle = true;
            break;
        }
    }
    const char* result = started ? PlayResult(prompt, interrupted, idle) : "not started";
    PrintJsonLine(Line({{"event", "end"},
                        {"result", result},
                        {"differences", prompt.Differences()},
                        {"position", commands.PlaybackPosition()},
                        {"commands", commands.Count()}}));
    return std::string_view(result) == "complete" ? kExitOk : kExitFailed;
}

} // namespace corvid::omr
