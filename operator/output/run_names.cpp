#include "operatoroutput/run_names.h"

#include "text_format.h"

namespace corvid::operatoroutput {

std::string RunStamp(std::time_t start) {
    std::tm t = LocalTime(start);
    return Format("%02d%02d%02d_%02d%02d%02d", t.tm_mon + 1, t.tm_mday, t.tm_year % 100, t.tm_hour, t.tm_min,
                  t.tm_sec);
}

std::string ResultSuffix(int overallCode) {
    switch (overallCode) {
    case 1:
        return "_A";
    case 2:
        return "_F";
    case 3:
        return "_P";
    default:
        return "";
    }
}

std::string FileNamePart(std::string text) {
    for (char& c : text)
        if (c == '/' || c == '\0')
            c = '_';
    return text;
}

} // namespace corvid::operatoroutput
