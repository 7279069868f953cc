// One conversion of a formatted I/O format string ("%,10lf", "%!ol#hb", "%@3f") and the
// reading of a format string's literal text with its backslash escapes.
#pragma once

#include "visa/visa.h"

#include <cstddef>
#include <string>

namespace corvid::visa {

enum class FormatLength { None, Short, Long, LongLong, LongDouble, Real32, Real64 };

struct FormatConversion {
    char code = 0;
    bool leftAlign = false;
    bool plusSign = false;
    bool spaceSign = false;
    bool zeroPad = false;
    bool hash = false;  // C alternate form, or the count taken from an argument
    bool star = false;  // printf: width from an argument; scanf: no assignment
    int width = -1;     // -1: none
    int precision = -1; // -1: none
    bool precisionStar = false;
    bool array = false;              // ",N", ",*" or ",#"
    int arraySize = -1;              // -1: taken from an argument
    bool arraySizeIsPointer = false; // ",#" in scanf
    FormatLength length = FormatLength::None;
    char numberForm = 0; // '1', '2', '3', 'H', 'Q', 'B' after '@'
    bool littleEndian = false;
    std::string scanSet; // %[...], without the brackets
};

// Parses the conversion that starts after the '%' at format[at]; at moves past it.
// VI_ERROR_INV_FMT for a malformed one.
ViStatus ParseConversion(const char* format, std::size_t& at, FormatConversion& out);

// The literal character at format[at], with the escapes \n \r \t \\ \" \' and \ooo
// (octal) of format strings; at moves past it.
char LiteralAt(const char* format, std::size_t& at);

// The size in bytes of one element of a binary block or raw transfer.
std::size_t BinaryElementSize(FormatLength length);

} // namespace corvid::visa
