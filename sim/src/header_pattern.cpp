#include "header_pattern.h"

#include <cctype>
#include <stdexcept>

namespace corvid::sim {

namespace {

char Upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool IsMnemonicChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

} // namespace

Mnemonic::Mnemonic(std::string_view spelling) {
    for (char c : spelling) {
        bool lower = std::islower(static_cast<unsigned char>(c)) != 0;
        if (!lower) {
            short_ += c;
        }
        long_ += Upper(c);
    }
    if (short_.empty()) {
        short_ = long_;
    }
}

bool Mnemonic::Matches(std::string_view sent) const {
    return EqualsNoCase(sent, short_) || EqualsNoCase(sent, long_);
}

bool SplitHeader(std::string_view header, SentHeader& out) {
    out = SentHeader{};
    if (!header.empty() && header.back() == '?') {
        out.query = true;
        header.remove_suffix(1);
    }
    if (!header.empty() && header.front() == '*') {
        out.common = true;
        header.remove_prefix(1);
        out.mnemonics.push_back(header);
        return !header.empty() &&
               header.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789") ==
                   std::string_view::npos;
    }
    if (!header.empty() && header.front() == ':') {
        header.remove_prefix(1);
    }
    while (true) {
        size_t colon = header.find(':');
        std::string_view part = header.substr(0, colon);
        if (part.empty()) {
            return false;
        }
        for (char c : part) {
            if (!IsMnemonicChar(c)) {
                return false;
            }
        }
        out.mnemonics.push_back(part);
        if (colon == std::string_view::npos) {
            return true;
        }
        header.remove_prefix(colon + 1);
    }
}

HeaderPattern::HeaderPattern(std::string_view pattern) : text_(pattern) {
    if (!pattern.empty() && pattern.back() == '?') {
        query_ = true;
        pattern.remove_suffix(1);
    }
    if (!pattern.empty() && pattern.front() == '*') {
        common_ = true;
        pattern.remove_prefix(1);
        if (pattern.empty() || pattern.find_first_of("[]:") != std::string_view::npos) {
            throw std::invalid_argument("malformed common command header \"" + text_ + "\"");
        }
        nodes_.push_back({Mnemonic(pattern), false});
        return;
    }
    bool inOptional = false;
    std::string word;
    auto flush = [&]() {
        if (!word.empty()) {
            nodes_.push_back({Mnemonic(word), inOptional});
            word.clear();
        }
    };
    for (char c : pattern) {
        if (c == '[') {
            if (inOptional) {
                throw std::invalid_argument("nested '[' in header \"" + text_ + "\"");
            }
            flush();
            inOptional = true;
        } else if (c == ']') {
            if (!inOptional) {
                throw std::invalid_argument("unmatched ']' in header \"" + text_ + "\"");
            }
            flush();
            inOptional = false;
        } else if (c == ':') {
            flush();
        } else if (IsMnemonicChar(c)) {
            word += c;
        } else {
            throw std::invalid_argument("unexpected '" + std::string(1, c) + "' in header \"" + text_ + "\"");
        }
    }
    if (inOptional) {
        throw std::invalid_argument("unclosed '[' in header \"" + text_ + "\"");
    }
    flush();
    bool anyRequired = false;
    for (const Node& node : nodes_) {
        anyRequired = anyRequired || !node.optional;
    }
    if (!anyRequired) {
        throw std::invalid_argument("header \"" + text_ + "\" has no required mnemonic");
    }
}

bool HeaderPattern::Matches(const SentHeader& sent) const {
    return sent.query == query_ && MatchesPath(sent);
}

bool HeaderPattern::MatchesPath(const SentHeader& sent) const {
    return sent.common == common_ && MatchFrom(0, 0, sent);
}

bool HeaderPattern::MatchFrom(size_t node, size_t sent, const SentHeader& header) const {
    if (node == nodes_.size()) {
        return sent == header.mnemonics.size();
    }
    const Node& n = nodes_[node];
    if (sent < header.mnemonics.size() && n.mnemonic.Matches(header.mnemonics[sent]) &&
        MatchFrom(node + 1, sent + 1, header)) {
        return true;
    }
    return n.optional && MatchFrom(node + 1, sent, header);
}

} // namespace corvid::sim
