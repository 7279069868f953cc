#include "debugger/list_text.h"

#include "link/ole_date.h"

#include <cstdio>
#include <ctime>

namespace corvid::debugger {
namespace {

constexpr std::array<std::uint32_t, 32> kColours = {
    0xFFFFFF, 0xE1FFFF, 0xFFE1FF, 0xE1E1FF, 0xFFFFE1, 0xE1FFE1, 0xFFE1E1, 0xE1E1E1, //
    0xC8FFFF, 0xFFC8FF, 0xC8C8FF, 0xFFFFC8, 0xC8FFC8, 0xC8C8C8, 0xC8E1E1, 0xE1C8E1, //
    0xC8C8E1, 0xE1E1C8, 0xC8E1C8, 0xE1C8C8, 0xC0FFFF, 0xFFC0FF, 0xC0C0FF, 0xFFFFC0, //
    0xC0FFC0, 0xFFC0C0, 0xC0E1E1, 0xE1C0E1, 0xC0C0E1, 0xE1E1C0, 0xC0E1C0, 0xE1C0C0};

std::string LocaleText(double oleDate, const char* format) {
    const std::optional<link::OleDateParts> parts = link::SplitOleDate(oleDate);
    if (!parts)
        return {};
    std::tm time{};
    time.tm_year = parts->year - 1900;
    time.tm_mon = parts->month - 1;
    time.tm_mday = parts->day;
    time.tm_hour = parts->hour;
    time.tm_min = parts->minute;
    time.tm_sec = parts->second;
    time.tm_isdst = -1;
    char text[128];
    const std::size_t length = std::strftime(text, sizeof text, format, &time);
    return std::string(text, length);
}

} // namespace

const std::array<ListColumn, 7>& ListColumns() {
    static const std::array<ListColumn, 7> columns = {{{"", 36, 0},
                                                       {"Bus Address", 80, 80},
                                                       {"Action", 130, 130},
                                                       {"Sent", 130, 130},
                                                       {"Received", 130, 130},
                                                       {"Parameters", 130, 130},
                                                       {"Time", 0, 130}}};
    return columns;
}

std::string CellText(const link::CGPIBCommandInfo& command, int column) {
    switch (column) {
    case 1:
        return std::to_string(command.BusAddress());
    case 2:
        return std::string(link::ActionName(command.ActionCode()));
    case 3:
        return OneLineText(command.Sent().GetString(false, kCellTextLimit));
    case 4:
        return OneLineText(command.Received().GetString(false, kCellTextLimit));
    case 5:
        return OneLineText(command.Parameters().GetString(false, kCellTextLimit));
    case 6:
        return LocaleTimeText(command.Time().date);
    default:
        return {};
    }
}

std::string OneLineText(std::string_view text) {
    std::string line;
    line.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            line += "\\n";
        } else if (c == '\r') {
            line += "\\r";
        } else if (c == '\t') {
            line += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            line += escape;
        } else {
            line += c;
        }
    }
    return line;
}

int IconIndex(const CommandItem& item, bool atPlaybackPosition) {
    return (item.command.Comments().empty() ? 0 : 4) + (atPlaybackPosition ? 2 : 0) +
           (item.breakpoint ? 1 : 0);
}

std::optional<std::uint32_t> BusAddressColour(unsigned busAddress) {
    if (busAddress >= kColours.size())
        return std::nullopt;
    return kColours[busAddress];
}

RowText RowTextStyle(const CommandList& list, int row) {
    if (list.PlaybackHighlight())
        return row == list.PlaybackPosition() ? RowText::normal : RowText::grey;
    return list.RecordingHighlight() ? RowText::grey : RowText::normal;
}

std::string LineIndicator(const CommandList* list) {
    const int count = list ? list->Count() : 0;
    const int line = list && list->SelectedIndex() >= 0 ? list->SelectedIndex() + 1 : 0;
    char text[96];
    std::snprintf(text, sizeof text, "Ln %d, of %d                   ", line, count);
    return text;
}

std::string LocaleDateTimeText(double oleDate) {
    return LocaleText(oleDate, "%x %X");
}

std::string LocaleTimeText(double oleDate) {
    return LocaleText(oleDate, "%X");
}

} // namespace corvid::debugger
