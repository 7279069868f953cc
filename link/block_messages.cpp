#include "block_messages.h"

#include "platform/message_box.h"

namespace corvid::link {

void ShowBlockMessage(std::string_view before, unsigned type, std::string_view after) {
    std::string text(before);
    text += " [" + std::to_string(type) + "]";
    if (!after.empty()) {
        text += ' ';
        text += after;
    }
    platform::ShowMessageBox(text);
}

} // namespace corvid::link
