// The running bench: its boards, the instruments at their addresses, and what every
// instrument shares (random numbers for noise, the clock of time()).
#pragma once

#include "bench_spec.h"
#include "instrument.h"

#include <array>
#include <memory>
#include <optional>
#include <random>
#include <vector>

namespace corvid::sim {

// Secondary address arguments as the driver API gives them.
inline constexpr int kNoSad = 0;
inline constexpr int kAllSad = -1;

class Bus {
public:
    explicit Bus(BenchSpec spec);
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;

    struct Board {
        BoardSpec spec;
        bool systemController = true;
        bool controllerInCharge = true;
        bool remoteEnable = false;
        bool attention = false; // ATN asserted by the board
        std::vector<Instrument*> instruments;
        std::array<Instrument*, 31> primary{};                   // instruments without secondary address
        std::array<std::array<Instrument*, 31>, 31> secondary{}; // [primary][secondary]
    };

    const BenchSpec& spec() const { return spec_; }
    Board* FindBoard(int index);
    // The instrument that listens when the board addresses pad and sad (0: none,
    // 0x60 + n: secondary n, -1: any). A device without secondary address ignores the
    // secondary address, as on a real bus.
    Instrument* Listener(int board, int pad, int sad);
    Instrument& instrument(int index) { return *instruments_[static_cast<size_t>(index)]; }
    size_t instrumentCount() const { return instruments_.size(); }

    bool ServiceRequest(Board& board, Clock::time_point now);
    // The earliest reply that becomes ready after now, for waiters.
    std::optional<Clock::time_point> NextReplyTime(Clock::time_point now) const;

    // Reads a property or computed value of any instrument; computed values read the
    // parameters of the dialogue being carried out.
    Value Read(const Reference& ref, const std::vector<Value>& parameters);
    double Gaussian(double sigma);
    double Uniform(double low, double high);
    double Seconds() const;

private:
    BenchSpec spec_;
    std::vector<Board> boards_;
    std::vector<std::unique_ptr<Instrument>> instruments_;
    std::mt19937_64 random_;
    Clock::time_point start_;
    int depth_ = 0;
};

// Evaluation of description expressions against the bus.
class BusEvaluation : public EvalContext {
public:
    BusEvaluation(Bus& bus, const std::vector<Value>& parameters) : bus_(bus), parameters_(parameters) {}
    Value Read(const Reference& ref) override { return bus_.Read(ref, parameters_); }
    double Gaussian(double sigma) override { return bus_.Gaussian(sigma); }
    double Uniform(double low, double high) override { return bus_.Uniform(low, high); }
    double Seconds() override { return bus_.Seconds(); }

private:
    Bus& bus_;
    const std::vector<Value>& parameters_;
};

} // namespace corvid::sim
