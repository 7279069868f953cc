#include "prompts.h"

#include <nlohmann/json.hpp>

namespace corvid::omr {
namespace {

std::string WithoutCarriageReturns(const std::string& text) {
    std::string plain;
    for (char c : text)
        if (c != '\r')
            plain += c;
    return plain;
}

} // namespace

MsgAnswer CollectingPrompt::Ask(const Question& question) {
    questions_.push_back(question);
    return platform::DefaultAnswer(question.buttons);
}

void CollectingPrompt::PrintTo(std::FILE* out) const {
    for (const Question& question : questions_) {
        std::string caption = question.caption.empty() ? std::string() : question.caption + ": ";
        std::fprintf(out, "omr: %s%s\n", caption.c_str(), WithoutCarriageReturns(question.text).c_str());
    }
}

void PrintJsonLine(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

MsgAnswer EventPrompt::Ask(const Question& question) {
    MsgAnswer answer = platform::DefaultAnswer(question.buttons);
    if (question.caption == "Differences found during playback") {
        ++differences_;
        answer = rules_.continueOnDifference ? MsgAnswer::Yes : MsgAnswer::No;
    } else if (question.caption == "Playback Complete") {
        reachedEnd_ = true;
        answer = rules_.pauseAtEnd ? MsgAnswer::Yes : MsgAnswer::No;
    } else if (question.caption == "Notice") {
        stopped_ = true;
    }
    nlohmann::ordered_json event = {{"event", "message"},
                                    {"caption", question.caption},
                                    {"text", question.text},
                                    {"answer", platform::AnswerName(answer)}};
    PrintJsonLine(event.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
    return answer;
}

MessageBoxRoute::MessageBoxRoute(debugger::Prompt& prompt) {
    previous_ = platform::SetMessageBoxHandler(
        [&prompt](const platform::MessageBoxRequest& request) { return prompt.Ask(request); });
}

MessageBoxRoute::~MessageBoxRoute() {
    platform::SetMessageBoxHandler(std::move(previous_));
}

} // namespace corvid::omr
