#include "unit_identity.h"

#include "platform/text.h"

#include <array>
#include <visa.h>

namespace corvid::demouut {
namespace {

constexpr size_t kMaxReply = 64 * 1024;

std::vector<std::string> Fields(std::string_view text) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (true) {
        size_t comma = text.find(',', start);
        fields.emplace_back(platform::Trim(text.substr(start, comma - start)));
        if (comma == std::string_view::npos)
            return fields;
        start = comma + 1;
    }
}

// The library's description of a status, without its closing full stop.
std::string StatusText(ViObject object, ViStatus status) {
    std::array<ViChar, 256> text{};
    viStatusDesc(object, status, text.data());
    std::string description = text.data();
    if (!description.empty() && description.back() == '.')
        description.pop_back();
    return description;
}

} // namespace

std::string ResourceName(const GpibAddress& address) {
    std::string name = "GPIB" + std::to_string(address.board) + "::" + std::to_string(address.primary);
    if (address.secondary != 0)
        name += "::" + std::to_string(address.secondary);
    return name + "::INSTR";
}

uint32_t TimeoutMilliseconds(int timeoutCode) {
    // T10us ... T1000s; VISA counts whole milliseconds, so the shortest codes give 1 ms.
    constexpr std::array<uint32_t, 17> kMilliseconds = {
        1, 1, 1, 1, 1, 3, 10, 30, 100, 300, 1000, 3000, 10000, 30000, 100000, 300000, 1000000};
    if (timeoutCode < 1 || timeoutCode > 17)
        return 10000;
    return kMilliseconds[static_cast<size_t>(timeoutCode - 1)];
}

bool ParseIdentity(std::string_view reply, UnitIdentity& identity) {
    std::vector<std::string> fields = Fields(platform::Trim(reply));
    if (fields.size() != 4 || fields[2].empty())
        return false;
    identity = {fields[0], fields[1], fields[2], fields[3]};
    return true;
}

std::vector<std::string> ParseOptions(std::string_view reply) {
    std::string_view text = platform::Trim(reply);
    std::vector<std::string> options;
    if (text.empty() || text == "0")
        return options;
    for (std::string& field : Fields(text))
        if (!field.empty() && field != "0")
            options.push_back(std::move(field));
    return options;
}

UnitSession::UnitSession(const GpibAddress& address) : resource_(ResourceName(address)) {
    ViSession rm = VI_NULL;
    ViStatus status = viOpenDefaultRM(&rm);
    if (status < VI_SUCCESS)
        throw NoAnswer("The VISA library is not available (status " + std::to_string(status) + ")");
    rm_ = rm;
    ViSession session = VI_NULL;
    status = viOpen(rm, resource_.c_str(), VI_NO_LOCK, 0, &session);
    if (status < VI_SUCCESS) {
        std::string why = StatusText(rm, status);
        viClose(rm);
        throw NoAnswer("Cannot open " + resource_ + ": " + why);
    }
    session_ = session;
    viSetAttribute(session, VI_ATTR_TMO_VALUE, TimeoutMilliseconds(address.timeoutCode));
    viSetAttribute(session, VI_ATTR_TERMCHAR, '\n');
    viSetAttribute(session, VI_ATTR_TERMCHAR_EN, VI_TRUE);
}

UnitSession::~UnitSession() {
    viClose(static_cast<ViSession>(session_));
    viClose(static_cast<ViSession>(rm_));
}

void UnitSession::Fail(const std::string& what, long status) const {
    throw NoAnswer(what + " " + resource_ + ": " + StatusText(session_, static_cast<ViStatus>(status)));
}

std::string UnitSession::Query(std::string_view command) {
    ViSession session = static_cast<ViSession>(session_);
    std::string message = std::string(command) + "\n";
    ViUInt32 written = 0;
    ViStatus status = viWrite(session, reinterpret_cast<ViConstBuf>(message.data()),
                              static_cast<ViUInt32>(message.size()), &written);
    if (status < VI_SUCCESS)
        Fail("Cannot send \"" + std::string(command) + "\" to", status);
    std::string reply;
    std::array<ViByte, 1024> buffer{};
    do {
        ViUInt32 count = 0;
        status = viRead(session, buffer.data(), static_cast<ViUInt32>(buffer.size()), &count);
        if (status < VI_SUCCESS)
            Fail("No answer to \"" + std::string(command) + "\" from", status);
        reply.append(reinterpret_cast<const char*>(buffer.data()), count);
    } while (status == VI_SUCCESS_MAX_CNT && reply.size() < kMaxReply);
    return reply;
}

} // namespace corvid::demouut
