#include "listener.h"

#include "link/debugger_link.h"
#include "link/record_json.h"

#include <chrono>
#include <fstream>
#include <stdexcept>
#include <string>

namespace corvid::omblink {

Listener::Listener(ListenerRules rules) : rules_(std::move(rules)) {
    window_ = platform::MessageWindow::Create(
        link::kControllerWindowClass,
        [this](const platform::WindowMessage& message) { return Handle(message); });
    if (!window_)
        throw std::runtime_error("another debugger controller window is running");
}

void Listener::Run(const volatile int& stop) {
    while (!stop && (rules_.stopAfter < 0 || received_ < rules_.stopAfter))
        window_->Pump(std::chrono::milliseconds(50));
}

platform::MessageResult Listener::Handle(const platform::WindowMessage& message) {
    switch (message.message) {
    case link::WM_IOCONTROL_SENDS_DATA:
        return OnSendsData(message.lParam);
    case link::WM_IOCONTROL_QUERY_HOLD:
        return holdsAnswered_ < rules_.holdQueries ? (++holdsAnswered_, 1) : 0;
    case link::WM_IOCONTROL_QUERY_PLAYBACK:
        return nextPlayback_ < rules_.playback.size() ? 1 : 0;
    case link::WM_IOCONTROL_WANTS_DATA:
        return OnWantsData();
    default:
        return 0;
    }
}

platform::MessageResult Listener::OnSendsData(std::int64_t byteCount) {
    if (byteCount <= 0)
        return 0;
    link::IncomingRecord incoming = incoming_.Read(static_cast<std::size_t>(byteCount));
    if (!incoming.ok()) {
        std::fprintf(stderr, "omblink: could not read the announced record of %lld bytes%s%s\n",
                     static_cast<long long>(byteCount), incoming.archiveError.empty() ? "" : ": ",
                     incoming.archiveError.c_str());
        return 0;
    }
    ++received_;
    if (rules_.output) {
        std::fprintf(rules_.output, "%s\n", link::RecordToJson(incoming.record).c_str());
        std::fflush(rules_.output);
    }
    return 1;
}

platform::MessageResult Listener::OnWantsData() {
    if (nextPlayback_ >= rules_.playback.size())
        return 0;
    return replay_.Publish(rules_.playback[nextPlayback_++]);
}

std::vector<link::CGPIBCommandInfo> LoadRecordLines(const std::string& path) {
    std::ifstream file(path);
    if (!file)
        throw std::invalid_argument("cannot read " + path);
    std::vector<link::CGPIBCommandInfo> records;
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        try {
            records.push_back(link::RecordFromJson(line));
        } catch (const std::invalid_argument& error) {
            throw std::invalid_argument(path + ":" + std::to_string(number) + ": " + error.what());
        }
    }
    return records;
}

} // namespace corvid::omblink
