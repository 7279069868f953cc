// Fuzz target: scanning instrument replies. The reply is the input; it is scanned with the
// conversions an application uses on untrusted replies, each bounded by the sizes it
// passes, so any write beyond a buffer is a fault of the scanner.
#include "formatted_io.h"

#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

class Reply : public corvid::visa::FormatSource {
public:
    explicit Reply(const std::string& text) : text_(text) {}
    int Peek() override { return at_ < text_.size() ? static_cast<unsigned char>(text_[at_]) : -1; }
    void Take() override { ++at_; }

private:
    const std::string& text_;
    std::size_t at_ = 0;
};

void Scan(const std::string& reply, const char* format, ...) {
    Reply source(reply);
    va_list args;
    va_start(args, format);
    ViStatus status = corvid::visa::ScanInput(format, &args, source);
    va_end(args);
    if (status != VI_SUCCESS) {
        std::abort(); // the formats are valid and the source never fails
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string reply(reinterpret_cast<const char*>(data), size);
    char text[8];
    int room = sizeof text;
    Scan(reply, "%#t", &room, text);
    room = sizeof text;
    Scan(reply, "%#s%*[ ,]%7[^,]", &room, text, text);
    std::uint16_t words[4];
    int count = 4;
    Scan(reply, "%#hb", &count, words);
    count = 4;
    Scan(reply, "%!ol#hB", &count, words);
    double reals[3];
    count = 3;
    Scan(reply, "%,#lf", &count, reals);
    int integer = 0;
    float real = 0;
    std::int64_t wide = 0;
    Scan(reply, "%d;%f %lld %n", &integer, &real, &wide, &integer);
    Scan(reply, "%2hy%3c", words, text);
    return 0;
}
