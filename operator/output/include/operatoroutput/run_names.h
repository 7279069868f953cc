// How the files and rows of a run are named: its start time as a stamp, its result as a
// suffix, and texts made safe to be part of a file name.
#pragma once

#include <ctime>
#include <string>

namespace corvid::operatoroutput {

// The run's start time (local) as "%m%d%y_%H%M%S".
std::string RunStamp(std::time_t start);

// The report file suffix of an overall result code: "_A" (1), "_F" (2), "_P" (3), else none.
std::string ResultSuffix(int overallCode);

// A text as part of a file name: a '/' would name a directory instead.
std::string FileNamePart(std::string text);

} // namespace corvid::operatoroutput
