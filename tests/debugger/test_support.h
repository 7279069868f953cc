// Helpers of the debugger tests: a prompt that records every question and answers from a
// script, records built in one line, and reports handed to an engine through the channel.
#pragma once

#include "debugger/engine.h"
#include "debugger/prompt.h"
#include "link/gpib_command_info.h"
#include "link/record_channel.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace corvid::debugger::testing {

class ScriptedPrompt : public Prompt {
public:
    using Prompt::Ask;
    MsgAnswer Ask(const Question& question) override {
        asked.push_back(question);
        if (!answers.empty()) {
            const MsgAnswer answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return platform::DefaultAnswer(question.buttons);
    }

    std::vector<std::string> Captions() const {
        std::vector<std::string> captions;
        for (const Question& question : asked)
            captions.push_back(question.caption);
        return captions;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Question& question : asked)
            texts.push_back(question.text);
        return texts;
    }

    std::vector<Question> asked;
    std::deque<MsgAnswer> answers; // then the default button
};

inline link::CCopyDataBlock TextBlock(std::string_view text) {
    const std::string withZero = std::string(text) + '\0';
    return link::CCopyDataBlock(withZero.data(), static_cast<std::uint16_t>(withZero.size()),
                                link::CCopyDataBlock::Char);
}

template <typename T>
link::CCopyDataBlock ValueBlock(T value, unsigned type) {
    return link::CCopyDataBlock(&value, 1, type);
}

inline link::CGPIBCommandInfo WriteCommand(std::uint8_t address, std::string_view text) {
    const link::CCopyDataBlock sent = TextBlock(text);
    return link::CGPIBCommandInfo(0, address, link::actionWrite, nullptr, &sent, nullptr);
}

inline link::CGPIBCommandInfo ReadCommand(std::uint8_t address, std::string_view text) {
    const link::CCopyDataBlock received = TextBlock(text);
    return link::CGPIBCommandInfo(0, address, link::actionRead, nullptr, nullptr, &received);
}

inline link::CGPIBCommandInfo TimeoutCommand(std::uint8_t address, std::int32_t milliseconds) {
    const link::CCopyDataBlock parameters =
        ValueBlock<std::uint32_t>(0x3FFF001A, link::CCopyDataBlock::Dword);
    const link::CCopyDataBlock sent = ValueBlock(milliseconds, link::CCopyDataBlock::Long);
    return link::CGPIBCommandInfo(0, address, link::actionSetAttribute, &parameters, &sent, nullptr);
}

// Every row's command as its bytes, to compare lists row for row.
inline std::vector<std::vector<std::uint8_t>> Records(const CommandList& list) {
    std::vector<std::vector<std::uint8_t>> records;
    for (int row = 0; row < list.Count(); ++row)
        records.push_back(list.At(row)->command.Serialize());
    return records;
}

// What a driver's report does, without a second process: the record goes into the
// driver's mapping and the engine handles the message that announces it.
inline platform::MessageResult Report(Engine& engine, const link::CGPIBCommandInfo& record) {
    const std::vector<std::uint8_t> bytes = record.Serialize();
    if (!link::OutgoingRecordChannel::OfThisProcess().Put(bytes))
        return -1;
    return engine.OnSendsData(static_cast<std::int64_t>(bytes.size()));
}

} // namespace corvid::debugger::testing
