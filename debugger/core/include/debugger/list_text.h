// What a command list shows, computed on demand from the commands: cell texts, icons,
// row colours and the status bar's line indicator.
#pragma once

#include "debugger/command_list.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvid::debugger {

struct ListColumn {
    std::string_view heading;
    int documentWidth;
    int traceWidth;
};

// Icon column, "Bus Address", "Action", "Sent", "Received", "Parameters", "Time".
const std::array<ListColumn, 7>& ListColumns();

// Cells render data blocks in summary form with this limit.
inline constexpr std::size_t kCellTextLimit = 255;

// The text of a cell: empty for column 0, the bus address, the action name, the Sent,
// Received and Parameters summaries (as one line), and the time of day in the user's locale.
std::string CellText(const link::CGPIBCommandInfo& command, int column);

// A value's text for a place that shows one line (a cell, a line of the difference report):
// line feeds, carriage returns and tabs as \n, \r and \t, other control characters as
// \xHH, so that a command's terminator is seen rather than breaking the line.
std::string OneLineText(std::string_view text);

// 4 with a comment, + 2 at the playback position, + 1 with a breakpoint.
int IconIndex(const CommandItem& item, bool atPlaybackPosition);

// Background colours by bus address as 0xBBGGRR; none for addresses of 32 and above.
std::optional<std::uint32_t> BusAddressColour(unsigned busAddress);

// How a row's text is coloured.
enum class RowText { normal, grey };
RowText RowTextStyle(const CommandList& list, int row);

// "Ln %d, of %d" and its sizing blanks, for the selected row of a document's list.
std::string LineIndicator(const CommandList* list);

// An OLE date as date and time, or as time of day only, in the user's locale.
std::string LocaleDateTimeText(double oleDate);
std::string LocaleTimeText(double oleDate);

} // namespace corvid::debugger
