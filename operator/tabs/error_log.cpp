#include "operatortabs/error_log.h"

#include <cstdio>
#include <ctime>
#include <memory>

namespace corvid::operatortabs {

void LogRunError(const std::string& outputPath, const char* what, const char* where) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> log(
        std::fopen((outputPath + "/ErrorLog.txt").c_str(), "a"), &std::fclose);
    if (!log)
        return;
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char date[64], time[64];
    std::strftime(date, sizeof date, "%x", &local);
    std::strftime(time, sizeof time, "%X", &local);
    std::fprintf(log.get(), "\n-------------\nError Logged on: %s at %s\n%s", date, time, where);
    if (what)
        std::fprintf(log.get(), "\nOperator Interface caught an Exception : %.2048s", what);
    else
        std::fputs("\nOperator Interface caught an unknown Exception\n", log.get());
}

} // namespace corvid::operatortabs
