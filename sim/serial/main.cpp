// simserial [--bench FILE] [--link PATH] INSTRUMENT: serves one instrument of a simulated
// bench on a new pseudo-terminal, for clients that talk to it as to a serial port.
#include "bench_source.h"
#include "command_line.h"
#include "device_link.h"
#include "pty_line.h"
#include "serial_server.h"
#include "stop_signals.h"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

namespace corvid::sim {

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// The line that tells whoever started the program where the instrument is.
void Announce(const std::string& instrument, const std::string& device, const DeviceLink* link) {
    std::cout << "{\"instrument\":" << JsonString(instrument) << ",\"device\":" << JsonString(device)
              << ",\"link\":" << (link != nullptr ? JsonString(link->path().string()) : std::string("null"))
              << "}" << std::endl;
}

int Serve(const SerialOptions& options) {
    StopSignals stop; // before anything is announced, so that no stop request is lost
    ServedBench bench = LoadServedBench(ChooseBenchFile(options.bench), options.instrument);
    PtyLine line;
    std::unique_ptr<DeviceLink> link;
    if (options.link) {
        link = std::make_unique<DeviceLink>(*options.link, line.device());
    }
    Announce(options.instrument, line.device(), link.get());
    std::string error;
    if (!SerialServer(*bench.instrument, line.master(), stop.fd()).Run(error)) {
        std::cerr << "simserial: " << error << std::endl;
        return kExitFailure;
    }
    return 0;
}

} // namespace

} // namespace corvid::sim

int main(int argc, char** argv) {
    using namespace corvid::sim;
    std::string error;
    std::optional<SerialOptions> options = ParseCommandLine(argc, argv, error);
    if (!options) {
        std::cerr << "simserial: " << error << "\n" << kSerialUsage;
        return kExitUsage;
    }
    if (options->help) {
        std::cout << kSerialUsage;
        return 0;
    }
    // A reader that has gone away must not end the program before it has cleaned up.
    std::signal(SIGPIPE, SIG_IGN);
    try {
        return Serve(*options);
    } catch (const std::exception& e) {
        std::cerr << "simserial: " << e.what() << std::endl;
        return kExitFailure;
    }
}
