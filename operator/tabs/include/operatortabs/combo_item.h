// The list entries of the operator tabs: the visible name, 135 blanks and the decimal
// database identifier, so that one text carries both.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvid::operatortabs {

inline constexpr std::size_t kItemPadding = 135;

std::string EncodeItem(const std::string& name, int32_t id);
// The text before the last blank, less the padding.
std::string ItemName(const std::string& item);
// The number after the last blank; -1 when the last blank lies before the padding.
int32_t ItemId(const std::string& item);

// Whether text begins with prefix, case ignored (ASCII).
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

// A combo box's entries and its selection (-1 none).
struct ComboList {
    std::vector<std::string> items;
    int selected = -1;

    void Clear() {
        items.clear();
        selected = -1;
    }
    // Adds the item unless an identical one is there.
    void AddUnique(const std::string& item);
    // Selects the first entry that begins with prefix (case ignored); false (and no
    // selection) when none does.
    bool SelectPrefix(const std::string& prefix);
    std::string SelectedName() const;
    int32_t SelectedId() const;
};

} // namespace corvid::operatortabs
