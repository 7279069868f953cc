// Figures for a document list of a million commands: how long filling the list, showing
// the view and scrolling it page by page take. Runs offscreen unless a platform is chosen.
//
//   ombra_list_bench [rows] [pages]
#include "debugger/command_list.h"
#include "ombra/command_list_view.h"

#include <QApplication>
#include <QScrollBar>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

corvid::link::CGPIBCommandInfo Command(int number) {
    const std::string text = "MEAS:VOLT? " + std::to_string(number) + '\0';
    const corvid::link::CCopyDataBlock sent(text.data(), static_cast<std::uint16_t>(text.size()),
                                            corvid::link::CCopyDataBlock::Char);
    const double value = number * 0.001;
    const corvid::link::CCopyDataBlock received(&value, 1, corvid::link::CCopyDataBlock::Double);
    return corvid::link::CGPIBCommandInfo(0, static_cast<std::uint8_t>(number % 31),
                                          number % 2 ? corvid::link::actionRead : corvid::link::actionWrite,
                                          nullptr, number % 2 ? nullptr : &sent,
                                          number % 2 ? &received : nullptr);
}

} // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1'000'000;
    const int pages = argc > 2 ? std::atoi(argv[2]) : 2000;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    corvid::debugger::CommandList list;
    corvid::ombra::CommandListView view(list, corvid::ombra::ListLayout::document);
    view.resize(800, 600);

    Clock::time_point start = Clock::now();
    std::deque<corvid::debugger::CommandItem> items;
    for (int number = 0; number < rows; ++number)
        items.push_back({Command(number), number % 97 == 0});
    list.Assign(std::move(items));
    std::printf("fill:   %d rows in %.1f ms\n", list.Count(), MillisecondsSince(start));

    start = Clock::now();
    view.show();
    QApplication::processEvents();
    view.grab();
    std::printf("show:   %.1f ms (first paint included)\n", MillisecondsSince(start));

    QScrollBar* bar = view.verticalScrollBar();
    int painted = 0;
    start = Clock::now();
    for (; painted < pages && bar->value() < bar->maximum(); ++painted) {
        bar->setValue(bar->value() + bar->pageStep());
        view.grab();
    }
    const double scrolling = MillisecondsSince(start);
    std::printf("scroll: %d pages in %.1f ms, %.3f ms per page (%d rows a page)\n", painted, scrolling,
                painted ? scrolling / painted : 0.0, bar->pageStep());

    start = Clock::now();
    list.Select(rows / 2, true, true);
    view.grab();
    std::printf("jump:   to row %d, centred, in %.1f ms\n", rows / 2, MillisecondsSince(start));
    return 0;
}
