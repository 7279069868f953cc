#include "shell.h"

#include "platform/profile.h"
#include "platform/runtime_dir.h"
#include "visa/names.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

namespace corvid::vish {
namespace {

constexpr const char* kHelp =
    "commands (separate several with ';'; quote text that contains ';'):\n"
    "  list [EXPR]            resources matching EXPR (default ?*::INSTR)\n"
    "  open RESOURCE          open a session (closing the one open)\n"
    "  close                  close the session\n"
    "  write TEXT             write TEXT and a line feed (escapes: \\n \\r \\t \\\\ \\\" \\xHH)\n"
    "  read                   read until the device ends its message\n"
    "  query TEXT             write, then read\n"
    "  stb                    read the status byte\n"
    "  clear                  device clear\n"
    "  trigger                device trigger\n"
    "  ren MODE               remote enable control (0 to 6)\n"
    "  attr [NAME [VALUE]]    list, get or set attributes by name (VI_ATTR_TMO_VALUE or TMO_VALUE)\n"
    "  timeout [MS|inf]       get or set the time-out\n"
    "  termchar [CHAR|off]    get, set or switch off the read termination character\n"
    "  wait srq [MS]          wait for a service request and read the status byte\n"
    "  lock | unlock          exclusive lock of the resource\n"
    "  help | quit\n";

std::optional<long long> Number(std::string_view text) {
    bool negative = !text.empty() && text[0] == '-';
    if (negative) {
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    unsigned long long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return negative ? -static_cast<long long>(value) : static_cast<long long>(value);
}

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string Hex(ViStatus status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(status));
    return text;
}

// An attribute value from its text: a number, VI_TRUE/VI_FALSE (or on/off), or one
// character in quotes or as an escape.
std::optional<ViAttrState> AttributeValue(const std::string& text, visa::AttributeType type) {
    std::string lower = Lower(text);
    if (lower == "vi_true" || lower == "true" || lower == "on") {
        return VI_TRUE;
    }
    if (lower == "vi_false" || lower == "false" || lower == "off") {
        return VI_FALSE;
    }
    if (lower == "inf" || lower == "infinite" || lower == "vi_tmo_infinite") {
        return VI_TMO_INFINITE;
    }
    if (auto number = Number(text)) {
        return static_cast<ViAttrState>(*number);
    }
    std::string bytes;
    std::string inner = text.size() >= 2 && text.front() == '\'' && text.back() == '\''
                            ? text.substr(1, text.size() - 2)
                            : text;
    if (type == visa::AttributeType::UInt8 && Unescape(inner, bytes) && bytes.size() == 1) {
        return static_cast<unsigned char>(bytes[0]);
    }
    return std::nullopt;
}

std::string FormatValue(const visa::AttributeInfo& info, const unsigned char* raw) {
    auto read = [raw](auto value) {
        std::memcpy(&value, raw, sizeof value);
        return value;
    };
    switch (info.type) {
    case visa::AttributeType::Text:
        return "\"" + Escape(reinterpret_cast<const char*>(raw)) + "\"";
    case visa::AttributeType::Boolean:
        return read(ViBoolean{}) ? "VI_TRUE" : "VI_FALSE";
    case visa::AttributeType::UInt8: {
        unsigned value = read(ViUInt8{});
        return std::to_string(value) + " ('" + Escape(std::string(1, static_cast<char>(value))) + "')";
    }
    case visa::AttributeType::Int8:
        return std::to_string(read(ViInt8{}));
    case visa::AttributeType::UInt16:
        return std::to_string(read(ViUInt16{}));
    case visa::AttributeType::Int16:
        return std::to_string(read(ViInt16{}));
    case visa::AttributeType::UInt32: {
        ViUInt32 value = read(ViUInt32{});
        return info.id == VI_ATTR_TMO_VALUE && value == VI_TMO_INFINITE ? "VI_TMO_INFINITE"
                                                                        : std::to_string(value);
    }
    case visa::AttributeType::Int32:
        return std::to_string(read(ViInt32{}));
    case visa::AttributeType::UInt64:
    case visa::AttributeType::Address:
        return std::to_string(read(ViUInt64{}));
    case visa::AttributeType::Int64:
        return std::to_string(read(ViInt64{}));
    }
    return {};
}

} // namespace

bool SimulatedBench() {
    // The library's configuration store; the library itself reports its problems.
    std::string library =
        platform::ReadProfileString(platform::HomeDirPath() / "visa.ini", "GPIB", "Library", "simgpib.so");
    std::string file = std::filesystem::path(library).filename().string();
    return file.rfind("simgpib", 0) == 0;
}

Shell::Shell(std::ostream& out, std::ostream& err)
    : out_(out), err_(err), commands_{{"list", &Shell::List},         {"open", &Shell::Open},
                                      {"close", &Shell::Close},       {"write", &Shell::Write},
                                      {"read", &Shell::Read},         {"query", &Shell::Query},
                                      {"stb", &Shell::StatusByte},    {"clear", &Shell::Clear},
                                      {"trigger", &Shell::Trigger},   {"ren", &Shell::Remote},
                                      {"attr", &Shell::Attribute},    {"timeout", &Shell::Timeout},
                                      {"termchar", &Shell::TermChar}, {"wait", &Shell::Wait},
                                      {"lock", &Shell::Lock},         {"unlock", &Shell::Unlock},
                                      {"help", &Shell::Help},         {"quit", &Shell::Quit},
                                      {"exit", &Shell::Quit}} {}

Shell::~Shell() {
    if (rm_ != VI_NULL) {
        viClose(rm_);
    }
}

std::string Shell::Banner() const {
    std::string text = "vish: VISA shell; 'help' lists the commands.\n";
    if (SimulatedBench()) {
        text += "note: the GPIB bench is simulated (driver library simgpib.so).\n";
    }
    return text;
}

std::string Shell::Prompt() const {
    return (resource_.empty() ? std::string("vish") : resource_) + "> ";
}

bool Shell::Execute(std::string_view line) {
    for (const std::string& text : SplitCommands(line)) {
        if (!Run(ParseCommand(text)) || quit_) {
            return quit_;
        }
    }
    return true;
}

bool Shell::Run(const Command& command) {
    auto it = commands_.find(command.word);
    if (it == commands_.end()) {
        err_ << "error: unknown command '" << command.word << "' (try 'help')\n";
        return false;
    }
    return (this->*(it->second))(command.rest);
}

bool Shell::Check(ViStatus status, const std::string& what) {
    if (status == VI_SUCCESS) {
        return true;
    }
    std::string_view name = visa::StatusName(status);
    char description[VI_FIND_BUFLEN] = {};
    viStatusDesc(rm_, status, description);
    std::ostream& stream = status < VI_SUCCESS ? err_ : out_;
    stream << (status < VI_SUCCESS ? "error: " : "note: ") << what << ": "
           << (name.empty() ? Hex(status) : std::string(name) + " (" + Hex(status) + ")") << ": "
           << description << "\n";
    return status >= VI_SUCCESS;
}

bool Shell::NeedSession() {
    if (vi_ == VI_NULL) {
        err_ << "error: no session is open (use 'open RESOURCE')\n";
        return false;
    }
    return true;
}

bool Shell::List(const std::string& rest) {
    if (rm_ == VI_NULL && !Check(viOpenDefaultRM(&rm_), "viOpenDefaultRM")) {
        return false;
    }
    std::string expression = rest.empty() ? "?*::INSTR" : rest;
    ViFindList list = VI_NULL;
    ViUInt32 count = 0;
    char name[VI_FIND_BUFLEN] = {};
    ViStatus status = viFindRsrc(rm_, expression.c_str(), &list, &count, name);
    if (status == VI_ERROR_RSRC_NFOUND) {
        out_ << "no resources match " << expression << "\n";
        return true;
    }
    if (!Check(status, "viFindRsrc " + expression)) {
        return false;
    }
    out_ << name << "\n";
    for (ViUInt32 i = 1; i < count && viFindNext(list, name) == VI_SUCCESS; ++i) {
        out_ << name << "\n";
    }
    viClose(list);
    if (SimulatedBench()) {
        out_ << "note: the GPIB bench is simulated (driver library simgpib.so).\n";
    }
    return true;
}

bool Shell::Open(const std::string& rest) {
    if (rest.empty()) {
        err_ << "error: open needs a resource name, for example 'open GPIB0::22::INSTR'\n";
        return false;
    }
    if (rm_ == VI_NULL && !Check(viOpenDefaultRM(&rm_), "viOpenDefaultRM")) {
        return false;
    }
    Close("");
    ViSession vi = VI_NULL;
    ViStatus status = viOpen(rm_, rest.c_str(), VI_NO_LOCK, 0, &vi);
    if (!Check(status, "viOpen " + rest)) {
        return false;
    }
    vi_ = vi;
    char name[VI_FIND_BUFLEN] = {};
    viGetAttribute(vi_, VI_ATTR_RSRC_NAME, name);
    resource_ = name;
    srqEnabled_ = false;
    return true;
}

bool Shell::Close(const std::string&) {
    if (vi_ == VI_NULL) {
        return true;
    }
    ViStatus status = viClose(vi_);
    vi_ = VI_NULL;
    resource_.clear();
    return Check(status, "viClose");
}

bool Shell::WriteText(const std::string& rest) {
    std::string bytes;
    if (!Unescape(rest, bytes)) {
        err_ << "error: malformed escape in '" << rest << "'\n";
        return false;
    }
    if (bytes.empty() || bytes.back() != '\n') {
        bytes += '\n';
    }
    ViUInt32 count = 0;
    return Check(
        viWrite(vi_, reinterpret_cast<ViConstBuf>(bytes.data()), static_cast<ViUInt32>(bytes.size()), &count),
        "viWrite");
}

bool Shell::ReadAll(std::string& text) {
    text.clear();
    char buffer[4096];
    for (;;) {
        ViUInt32 count = 0;
        ViStatus status = viRead(vi_, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &count);
        text.append(buffer, count);
        if (status != VI_SUCCESS_MAX_CNT) {
            return status == VI_SUCCESS_TERM_CHAR || Check(status, "viRead");
        }
    }
}

bool Shell::Write(const std::string& rest) {
    return NeedSession() && WriteText(rest);
}

bool Shell::Read(const std::string&) {
    std::string text;
    if (!NeedSession() || !ReadAll(text)) {
        return false;
    }
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
    }
    out_ << Escape(text) << "\n";
    return true;
}

