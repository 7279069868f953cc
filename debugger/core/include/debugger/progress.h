// Progress of a long operation (opening, saving, exporting), shown by the windowed program
// in its status bar.
#pragma once

#include <cstddef>
#include <string_view>

namespace corvid::debugger {

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // Starts a progress display with a text ("Opening file...") and a range 0 to range.
    virtual void Begin(std::string_view text, std::size_t range) = 0;
    // One step of the range done.
    virtual void Step() = 0;
    // Removes the display.
    virtual void End() = 0;
};

// Begin on construction, End on destruction; tolerates no sink.
class ProgressScope {
public:
    ProgressScope(ProgressSink* sink, std::string_view text, std::size_t range) : sink_(sink) {
        if (sink_)
            sink_->Begin(text, range);
    }
    ~ProgressScope() {
        if (sink_)
            sink_->End();
    }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

    void Step() {
        if (sink_)
            sink_->Step();
    }

private:
    ProgressSink* sink_;
};

} // namespace corvid::debugger
