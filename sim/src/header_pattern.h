// Command headers in the usual instrument style: mnemonics with a short form (the
// upper-case part) and a long form, separated by colons, with optional parts in square
// brackets, e.g. "[SOURce:]VOLTage[:LEVel]?". A sent mnemonic matches when it equals
// either form, ignoring case.
#pragma once

#include "platform/text.h"

#include <string>
#include <string_view>
#include <vector>

namespace corvid::sim {

// One mnemonic with its two accepted spellings (both upper case).
class Mnemonic {
public:
    // "VOLTage" gives VOLT / VOLTAGE; "CHANnel1" gives CHAN1 / CHANNEL1.
    explicit Mnemonic(std::string_view spelling);
    bool Matches(std::string_view sent) const;
    const std::string& shortForm() const { return short_; }
    const std::string& longForm() const { return long_; }

private:
    std::string short_, long_;
};

// A header as a sequence of mnemonics, split from what an instrument receives.
struct SentHeader {
    std::vector<std::string_view> mnemonics;
    bool query = false;
    bool common = false; // "*IDN?" and the like: one mnemonic starting with '*'
};

// Splits a received header; false when it is not a well-formed header.
bool SplitHeader(std::string_view header, SentHeader& out);

class HeaderPattern {
public:
    // Throws std::invalid_argument with the reason when the pattern is malformed.
    explicit HeaderPattern(std::string_view pattern);

    bool Matches(const SentHeader& sent) const;
    // The same without looking at the '?': a property header answers both forms.
    bool MatchesPath(const SentHeader& sent) const;
    bool query() const { return query_; }
    const std::string& text() const { return text_; }

private:
    struct Node {
        Mnemonic mnemonic;
        bool optional;
    };
    bool MatchFrom(size_t node, size_t sent, const SentHeader& header) const;

    std::string text_;
    std::vector<Node> nodes_;
    bool query_ = false;
    bool common_ = false;
};

using platform::EqualsNoCase;

} // namespace corvid::sim
