// Shared by the list tests: the offscreen application and commands built in one line.
#pragma once

#include "../test_support.h"
#include "debugger/command_list.h"
#include "testsupport/qt_application.h"

#include <QApplication>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvid::ombra::testing {

using debugger::testing::ReadCommand;
using debugger::testing::TextBlock;
using debugger::testing::ValueBlock;
using debugger::testing::WriteCommand;

using corvid::testing::Application;

inline debugger::CommandItem Item(link::CGPIBCommandInfo command, bool breakpoint = false) {
    return debugger::CommandItem{std::move(command), breakpoint};
}

// A list of WRITE commands "1" to "count" at address 1.
inline void Fill(debugger::CommandList& list, int count, std::uint8_t address = 1) {
    for (int number = 1; number <= count; ++number)
        list.Insert(Item(WriteCommand(address, std::to_string(number))), -1, false, false);
}

} // namespace corvid::ombra::testing
