// Formatting helpers of the report and test information writers. Numbers and dates are
// written as in the "C" locale whatever locale the host process runs in, so that files
// read back the same everywhere.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace corvid::operatoroutput {

// printf into a string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A real as "%g" in the "C" locale.
std::string FormatReal(double value);

// Reading as atol / atoi (saturated to the 32-bit range) and atof, in the "C" locale:
// leading white space skipped, the longest valid prefix taken, 0 when there is none.
int32_t ParseInteger(const std::string& text);
double ParseReal(const std::string& text);

// The local time of t (the epoch when it cannot be converted).
std::tm LocalTime(std::time_t t);

// "%d-%b-%y" of a calendar date, English month abbreviations.
std::string DayMonthYear(int year, unsigned month, unsigned day);

// "%d-%b-%y" of an "MM/DD/YYYY" date; a date that does not read as one counts as
// 1 January 1970.
std::string CalibrationDate(const std::string& mmddyyyy);

} // namespace corvid::operatoroutput