bool Shell::Query(const std::string& rest) {
    return NeedSession() && WriteText(rest) && Read("");
}

bool Shell::StatusByte(const std::string&) {
    ViUInt16 stb = 0;
    if (!NeedSession() || !Check(viReadSTB(vi_, &stb), "viReadSTB")) {
        return false;
    }
    char text[64];
    std::snprintf(text, sizeof text, "status byte 0x%02X (%u)%s", stb, stb, (stb & 0x40) ? ", RQS" : "");
    out_ << text << "\n";
    return true;
}

bool Shell::Clear(const std::string&) {
    return NeedSession() && Check(viClear(vi_), "viClear");
}

bool Shell::Trigger(const std::string&) {
    return NeedSession() && Check(viAssertTrigger(vi_, VI_TRIG_PROT_DEFAULT), "viAssertTrigger");
}

bool Shell::Remote(const std::string& rest) {
    auto mode = Number(rest);
    if (!mode || *mode < 0 || *mode > 0xFFFF) {
        err_ << "error: ren needs a mode: 0 deassert, 1 assert, 2 deassert and go to local, 3 assert and "
                "address, 4 assert and lock out, 5 address and lock out, 6 go to local\n";
        return false;
    }
    return NeedSession() && Check(viGpibControlREN(vi_, static_cast<ViUInt16>(*mode)), "viGpibControlREN");
}

