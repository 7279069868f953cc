// Serves one instrument on a serial line. Bytes from the line go to the instrument; a
// line feed ends a program message. Replies are written to the line once their delay
// has passed, while the line keeps being read. Messages are carried out in order: the
// next one waits until the previous reply is on the line, as on an instrument with one
// output queue, so a query is never interrupted by the message after it.
#pragma once

#include "instrument.h"

#include <optional>
#include <string>

namespace corvid::sim {

class SerialServer {
public:
    // line: the non-blocking master side of the line; stop: readable when serving ends.
    SerialServer(Instrument& instrument, int line, int stop)
        : instrument_(instrument), line_(line), stop_(stop) {}

    // Serves until stop becomes readable (true) or the line fails (false, with the
    // reason in error).
    bool Run(std::string& error);

private:
    // Hands waiting messages to the instrument and takes its ready replies.
    void Deliver(Clock::time_point now);
    void CollectReply(Clock::time_point now);
    // Milliseconds until the pending reply is ready; -1: nothing to wait for.
    int PollTimeout(Clock::time_point now) const;
    bool ReadLine(std::string& error);
    bool WriteLine(std::string& error);

    Instrument& instrument_;
    int line_;
    int stop_;
    std::string input_;  // read from the line, not yet given to the instrument
    std::string output_; // replies not yet written to the line
};

} // namespace corvid::sim
