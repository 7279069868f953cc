// The prompts of omr: messages of file operations are kept and printed when the operation
// fails; messages of a live recording or playback are printed as JSON lines as they come
// and answered by the command line's options.
#pragma once

#include "debugger/prompt.h"
#include "platform/message_box.h"

#include <cstdio>
#include <string>
#include <vector>

namespace corvid::omr {

using debugger::MsgAnswer;
using debugger::Question;

// Answers every question with its default button (OK, Yes) and keeps the texts.
class CollectingPrompt final : public debugger::Prompt {
public:
    using Prompt::Ask;
    MsgAnswer Ask(const Question& question) override;

    // Each message as "omr: caption: text" with plain line breaks.
    void PrintTo(std::FILE* out) const;

private:
    std::vector<Question> questions_;
};

// One JSON line on standard output, flushed at once.
void PrintJsonLine(const std::string& line);

struct PlayRules {
    bool continueOnDifference = true; // answer Yes to "Differences found during playback"
    bool pauseAtEnd = false;          // answer Yes to "Playback Complete"
};

// Prints {"event":"message","caption":...,"text":...,"answer":...} for each question.
class EventPrompt final : public debugger::Prompt {
public:
    explicit EventPrompt(PlayRules rules = {}) : rules_(rules) {}

    using Prompt::Ask;
    MsgAnswer Ask(const Question& question) override;

    int Differences() const { return differences_; }
    bool ReachedEnd() const { return reachedEnd_; }
    bool StoppedAtDifference() const { return stopped_; }

private:
    PlayRules rules_;
    int differences_ = 0;
    bool reachedEnd_ = false;
    bool stopped_ = false;
};

// Sends the process-wide message boxes (those of the link library) to a prompt while alive.
class MessageBoxRoute {
public:
    explicit MessageBoxRoute(debugger::Prompt& prompt);
    ~MessageBoxRoute();
    MessageBoxRoute(const MessageBoxRoute&) = delete;
    MessageBoxRoute& operator=(const MessageBoxRoute&) = delete;

private:
    platform::MessageBoxHandler previous_;
};

} // namespace corvid::omr