bool Shell::Attribute(const std::string& rest) {
    if (!NeedSession()) {
        return false;
    }
    Command parts = ParseCommand(rest, true);
    if (parts.word.empty()) {
        for (const visa::AttributeInfo& info : visa::Attributes()) {
            unsigned char raw[VI_FIND_BUFLEN] = {};
            if (viGetAttribute(vi_, info.id, raw) >= VI_SUCCESS) {
                out_ << info.name << " = " << FormatValue(info, raw) << "\n";
            }
        }
        return true;
    }
    const visa::AttributeInfo* info = visa::FindAttribute(parts.word);
    if (!info) {
        err_ << "error: unknown attribute '" << parts.word << "'\n";
        return false;
    }
    if (!parts.rest.empty()) {
        auto value = AttributeValue(parts.rest, info->type);
        if (!value) {
            err_ << "error: '" << parts.rest << "' is not a value for " << info->name << "\n";
            return false;
        }
        if (!Check(viSetAttribute(vi_, info->id, *value), "viSetAttribute " + std::string(info->name))) {
            return false;
        }
    }
    unsigned char raw[VI_FIND_BUFLEN] = {};
    if (!Check(viGetAttribute(vi_, info->id, raw), "viGetAttribute " + std::string(info->name))) {
        return false;
    }
    out_ << info->name << " = " << FormatValue(*info, raw) << "\n";
    return true;
}

