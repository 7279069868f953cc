#include "driver_fixture.h"

#include "com/error_info.h"
#include "visa_gpib.h"

namespace corvid::driver::testing {

HRESULT CollectingLog::LogEntry(BSTR logName, BSTR entry, BSTR status, BSTR result) {
    entries.push_back(
        {Utf8FromBstr(logName), Utf8FromBstr(entry), Utf8FromBstr(status), Utf8FromBstr(result)});
    return S_OK;
}

MessageBoxes::MessageBoxes() {
    previous_ = platform::SetMessageBoxHandler([this](const platform::MessageBoxRequest& request) {
        shown.push_back(request);
        if (answers.empty())
            return platform::DefaultAnswer(request.buttons);
        platform::MsgAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    });
}

MessageBoxes::~MessageBoxes() {
    platform::SetMessageBoxHandler(previous_);
}

std::string BlockBytes(const link::CCopyDataBlock& block) {
    auto bytes = block.Bytes();
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::string TakeErrorDescription() {
    auto details = TakeErrorDetails();
    return details ? details->description : "(none)";
}

std::string MessageOf(const std::string& description) {
    std::size_t start = description.find("[Message : ");
    std::size_t end = description.rfind(']');
    if (start == std::string::npos || end == std::string::npos || end < start + 11)
        return {};
    return description.substr(start + 11, end - start - 11);
}

std::string CommandOf(const std::string& description) {
    std::size_t start = description.find("[Command : ");
    if (start == std::string::npos)
        return {};
    std::size_t end = description.find(']', start);
    return description.substr(start + 11, end - start - 11);
}

DriverTest::DriverTest() : visa(fakevisa::Visa()) {
    fakevisa::Reset();
    SetErrorInfo(0, nullptr);
    log = MakeObject<CollectingLog>();
    auto object = MakeObject<CVisaGpib>();
    object.As(gpib);
    object.As(setup);
    setup->put_LogInterface(static_cast<ILog*>(log.get()));
}

DriverTest::~DriverTest() {
    gpib = nullptr;
    setup = nullptr;
}

void DriverTest::Open(LONG board, LONG primary) {
    setup->put_BoardAddress(board);
    setup->put_PrimaryAddress(primary);
    ASSERT_EQ(setup->Initialize(), S_OK) << TakeErrorDescription();
    log->entries.clear();
    visa.calls.clear();
}

std::vector<std::string> DriverTest::TakeLogTexts() {
    std::vector<std::string> texts;
    for (const LoggedEntry& entry : log->entries)
        texts.push_back(entry.text);
    log->entries.clear();
    return texts;
}

} // namespace corvid::driver::testing
