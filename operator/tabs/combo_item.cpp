#include "operatortabs/combo_item.h"

#include <algorithm>
#include <cctype>

namespace corvid::operatortabs {

std::string EncodeItem(const std::string& name, int32_t id) {
    return name + std::string(kItemPadding, ' ') + std::to_string(id);
}

std::string ItemName(const std::string& item) {
    std::size_t blank = item.rfind(' ');
    // An entry without an identifier (" --ALL--") is its bare text.
    if (blank == std::string::npos || blank + 1 < kItemPadding)
        return item;
    // The last blank found is the padding's last; the others end the text before it.
    std::size_t end = blank;
    while (end > 0 && blank - end < kItemPadding - 1 && item[end - 1] == ' ')
        --end;
    return item.substr(0, end);
}

int32_t ItemId(const std::string& item) {
    std::size_t blank = item.rfind(' ');
    if (blank == std::string::npos || blank < kItemPadding)
        return -1;
    return static_cast<int32_t>(std::atol(item.c_str() + blank + 1));
}

void ComboList::AddUnique(const std::string& item) {
    if (std::find(items.begin(), items.end(), item) == items.end())
        items.push_back(item);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (prefix.size() > text.size())
        return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

bool ComboList::SelectPrefix(const std::string& prefix) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (StartsWithNoCase(items[i], prefix)) {
            selected = static_cast<int>(i);
            return true;
        }
    }
    selected = -1;
    return false;
}

std::string ComboList::SelectedName() const {
    if (selected < 0 || selected >= static_cast<int>(items.size()))
        return {};
    return ItemName(items[static_cast<std::size_t>(selected)]);
}

int32_t ComboList::SelectedId() const {
    if (selected < 0 || selected >= static_cast<int>(items.size()))
        return -1;
    return ItemId(items[static_cast<std::size_t>(selected)]);
}

} // namespace corvid::operatortabs