bool Shell::Timeout(const std::string& rest) {
    return Attribute("VI_ATTR_TMO_VALUE " + rest);
}

bool Shell::TermChar(const std::string& rest) {
    if (!NeedSession()) {
        return false;
    }
    if (Lower(rest) == "off") {
        return Check(viSetAttribute(vi_, VI_ATTR_TERMCHAR_EN, VI_FALSE),
                     "viSetAttribute VI_ATTR_TERMCHAR_EN") &&
               TermChar("");
    }
    if (!rest.empty()) {
        auto value = AttributeValue(rest, visa::AttributeType::UInt8);
        if (!value || *value > 0xFF) {
            err_ << "error: termchar needs one character (for example \\n or 10) or 'off'\n";
            return false;
        }
        if (!Check(viSetAttribute(vi_, VI_ATTR_TERMCHAR, *value), "viSetAttribute VI_ATTR_TERMCHAR") ||
            !Check(viSetAttribute(vi_, VI_ATTR_TERMCHAR_EN, VI_TRUE), "viSetAttribute VI_ATTR_TERMCHAR_EN")) {
            return false;
        }
    }
    ViUInt8 character = 0;
    ViBoolean enabled = VI_FALSE;
    viGetAttribute(vi_, VI_ATTR_TERMCHAR, &character);
    viGetAttribute(vi_, VI_ATTR_TERMCHAR_EN, &enabled);
    out_ << "termchar " << Escape(std::string(1, static_cast<char>(character))) << " ("
         << (enabled ? "enabled" : "off") << ")\n";
    return true;
}

bool Shell::Wait(const std::string& rest) {
    Command parts = ParseCommand(rest);
    if (parts.word != "srq") {
        err_ << "error: usage: wait srq [MS]\n";
        return false;
    }
    ViUInt32 timeout = 10000;
    if (!parts.rest.empty()) {
        auto value = Number(parts.rest);
        if (!value || *value < 0 || *value > 0xFFFFFFFFLL) {
            err_ << "error: '" << parts.rest << "' is not a time-out in milliseconds\n";
            return false;
        }
        timeout = static_cast<ViUInt32>(*value);
    }
    if (!NeedSession()) {
        return false;
    }
    if (!srqEnabled_) {
        if (!Check(viEnableEvent(vi_, VI_EVENT_SERVICE_REQ, VI_QUEUE, VI_NULL), "viEnableEvent")) {
            return false;
        }
        srqEnabled_ = true;
    }
    ViEventType type = 0;
    ViEvent event = VI_NULL;
    ViStatus status = viWaitOnEvent(vi_, VI_EVENT_SERVICE_REQ, timeout, &type, &event);
    if (status == VI_ERROR_TMO) {
        err_ << "error: no service request within " << timeout << " ms\n";
        return false;
    }
    if (!Check(status == VI_SUCCESS_QUEUE_NEMPTY ? VI_SUCCESS : status, "viWaitOnEvent")) {
        return false;
    }
    viClose(event);
    out_ << "service request\n";
    return StatusByte("");
}

bool Shell::Lock(const std::string&) {
    return NeedSession() && Check(viLock(vi_, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr), "viLock");
}

bool Shell::Unlock(const std::string&) {
    return NeedSession() && Check(viUnlock(vi_), "viUnlock");
}

bool Shell::Help(const std::string&) {
    out_ << kHelp;
    return true;
}

bool Shell::Quit(const std::string&) {
    quit_ = true;
    return true;
}

} // namespace corvid::vish
