#include "bus.h"

namespace corvid::sim {

Bus::Bus(BenchSpec spec) : spec_(std::move(spec)), start_(Clock::now()) {
    random_.seed(spec_.seed ? *spec_.seed : std::random_device{}());
    for (const BoardSpec& b : spec_.boards) {
        Board board;
        board.spec = b;
        boards_.push_back(board);
    }
    for (const InstrumentSpec& inst : spec_.instruments) {
        instruments_.push_back(std::make_unique<Instrument>(inst, *this));
        Instrument* added = instruments_.back().get();
        Board* board = FindBoard(inst.board);
        if (board == nullptr) {
            continue; // a module in the embedded controller's mainframe: reached by word-serial only
        }
        board->instruments.push_back(added);
        if (inst.sad < 0) {
            board->primary[static_cast<size_t>(inst.pad)] = added;
        } else {
            board->secondary[static_cast<size_t>(inst.pad)][static_cast<size_t>(inst.sad)] = added;
        }
    }
}

Bus::Board* Bus::FindBoard(int index) {
    for (Board& board : boards_) {
        if (board.spec.index == index) {
            return &board;
        }
    }
    return nullptr;
}

Instrument* Bus::Listener(int board, int pad, int sad) {
    Board* b = FindBoard(board);
    if (b == nullptr || pad < 0 || pad > 30) {
        return nullptr;
    }
    auto p = static_cast<size_t>(pad);
    // A module behind a GPIB-VXI controller answers at a secondary address of the
    // controller's primary address.
    if (sad >= 0x60 && sad <= 0x7e && b->secondary[p][static_cast<size_t>(sad - 0x60)] != nullptr) {
        return b->secondary[p][static_cast<size_t>(sad - 0x60)];
    }
    if (b->primary[p] != nullptr) {
        return b->primary[p];
    }
    if (sad == kAllSad) {
        for (Instrument* inst : b->secondary[p]) {
            if (inst != nullptr) {
                return inst;
            }
        }
        return nullptr;
    }
    if (sad < 0x60 || sad > 0x7e) {
        return nullptr;
    }
    return b->secondary[p][static_cast<size_t>(sad - 0x60)];
}

bool Bus::ServiceRequest(Board& board, Clock::time_point now) {
    bool asserted = false;
    for (Instrument* inst : board.instruments) {
        asserted = inst->RequestingService(now) || asserted;
    }
    return asserted;
}

std::optional<Clock::time_point> Bus::NextReplyTime(Clock::time_point now) const {
    std::optional<Clock::time_point> next;
    for (const auto& inst : instruments_) {
        if (inst->HasReply() && inst->replyReadyAt() > now && (!next || inst->replyReadyAt() < *next)) {
            next = inst->replyReadyAt();
        }
    }
    return next;
}

Value Bus::Read(const Reference& ref, const std::vector<Value>& parameters) {
    switch (ref.kind) {
    case RefKind::Param:
        return parameters[static_cast<size_t>(ref.index)];
    case RefKind::Property:
        return instrument(ref.instrument).PropertyValue(ref.index);
    case RefKind::Computed:
        break;
    }
    // The description was checked for circular values; the limit guards the stack anyway.
    if (depth_ > 64) {
        throw EvalError("values nest too deeply");
    }
    ++depth_;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{depth_};
    const std::vector<Value> none;
    BusEvaluation evaluation(*this, none);
    const InstrumentSpec& spec = instrument(ref.instrument).spec();
    return spec.values[static_cast<size_t>(ref.index)].expression.Evaluate(evaluation);
}

double Bus::Gaussian(double sigma) {
    if (!(sigma > 0)) {
        return 0;
    }
    return std::normal_distribution<double>(0, sigma)(random_);
}

double Bus::Uniform(double low, double high) {
    if (!(high > low)) {
        return low;
    }
    return std::uniform_real_distribution<double>(low, high)(random_);
}

double Bus::Seconds() const {
    return std::chrono::duration<double>(Clock::now() - start_).count();
}

} // namespace corvid::sim
